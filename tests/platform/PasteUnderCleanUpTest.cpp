// A paste into a folder that an unattended run writes its products into at
// the same time: the run's clean-up of part files killed writers left must
// never take the part file of a paste still under way, nor a user's item a
// move is putting in place; and what a paste killed halfway left is removed
// by the next paste into that folder.
#include "platform/FileIO.h"
#include "platform/FileTreeCopy.h"
#include "platform/PartFolder.h"
#include "platform/ShellFileOps.h"
#include "tests/platform/SmallDisk.h"
#include "tests/platform/TempFolder.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace kestrune {
namespace {

namespace fs = std::filesystem;
using testing::TTempFolder;

// A pass of some size, its bytes telling where they are.
std::string PassBytes(const std::string& name) {
    std::string bytes;
    for (int k = 0; bytes.size() < 300000; ++k) bytes += name + " line " + std::to_string(k) + "\n";
    return bytes;
}

std::string WriteFile(const std::string& path, const std::string& bytes) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

std::vector<std::string> PartFilesIn(const std::string& folder) {
    std::vector<std::string> parts;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().filename().string().find(TemporaryMark) != std::string::npos)
            parts.push_back(entry.path().filename().string());
    return parts;
}

struct TPasteCase {
    const char* What;
    const char* Item;  // below the source folder; a name ending in "/" is a folder of two passes
    bool Move;
    bool AcrossFileSystems;
};

// Pastes the item from source into archive; just before the item is named in
// place a run writing its product into the archive sweeps it, as a run
// killed long ago had left its part file there. What went wrong, "" if nothing.
std::string PasteSweptMidway(const TPasteCase& paste, const std::string& source, const std::string& archive) {
    const bool folder = std::string(paste.Item).ends_with("/");
    const std::string item = source + "/" + std::string(paste.Item).substr(0, std::string(paste.Item).size() - folder);
    const std::vector<std::string> files = folder ? std::vector<std::string>{"NOAA18_20230503_1200.hpt", "NOAA19_20230503_1341.hpt"}
                                                  : std::vector<std::string>{""};
    fs::create_directories(folder ? item : source);
    for (const std::string& file : files) {
        const std::string path = folder ? item + "/" + file : item;
        WriteFile(path, PassBytes(file));
    }
    std::string report;
    std::vector<std::string> seenBeforeNaming;
    const TBeforeNaming runWritesItsProduct = [&](const std::string& name) {
        seenBeforeNaming.push_back(name);
        RemoveStaleTemporaries(archive + "/", 0);
        WriteFileAtomically(archive + "/2023-05-03-1200-NOAA18-fc.jpg", "product");
        if (!fs::exists(fs::symlink_status(name))) report += "swept away while under way: " + name + "\n";
    };
    TCopyOutcome outcome;
    const uint32_t code = CopyItems({item}, archive, paste.Move, {}, &outcome, runWritesItsProduct);
    if (code != 0) report += "failed with " + std::to_string(code) + " at " + outcome.FailedItem + "\n";
    // Under a part name until named, but for a move within one file system, which is one rename.
    const bool renamedOnly = paste.Move && !paste.AcrossFileSystems;
    if (seenBeforeNaming.empty() || (seenBeforeNaming.back() == item) != renamedOnly ||
        (seenBeforeNaming.back().find(TemporaryMark) != std::string::npos) == renamedOnly)
        report += "not under the name expected before it was named\n";
    const std::string arrived = archive + "/" + fs::path(item).filename().string();
    for (const std::string& file : files) {
        const std::string path = folder ? arrived + "/" + file : arrived;
        if (!fs::exists(path) || TTempFolder::Read(path) != PassBytes(file)) report += "not arrived whole: " + path + "\n";
    }
    if (fs::exists(item) == paste.Move) report += paste.Move ? "the source stayed\n" : "the source went\n";
    if (!PartFilesIn(archive).empty()) report += "a part file stayed: " + PartFilesIn(archive)[0] + "\n";
    return report;
}

TEST(PasteUnderCleanUp, NoPasteUnderWayIsTakenByARunsCleanUp) {
    const std::vector<TPasteCase> cases{
        {"copy of a pass", "bigpass.hpt", false, false},
        {"move within one file system", "20230503_1215.hpt", true, false},
        {"copy of a day's folder", "03/", false, false},
        {"move of a day's folder within one file system", "04/", true, false},
        {"move across file systems", "2023-05-03-1200-NOAA18.raw16", true, true},
        {"move of a folder across file systems", "05/", true, true},
    };
    for (const TPasteCase& paste : cases) {
        TTempFolder temp;
        const std::string archive = temp / "archive/2023/05/03";
        fs::create_directories(archive);
        const std::string source = temp / "removable";
        if (!paste.AcrossFileSystems) {
            EXPECT_EQ(PasteSweptMidway(paste, source, archive), "") << paste.What;
            continue;
        }
        if (!testing::WhySmallDisksCannotBeMade().empty()) continue;  // told by the case below
        fs::create_directories(source);
        EXPECT_EQ(testing::RunWithSmallDisk(source, 4 << 20, [&] { return PasteSweptMidway(paste, source, archive); }), "")
            << paste.What;
    }
    SKIP_WITHOUT_SMALL_DISKS();
}

// A paste killed halfway, and a part file of a writer that lives: the next
// paste removes the first only.
TEST(PasteUnderCleanUp, AKilledPastesLeftoverIsRemovedByTheNextPaste) {
    TTempFolder temp;
    const std::string archive = temp / "archive";
    fs::create_directories(archive);
    const std::string first = WriteFile(temp / "usb/bigpass2.hpt", PassBytes("bigpass2"));
    const std::string second = WriteFile(temp / "usb/NOAA18_20230503_1200.hpt", PassBytes("noaa18"));
    const pid_t child = fork();
    if (child == 0) {
        CopyItems({first}, archive, false, {}, nullptr, [](const std::string&) { raise(SIGKILL); });
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    const std::vector<std::string> leftovers = PartFilesIn(archive);
    ASSERT_EQ(leftovers.size(), 1u);
    EXPECT_TRUE(leftovers[0].starts_with("bigpass2.hpt" + std::string(TemporaryMark)));
    EXPECT_EQ(fs::file_size(archive + "/" + leftovers[0]), PassBytes("bigpass2").size());

    // A product being written meanwhile by a run that lives holds its part.
    const std::string living = WriteFile(archive + "/20230503_1215.hpt" + std::string(TemporaryMark) + "Qx7T2a", "written");
    const TFileHandle writer(open(living.c_str(), O_RDONLY));
    ASSERT_EQ(flock(writer.Get(), LOCK_EX), 0);

    ASSERT_EQ(CopyItems({second}, archive, false, {}), 0u);
    EXPECT_EQ(PartFilesIn(archive), std::vector<std::string>{fs::path(living).filename().string()});
    EXPECT_EQ(TTempFolder::Read(archive + "/NOAA18_20230503_1200.hpt"), PassBytes("noaa18"));
}

// A folder paste killed halfway through its second pass leaves its part
// folder, the first pass whole and the second cut short in it (after a
// sub-folder of the night's pass, in one case). The next run or paste into
// that folder removes it while its source still holds all it does; one whose
// source has lost a pass since, in the folder or below it, is kept and named;
// one whose writer lives stays, untold.
TEST(PasteUnderCleanUp, AKilledFolderPasteIsRemovedWhileItsSourceCanMakeItAgain) {
    struct TKilledCase {
        const char* What;
        bool SourceLosesAPass;
        bool WriterLives;
        bool Removed;
        const char* Lost = "NOAA18_20230505_1047.hpt";  // below the day, when the source loses a pass
    };
    const std::vector<TKilledCase> cases{
        {"source whole", false, false, true},
        {"a pass gone from the source since", true, false, false},
        {"its writer still at work", false, true, false},
        {"a pass gone from a sub-folder of the source since", true, false, false, "00/NOAA15_20230505_0014.hpt"},
    };
    for (const TKilledCase& killed : cases) {
        TTempFolder temp;
        const std::string day = temp / "usb/2023/05/05", archive = temp / "archive";
        fs::create_directories(archive);
        WriteFile(day + "/NOAA19_20230505_0912.hpt", PassBytes("noaa19"));
        WriteFile(day + "/NOAA18_20230505_1047.hpt", PassBytes("noaa18"));
        const bool night = std::string(killed.Lost).starts_with("00/");
        if (night) WriteFile(day + "/00/NOAA15_20230505_0014.hpt", PassBytes("noaa15"));
        const std::string part = archive + "/05" + std::string(TemporaryMark) + "Wc9YLJ";
        int ready[2];
        ASSERT_EQ(pipe(ready), 0);
        const pid_t child = fork();
        if (child == 0) {
            const TPartFolder folder(part, day);
            if (night) CopyKeepingTimes(day + "/00", part + "/00");
            CopyKeepingTimes(day + "/NOAA18_20230505_1047.hpt", part + "/NOAA18_20230505_1047.hpt");
            WriteFile(part + "/NOAA19_20230505_0912.hpt", PassBytes("noaa19").substr(0, 1000));
            if (write(ready[1], "r", 1) != 1 || !killed.WriterLives) raise(SIGKILL);
            pause();
        }
        char byte = 0;
        ASSERT_EQ(read(ready[0], &byte, 1), 1);
        if (!killed.WriterLives) {
            ASSERT_EQ(waitpid(child, nullptr, 0), child);
        }
        if (killed.SourceLosesAPass) fs::remove(day + "/" + killed.Lost);
        std::vector<std::string> kept;
        RemoveStaleTemporaries(archive + "/", 0, &kept);
        EXPECT_EQ(fs::exists(part), !killed.Removed) << killed.What;
        EXPECT_EQ(kept.size(), killed.SourceLosesAPass ? 1u : 0u) << killed.What;
        TCopyOutcome outcome;
        CopyItems({temp / "usb/2023/05/05"}, archive, false, {}, &outcome);
        EXPECT_EQ(outcome.KeptParts.size(), killed.SourceLosesAPass ? 1u : 0u) << killed.What;
        if (killed.SourceLosesAPass) {
            EXPECT_NE(KeptPartFolderText(part, [](const std::string& name) { return name; }).find("(" + day + ")"), std::string::npos);
        }
        if (killed.WriterLives) {
            kill(child, SIGKILL);
            waitpid(child, nullptr, 0);
        }
        close(ready[0]);
        close(ready[1]);
    }
}

// A folder paste killed in its second pass (by the file-size limit, at a
// byte count of its own): its part folder is told with the pass cut short.
TEST(PasteUnderCleanUp, AKeptPartFolderNamesTheFileItsCopyStoppedIn) {
    TTempFolder temp;
    const std::string day = temp / "usb/05", archive = temp / "archive";
    fs::create_directories(archive);
    WriteFile(day + "/NOAA18_20230505_1047.hpt", "NOAA18 1047");
    WriteFile(day + "/NOAA19_20230505_0912.hpt", PassBytes("noaa19"));
    if (fork() == 0) {
        const rlimit noCore{0, 0}, cut{100000, 100000};
        setrlimit(RLIMIT_CORE, &noCore);
        setrlimit(RLIMIT_FSIZE, &cut);
        CopyItems({day}, archive, false, {});
        _exit(0);
    }
    int status = 0;
    wait(&status);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ) << status;
    const std::string told = KeptPartFolderText(archive + "/" + PartFilesIn(archive).at(0), [](const std::string& name) { return name; });
    EXPECT_NE(told.find("cut short in its file NOAA19_20230505_0912.hpt (100,000 bytes of it copied)"), std::string::npos) << told;
}

// A part folder left by a copy that kept no note of its source: a run
// cannot tell what would make it again, so it is kept and named.
TEST(PasteUnderCleanUp, AnUnnotedPartFolderIsKeptAndNamed) {
    TTempFolder temp;
    const std::string archive = temp / "archive";
    const std::string part = archive + "/05" + std::string(TemporaryMark) + "Zv5gvd";
    WriteFile(part + "/NOAA19_20230505_0912.hpt", PassBytes("noaa19").substr(0, 4096));
    std::vector<std::string> kept;
    RemoveStaleTemporaries(archive + "/", 0, &kept);
    EXPECT_EQ(kept, std::vector<std::string>{part});
    EXPECT_NE(KeptPartFolderText(part, [](const std::string& name) { return name; }).find("(not known)"), std::string::npos);
    // Its note cut short before its line end (the disk full as it was
    // written) names no source either. A paste of the folder it would be is
    // its source only while that holds all it holds.
    WriteFile(part + "/" + PartFolderNote, temp / "usb/0");
    WriteFile(temp / "usb/05/NOAA18_20230505_1047.hpt", PassBytes("noaa18"));
    for (const bool holdsAll : {false, true}) {
        if (holdsAll) WriteFile(temp / "usb/05/NOAA19_20230505_0912.hpt", PassBytes("noaa19"));
        fs::remove_all(archive + "/05");
        TCopyOutcome outcome;
        EXPECT_EQ(CopyItems({temp / "usb/05"}, archive, false, {}, &outcome), 0u);
        EXPECT_EQ(fs::exists(part), !holdsAll) << holdsAll;
        EXPECT_EQ(outcome.KeptParts, holdsAll ? std::vector<std::string>{} : std::vector<std::string>{part});
    }
}

// A run sweeping the folder over and over while a large pass is copied in:
// the part file is held from before its first byte, so the copy arrives.
TEST(PasteUnderCleanUp, ARunsCleanUpWhileBytesGoInTakesNothing) {
    TTempFolder temp;
    const std::string archive = temp / "archive/2023/05/03";
    fs::create_directories(archive);
    std::string pass = PassBytes("NOAA18_20230503_1200.hpt");
    while (pass.size() < (size_t{48} << 20)) pass += pass;
    const std::string source = WriteFile(temp / "usb/NOAA18_20230503_1200.hpt", pass);
    std::atomic<bool> copying = true;
    std::thread run([&] {
        while (copying) SweepStaleTemporaries(archive + "/");
    });
    const uint32_t code = CopyItems({source}, archive, false, {});
    copying = false;
    run.join();
    EXPECT_EQ(code, 0u);
    EXPECT_TRUE(TTempFolder::Read(archive + "/NOAA18_20230503_1200.hpt") == pass);
    EXPECT_TRUE(PartFilesIn(archive).empty());
}

// What a paste into a disk too small for it leaves: the source as it was,
// and nothing of the item nor of its part on the disk.
TEST(PasteUnderCleanUp, APasteThatDoesNotFitLeavesTheSourceAndNoPart) {
    const std::vector<TPasteCase> cases{
        {"copy of a pass", "NOAA18_20230503_1200.hpt", false, true},
        {"copy of a day's folder", "03/", false, true},
        {"move of a pass", "2023-05-03-1200-NOAA18.raw16", true, true},
        {"move of a day's folder", "04/", true, true},
    };
    SKIP_WITHOUT_SMALL_DISKS();
    for (const TPasteCase& paste : cases) {
        TTempFolder temp;
        const std::string stick = temp / "stick";
        fs::create_directories(stick);
        const bool folder = std::string(paste.Item).ends_with("/");
        const std::string item = temp / ("usb/" + std::string(paste.Item).substr(0, std::string(paste.Item).size() - folder));
        const std::string first = folder ? item + "/NOAA19_20230503_1341.hpt" : item;
        WriteFile(first, PassBytes(paste.Item));
        // In a folder a small pass that fits goes first.
        if (folder) WriteFile(item + "/NOAA18_20230503_1200.hpt", "NOAA18 1200");
        const std::string report = testing::RunWithSmallDisk(stick, 200 << 10, [&] {
            std::string told;
            if (CopyItems({item}, stick, paste.Move, {}) == 0) told += "told as pasted\n";
            if (!fs::exists(first) || TTempFolder::Read(first) != PassBytes(paste.Item)) told += "the source is gone\n";
            for (const auto& entry : fs::directory_iterator(stick)) told += "left on the disk: " + entry.path().string() + "\n";
            return told;
        });
        EXPECT_EQ(report, "") << paste.What;
    }
}

// Another copy of the item arrives under its name while it is copied (two
// operators filing the same pass): that one stays, the paste is told as
// failed and its part goes.
TEST(PasteUnderCleanUp, APasteWhoseNameIsTakenMeanwhileLeavesNoPart) {
    for (const char* item : {"NOAA18_20230503_1200.hpt", "03"}) {
        TTempFolder temp;
        const std::string archive = temp / "archive";
        fs::create_directories(archive);
        const std::string source = temp / ("usb/" + std::string(item));
        WriteFile(item == std::string("03") ? source + "/NOAA19_20230503_1341.hpt" : source, PassBytes(item));
        const std::string there = archive + "/" + item;
        const TBeforeNaming otherOperatorFilesIt = [&](const std::string&) { WriteFile(there, "filed by the other"); };
        EXPECT_NE(CopyItems({source}, archive, false, {}, nullptr, otherOperatorFilesIt), 0u) << item;
        EXPECT_EQ(TTempFolder::Read(there), "filed by the other") << item;
        EXPECT_EQ(PartFilesIn(archive), std::vector<std::string>{}) << item;
    }
}

// A pasted pass keeps what the station set on it: the group's read
// permission; a symbolic link arrives as a link, naming what it named.
TEST(PasteUnderCleanUp, APastedItemIsAsItWas) {
    const struct {
        const char* What;
        bool Link;
        bool Move;
        bool AcrossFileSystems;
    } cases[] = {
        {"copy of a pass the group reads", false, false, false},
        {"move of a pass the group reads across file systems", false, true, true},
        {"copy of a link to the day's pass", true, false, false},
        {"move of a link across file systems", true, true, true},
    };
    for (const auto& paste : cases) {
        TTempFolder temp;
        const std::string archive = temp / "archive";
        const std::string usb = temp / "usb";
        fs::create_directories(archive);
        fs::create_directories(usb);
        const std::string day = WriteFile(temp / "day/NOAA18_20230503_1200.hpt", PassBytes("NOAA18"));
        const auto paste_ = [&] {
            const std::string item = usb + "/20230503_1200.hpt";
            if (paste.Link) fs::create_symlink(day, item);
            else WriteFile(item, PassBytes("20230503_1200"));
            if (!paste.Link) chmod(item.c_str(), 0640);
            if (CopyItems({item}, archive, paste.Move, {}) != 0) return std::string("not pasted");
            const std::string arrived = archive + "/20230503_1200.hpt";
            if (paste.Link)
                return fs::is_symlink(arrived) && fs::read_symlink(arrived) == day ? "" : std::string("not a link to the pass");
            struct stat info {};
            if (lstat(arrived.c_str(), &info) != 0 || (info.st_mode & 0777) != 0640)
                return "mode " + std::to_string(info.st_mode & 0777);
            return std::string();
        };
        if (!paste.AcrossFileSystems) {
            EXPECT_EQ(paste_(), "") << paste.What;
        } else if (testing::WhySmallDisksCannotBeMade().empty()) {
            EXPECT_EQ(testing::RunWithSmallDisk(usb, 1 << 20, paste_), "") << paste.What;
        }
    }
}

}  // namespace
}  // namespace kestrune
