#include "localise/PEReader.h"

#include "localise/WinResProc.h"
#include "tests/platform/TempFolder.h"

#include <gtest/gtest.h>

#include <random>

namespace kestrune {
namespace {

constexpr size_t Section = 0x400;

TBytes Library(bool is64 = false) {
    TResProcessor set;
    set.Is64 = is64;
    set.SetTimeStamp(1);
    auto strings = std::make_unique<TResString>();
    strings->AddString(33, u"thirty-three");
    set.AddBlock(std::move(strings));
    auto rcdata = std::make_unique<TResRCData>();
    rcdata->AddItem("TFORMMAIN", false).Data = "form";
    rcdata->AddItem("5", true).Data = "five";
    set.AddBlock(std::move(rcdata));
    TBytes bytes;
    set.WriteResourceDLL(bytes);
    return bytes;
}

void Put32(TBytes& bytes, size_t pos, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[pos + i] = static_cast<char>(value >> (8 * i));
}

// Reads every leaf of the tree, as the resource set does.
size_t WalkTree(TPEReader& reader) {
    size_t bytes = 0;
    for (const TPEResourceItem& type : reader.ResourceList())
        if (type.IsList())
            for (const TPEResourceItem& item : type.List()) bytes += item.Data().size();
    return bytes;
}

TEST(PEReaderTest, ExposesTypesNamesAndData) {
    for (const bool is64 : {false, true}) {
        const auto reader = TPEReader::FromImage(Library(is64));
        EXPECT_EQ(reader->Is64(), is64);
        const TPEResourceList& types = reader->ResourceList();
        ASSERT_EQ(types.Count(), 2u);
        EXPECT_EQ(types.Items(0).Name(), "String");
        EXPECT_EQ(types.Items(1).Name(), "RCData");
        EXPECT_TRUE(types.Items(1).IsList());
        const TPEResourceList& names = types.Items(1).List();
        EXPECT_EQ(names.TypeId(), RT_RCDATA);
        ASSERT_EQ(names.Count(), 2u);
        EXPECT_EQ(names.Items(0).Name(), "TFORMMAIN");
        EXPECT_FALSE(names.Items(0).HasId());
        EXPECT_EQ(names.Items(0).Data(), "form");
        EXPECT_EQ(names.Items(1).Name(), "5");
        EXPECT_TRUE(names.Items(1).HasId());
        EXPECT_EQ(names.Items(1).Data(), "five");
        EXPECT_FALSE(names.Items(1).IsList());
        EXPECT_THROW(names.Items(1).List(), EExeError);
        EXPECT_EQ(types.Items(0).List().Items(0).Name(), "3");  // strings 32..47
    }
    EXPECT_EQ(ResourceTypeName(16), "Version");
}

void ExpectError(TBytes image, const char* message, bool onResources) {
    try {
        const auto reader = TPEReader::FromImage(std::move(image));
        EXPECT_TRUE(onResources) << message;
        WalkTree(*reader);
        ADD_FAILURE() << "no error: " << message;
    } catch (const EExeError& error) {
        EXPECT_STREQ(error.what(), message);
    }
}

TEST(PEReaderTest, DamagedImagesRaiseTheReadersErrors) {
    const TBytes good = Library();
    // The string block lies at section offset 32: its name directory, the name
    // entry at 48, the language directory at 56 with its entry at 72, the data entry at 80.
    constexpr size_t root = Section;
    constexpr size_t languageEntry = Section + 72;
    constexpr size_t dataEntry = Section + 80;
    struct {
        const char* what;
        std::function<void(TBytes&)> damage;
        const char* message;
        bool onResources;
    } cases[] = {
        {"empty", [](TBytes& b) { b.clear(); }, "MapViewOfFile failed", false},
        {"no MZ", [](TBytes& b) { b[0] = 'X'; }, "Unrecognized file format", false},
        {"PE header beyond the end", [](TBytes& b) { Put32(b, 60, 0x7FFFFFF0); }, "Not a PE (WIN32 Executable) file", false},
        {"PE header cut", [](TBytes& b) { b.resize(0x180); }, "Not a PE (WIN32 Executable) file", false},
        {"no PE signature", [](TBytes& b) { b[0x100] = 'N'; }, "Not a PE (WIN32 Executable) file", false},
        {"no .rsrc", [](TBytes& b) { b[0x118 + 224 + 1] = 'x'; }, "No resources in this file.", true},
        {"section count past the end", [](TBytes& b) { Put32(b, 0x104, 0x7FFF0000 | 0x14C); }, "Unrecognized file format", true},
        {"optional header size past the end", [](TBytes& b) { Put32(b, 0x114, 0xA18EFFF0); }, "Unrecognized file format", true},
        {"section beyond the file", [](TBytes& b) { Put32(b, 0x118 + 224 + 20, 0x7FFFFFFF); }, "Unrecognized file format", true},
        {"entry count past the section", [](TBytes& b) { Put32(b, root + 12, 0xFFFF0000); }, "Unrecognized file format", true},
        {"directory loops to the root", [](TBytes& b) { Put32(b, root + 20, 0x80000000); }, "Unrecognized file format", true},
        {"language entry points to a directory", [](TBytes& b) { Put32(b, languageEntry + 4, 0x80000000 | 32); }, "Unrecognized file format", true},
        {"name string past the section", [](TBytes& b) { Put32(b, Section + 48, 0xFFFFFF00); }, "Unrecognized file format", true},
        {"data before the section", [](TBytes& b) { Put32(b, dataEntry, 0x1000); }, "Unrecognized file format", true},
        {"data past the section", [](TBytes& b) { Put32(b, dataEntry + 4, 0x10000); }, "Unrecognized file format", true},
    };
    for (const auto& c : cases) {
        TBytes image = good;
        c.damage(image);
        SCOPED_TRACE(c.what);
        ExpectError(std::move(image), c.message, c.onResources);
    }
}

// Directories that overlap one another, each of 65,535 entries that all lead
// to one data entry: walked in full they would cost billions of reads.
TEST(PEReaderTest, OverlappingDirectoriesCannotRunAway) {
    constexpr uint32_t dataEntry = 0x000FFFF0;  // read as a count too: 0xFFF0 named + 0xF by id
    constexpr uint32_t slots = 0x11000;
    constexpr uint32_t roots = 4000;
    TBytes image = Library();
    image.resize(Section + dataEntry + 16);
    Put32(image, 0x118 + 224 + 16, dataEntry + 16);  // SizeOfRawData
    Put32(image, Section + 12, roots << 16);
    for (uint32_t i = 0; i < roots; ++i) {
        Put32(image, Section + 16 + 8 * i, i + 1);
        Put32(image, Section + 20 + 8 * i, 0x80000000 | (0x10000 + 8 * i));
    }
    for (uint32_t i = 0; i < slots; ++i) {
        Put32(image, Section + 0x10000 + 8 * i, 1);
        Put32(image, Section + 0x10004 + 8 * i, dataEntry);
    }
    Put32(image, Section + dataEntry, 0x2000);
    ExpectError(std::move(image), "Unrecognized file format", true);
}

TEST(PEReaderTest, TruncatedAndRandomImagesNeverReadOutside) {
    const TBytes good = Library();
    for (size_t size = 0; size < good.size(); size += 7) {
        try {
            const auto reader = TPEReader::FromImage(good.substr(0, size));
            WalkTree(*reader);
        } catch (const EExeError&) {
        }
    }
    std::mt19937 random(3);
    for (int round = 0; round < 2000; ++round) {
        TBytes image = good;
        for (int k = 0; k < 4; ++k) image[random() % image.size()] = static_cast<char>(random());
        try {
            const auto reader = TPEReader::FromImage(std::move(image));
            WalkTree(*reader);
        } catch (const Exception&) {
        }
    }
}

TEST(PEReaderTest, ReadsAFileAndRefusesAMissingOne) {
    testing::TTempFolder folder;
    TPEReader reader(folder.Write("talvessa.ntv", Library()));
    EXPECT_EQ(WalkTree(reader), 4u + 4u + 2 * (12 + 1) + 15 * 2);  // "form", "five", one string table
    EXPECT_THROW(TPEReader(folder / "missing.dll"), Exception);
}

}  // namespace
}  // namespace kestrune
