#include "platform/DesktopEntry.h"
#include "platform/SystemUtils.h"

#include "TempFolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace kestrune {
namespace {

using testing::TTempFolder;

constexpr const char* PassExtensions = ".gac, .hmf, .hrp, .l1b, .l1f, .lac, .raw, .rhd";

std::string EntryLine(const std::string& entry, const std::string& key) {
    const size_t at = entry.find("\n" + key + "=");
    if (at == std::string::npos) return {};
    const size_t start = at + key.size() + 2;
    return entry.substr(start, entry.find('\n', start) - start);
}

ino_t FileNode(const std::string& path) {
    struct stat status {};
    return stat(path.c_str(), &status) == 0 ? status.st_ino : 0;
}

TEST(DesktopEntry, WrittenFilesOfferTheProgramForTheEightExtensions) {
    TTempFolder temp;
    const std::string home = temp / "data";
    EXPECT_EQ(WriteDesktopIntegration(home, "/opt/kestrune/kestrune", "HRPT process", PassExtensions), 2);

    const std::string entry = TTempFolder::Read(home + "/applications/kestrune.desktop");
    EXPECT_EQ(entry.rfind("[Desktop Entry]\n", 0), 0u);
    EXPECT_EQ(EntryLine(entry, "Type"), "Application");
    EXPECT_EQ(EntryLine(entry, "Exec"), "/opt/kestrune/kestrune %f");
    EXPECT_EQ(EntryLine(entry, "MimeType"), "application/x-kestrune-pass;");
    EXPECT_EQ(EntryLine(entry, "Name"), "Talvessa");

    const std::string package = TTempFolder::Read(home + "/mime/packages/kestrune.xml");
    EXPECT_NE(package.find("<mime-type type=\"application/x-kestrune-pass\">"), std::string::npos);
    for (const char* extension : {"gac", "hmf", "hrp", "l1b", "l1f", "lac", "raw", "rhd"})
        EXPECT_NE(package.find(std::string("<glob pattern=\"*.") + extension + "\" weight=\"60\"/>"), std::string::npos)
            << extension;
    size_t globs = 0;
    for (size_t at = package.find("<glob "); at != std::string::npos; at = package.find("<glob ", at + 1)) ++globs;
    EXPECT_EQ(globs, 8u);
}

// A second showing with nothing changed leaves the files alone; a program moved elsewhere rewrites the entry only.
TEST(DesktopEntry, RewritesOnlyWhatChanged) {
    TTempFolder temp;
    const std::string home = temp / "data";
    ASSERT_EQ(WriteDesktopIntegration(home, "/opt/kestrune/kestrune", "HRPT process", PassExtensions), 2);
    const ino_t entryNode = FileNode(DesktopEntryPath(home));
    const ino_t packageNode = FileNode(MimePackagePath(home));
    EXPECT_EQ(WriteDesktopIntegration(home, "/opt/kestrune/kestrune", "HRPT process", PassExtensions), 0);
    EXPECT_EQ(FileNode(DesktopEntryPath(home)), entryNode);

    EXPECT_EQ(WriteDesktopIntegration(home, "/usr/local/bin/kestrune", "HRPT process", PassExtensions), 1);
    EXPECT_EQ(FileNode(MimePackagePath(home)), packageNode);
    EXPECT_EQ(EntryLine(TTempFolder::Read(DesktopEntryPath(home)), "Exec"), "/usr/local/bin/kestrune %f");
    for (const auto& item : std::filesystem::directory_iterator(home + "/applications"))
        EXPECT_EQ(item.path().filename(), "kestrune.desktop") << "a temporary file was left behind";
}

// A user who hid the entry, as the desktop lets one remove an entry for good, keeps it hidden.
TEST(DesktopEntry, AnEntryTheUserHidStaysAsItIs) {
    TTempFolder temp;
    const std::string home = temp / "data";
    const std::string hidden = "[Desktop Entry]\nType=Application\nName=Talvessa\nHidden=true\n";
    temp.Write("data/applications/kestrune.desktop", hidden);
    EXPECT_EQ(WriteDesktopIntegration(home, "/opt/kestrune/kestrune", "HRPT process", PassExtensions), 0);
    EXPECT_EQ(TTempFolder::Read(DesktopEntryPath(home)), hidden);
    EXPECT_FALSE(std::filesystem::exists(MimePackagePath(home)));
}

// Nothing to write into: no exception, nothing reported written.
TEST(DesktopEntry, FailsSilently) {
    TTempFolder temp;
    const std::string blocked = temp.Write("data-is-a-file", "x");
    EXPECT_EQ(WriteDesktopIntegration(blocked, "/opt/kestrune/kestrune", "HRPT process", PassExtensions), 0);
    EXPECT_EQ(WriteDesktopIntegration("", "/opt/kestrune/kestrune", "HRPT process", PassExtensions), 0);
    EXPECT_EQ(WriteDesktopIntegration(temp / "data", "", "HRPT process", PassExtensions), 0);
}

// Launchers outside the big desktops take a quoted program for a file ("Permission denied"): a plain path
// stands as it is, and a user's entry that reads so is not rewritten.
TEST(DesktopEntry, ExecQuotesOnlyAPathWithAReservedCharacter) {
    EXPECT_EQ(QuoteExecArgument("/home/ops/kestrune-2.1/build_x86/kestrune"), "/home/ops/kestrune-2.1/build_x86/kestrune");
    EXPECT_EQ(QuoteExecArgument("/srv/50%/kestrune"), "/srv/50%%/kestrune");
    for (const char* reserved : {" ", "\t", "\"", "'", "\\", ">", "<", "~", "|", "&", ";", "$", "*", "?", "#", "(",
                                 ")", "`"}) {
        const std::string path = std::string("/opt/a") + reserved + "b/kestrune";
        EXPECT_TRUE(NeedsExecQuoting(path)) << path;
        EXPECT_EQ(QuoteExecArgument(path).front(), '"') << path;
    }
    EXPECT_FALSE(NeedsExecQuoting("/opt/Ä-é=+,@:%!/kestrune"));

    TTempFolder temp;
    const std::string home = temp / "data";
    const std::string usersFix = "[Desktop Entry]\nType=Application\nName=Talvessa\nGenericName=HRPT process\n"
                                 "Exec=/opt/kestrune/kestrune %f\nTerminal=false\nMimeType=application/x-kestrune-pass;\n"
                                 "Categories=Science;Geoscience;\n";
    temp.Write("data/applications/kestrune.desktop", usersFix);
    WriteDesktopIntegration(home, "/opt/kestrune/kestrune", "HRPT process", PassExtensions);
    EXPECT_EQ(TTempFolder::Read(DesktopEntryPath(home)), usersFix);
}

TEST(DesktopEntry, ExecArgumentsSurviveTheEntrysQuoting) {
    EXPECT_EQ(QuoteExecArgument("/home/ops/HRPT tools/kestrune"), "\"/home/ops/HRPT tools/kestrune\"");
    // $ ` " and \ are escaped inside the quotes, the backslashes doubled again for the value, % doubled.
    EXPECT_EQ(QuoteExecArgument("/srv/a$b`c\"d\\e%f"), "\"/srv/a\\\\$b\\\\`c\\\\\"d\\\\\\\\e%%f\"");
}

TEST(DesktopEntry, ExtensionListTakesTheWindowsForm) {
    EXPECT_EQ(ExtensionList(".gac, .HMF,,  .l1b ,raw"), (std::vector<std::string>{"gac", "hmf", "l1b", "raw"}));
    // Nothing that could break the package's markup gets in.
    EXPECT_EQ(ExtensionList(".a\"b, .x<y, .ok"), (std::vector<std::string>{"ok"}));
}

// The desktop's update tools run on the folders written, each only where it is installed.
TEST(DesktopEntry, UpdateToolsRunWherePresent) {
    TTempFolder temp;
    const std::string tools = temp / "bin";
    const std::string marker = temp / "ran";
    temp.Write("bin/update-mime-database", "#!/bin/sh\necho \"$0 $1\" > '" + marker + "'\n");
    std::filesystem::permissions(tools + "/update-mime-database", std::filesystem::perms::owner_all);
    const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
    setenv("PATH", tools.c_str(), 1);
    RefreshDesktopDatabases(temp / "data");  // update-desktop-database is absent: skipped
    setenv("PATH", path.c_str(), 1);
    std::string ran;
    for (int wait = 0; wait < 500 && ran.empty(); ++wait) {
        ran = TTempFolder::Read(marker);
        if (ran.empty()) usleep(10000);
    }
    EXPECT_EQ(ran, tools + "/update-mime-database " + temp / "data/mime\n");
}

// The program's own call writes into the data home of the environment.
TEST(DesktopEntry, AddContextMenuCommandWritesIntoTheUsersDataHome) {
    TTempFolder temp;
    AddContextMenuCommand("HRPT process", PassExtensions);
    const std::string entry = TTempFolder::Read(temp / "data/applications/kestrune.desktop");
    EXPECT_EQ(EntryLine(entry, "Exec"), QuoteExecArgument(ExecutablePath()) + " %f");
    EXPECT_TRUE(std::filesystem::exists(temp / "data/mime/packages/kestrune.xml"));
}

}  // namespace
}  // namespace kestrune
