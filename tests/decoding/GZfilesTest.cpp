#include "decoding/GZfiles.h"

#include "decoding/MN2unpacker.h"
#include "tests/support/PassFileWriter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

namespace kestrune {
namespace {

namespace fs = std::filesystem;
using test::TBytes;

class GZfilesTest : public ::testing::Test {
protected:
    fs::path folder;
    TBytes content;

    void SetUp() override {
        folder = fs::temp_directory_path() / ("kestrune-gz-" + std::to_string(::getpid()) + "-" +
                                              ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(folder);
        for (int i = 0; i < 300000; ++i) content.push_back(static_cast<uint8_t>((i * 7) ^ (i >> 9)));
    }
    void TearDown() override { fs::remove_all(folder); }

    std::string Write(const std::string& name, const TBytes& bytes) {
        const std::string path = (folder / name).string();
        test::WriteFileBytes(path, bytes);
        return path;
    }
    size_t FileCount() const { return static_cast<size_t>(std::distance(fs::directory_iterator(folder), {})); }
};

TEST_F(GZfilesTest, UnpacksBesideThePackedFileWithItsDate) {
    const std::string packed = Write("pass.hrp.gz", test::GzipBytes(content));
    const TBytes packedBefore = test::ReadFileBytes(packed);
    const auto date = fs::file_time_type::clock::now() - std::chrono::hours(50);
    fs::last_write_time(packed, date);

    ASSERT_TRUE(GunzipFile(packed));
    const std::string unpacked = (folder / "pass.hrp").string();
    EXPECT_EQ(test::ReadFileBytes(unpacked), content);
    EXPECT_EQ(fs::last_write_time(unpacked), date);
    EXPECT_EQ(test::ReadFileBytes(packed), packedBefore) << "the packed file is never changed";
    EXPECT_EQ(FileCount(), 2u) << "no temporary file is left";
}

// Tape and block writers pad a gzip file with zero bytes after its last
// member, which gzip itself accepts; anything else after it is no gzip data.
TEST_F(GZfilesTest, ZeroBytesAfterTheLastMemberAreAccepted) {
    TBytes padded = test::GzipBytes(content);
    padded.insert(padded.end(), 300000, 0);  // more than one chunk of zeros
    ASSERT_TRUE(GunzipFile(Write("padded.raw16.gz", padded)));
    EXPECT_EQ(test::ReadFileBytes((folder / "padded.raw16").string()), content);

    TBytes twoMembers = test::GzipBytes(content);
    const TBytes second = test::GzipBytes(TBytes(content.begin(), content.begin() + 1000));
    twoMembers.insert(twoMembers.end(), second.begin(), second.end());
    twoMembers.insert(twoMembers.end(), 7, 0);
    ASSERT_TRUE(GunzipFile(Write("two.raw16.gz", twoMembers)));
    EXPECT_EQ(test::ReadFileBytes((folder / "two.raw16").string()).size(), content.size() + 1000);

    TBytes garbage = test::GzipBytes(content);
    garbage.insert(garbage.end(), {0, 0, 0, 'x', 0});
    EXPECT_THROW(GunzipFile(Write("garbage.raw16.gz", garbage)), EGZipError);
    EXPECT_FALSE(fs::exists(folder / "garbage.raw16"));
}

// The unpacked pass is readable by whoever may read the packed one.
TEST_F(GZfilesTest, UnpackedFileTakesThePackedFilesPermissions) {
    for (const fs::perms mode : {fs::perms(0644), fs::perms(0640), fs::perms(0600)}) {
        const std::string packed = Write("pass.hrp.gz", test::GzipBytes(content));
        fs::permissions(packed, mode, fs::perm_options::replace);
        ASSERT_TRUE(GunzipFile(packed));
        EXPECT_EQ(fs::status(folder / "pass.hrp").permissions(), mode);
    }
}

TEST_F(GZfilesTest, BrokenPackedFilesRaiseAndLeaveNoOutput) {
    const TBytes good = test::GzipBytes(content);
    TBytes corrupted = good;
    for (size_t i = 20; i < 60; ++i) corrupted[i] ^= 0x5A;
    const TBytes truncated(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(good.size() / 2));
    const TBytes notGzip(content.begin(), content.begin() + 5000);
    for (const auto& [name, bytes] : {std::pair{"corrupt.raw16.gz", corrupted}, {"short.raw16.gz", truncated},
                                      {"plain.raw16.gz", notGzip}, {"zero.raw16.gz", TBytes()}}) {
        const std::string path = Write(name, bytes);
        EXPECT_THROW(GunzipFile(path), EGZipError) << name;
        EXPECT_FALSE(fs::exists(ChangeFileExt(path, ""))) << name;
        EXPECT_EQ(test::ReadFileBytes(path), bytes) << name;
    }
    EXPECT_EQ(FileCount(), 4u);
}

// A packed file that would unpack to more than any pass is stopped at the
// bound: nothing is left of it, and the cause says so.
TEST_F(GZfilesTest, UnpackingStopsAtTheBoundAndLeavesNothing) {
    const std::string path = Write("230503_1200_noaa18.wsd.gz", test::GzipBytes(content));
    try {
        GunzipFile(path, "", static_cast<int64_t>(content.size()) - 1);
        ADD_FAILURE() << "unpacked beyond its bound";
    } catch (const EGZipError& error) {
        EXPECT_NE(std::string(error.what()).find("unpacks to more than 299999 bytes"), std::string::npos) << error.what();
    }
    EXPECT_FALSE(fs::exists(ChangeFileExt(path, "")));
    EXPECT_EQ(FileCount(), 1u);
    ASSERT_TRUE(GunzipFile(path, "", static_cast<int64_t>(content.size())));
    EXPECT_EQ(test::ReadFileBytes(ChangeFileExt(path, "")), content);
    EXPECT_GE(MostUnpackedBytes, int64_t{MostPassLines} * 44360) << "the longest pass of the widest frames unpacks";
}

// Unpacking is bounded by the format the unpacked file's name gives, not
// by the packed name's ".gz": a ".gaca" of 9,080-byte records stops past
// 40,002 of them and a MiB of header (364,266,736 bytes), long before the
// 1.78 GB of the widest frames. Members of 8 MiB of zeros, 44 of them.
TEST_F(GZfilesTest, APackedPassStopsAtTheBoundOfTheFormatItsNameGives) {
    const TBytes member = test::GzipBytes(TBytes(size_t{8} << 20, 0));
    TBytes packed;
    for (int copy = 0; copy < 44; ++copy) packed.insert(packed.end(), member.begin(), member.end());
    const std::string path = Write("2023-05-03-1200-NOAA11.gaca.gz", packed);
    try {
        GunzipFile(path);
        ADD_FAILURE() << "unpacked beyond the bound of its format";
    } catch (const EGZipError& error) {
        EXPECT_NE(std::string(error.what()).find("unpacks to more than 364266736 bytes"), std::string::npos) << error.what();
    }
    EXPECT_EQ(FileCount(), 1u);
}

// Each format is bounded by its own longest pass: 40,000 lines of its own
// records behind a header, 555 MB for a NOAA ".wsd", not the 1.78 GB of the
// widest frames; a name whose format its contents decide keeps that bound.
TEST(UnpackBoundTest, EachFormatByItsOwnLongestPass) {
    const auto lines = [](int64_t recordBytes) { return int64_t{MostPassLines} * recordBytes; };
    const auto bounded = [&](const std::string& name, int64_t recordBytes) {
        const int64_t bound = MostUnpackedBytesOf(name);
        EXPECT_GE(bound, lines(recordBytes)) << name << ": its longest pass must unpack";
        EXPECT_LT(bound, lines(recordBytes) + (int64_t{2} << 20)) << name;
    };
    bounded("230503_1200_noaa18.wsd", 13864);
    EXPECT_LT(MostUnpackedBytesOf("/passes/230503_1200_noaa18.wsd"), 556'000'000);
    bounded("230503_1200_fengyun1d.wsd", 27725);
    bounded("2023-05-03-1200-NOAA15.RAW16", 22180);
    bounded("NOAA-18_050323.rhd", 22180);
    bounded("20230503_1200_NOAA18.n10", 13864);
    bounded("20230503_1200_fy1d.n10", 27728);  // a FengYun name makes it CHRPT
    bounded("fengyun_20230503.hmf", 44708);
    bounded("fy1d_20230503.hrpt", 44360);
    bounded("2023-05-03-1200.hrpt", 22528);
    bounded("pass.gaca", 9080);
    for (const char* contentsDecide : {"pass.l1b", "NSS.GHRR.NJ.D95123.S1200.E1300.B0123456.GC", "230503_1200.wsd",
                                       "2023-05-03-1200-NOAA18.hpt", "no-extension"})
        EXPECT_EQ(MostUnpackedBytesOf(contentsDecide), MostUnpackedBytes) << contentsDecide;
}

// A Meteor recording unpacks to no more than the longest recording the
// conversion reads (1,024,001,024 bytes), not the 1.78 GB of the widest
// frames; a ".dat" may hold such a recording or any format its contents
// tell, and keeps the larger bound of the two.
TEST(UnpackBoundTest, AMeteorRecordingByItsOwnBound) {
    struct TBoundCase {
        const char* Name;
        int64_t Bound;
    };
    for (const TBoundCase& packed : {TBoundCase{"2023-05-03-0900-METEOR.mn2", 1'024'001'024},
                                     TBoundCase{"/passes/MN2_20230503_0900.MN2", 1'024'001'024},
                                     TBoundCase{"meteor.mn2", 1'024'001'024},
                                     TBoundCase{"capture.dat", MostUnpackedBytes},
                                     TBoundCase{"2023-05-03-0900-METEOR.DAT", MostUnpackedBytes}}) {
        EXPECT_EQ(MostUnpackedBytesOf(packed.Name), packed.Bound) << packed.Name;
    }
    EXPECT_EQ(MostMeteorRecordingBytes, 1'024'001'024);
    EXPECT_GT(MostUnpackedBytes, MostMeteorRecordingBytes);
}

}  // namespace
}  // namespace kestrune
