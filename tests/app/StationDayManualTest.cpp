// What the README tells a station for its whole day, held against what the
// built program does: the daily element-set job, copied out of the README
// as it stands and run with its fetch pointed at a file written here,
// keeps the catalogue folder and the archives current, and the next run
// locates a pass that carries no set of its own from either.
#include "tests/app/EndToEndRun.h"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>

namespace kestrune {
namespace {

namespace fs = std::filesystem;
using testing::PassLines;
using testing::TRunResult;
using testing::TTempFolder;

std::string Readme() { return TTempFolder::Read(std::string(KESTRUNE_SOURCE_DIR) + "/README.md"); }

// The indented block that follows heading in the README, unindented.
std::string ReadmeBlockAfter(const std::string& heading) {
    std::istringstream readme(Readme());
    std::string line, block;
    bool found = false;
    while (std::getline(readme, line)) {
        if (line == heading) found = true;
        if (!found) continue;
        if (line.rfind("    ", 0) == 0) block += line.substr(4) + "\n";
        else if (!block.empty() && !line.empty()) break;
    }
    return block;
}

// The sets as CelesTrak serves them: a name line padded to 24 characters, then the two lines, in CR LF.
std::string ServedSets(const std::vector<std::pair<std::string, test::TElementLines>>& sets) {
    std::string text;
    for (const auto& [name, set] : sets) {
        std::string padded = name;
        padded.resize(24, ' ');
        text += padded + "\r\n" + set.Line1 + "\r\n" + set.Line2 + "\r\n";
    }
    return text;
}

class StationDayManualTest : public testing::TEndToEndRun {
protected:
    // Runs the README's job with its folders and address set to the test's.
    int RunDailyJob(const std::string& served) {
        std::string job = ReadmeBlockAfter("### Element sets kept current");
        job = std::regex_replace(job, std::regex("\ncatalogue=[^\n]*"), "\ncatalogue=" + (folder / "tle"));
        job = std::regex_replace(job, std::regex("\nkeps=[^\n]*"), "\nkeps=" + (folder / "program/Keps"));
        job = std::regex_replace(job, std::regex("\nurl=[^\n]*"), "\nurl='file://" + served + "'");
        std::ofstream(folder / "fetch-elements") << job;
        const int status = std::system(("sh " + (folder / "fetch-elements") + " 2>/dev/null").c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
};

TEST_F(StationDayManualTest, TheDailyElementJobKeepsTheCatalogueAndTheArchivesCurrent) {
    ASSERT_EQ(std::system("command -v curl >/dev/null"), 0) << "the job fetches with curl";
    const test::TElementLines noaa18 = test::MakeElementLines(28654, 2023, 123.4, 98.9, 150.0, 0.0, 14.125, 30000);
    const test::TElementLines metopB = test::MakeElementLines(38771, 2023, 123.3, 98.7, 40.0, 0.0, 14.21, 55000);
    const test::TElementLines other = test::MakeElementLines(99999, 2023, 123.3, 51.6, 10.0, 0.0, 15.5, 12000);
    const std::string served = folder.Write("served/weather.txt",
                                            ServedSets({{"NOAA 18", noaa18}, {"SPACE STATION", other}, {"METOP-B", metopB}}));
    fs::create_directories(folder / "tle");
    // The pass carries no set of its own: it is located from the catalogue or the archive, or not at all.
    test::WriteFileBytes(pass, test::BuildWsdFile(passSpec, PassLines, "", ""));
    ProgramKey();
    TRegistry tracker;
    ASSERT_TRUE(tracker.OpenKey("\\Software\\Morvane\\Quenmar", true));
    tracker.WriteString("TwoLineDataPath", folder / "tle");

    struct TDay {
        const char* What;
        std::string Served;     // what the fetch finds
        int JobStatus;
        bool Catalogue;         // the catalogue file is kept for the run
        size_t ArchivedNoaa18;  // sets of NOAA-18 in its archive after the job
    };
    const std::vector<TDay> days{
        {"the first day", served, 0, true, 1},
        {"a second day, the same sets", served, 0, true, 2},
        {"a day the fetch fails", folder / "served/missing.txt", 1, true, 2},
        {"the archive alone", served, 0, false, 3},
    };
    for (const TDay& day : days) {
        SCOPED_TRACE(day.What);
        EXPECT_EQ(RunDailyJob(day.Served), day.JobStatus);
        EXPECT_EQ(TTempFolder::Read(folder / "tle/weather.txt"), TTempFolder::Read(served)) << "whole, or yesterday's";
        EXPECT_EQ(Files(folder / "tle"), (std::set<std::string>{"weather.txt"})) << "no half-fetched file is left";
        EXPECT_EQ(TTempFolder::Read(folder / "program/Keps/Updates/NOAA-18.txt"),
                  [&] {
                      std::string sets;
                      for (size_t k = 0; k < day.ArchivedNoaa18; ++k) sets += noaa18.Line1 + "\r\n" + noaa18.Line2 + "\r\n";
                      return sets;
                  }());
        EXPECT_EQ(TTempFolder::Read(folder / "program/Keps/Updates/METOP-B.txt").find(other.Line1), std::string::npos);
        if (!day.Catalogue) fs::remove(folder / "tle/weather.txt");
        fs::remove(folder / "program.log");
        const TRunResult run = Run({"-OUTPUT:" + Out(""), "-FC:x.jpg", "-CLOSE"});
        EXPECT_EQ(run.Status, 0) << Log();
        EXPECT_EQ(Log().find("No element sets found"), std::string::npos) << Log();
        EXPECT_EQ(Log().find("not located"), std::string::npos) << Log();
        if (!day.Catalogue) fs::copy_file(served, folder / "tle/weather.txt");
    }
    EXPECT_NE(TTempFolder::Read(folder / "program/Keps/Updates/METOP-B.txt").find(metopB.Line2), std::string::npos);

    // Without either the run says so: the checks above are not met by chance.
    fs::remove_all(folder / "program/Keps");
    fs::remove(folder / "tle/weather.txt");
    Run({"-OUTPUT:" + Out(""), "-FC:x.jpg", "-CLOSE"});
    EXPECT_NE(Log().find("No element sets found for NOAA-18"), std::string::npos) << Log();
}

// The README and the help name the colour look-up table's menu item as the menu shows it.
TEST_F(StationDayManualTest, TheColourLookUpTableIsNamedAsTheMenuNamesIt) {
    const std::string help = TTempFolder::Read(fs::path(ExecutablePath()).parent_path() / ".." / "app" / "help" / "windows.html");
    for (const auto& [what, text] : std::vector<std::pair<std::string, std::string>>{{"README", Readme()}, {"help", help}}) {
        EXPECT_EQ(text.find("Choose CLUT"), std::string::npos) << what;
        EXPECT_NE(text.find("Colour look-up table..."), std::string::npos) << what;
    }
}

}  // namespace
}  // namespace kestrune
