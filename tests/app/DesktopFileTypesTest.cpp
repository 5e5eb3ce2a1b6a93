// The file types the main window registers with the desktop at its first
// showing, as the desktop's own tools read them back: xdg-mime names a pass
// by its extension, and the pass type's globs outweigh the generic ones.
#include "app/MainCore.h"
#include "decoding/PassFileTypes.h"
#include "platform/DesktopEntry.h"
#include "platform/FileIO.h"
#include "platform/ProgramFolder.h"
#include "platform/SysUtils.h"
#include "platform/SystemUtils.h"
#include "tests/platform/ProcessHelpers.h"
#include "tests/platform/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>

namespace kestrune {
namespace {

using testing::CommandOutput;

using testing::TTempFolder;

bool OnPath(const std::string& tool) { return !CommandOutput("command -v " + tool).empty(); }

// The highest weight a compiled globs2 file gives pattern for a type other than (or, with ours, only) ours.
int GlobWeight(const std::string& globs2, const std::string& pattern, bool ours) {
    std::istringstream lines(TTempFolder::Read(globs2));
    int heaviest = 0;
    for (std::string line; std::getline(lines, line);) {
        const std::vector<std::string> fields = SplitString(line, ':');
        if (fields.size() < 3 || fields[2] != pattern || (fields[1] == PassMimeType) != ours) continue;
        heaviest = std::max(heaviest, std::atoi(fields[0].c_str()));
    }
    return heaviest;
}

// One table gives the Open dialog's filter, the drop and the desktop's types:
// every extension the program opens is in the filter and opens when dropped,
// packed or not; the desktop gets each but those other programs' files share.
TEST(DesktopFileTypes, EveryExtensionAFileManagerOpensWithTheProgramIsRegistered) {
    const std::vector<std::string> registered = ExtensionList(ClaimedPassExtensions());
    const auto isRegistered = [&](const std::string& extension) {
        return std::find(registered.begin(), registered.end(), extension) != registered.end();
    };
    for (const char* verb : {"gac", "hmf", "hpt", "hrp", "l1b", "l1f", "lac", "raw", "rhd", "wsd", "wsd.gz", "n10",
                             "raw16", "mn1", "hpt.gz"})
        EXPECT_TRUE(isRegistered(verb)) << verb;
    for (const char* shared : {"so", "img", "dat", "gz", "img.gz"}) EXPECT_FALSE(isRegistered(shared)) << shared;

    const std::string masks = " " + PassFileMasks() + " ";
    for (const TPassFileType& type : PassFileTypes) {
        const std::string extension = type.Extension;
        for (const std::string& name : {"pass" + extension, "PASS" + UpperCase(extension), "pass" + extension + ".gz"}) {
            EXPECT_TRUE(IsPassFileName("/data/" + name)) << name;
            EXPECT_NE(masks.find(" *" + name.substr(4) + " "), std::string::npos) << name;
        }
    }
    for (const char* name : {"pass.jpg", "pass.gz", "pass.tar.gz", "wsd", "pass.wsd.bz2"})
        EXPECT_FALSE(IsPassFileName(name)) << name;
    EXPECT_EQ(PassFileMasks(true).substr(0, 22), "*.hpt, *.raw16, *.hmf,");
    EXPECT_TRUE(PassFileMasks(true).ends_with(", *.msu2, *.gz"));
}

// Every pass the loader reads is offered, under the names stations give
// their files: by the Open dialog's first filter, the drop and the desktop,
// packed too; and every extension of the table is in the help's table of
// the files the program reads, as installed.
TEST(DesktopFileTypes, EveryPassTheLoaderReadsIsOfferedAndInTheHelp) {
    struct TOfferedCase {
        const char* Name;
        const char* Mask;
        const char* Registered;
    };
    const std::vector<TOfferedCase> cases{
        {"/data/2024/01/01/24001_18.svw", "*.svw", "svw"},
        {"/data/2024/01/01/24001_18.SVW.gz", "*.SVW.GZ", "svw.gz"},
        {"/data/2023/05/03/230503_1200_noaa18.wsd", "*.wsd", "wsd"},
        {"/data/hrpt_noaa19_20261128_0812.hrp", "*.hrp", "hrp"},
        {"/data/2026-11-28-0812-NOAA19.hpt.gz", "*.hpt.gz", "hpt.gz"},
    };
    const std::string masks = " " + PassFileMasks() + " ";
    const std::vector<std::string> registered = ExtensionList(ClaimedPassExtensions());
    for (const TOfferedCase& offered : cases) {
        EXPECT_TRUE(IsPassFileName(offered.Name)) << offered.Name;
        EXPECT_NE(masks.find(std::string(" ") + offered.Mask + " "), std::string::npos) << offered.Name;
        EXPECT_NE(std::find(registered.begin(), registered.end(), offered.Registered), registered.end()) << offered.Name;
    }
    std::string page;
    ASSERT_TRUE(ReadFileText(ExtractFilePath(KESTRUNE_EXECUTABLE) + "help/opening.html", page));
    const std::string formats = page.substr(page.find("id=\"formats\""));
    for (const TPassFileType& type : PassFileTypes)
        EXPECT_NE(formats.find("\"" + std::string(type.Extension) + "\""), std::string::npos) << type.Extension;
}

// As a user's desktop sees the first showing's registration: xdg-mime on the user's data folder.
// (The showing itself writes through AddContextMenuCommand with ClaimedPassExtensions().)
TEST(DesktopFileTypes, XdgMimeNamesPassesByTheirExtensions) {
    if (!OnPath("xdg-mime") || !OnPath("update-mime-database") || !OnPath("gio"))
        GTEST_SKIP() << "needs xdg-mime, update-mime-database and gio (scripts/install-deps)";
    TTempFolder temp;
    // What the first showing writes; the database is updated here, not by the detached tool the
    // program starts, which would race this test's own run on the same folder.
    ASSERT_EQ(WriteDesktopIntegration(temp / "data", ExecutablePath(), "HRPT process", ClaimedPassExtensions()), 2);
    const std::string mime = temp / "data/mime";
    const std::string updated = CommandOutput("update-mime-database '" + mime + "' 2>&1 && echo updated");
    ASSERT_TRUE(updated.ends_with("updated")) << updated;

    // Across the data folders the heavier glob wins: a camera's raw image must not take the passes.
    EXPECT_GT(GlobWeight(mime + "/globs2", "*.raw", true), GlobWeight("/usr/share/mime/globs2", "*.raw", false));

    const std::string environment = "XDG_DATA_HOME='" + temp / "data" +
                                    "' XDG_DATA_DIRS=/usr/share XDG_CURRENT_DESKTOP=GNOME ";
    for (const char* name : {"NOAA19_20240301_1012.raw", "2024-03-01-1012-N19.hpt", "NSS.HRPT.NP.D24061.S1012.E1024.B7654321.WI.l1b",
                             "20240301_1012_metop-b.hrp", "noaa18.gac", "pass.rhd", "pass.hmf", "pass.lac", "pass.l1f",
                             "230503_1200_noaa18.wsd", "230503_1200_noaa18.wsd.gz", "2023-05-03-1200-NOAA18.hpt.gz"}) {
        const std::string path = temp.Write(std::string("passes/") + name, std::string(4096, '\0'));
        EXPECT_EQ(CommandOutput(environment + "xdg-mime query filetype '" + path + "' 2>/dev/null"), PassMimeType)
            << name;
    }
}

}  // namespace
}  // namespace kestrune
