// The pass log's bound holds for the list as it is written (CR LF line
// ends), not only as it is read: a list the next run would refuse is never
// written; it is set aside whole, begun anew and told in the same run.
#include "decoding/ProcessedList.h"
#include "platform/FileIO.h"
#include "platform/ProgramFolder.h"
#include "platform/ProgramStrings.h"
#include "tests/platform/TempFolder.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace kestrune {
namespace {

namespace fs = std::filesystem;
using testing::TTempFolder;

constexpr const char* NewLine = "2023-05-03-1200-NOAA18; NOAA 18; 2023-05-03; 12:00-12:14; N";

// Short sorted lines ("p0000001; N") ended by lineEnd, as close to bytes as they come.
std::string ListOfShortLines(int64_t bytes, const std::string& lineEnd) {
    std::string text;
    text.reserve(static_cast<size_t>(bytes));
    char line[32];
    for (int k = 0;; ++k) {
        const int length = std::snprintf(line, sizeof line, "p%07d; N", k);
        if (static_cast<int64_t>(text.size() + static_cast<size_t>(length) + lineEnd.size()) > bytes) break;
        text.append(line, static_cast<size_t>(length)).append(lineEnd);
    }
    return text;
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::string> KeptAside(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().filename().string().starts_with("processed.lst.too-large-")) names.push_back(entry.path().string());
    return names;
}

struct TBoundCase {
    const char* What;
    std::string List;
    bool SetAside;
};

TEST(ProcessedListBound, AListThatWouldPassItsBoundAsWrittenIsSetAsideAndBegunAnew) {
    const int64_t bound = MostProcessedListBytes;
    const std::vector<TBoundCase> cases{
        // 2.8 million short lines ended LF by another tool: 8 % longer in CR LF.
        {"LF lines just under the bound", ListOfShortLines(bound - 100, "\n"), true},
        {"CR LF lines one line short of the bound", ListOfShortLines(bound - 20, "\r\n"), true},
        {"CR LF lines with room for the line", ListOfShortLines(bound - 200, "\r\n"), false},
        {"a year of a station's passes", ListOfShortLines(200000, "\r\n"), false},
    };
    for (const TBoundCase& list : cases) {
        TTempFolder temp;
        const std::string path = temp.Write("program/processed.lst", list.List);
        const TProcessedLineWrite written = AddProcessedLine(NewLine);
        EXPECT_EQ(written.Path, path) << list.What;
        EXPECT_EQ(written.BesideFailure, "") << list.What;
        EXPECT_LE(static_cast<int64_t>(fs::file_size(path)), bound) << list.What;
        const std::vector<std::string> aside = KeptAside(temp / "program");
        if (!list.SetAside) {
            EXPECT_EQ(written.SetAside, "") << list.What;
            EXPECT_TRUE(aside.empty()) << list.What;
            EXPECT_NE(ReadAll(path).find(std::string(NewLine) + "\r\n"), std::string::npos) << list.What;
            continue;
        }
        EXPECT_NE(written.SetAside.find("as written"), std::string::npos) << list.What << ": " << written.SetAside;
        ASSERT_EQ(aside.size(), 1u) << list.What;
        EXPECT_NE(written.SetAside.find(aside[0]), std::string::npos) << list.What;
        EXPECT_TRUE(ReadAll(aside[0]) == list.List) << list.What << ": the list set aside is not the list as it was";
        EXPECT_EQ(ReadAll(path), std::string(NewLine) + "\r\n") << list.What;
        // The next run reads the new list and sets nothing aside.
        const TProcessedLineWrite next = AddProcessedLine("2023-05-03-1341-NOAA19; NOAA 19");
        EXPECT_EQ(next.SetAside, "") << list.What;
        EXPECT_EQ(ReadAll(path), std::string("2023-05-03-1200-NOAA18; NOAA 18; 2023-05-03; 12:00-12:14; N\r\n") +
                                     "2023-05-03-1341-NOAA19; NOAA 19\r\n")
            << list.What;
    }
}

// A pass log that is a link to a shared disk's log, set aside as read or as
// it would be written: the log goes aside beside itself, on the shared disk,
// and the link stays to name the new one.
TEST(ProcessedListBound, AListBehindALinkIsSetAsideWhereItLies) {
    const int64_t bound = MostProcessedListBytes;
    const struct {
        const char* What;
        const char* Link;  // from the program's folder
        std::string List;
        fs::perms Mode;  // a group's shared log, kept by the list begun in its place
    } cases[] = {
        {"a list past its bound as read", "../shared/processed.lst", ListOfShortLines(bound, "\n") + "p9999999; N\n",
         fs::perms(0660)},
        {"a list that would pass it as written", "", ListOfShortLines(bound - 20, "\r\n"), fs::perms(0640)},
    };
    for (const auto& list : cases) {
        TTempFolder temp;
        const std::string shared = temp.Write("shared/processed.lst", list.List);
        fs::permissions(shared, list.Mode);
        const std::string link = temp / "program/processed.lst";
        const std::string named = *list.Link ? std::string(list.Link) : shared;
        fs::create_symlink(named, link);
        const TProcessedLineWrite written = AddProcessedLine(NewLine);
        EXPECT_NE(written.SetAside, "") << list.What;
        EXPECT_EQ(written.BesideFailure, "") << list.What;
        ASSERT_TRUE(fs::is_symlink(link)) << list.What;
        EXPECT_EQ(fs::read_symlink(link).string(), named) << list.What;
        EXPECT_EQ(ReadAll(shared), std::string(NewLine) + "\r\n") << list.What;
        EXPECT_EQ(fs::status(shared).permissions(), list.Mode) << list.What;
        EXPECT_TRUE(KeptAside(temp / "program").empty()) << list.What;
        const std::vector<std::string> aside = KeptAside(temp / "shared");
        ASSERT_EQ(aside.size(), 1u) << list.What;
        EXPECT_EQ(fs::file_size(aside[0]), list.List.size()) << list.What;
    }
}

// Two lists, beside the program and in the user's folder, that would pass
// the bound only together: only a list that passes it by itself goes aside,
// told with its own size; the other stays as it stands, its lines kept.
TEST(ProcessedListBound, OfTwoListsOnlyTheOneThatMustGoIsSetAside) {
    const std::string large = ListOfShortLines(MostProcessedListBytes - 100, "\n");
    const std::string small = "2022-01-01-0000-NOAA19; NOAA 19\r\n";
    const struct {
        const char* What;
        const std::string& Beside;
        const std::string& User;
        const char* Told;  // of the list beside the program, "" for nothing
    } cases[] = {
        {"the large list beside the program", large, small, "would hold 36350583 bytes as written"},
        {"the large list in the user's folder", small, large, ""},
    };
    for (const auto& lists : cases) {
        TTempFolder temp;
        const std::string beside = temp.Write("program/processed.lst", lists.Beside);
        const std::string user = temp.Write("data/Kestrune/processed.lst", lists.User);
        const TProcessedLineWrite written = AddProcessedLine(NewLine);
        EXPECT_EQ(written.Path, beside) << lists.What;
        EXPECT_EQ(written.SetAside.find(beside + " " + lists.Told), *lists.Told ? 0u : std::string::npos)
            << lists.What << ": " << written.SetAside;
        EXPECT_EQ(written.SetAside.find(user), std::string::npos) << lists.What;
        EXPECT_EQ(KeptAside(temp / "program").size(), *lists.Told ? 1u : 0u) << lists.What;
        EXPECT_TRUE(ReadAll(user) == lists.User) << lists.What << ": the user's list changed";
        const std::string expected = *lists.Told ? std::string() : small;
        EXPECT_EQ(ReadAll(beside), expected + NewLine + "\r\n") << lists.What;
    }
}

// A list of lines out of order or twice (joined by hand from two stations)
// is written sorted, each line once, the first spelling kept.
TEST(ProcessedListBound, AListJoinedByHandIsWrittenSortedAndOnce) {
    TTempFolder temp;
    const std::string path = temp.Write("program/processed.lst",
                                        "NOAA18_20230503_1200; NOAA 18\n20230503_1215; NOAA 19\r\n\r\nnoaa18_20230503_1200; NOAA 18\r"
                                        "2023-05-03-1200-NOAA18; NOAA 18\r\n");
    AddProcessedLine("2023-05-03-1200-noaa18; noaa 18");
    EXPECT_EQ(ReadAll(path), "2023-05-03-1200-NOAA18; NOAA 18\r\n20230503_1215; NOAA 19\r\nNOAA18_20230503_1200; NOAA 18\r\n");
}

// A socket where the list should be is told as a socket, and left.
TEST(ProcessedListBound, ASocketNamedAsTheListIsToldAsASocket) {
    TTempFolder temp;
    const std::string path = temp / "program/processed.lst";
    const int listening = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(listening, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(path.size(), sizeof address.sun_path);
    path.copy(address.sun_path, path.size());
    ASSERT_EQ(bind(listening, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    const TProcessedLineWrite written = AddProcessedLine(NewLine);
    close(listening);
    EXPECT_NE(written.BesideFailure.find("is a socket"), std::string::npos) << written.BesideFailure;
    EXPECT_EQ(written.BesideFailure.find("No such device"), std::string::npos) << written.BesideFailure;
    EXPECT_TRUE(fs::is_socket(path));
    EXPECT_EQ(LeftAloneNote(path, MostProcessedListBytes), FormatResStr(res::SFileLeftAlone, {path + " is a socket"}));
}

// A lock beside the list that cannot be had sends the line where a list that
// cannot be written sends it, with the list's lines, and says why; the list
// is not written without it.
TEST(ProcessedListBound, ALockThatCannotBeHadSendsTheLineToTheUsersFolder) {
    const struct {
        const char* What;
        void (*Make)(const std::string& lock);
        const char* Told;
    } cases[]{
        {"a folder", [](const std::string& lock) { fs::create_directory(lock); }, "Is a directory"},
        {"a named pipe", [](const std::string& lock) { mkfifo(lock.c_str(), 0600); }, "a named pipe"},
        {"a link", [](const std::string& lock) { fs::create_symlink(lock + "-target", lock); }, "a symbolic link"},
    };
    for (const auto& lock : cases) {
        TTempFolder temp;
        const std::string beside = temp.Write("program/processed.lst", "20230503_1200; NOAA 18\r\n");
        temp.Write("program/processed.lst.lock-target", "");
        lock.Make(beside + ".lock");
        const TProcessedLineWrite written = AddProcessedLine(NewLine);
        EXPECT_EQ(written.Path, UserDataFolder() + "processed.lst") << lock.What;
        EXPECT_NE(written.BesideFailure.find(lock.Told), std::string::npos) << written.BesideFailure;
        EXPECT_EQ(ReadAll(beside), "20230503_1200; NOAA 18\r\n") << lock.What;
        EXPECT_EQ(ReadAll(written.Path), std::string(NewLine) + "\r\n20230503_1200; NOAA 18\r\n") << lock.What;
    }
    // Nor is a list too large set aside by a run that does not hold its lock.
    TTempFolder temp;
    const std::string large = ListOfShortLines(MostProcessedListBytes + 100, "\r\n");
    const std::string beside = temp.Write("program/processed.lst", large);
    fs::create_directory(beside + ".lock");
    EXPECT_EQ(AddProcessedLine(NewLine).Path, UserDataFolder() + "processed.lst");
    EXPECT_EQ(KeptAside(temp / "program"), std::vector<std::string>{});
    EXPECT_EQ(fs::file_size(beside), large.size());
}

}  // namespace
}  // namespace kestrune
