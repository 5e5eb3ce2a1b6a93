#include "platform/MapFiles.h"

#include "platform/DialogService.h"
#include "tests/platform/TempFolder.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <limits>
#include <numeric>
#include <vector>

namespace kestrune {
namespace {

using testing::TTempFolder;

std::string Bytes(size_t count) {
    std::string bytes(count, '\0');
    std::iota(bytes.begin(), bytes.end(), '\x01');
    return bytes;
}

class MapStreamTest : public ::testing::Test {
protected:
    TTempFolder folder;

    std::unique_ptr<TMemMapStream> OpenReadOnly(const std::string& path) {
        auto stream = std::make_unique<TMemMapStream>(path);
        stream->ReadOnly = true;
        stream->SetActive(true);
        return stream;
    }
};

// Writable streams of one file meet at locks on the file itself, whatever
// name or runtime folder led them there: the second is told the file was
// open, may not empty it, and writes under the same mutex.
TEST_F(MapStreamTest, WritableStreamsOfOneFileMeetThroughAnyName) {
    const std::string file = folder.Write("shared/scratch.map", Bytes(64));
    std::filesystem::create_symlink(file, folder / "program/scratch.map");
    TMapStream first(file);
    first.SetActive(true);
    EXPECT_FALSE(first.Existed());
    setenv("XDG_RUNTIME_DIR", (folder / "elsewhere").c_str(), 1);
    TMapStream second(folder / "program/scratch.map");
    second.SetActive(true);
    EXPECT_TRUE(second.Existed());
    TMapStream emptying(file);
    emptying.CreateMode = TMapStream::cmCreateAlways;
    EXPECT_THROW(emptying.SetActive(true), EMemoryMappedFile);
    const char mark = 'k';
    second.Write(&mark, 1);
    EXPECT_EQ(first.Memory()[0], 'k');
    second.SetActive(false);
    first.SetActive(false);
    TMapStream alone(file);
    alone.SetActive(true);
    EXPECT_FALSE(alone.Existed());
}

TEST_F(MapStreamTest, ReadsExactlyTheRemainingBytesButNotOneMore) {
    auto stream = OpenReadOnly(folder.Write("pass.raw16", Bytes(100)));
    ASSERT_EQ(stream->Size(), 100);
    EXPECT_EQ(stream->Memory()[99], 100);
    char buffer[100];
    EXPECT_EQ(stream->Read(buffer, 40), 40);
    EXPECT_EQ(buffer[0], 1);
    EXPECT_EQ(stream->Read(buffer, 0), 0);
    EXPECT_THROW(stream->Read(buffer, 61), EMMEndOfFile);
    EXPECT_EQ(stream->Position(), 40);
    EXPECT_EQ(stream->Read(buffer, 60), 60);
    EXPECT_EQ(buffer[59], 100);
    try {
        stream->Read(buffer, 1);
        FAIL();
    } catch (const EMMEndOfFile& error) {
        EXPECT_STREQ(error.what(), "Cannot read beyond end of file");
    }
}

TEST_F(MapStreamTest, AnEmptyFileGivesSixtyFourZeroBytes) {
    auto stream = OpenReadOnly(folder.Write("empty.raw", ""));
    ASSERT_EQ(stream->Size(), 64);
    EXPECT_TRUE(std::all_of(stream->Memory(), stream->Memory() + 64, [](uint8_t b) { return b == 0; }));
    EXPECT_EQ(std::filesystem::file_size(folder / "empty.raw"), 0u);
}

TEST_F(MapStreamTest, SeekMayReachTheEndButNotPassIt) {
    auto stream = OpenReadOnly(folder.Write("pass.raw", Bytes(10)));
    EXPECT_EQ(stream->Seek(0, soFromEnd), 10);
    char byte = 0;
    EXPECT_THROW(stream->Read(&byte, 1), EMMEndOfFile);
    EXPECT_THROW(stream->Seek(11, soFromBeginning), EMMEndOfFile);
    EXPECT_THROW(stream->Seek(-11, soFromEnd), EMMEndOfFile);
    EXPECT_EQ(stream->Position(), 10);
    EXPECT_EQ(stream->Seek(-4, soFromCurrent), 6);
    EXPECT_EQ(stream->Seek(3, 7), 6);  // unknown origin
    constexpr int64_t Farthest = std::numeric_limits<int64_t>::max();
    EXPECT_THROW(stream->Seek(Farthest, soFromCurrent), EMMEndOfFile);
    EXPECT_THROW(stream->Seek(-Farthest - 1, soFromCurrent), EMMEndOfFile);
    EXPECT_THROW(stream->Read(&byte, Farthest), EMMEndOfFile);
    stream->Read(&byte, 1);
    EXPECT_EQ(byte, 7);
}

// A receiving station may still be writing (or may rewrite) the file we
// read: what it cuts off reads as zeros, what stays reads as it was.
TEST_F(MapStreamTest, AFileTruncatedOrExtendedByAnotherWriterDoesNotFault) {
    constexpr int64_t Length = 1 << 20;
    for (const int64_t kept : {int64_t{0}, int64_t{300001}, Length - 1}) {
        SCOPED_TRACE(kept);
        const std::string path = folder.Write("live.raw16", Bytes(Length));
        auto stream = OpenReadOnly(path);
        const pid_t child = fork();
        if (child == 0) {
            const int fd = open(path.c_str(), O_WRONLY);
            _exit(fd >= 0 && ftruncate(fd, kept) == 0 ? 0 : 1);
        }
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_EQ(WEXITSTATUS(status), 0);
        std::vector<uint8_t> all(static_cast<size_t>(Length));
        ASSERT_EQ(stream->Read(all.data(), Length), Length);
        const std::string original = Bytes(Length);
        for (const int64_t at : {int64_t{0}, kept - 1, kept, Length - 1}) {
            if (at < 0) continue;
            EXPECT_EQ(all[static_cast<size_t>(at)], at < kept ? static_cast<uint8_t>(original[static_cast<size_t>(at)]) : 0)
                << at;
        }
        std::ofstream(path, std::ios::app) << Bytes(4096);
        stream->SetPosition(0);
        EXPECT_EQ(stream->Read(all.data(), Length), Length);
    }
}

// What a cut made up must be told: a reader asks after its reads whether
// the zeros it may have met were the file's.
TEST_F(MapStreamTest, AFileCutShortBetweenTwoReadsIsToldAsSuch) {
    constexpr int64_t Length = 1 << 20;
    const std::string path = folder.Write("240503_1200_noaa18.wsd", Bytes(Length));
    std::vector<uint8_t> part(4096);
    auto untouched = OpenReadOnly(path);
    ASSERT_EQ(untouched->Read(part.data(), 4096), 4096);
    EXPECT_FALSE(untouched->CutShort());

    // Cut inside a page: the rest of that page reads as zeros without any fault.
    ASSERT_EQ(truncate(path.c_str(), 300001), 0);
    untouched->SetPosition(299008);
    ASSERT_EQ(untouched->Read(part.data(), 4096), 4096);
    EXPECT_EQ(part[300001 - 299008], 0);
    EXPECT_TRUE(untouched->CutShort());

    // Cut, a page past the cut read (the guard patches it), then written out to its length again.
    const std::string regrown = folder.Write("240503_1300_noaa19.wsd", Bytes(Length));
    auto stream = OpenReadOnly(regrown);
    ASSERT_EQ(truncate(regrown.c_str(), 8192), 0);
    stream->SetPosition(Length - 4096);
    ASSERT_EQ(stream->Read(part.data(), 4096), 4096);
    ASSERT_EQ(truncate(regrown.c_str(), Length), 0);
    EXPECT_TRUE(stream->CutShort());

    // Mappings of their own: a fresh one over the regrown file is whole, and a closed one tells nothing.
    EXPECT_FALSE(OpenReadOnly(regrown)->CutShort());
    stream->SetActive(false);
    EXPECT_FALSE(stream->CutShort());
}

// The guard answers only for its own mappings: any other bus error still ends the process.
TEST_F(MapStreamTest, ABusErrorElsewhereStillEndsTheProcess) {
    auto stream = OpenReadOnly(folder.Write("pass.raw", Bytes(10)));
    const std::string other = folder.Write("other.raw", Bytes(8192));
    const int fd = open(other.c_str(), O_RDWR);
    ASSERT_GE(fd, 0);
    auto* view = static_cast<volatile uint8_t*>(mmap(nullptr, 8192, PROT_READ, MAP_SHARED, fd, 0));
    ASSERT_NE(view, MAP_FAILED);
    ASSERT_EQ(ftruncate(fd, 0), 0);
    close(fd);
    EXPECT_EXIT(static_cast<void>(view[4096]), ::testing::KilledBySignal(SIGBUS), "");
    EXPECT_EXIT(raise(SIGBUS), ::testing::KilledBySignal(SIGBUS), "");
}

}  // namespace
}  // namespace kestrune
