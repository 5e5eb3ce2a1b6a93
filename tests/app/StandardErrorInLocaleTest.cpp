// An unattended run under a locale that is not UTF-8 tells the operator on
// standard error in that locale's codec: a pass's name comes out as the
// bytes it has on disk, as a terminal or a station's log under the locale
// reads it, whether the pass is missing, a named pipe or no pass at all, or
// the folder its products should go to cannot be written.
#include "tests/app/EndToEndRun.h"
#include "tests/support/LocaleFileNames.h"

#include <sys/stat.h>

#include <random>

namespace kestrune {
namespace {

namespace fs = std::filesystem;
using testing::TLocaleEnvironment;
using testing::TRunResult;

class StandardErrorInLocaleTest : public testing::TEndToEndRun {};

enum class TKind { Missing, Pipe, RandomBytes };

void Make(const std::string& path, TKind kind) {
    if (kind == TKind::Pipe) {
        ASSERT_EQ(mkfifo(path.c_str(), 0644), 0) << path;
    }
    if (kind != TKind::RandomBytes) return;
    std::mt19937 random(20230503);
    test::TBytes bytes(300000);
    for (uint8_t& byte : bytes) byte = static_cast<uint8_t>(random());
    test::WriteFileBytes(path, bytes);
}

TEST_F(StandardErrorInLocaleTest, APassesNameIsToldInTheLocalesBytes) {
    const struct {
        TKind Kind;
        const char* Suffix;  // the file's own, after the locale's word
        const char* Told;    // what the first line says of it
    } kinds[] = {
        {TKind::Missing, "_a.wsd", "does not exist"},
        {TKind::Pipe, "_b.wsd", "is a named pipe"},
        {TKind::RandomBytes, "_c.wsd", "valid first sync word"},
    };
    const size_t prefix = std::string("n19_20261128_0812_").size();
    for (const auto& name : testing::LocaleFileNames()) {
        if (name.Characters.empty()) continue;
        const TLocaleEnvironment locale(name.Locale);
        for (const auto& kind : kinds) {
            const std::string stem = "230503_1200_noaa18_" + name.Stem.substr(prefix) + kind.Suffix;
            const std::string utf8 = "230503_1200_noaa18_" + name.Utf8Spelling.substr(prefix) + kind.Suffix;
            SCOPED_TRACE(std::string(name.Locale) + " " + kind.Told);
            const std::string path = Data(stem);
            Make(path, kind.Kind);
            fs::remove(folder / "program.log");
            const TRunResult run = RunWith({path, "-OUTPUT:" + Out(""), "-FC:x.jpg", "-CLOSE"});
            ASSERT_FALSE(run.Stopped);
            EXPECT_EQ(run.Status, 1);
            const std::vector<std::string> told = testing::LinesOf(Log());
            EXPECT_EQ(testing::LinesHolding(told, kind.Told), 1) << Log();
            EXPECT_EQ(testing::LinesHolding(told, "No pass could be loaded from \"" + path + "\""), 1) << Log();
            EXPECT_EQ(Log().find(utf8), std::string::npos) << Log();
        }
    }
}

// An image that cannot go to the "-OUTPUT:" folder (a plain file of a
// name in the locale's bytes) is told in one line that names the folder
// twice, in its own words and in the write's, both in the name's bytes;
// under a UTF-8 locale a byte that is no character too.
TEST_F(StandardErrorInLocaleTest, AFolderThatCouldNotBeWrittenIsToldInTheLocalesBytes) {
    const size_t prefix = std::string("n19_20261128_0812_").size();
    for (const auto& name : testing::LocaleFileNames()) {
        const TLocaleEnvironment locale(name.Locale);
        SCOPED_TRACE(name.Locale);
        const std::string output = Out("out_" + name.Stem.substr(prefix));
        test::WriteFileBytes(output, test::TBytes{'x'});
        fs::remove(folder / "program.log");
        EXPECT_EQ(Run({"-OUTPUT:" + output + "/", "-FC:x.jpg", "-CLOSE"}).Status, 3);
        const std::vector<std::string> told = testing::LinesOf(Log());
        ASSERT_EQ(testing::LinesHolding(told, "Could not save to results folder: " + output + "/ (Unable to write to " + output + "/"), 1)
            << Log();
        EXPECT_EQ(Log().find("out_" + name.Utf8Spelling.substr(prefix)), std::string::npos) << Log();
    }
}

}  // namespace
}  // namespace kestrune
