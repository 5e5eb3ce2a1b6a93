#include "platform/FileIO.h"

#include "tests/platform/ChildChecks.h"
#include "tests/platform/ProcessHelpers.h"
#include "tests/platform/TempFolder.h"

#include <fcntl.h>
#include <grp.h>
#include <sys/resource.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <future>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace kestrune {
namespace {

using testing::TTempFolder;

TEST(FileIO, ReplacingAFileKeepsItsPermissionsAndLeavesNothingBehind) {
    TTempFolder folder;
    const std::string path = folder.Write("processed.lst", "old\n");
    chmod(path.c_str(), 0640);
    WriteFileAtomically(path, "new\n");
    std::string text;
    ASSERT_TRUE(ReadFileText(path, text));
    EXPECT_EQ(text, "new\n");
    struct stat info {};
    stat(path.c_str(), &info);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), 5);  // and the four folders TTempFolder makes
    EXPECT_FALSE(ReadFileText(folder.Path(), text));
    EXPECT_FALSE(ReadFileText(folder / "missing", text));
    EXPECT_THROW(WriteFileAtomically(folder / "missing/x.txt", "x"), EWriteError);
}

// A shared file replaced by the super-user stays its owner's and its group's.
TEST(FileIO, ReplacingAFileKeepsItsOwnerAndGroupWhereTheWriterMay) {
    if (geteuid() != 0) GTEST_SKIP() << "only the super-user may give a file to another";
    TTempFolder folder;
    for (const uid_t owner : {uid_t{65534}, uid_t{0}}) {  // another's list, and the super-user's own of a group
        const std::string path = folder.Write("processed-" + std::to_string(owner) + ".lst", "old\n");
        ASSERT_EQ(chown(path.c_str(), owner, 4242), 0);
        chmod(path.c_str(), 0660);
        WriteFileAtomically(path, "new\n");
        struct stat info {};
        ASSERT_EQ(stat(path.c_str(), &info), 0);
        EXPECT_EQ(info.st_uid, owner);
        EXPECT_EQ(info.st_gid, 4242u) << owner;
        EXPECT_EQ(info.st_mode & 07777, 0660u);
    }
    // A member of the group who is not the super-user keeps the group too.
    const std::string member = folder.Write("group/processed.lst", "old\n");
    chmod(folder.Path().c_str(), 0755);
    chown((folder / "group").c_str(), 0, 4242);
    chmod((folder / "group").c_str(), 0775);  // no setgid: a new file would get its maker's group
    chown(member.c_str(), 0, 4242);
    chmod(member.c_str(), 0664);
    const std::string report = testing::RunChecksInChild(
        [] {
            const gid_t station = 4242;
            return setgroups(1, &station) == 0 && setgid(65534) == 0 && setuid(65534) == 0 ? "" : "cannot become a member";
        },
        [&] {
            WriteFileAtomically(member, "new\n");
            struct stat info {};
            stat(member.c_str(), &info);
            return info.st_gid == 4242 && (info.st_mode & 07777) == 0664 ? std::string() : "the group's file became the member's";
        });
    EXPECT_EQ(report, "");
}

TEST(FileIO, AProductWrittenInPiecesShowsWholeOnlyAfterCommit) {
    TTempFolder folder;
    const std::string path = folder / "pass.t4.bt";
    std::string expected;
    {
        TAtomicFileWriter writer(path);
        // Lines of a pass, past the size at which writing to disk starts early.
        for (int line = 0; line < 2500; ++line) {
            const std::string bytes(4096, static_cast<char>('a' + line % 26));
            writer.Write(bytes);
            expected += bytes;
        }
        EXPECT_FALSE(std::filesystem::exists(path));
        writer.Commit();
    }
    std::string text;
    ASSERT_TRUE(ReadFileText(path, text));
    EXPECT_TRUE(text == expected);
    {
        TAtomicFileWriter abandoned(path);
        abandoned.Write(std::string(5 << 20, 'x'));
    }
    ASSERT_TRUE(ReadFileText(path, text));
    EXPECT_TRUE(text == expected);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), 5);

    // A large product replaced by the next run's (the old one is freed aside).
    {
        TAtomicFileWriter writer(path);
        writer.Write(std::string(3 << 20, 'y'));
        writer.Commit();
    }
    ASSERT_TRUE(ReadFileText(path, text));
    EXPECT_TRUE(text == std::string(3 << 20, 'y'));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), 5);
}

std::set<std::string> Entries(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) names.insert(entry.path().filename().string());
    return names;
}

// Names of a folder's entries that are not among before.
std::set<std::string> NewEntries(const std::string& folder, const std::set<std::string>& before) {
    std::set<std::string> names;
    for (const std::string& name : Entries(folder))
        if (before.count(name) == 0) names.insert(name);
    return names;
}

// While a product is made it has no name in the output folder, or one that
// says it is a temporary file; with its permissions set, it gets them.
TEST(FileIO, AProductBeingWrittenShowsNoNameOfItsOwn) {
    TTempFolder folder;
    const std::set<std::string> before = Entries(folder.Path());
    const std::string path = folder / "x.t3.alb";
    {
        TAtomicFileWriter writer(path);
        writer.SetMode(0640);
        writer.Write(std::string(3 << 20, 'a'));
        for (const std::string& name : NewEntries(folder.Path(), before))
            EXPECT_NE(name.find(TemporaryMark), std::string::npos) << name;
        writer.Commit();
    }
    struct stat info {};
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    EXPECT_EQ(NewEntries(folder.Path(), before), (std::set<std::string>{"x.t3.alb"}));
}

// A run killed while writing may leave a temporary file under a name; the
// next writer into the folder removes those nobody is writing any more.
TEST(FileIO, StaleTemporaryFilesAreRemovedAndOthersKept) {
    TTempFolder folder;
    const auto make = [&](const std::string& name, int ageSeconds, const std::string& bytes = "part") {
        const std::string path = folder.Write("out/" + name, bytes);
        const auto now = std::filesystem::file_time_type::clock::now();
        std::filesystem::last_write_time(path, now - std::chrono::seconds(ageSeconds));
        return path;
    };
    const std::string mark(TemporaryMark);
    const std::string stale = make("x.t3.alb" + mark + "fT5HTi", 3600);
    const std::string young = make("x.sst" + mark + "mYsd8O", 0, "");
    const std::string held = make("x.t4.bt" + mark + "Ab3dEf", 3600);
    const std::string notOurs = make("x.t5.bt.fT5HTi", 3600);
    const std::string markOnly = make(mark + "Ab3dEf", 3600);
    const std::string longer = make("x.jpg" + mark + "Ab3dEfG", 3600);
    std::filesystem::create_directory(folder / ("out/y" + mark + "Ab3dEf"));
    const TFileHandle writer(open(held.c_str(), O_RDONLY));
    ASSERT_EQ(flock(writer.Get(), LOCK_EX), 0);

    EXPECT_EQ(RemoveStaleTemporaries(folder / "out/", 10), 1);
    EXPECT_FALSE(std::filesystem::exists(stale));
    for (const std::string& kept : {young, held, notOurs, markOnly, longer})
        EXPECT_TRUE(std::filesystem::exists(kept)) << kept;
    EXPECT_TRUE(std::filesystem::exists(folder / ("out/y" + mark + "Ab3dEf")));

    // The first product written into a folder sweeps it.
    make("x.t3.alb" + mark + "fT5HTj", 3600);
    WriteFileAtomically(folder / "out/x.t3.alb", "whole");
    EXPECT_FALSE(std::filesystem::exists(folder / ("out/x.t3.alb" + mark + "fT5HTj")));
}

// A run killed between naming its unnamed file and the rename leaves it
// under a temporary name, unlocked: the next writer into the folder removes
// it at once when it holds bytes (a writer locks its file before the first
// byte); only an empty one may be a writer's that has not locked it yet.
TEST(FileIO, ALeftoverOfAKilledWriterIsRemovedByTheNextWriter) {
    struct TLeftoverCase {
        const char* Name;
        const char* Bytes;
        int AgeSeconds;
        bool Held;
        bool Removed;
    };
    const std::vector<TLeftoverCase> cases{
        {"mru_list.ini.kestrune-part-Qx7T2a", "/data/230503_1200_noaa18.wsd 2 -1\r\n", 0, false, true},
        {"processed.lst.kestrune-part-Hb4cW9", "230503_1200_noaa18; NOAA 18; ...\r\n", 3, false, true},
        {"NOAA-18.ini.kestrune-part-mM0pZz", "", 0, false, false},
        {"NOAA-19.ini.kestrune-part-mM0pZy", "", 3600, false, true},
        {"mru_list.ini.kestrune-part-Rr5sT6", "/data/a.hpt 0 0\r\n", 0, true, false},
    };
    TTempFolder folder;
    std::vector<TFileHandle> writers;
    for (const TLeftoverCase& leftover : cases) {
        const std::string path = folder.Write(std::string("program/") + leftover.Name, leftover.Bytes);
        std::filesystem::last_write_time(
            path, std::filesystem::file_time_type::clock::now() - std::chrono::seconds(leftover.AgeSeconds));
        if (!leftover.Held) continue;
        writers.emplace_back(open(path.c_str(), O_RDONLY));
        ASSERT_EQ(flock(writers.back().Get(), LOCK_EX), 0);
    }
    WriteFileAtomically(folder / "program/mru_list.ini", "/data/230503_1200_noaa18.wsd 2 -1\r\n");
    for (const TLeftoverCase& leftover : cases)
        EXPECT_NE(std::filesystem::exists(folder / (std::string("program/") + leftover.Name)), leftover.Removed)
            << leftover.Name;
}

// A file kept beside the program is read whole only when it is a file of at
// most its bound: one byte more, or what is no file, is told, naming it.
TEST(FileIO, AKeptFileIsReadUpToItsBoundAndWhatIsNoFileIsTold) {
    constexpr int64_t Most = 4096;
    const std::string line = "230503_1200_noaa18; NOAA 18; 2023-05-03; 12:00-12:14; 62; 9; 60; 31; 38; 3; 36; 22; N\r\n";
    std::string full;
    while (full.size() + line.size() <= Most) full += line;
    full += std::string(Most - full.size(), ' ');
    struct TKeptCase {
        const char* Name;
        std::string Bytes;  // of a file written first
        const char* StandIn;  // else: "pipe", "zero" (a link to /dev/zero), "folder", "" for nothing,
                              // "proc" (a link to a file that tells no size and holds more than the bound)
        TKeptFile::TKind Kind;
        const char* Why;  // its end
    };
    using TKind = TKeptFile::TKind;
    const std::vector<TKeptCase> cases{
        {"processed.lst", full, nullptr, TKind::Read, ""},
        {"mru_list.ini", full + "\n", nullptr, TKind::TooLarge, "mru_list.ini holds 4097 bytes, far more than it ever holds (at most 4096)"},
        {"NOAA-18.ini", "", nullptr, TKind::Read, ""},
        {"NOAA-19.ini", "", "", TKind::Missing, ""},
        {"METOP-A.ini", "", "pipe", TKind::NotAFile, "METOP-A.ini is a named pipe"},
        {"METOP-B.ini", "", "zero", TKind::NotAFile, "METOP-B.ini is a device"},
        {"METOP-C.ini", "", "folder", TKind::NotAFile, "METOP-C.ini is a folder"},
        {"stations.dat", "", "proc", TKind::TooLarge, "far more than it ever holds (at most 4096)"},
    };
    TTempFolder folder;
    for (const TKeptCase& kept : cases) {
        const std::string path = folder / (std::string("program/") + kept.Name);
        const std::string standIn = kept.StandIn == nullptr ? "file" : kept.StandIn;
        if (standIn == "file") folder.Write(std::string("program/") + kept.Name, kept.Bytes);
        if (standIn == "pipe") {
            ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
        }
        if (standIn == "zero") std::filesystem::create_symlink("/dev/zero", path);
        if (standIn == "proc") std::filesystem::create_symlink("/proc/self/smaps", path);
        if (standIn == "folder") std::filesystem::create_directory(path);
        std::string content = "left from before";
        const TKeptFile read = ReadKeptFile(path, Most, content);
        EXPECT_EQ(read.Kind, kept.Kind) << kept.Name;
        EXPECT_TRUE(read.Why.ends_with(kept.Why)) << kept.Name << ": " << read.Why;
        EXPECT_EQ(content, kept.Kind == TKind::Read ? kept.Bytes : "") << kept.Name;
    }
}

// A file set aside takes a name no other file has, even when files were set
// aside under the same date and time before it: none of them is lost.
TEST(FileIO, AFileSetAsideInTheSameSecondAsOthersTakesANameOfItsOwn) {
    TTempFolder folder;
    const std::string path = folder.Write("program/mru_list.ini", "/data/230503_1200_noaa18.wsd 2 -1\r\n");
    const std::string mark = ".too-large-";
    std::vector<std::string> earlier;
    // Every second the call may fall in, each with two files of its own already.
    const TDateTime now = NowUtc();
    for (int second = -1; second <= 5; ++second) {
        const std::string stem = "program/mru_list.ini" + mark + FormatDateTime("yyyy-mm-dd-hhnnss", now + second / 86400.0);
        for (const std::string& name : {stem, stem + "-2"}) earlier.push_back(folder.Write(name, name));
    }
    const std::string kept = KeepAside(path, mark);
    ASSERT_TRUE(kept.starts_with(path + mark)) << kept;
    EXPECT_TRUE(kept.ends_with("-3")) << kept;
    EXPECT_EQ(TTempFolder::Read(kept), "/data/230503_1200_noaa18.wsd 2 -1\r\n");
    EXPECT_FALSE(std::filesystem::exists(path));
    for (const std::string& name : earlier) EXPECT_TRUE(name.ends_with(TTempFolder::Read(name))) << name;
}

TEST(FileIO, PiecesAreWrittenInTheirOrderFromWhereTheyLie) {
    TTempFolder folder;
    const std::string path = folder / "picture.bmp";
    // More pieces than one system call takes, empty ones among them.
    std::vector<std::string> rows;
    for (int row = 0; row < 3000; ++row) rows.push_back(row % 7 == 0 ? "" : std::to_string(row) + std::string(row % 50, '.'));
    std::vector<std::string_view> pieces(rows.begin(), rows.end());
    std::string expected;
    for (const std::string& row : rows) expected += row;
    {
        TAtomicFileWriter writer(path);
        writer.Write(pieces);
        writer.Write(std::span<const std::string_view>());
        writer.Commit();
    }
    std::string text;
    ASSERT_TRUE(ReadFileText(path, text));
    EXPECT_EQ(text, expected);
}

TEST(FileIO, ALockHeldByOneOpenerKeepsOutAnother) {
    TTempFolder folder;
    TLockFile first(folder / "locks/a.lock");
    TLockFile second(folder / "locks/a.lock");
    first.Lock();
    EXPECT_FALSE(second.TryLock());
    first.Unlock();
    EXPECT_TRUE(second.TryLock());
    second.Unlock();
    first.LockShared();
    second.LockShared();
    EXPECT_FALSE(TLockFile(folder / "locks/a.lock").TryLock());
}

// Every writer of a file meets the others at the lock beside the file its
// name leads to, whatever runtime folder it sees; the lock stands while the
// file is replaced, and is opened to whoever may write the file.
TEST(FileIO, WritersThroughAnyNameMeetAtTheLockBesideTheFile) {
    TTempFolder folder;
    const std::string list = folder.Write("shared/processed.lst", "a\r\n");
    chmod(list.c_str(), 0660);
    const uid_t nobody = 65534;
    const bool regroup = geteuid() == 0 && chown(list.c_str(), nobody, 4242) == 0;  // a group's list, not root's
    std::filesystem::create_symlink(list, folder / "program/absolute.lst");
    std::filesystem::create_symlink("../shared/processed.lst", folder / "program/relative.lst");
    std::filesystem::create_symlink("relative.lst", folder / "program/chained.lst");
    for (const char* name : {"shared/processed.lst", "program/absolute.lst", "program/relative.lst", "program/chained.lst"}) {
        setenv("XDG_RUNTIME_DIR", (folder / name).c_str(), 1);  // no folder at all
        const TFileWriteLock lock(folder / name);
        EXPECT_TRUE(lock.Held()) << name;
        EXPECT_TRUE(std::filesystem::equivalent(TFileWriteLock::LockFileFor(folder / name), list + ".lock")) << name;
        EXPECT_FALSE(TLockFile(list + ".lock").TryLock()) << name;
        WriteFileAtomically(folder / name, std::string(name) + "\r\n");
        EXPECT_FALSE(TLockFile(list + ".lock").TryLock()) << name << ": the lock went with the file replaced";
        const TFileWriteLock again(folder / "program/chained.lst");  // this thread holds it already
        EXPECT_TRUE(again.Held()) << name;
    }
    EXPECT_TRUE(TLockFile(list + ".lock").TryLock());
    struct stat info {};
    ASSERT_EQ(stat((list + ".lock").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0660u);
    if (regroup) {
        EXPECT_EQ(info.st_gid, 4242u) << "the group's writers may open it";
        EXPECT_EQ(info.st_uid, nobody) << "a lock root made never keeps the list's owner out";
    }
    EXPECT_EQ(info.st_size, 0);
    std::filesystem::create_directory(folder / "program/store.reg.lock");
    mkfifo((folder / "program/nudge.ini.lock").c_str(), 0600);
    std::filesystem::create_symlink(list + ".lock", folder / "program/NOAA-18.ini.lock");
    for (const char* name : {"program/store.reg", "program/nudge.ini", "program/NOAA-18.ini"})
        EXPECT_THROW(TFileWriteLock(folder / name), ELockUnavailable) << name;
}

// A lock is one every writer can take and none can lose: only whoever may
// write the file may hold it; a lock file removed while held keeps out the
// next writer all the same; a held lock is waited for only so long; a
// reader's lock on the file holds nobody up.
TEST(FileIO, ALockIsHeldByWritersOnlyAndNotLostWithItsFile) {
    TTempFolder folder;
    const std::string list = folder.Write("program/processed.lst", "a\r\n");
    chmod(list.c_str(), 0644);
    folder.Write("program/processed.lst.lock", "");
    chmod((list + ".lock").c_str(), 0644);  // as a build that gave the lock the file's mode left it
    {
        TLockFile reader(list + ".lock");  // a mere reader holding that lock (flock -s) holds no writer up
        reader.LockShared();
        const TFileWriteLock held(list, std::chrono::seconds(1));
        struct stat info {};
        ASSERT_EQ(stat((list + ".lock").c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0600u) << "a reader of the list may not hold it";
        std::filesystem::remove(list + ".lock");
        // Another thread is another holder, as another run is; this one takes it again at once.
        std::thread([&] {
            EXPECT_THROW(TFileWriteLock(list, std::chrono::milliseconds(0)), ELockUnavailable) << "lost with its file";
        }).join();
        EXPECT_TRUE(TFileWriteLock(list, std::chrono::milliseconds(0)).Held()) << "its holder waits on itself";
    }
    const TFileHandle reader(open(list.c_str(), O_RDONLY));
    struct flock readLock {};
    readLock.l_type = F_RDLCK;
    ASSERT_EQ(fcntl(reader.Get(), F_OFD_SETLK, &readLock), 0);
    EXPECT_TRUE(TFileWriteLock(list, std::chrono::milliseconds(0)).Held()) << "held up by a reader";

    TLockFile other(list + ".lock");
    other.Lock();
    EXPECT_THROW(TFileWriteLock(list, std::chrono::milliseconds(0)), ELockUnavailable);
    // A run waits for a held lock once: its later writers give up at once.
    try {
        const TFileWriteLock later(list, std::chrono::seconds(2));
        ADD_FAILURE() << "taken while held";
    } catch (const ELockUnavailable& error) {
        EXPECT_NE(std::string(error.what()).find("waited 0 s"), std::string::npos) << error.what();
    }
}

// Every kept file's lock holds whatever becomes of its lock file: with the
// file not there yet, the lock file removed or replaced while held; another
// holder is kept out, its own holder takes it again at once, and a file made
// only to be locked goes again when nothing was written to it.
struct TKeptLockCase {
    const char* file;
    enum { Absent, Removed, Replaced, TakenAgain } fate;
};

TEST(FileIO, EveryKeptFilesLockHoldsWhateverBecomesOfItsLockFile) {
    const TKeptLockCase cases[] = {
        {"program/processed.lst", TKeptLockCase::Absent},  {"program/processed.lst", TKeptLockCase::Removed},
        {"program/processed.lst", TKeptLockCase::Replaced}, {"program/mru_list.ini", TKeptLockCase::Absent},
        {"program/mru_list.ini", TKeptLockCase::Replaced},  {"config/Morvane/HKCU.reg", TKeptLockCase::Absent},
        {"config/Morvane/HKCU.reg", TKeptLockCase::Removed}, {"config/Morvane/HKCU.reg", TKeptLockCase::TakenAgain},
        {"program/NOAA-18.ini", TKeptLockCase::Absent},    {"program/NOAA-18.ini", TKeptLockCase::Removed},
    };
    for (const TKeptLockCase& c : cases) {
        TTempFolder folder;  // a lock of its own, never waited for before in this process
        const std::string path = folder / c.file;
        const std::string row = std::string(c.file) + " " + std::to_string(c.fate);
        if (c.fate != TKeptLockCase::Absent) folder.Write(c.file, "kept\r\n");
        chmod((folder / "program").c_str(), 02775);
        {
            const TFileWriteLock held(path);
            ASSERT_TRUE(held.Held()) << row;
            const std::string lock = path + ".lock";
            if (c.fate == TKeptLockCase::Removed || c.fate == TKeptLockCase::Replaced) std::filesystem::remove(lock);
            if (c.fate == TKeptLockCase::Replaced) folder.Write(std::string(c.file) + ".lock", "");
            std::thread([&] {
                EXPECT_THROW(TFileWriteLock(path, std::chrono::milliseconds(0)), ELockUnavailable) << row << ": another holder got it";
            }).join();
            EXPECT_TRUE(TFileWriteLock(path, std::chrono::milliseconds(0)).Held()) << row << ": its holder waits on itself";
            struct stat info {};
            ASSERT_EQ(stat(path.c_str(), &info), 0) << row << ": nothing guards a file not there";
            if (c.fate == TKeptLockCase::Absent) {
                EXPECT_EQ(info.st_mode & 0777, path.find("program/") != std::string::npos ? 0664u : 0644u)
                    << row << ": a file made in a folder its group may write is the group's to write";
            }
        }
        EXPECT_EQ(std::filesystem::exists(path), c.fate != TKeptLockCase::Absent) << row << ": a file made only to be locked stays";
    }
}

// A wait is told once, however long, to standard error and whoever listens
// on the waiting thread; a lock file removed while waited for is not taken:
// the waiter holds the one its name leads to.
TEST(FileIO, AWaitIsToldOnceAndEndsWithTheLockItsNameLeadsTo) {
    TTempFolder folder;
    const std::string list = folder.Write("program/processed.lst", "a\r\n");
    std::optional<TFileWriteLock> held(std::in_place, list);
    std::promise<void> waiting;
    int told = 0;
    std::thread waiter([&] {
        SetLockWaitListener([&](const std::string& text) {
            if (++told == 1) waiting.set_value();
            EXPECT_NE(text.find("waiting for the lock " + list + ".lock"), std::string::npos) << text;
        });
        const TFileWriteLock taken(list, std::chrono::seconds(60));
        EXPECT_TRUE(taken.Held());
        TLockFile named(list + ".lock");
        EXPECT_FALSE(named.TryLock()) << "the waiter holds a lock file that is no longer named";
        SetLockWaitListener(nullptr);
    });
    waiting.get_future().wait();
    std::filesystem::remove(list + ".lock");
    held.reset();
    waiter.join();
    EXPECT_EQ(told, 1);
    // A wait that ran out is told by the run's later writers in the same words,
    // so that whoever tells it (the settings store) tells it once.
    std::promise<void> taken;
    std::promise<void> done;
    std::thread holder([&] {
        const TFileWriteLock other(list);
        taken.set_value();
        done.get_future().wait();
    });
    taken.get_future().wait();
    std::vector<std::string> said;
    for (const int seconds : {1, 2}) {
        try {
            const TFileWriteLock writer(list, std::chrono::seconds(seconds));
        } catch (const ELockUnavailable& error) {
            said.push_back(error.what());
        }
    }
    done.set_value();
    holder.join();
    ASSERT_EQ(said.size(), 2u);
    EXPECT_EQ(said[1], said[0]);
    EXPECT_NE(said[0].find("waited 1 s"), std::string::npos) << said[0];
}

// A write that the system refuses says why: here the largest file a process
// may write, as a full disk would say "No space left on device".
TEST(FileIO, AFailedWriteTellsTheSystemsCause) {
    TTempFolder folder;
    std::string what;
    try {
        const testing::TFileSizeLimit limit(4096);
        WriteFileAtomically(folder / "pass-fc.bmp", std::string(10000, 'x'));
    } catch (const EWriteError& error) {
        what = error.what();
    }
    EXPECT_EQ(what, "Unable to write to " + (folder / "pass-fc.bmp") + ": File too large");
    EXPECT_FALSE(FileExists(folder / "pass-fc.bmp"));
}

}  // namespace
}  // namespace kestrune
