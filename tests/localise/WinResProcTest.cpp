#include "localise/WinResProc.h"

#include "tests/platform/TempFolder.h"
#include "tests/support/LzqWriter.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace kestrune {
namespace {

using testing::TTempFolder;

constexpr uint32_t Stamp = 0x5E0BE100;

uint32_t U32At(const TBytes& bytes, size_t pos) {
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<uint8_t>(bytes.at(pos + i));
    return value;
}
uint16_t U16At(const TBytes& bytes, size_t pos) { return static_cast<uint16_t>(U32At(bytes + "  ", pos) & 0xFFFF); }

struct TSample {
    TResProcessor set;
    TSample(bool withStrings = true) {
        set.SetTimeStamp(Stamp);
        if (withStrings) {
            auto strings = std::make_unique<TResString>();
            strings->AddString(65243, u"Language file \"%s\" is not found");
            strings->AddString(0, u"first");
            strings->AddString(17, u"Überschrift");
            strings->AddString(31, u"");
            set.AddBlock(std::move(strings));
        }
        auto rcdata = std::make_unique<TResRCData>();
        rcdata->AddItem("TFormMain", false).Data = std::string("TPF0\0\x09TFormMain", 15);
        rcdata->AddItem("1", true).Data = "one";
        rcdata->AddItem("QVN_LIBSETTINGS_", false).Data = "LDLL";
        set.AddBlock(std::move(rcdata));
    }
    TBytes Library() const {
        TBytes bytes;
        set.WriteResourceDLL(bytes);
        return bytes;
    }
};

void ExpectSameSet(const TResProcessor& read, const TResProcessor& written) {
    ASSERT_EQ(read.BlockCount(), written.BlockCount());
    if (written.Strings()) {
        ASSERT_NE(read.Strings(), nullptr);
        EXPECT_EQ(read.Strings()->StringCount(), 3u);  // the empty string is an empty slot
        for (size_t i = 0; i < written.Strings()->StringCount(); ++i) {
            const TResStringItem& item = written.Strings()->Strings(i);
            const TResStringItem* back = read.Strings()->FindString(item.Id);
            EXPECT_EQ(back ? back->Value : u"", item.Value) << item.Id;
        }
    }
    ASSERT_NE(read.RCData(), nullptr);
    ASSERT_EQ(read.RCData()->ItemCount(), written.RCData()->ItemCount());
    for (size_t i = 0; i < written.RCData()->ItemCount(); ++i) {
        const TResRCDataItem& item = written.RCData()->Items(i);
        const TResRCDataItem* back = read.RCData()->FindItem(item.Name);
        ASSERT_NE(back, nullptr) << item.Name;
        EXPECT_EQ(back->IsId, item.IsId);
        EXPECT_EQ(back->Data, item.Data);
    }
}

TEST(ResProcessorTest, LibraryReadsBackIdenticallyPlainCompressedAnd64Bit) {
    TTempFolder folder;
    for (const bool is64 : {false, true}) {
        TSample sample;
        sample.set.Is64 = is64;
        const TBytes library = sample.Library();
        for (const TBytes& file : {library, testing::LZQCompress(library)}) {
            TResProcessor read;
            read.LoadResourcesFromFile(folder.Write("talvessa.deu", file));
            EXPECT_EQ(read.Is64, is64);
            ExpectSameSet(read, sample.set);
        }
    }
}

TEST(ResProcessorTest, ModuleImageKeepsOnlyTypesThatHoldResources) {
    TSample sample(false);
    TResProcessor read;
    read.LoadResourcesFromModule(sample.Library());
    EXPECT_EQ(read.BlockCount(), 1u);
    EXPECT_EQ(read.Strings(), nullptr);
    for (size_t i = 0; i < read.RCData()->ItemCount(); ++i) EXPECT_FALSE(read.RCData()->Items(i).IsId);
    const TBytes library = [&] { TBytes b; read.WriteResourceDLL(b); return b; }();
    EXPECT_EQ(U16At(library, 0x400 + 14), 1);                  // one type in the root directory
    EXPECT_EQ(U32At(library, 0x400 + 16), RT_RCDATA);
}

TEST(ResProcessorTest, HeadersFollowTheLibraryLayout) {
    TResProcessor set;
    set.SetTimeStamp(Stamp);
    auto rcdata = std::make_unique<TResRCData>();
    rcdata->AddItem("A", false).Data = std::string(608, 'x');  // section: 24 + 64 + 4 + 608 = 700 bytes
    set.AddBlock(std::move(rcdata));
    TBytes library;
    set.WriteResourceDLL(library);
    EXPECT_EQ(library.size(), 0x800u);
    EXPECT_EQ(library.substr(0, 2), "MZ");
    EXPECT_EQ(U16At(library, 0x12), 0);                        // e_csum
    EXPECT_EQ(U16At(library, 0x14), 0);                        // e_ip
    EXPECT_EQ(U32At(library, 0x3C), 0x100u);
    EXPECT_EQ(library.substr(0x50, 36), "This program must be run under Win32");
    EXPECT_EQ(U32At(library, 0x100), 0x4550u);
    EXPECT_EQ(U16At(library, 0x104), 0x14C);
    EXPECT_EQ(U32At(library, 0x108), Stamp);
    EXPECT_EQ(U16At(library, 0x116), 0xA18E);
    const size_t optional = 0x118;
    EXPECT_EQ(U16At(library, optional), 0x10B);
    EXPECT_EQ(U32At(library, optional + 56), 0x3000u);         // SizeOfImage covers the section at 0x2000
    EXPECT_EQ(U32At(library, optional + 60), 0x400u);          // SizeOfHeaders
    EXPECT_EQ(U32At(library, optional + 96 + 16), 0x2000u);    // resource directory
    EXPECT_EQ(U32At(library, optional + 96 + 20), 0x400u);
    const size_t section = optional + 224;
    EXPECT_EQ(library.substr(section, 8), std::string(".rsrc\0\0\0", 8));
    EXPECT_EQ(U32At(library, section + 8), 700u);              // VirtualSize
    EXPECT_EQ(U32At(library, section + 16), 0x400u);           // SizeOfRawData
    EXPECT_EQ(U32At(library, section + 20), 0x400u);           // PointerToRawData
    EXPECT_EQ(U32At(library, 0x400 + 4), Stamp);               // root directory's stamp
    EXPECT_EQ(U32At(library, 0x400 + 24 + 16 + 32), 0x2000u + 24 + 64 + 4);  // data RVA after the name string
}

TEST(ResProcessorTest, StringGroupsAndNamedEntriesAreCounted) {
    TResString strings;
    EXPECT_EQ(strings.AddString(17, u"abc"), 0);
    EXPECT_EQ(strings.AddString(17, u"again"), -1);
    ASSERT_EQ(strings.Groups().size(), 1u);
    EXPECT_EQ(strings.Groups()[0].GroupId, 2u);
    EXPECT_EQ(strings.Groups()[0].Ids[1], 17);
    EXPECT_EQ(strings.Groups()[0].Ids[0], -1);
    EXPECT_EQ(strings.GetSize(), strings.DirectorySize() + 2 * (3 + 1) + 15 * 2);

    TSample sample;
    const TBytes library = sample.Library();
    const uint32_t rcdataBlock = U32At(library, 0x400 + 16 + 8 + 4) & 0x7FFFFFFF;
    EXPECT_EQ(U16At(library, 0x400 + rcdataBlock + 12), 2);  // named: TFORMMAIN, QVN_LIBSETTINGS_
    EXPECT_EQ(U16At(library, 0x400 + rcdataBlock + 14), 1);  // by id: 1
    EXPECT_NE(sample.set.RCData()->FindItem("tformmain"), nullptr);
    EXPECT_EQ(sample.set.RCData()->IndexOfName("Qvn_LibSettings_"), 2);
    sample.set.RCData()->RemoveItem("tformMAIN");
    EXPECT_EQ(sample.set.RCData()->FindItem("TFORMMAIN"), nullptr);
}

TEST(ResProcessorTest, ResFileEntriesCarryTheirHeaders) {
    TResRCData rcdata;
    rcdata.AddItem("AB", false).Data = "xyz";
    rcdata.AddItem("7", true).Data = "1234";
    TBytes res;
    rcdata.WriteResFile(res);
    const std::string named = std::string("\x03\0\0\0" "\x24\0\0\0" "\xFF\xFF\x0A\0" "A\0B\0\0\0\0\0", 20) +
                              std::string("\0\0\0\0" "\0\x10\0\0" "\0\0\0\0" "\0\0\0\0", 16) + "xyz" + std::string(1, '\0');
    const std::string byId = std::string("\x04\0\0\0" "\x20\0\0\0" "\xFF\xFF\x0A\0" "\xFF\xFF\x07\0", 16) +
                             std::string("\0\0\0\0" "\0\x10\0\0" "\0\0\0\0" "\0\0\0\0", 16) + "1234";
    EXPECT_EQ(res, named + byId);
}

TEST(ResProcessorTest, ObjdumpReadsTheLibrary) {
    TTempFolder folder;
    TSample sample;
    const std::string path = folder.Write("talvessa.fra", sample.Library());
    const std::string command = "objdump -p '" + path + "' 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string output;
    char buffer[4096];
    while (size_t n = fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
    EXPECT_EQ(pclose(pipe), 0) << output;
    EXPECT_NE(output.find("pei-i386"), std::string::npos) << output;
    EXPECT_NE(output.find("Resource Directory"), std::string::npos) << output;
    for (const char* complaint : {"warning", "error", "corrupt", "invalid"})
        EXPECT_EQ(output.find(complaint), std::string::npos) << complaint << "\n" << output;
}

}  // namespace
}  // namespace kestrune
