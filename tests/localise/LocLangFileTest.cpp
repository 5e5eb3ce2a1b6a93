#include "localise/LocLangFile.h"

#include "tests/platform/TempFolder.h"
#include "tests/support/FileStandIns.h"
#include "tests/support/LocSamples.h"
#include "tests/support/LzqWriter.h"
#include "tools/localise/LangFileWriter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>

namespace kestrune {
namespace {

using namespace testing;

TLangFile Header(uint16_t version, uint16_t language, bool native) {
    TLangFile header;
    header.Version = version;
    header.LanguageId = language;
    header.Stamp = NativeStamp;
    header.SecondStamp = 7;
    header.EnglishName = native ? "English" : "German (Germany)";
    header.NativeName = native ? u"English" : u"Deutsch (Deutschland)";
    header.IsNative = native;
    header.Options = 1 | 256;
    header.LastConstantId = 4;
    header.LastPropertyId = 9;
    header.LastExternalId = 1;
    return header;
}

std::u16string TextOf(const TLocStorage& storage, int32_t id, size_t column) {
    const TLocItem* item = storage.FindProperty(id);
    return item ? item->Values.at(column).Text : u"<missing>";
}

TEST(LangFileTest, NativeFilesOfEveryVersionReadBack) {
    TLocStorage written;
    FillNativeSample(written);
    for (uint16_t version = 1; version <= 7; ++version) {
        SCOPED_TRACE(version);
        const TBytes file = WriteLangFile(Header(version, English, true), written, 0);
        TLangFile read;
        TLocStorage storage;
        read.ReadBody(file, &storage, 0, -1);
        EXPECT_EQ(read.Version, version);
        EXPECT_EQ(read.EnglishName, "English");
        EXPECT_EQ(read.NativeName, u"English");
        EXPECT_TRUE(read.IsNative);
        EXPECT_EQ(read.SecondStamp, version >= 5 ? 7u : 0u);
        EXPECT_EQ(read.Options, version >= 2 ? 257 : 0);
        EXPECT_EQ(storage.NativeLanguage, English);
        ASSERT_EQ(storage.Units.Count(), 2u);
        EXPECT_EQ(storage.Units[0].Constants.Count(), 3u);  // constant names differ in case only
        EXPECT_EQ(storage.FindConstant(1)->ResourceId, 65243);
        EXPECT_EQ(storage.FindConstant(4)->Values[0].Text, u"Open…");
        EXPECT_EQ(storage.FindConstant(4)->Values[0].Stamp, 1600);
        EXPECT_EQ(TextOf(storage, 2, 0), u"&Open");
        EXPECT_EQ(TextOf(storage, 3, 0), u"Open a pass");
        EXPECT_EQ(TextOf(storage, 4, 0), version >= 4 ? u"75" : u"");   // numbers carry a value from version 4
        EXPECT_EQ(TextOf(storage, 5, 0), version >= 4 ? u"0.5" : u"");
        EXPECT_EQ(storage.FindProperty(5)->Kind, LocKindFloat);
        EXPECT_EQ(storage.ExtGroups.Count(), version >= 7 ? 1u : 0u);
        EXPECT_EQ(storage.LastPropertyId, 9);
    }
}

TEST(LangFileTest, TranslationGoesToItsColumnAndUnknownEntriesAreSkipped) {
    TLocStorage source;
    FillNativeSample(source);
    const int german = AddGermanSample(source);
    TLocStorage extra;  // a translation file with one property the native dictionary lacks
    FillNativeSample(extra);
    TLocForm& form = extra.Forms.FindOrAdd("FormAbout");
    extra.SetText(extra.AddProperty(form.Properties, "Caption", 99, LocKindText), 0, u"Über");
    extra.AddLanguage(0, German);

    TLocStorage storage;
    TLangFile native;
    native.ReadBody(WriteLangFile(Header(7, English, true), source, 0), &storage, 0, -1);
    const int column = storage.AddLanguage(0, German);
    EXPECT_EQ(storage.FindConstant(1)->Values[column].Stamp, -1);  // copied, never translated
    EXPECT_EQ(storage.FindConstant(1)->Values[column].Text, u"Language file \"%s\" is not found");
    TLangFile translation;
    translation.ReadBody(WriteLangFile(Header(7, German, false), source, german), &storage, 0, column);
    translation.ReadBody(WriteLangFile(Header(7, German, false), extra, 0), &storage, 0, column);
    EXPECT_EQ(storage.FindConstant(2)->Values[column].Text, u"Localizer is not initialized");  // from the second file
    EXPECT_EQ(storage.FindConstant(4)->Values[column].Text, u"Open…");
    EXPECT_EQ(storage.FindConstant(4)->Values[column].LanguageId, German);
    EXPECT_EQ(storage.FindProperty(99), nullptr);
    EXPECT_EQ(translation.LastPropertyId, 99);

    TLocStorage byNames;
    native.ReadBody(WriteLangFile(Header(7, English, true), source, 0), &byNames, 0, -1);
    const int named = byNames.AddLanguage(0, German);
    for (const auto& unit : source.Units)
        for (const auto& constant : unit->Constants) constant->Id += 100;  // ids that match nothing
    translation.ReadBody(WriteLangFile(Header(7, German, false), source, german), &byNames, LangModeMatchNames, named);
    EXPECT_EQ(byNames.FindConstant(1)->Values[named].Text, u"DE: Language file \"%s\" is not found");
}

TEST(LangFileTest, OutdatedTranslationLosesItsUseWhenOutdatedFlag) {
    TLocStorage source;
    FillNativeSample(source);
    const int german = AddGermanSample(source);
    TLocItem& open = *source.FindConstant(4);
    open.Values[german].Stamp = 1500;
    open.Values[german].Flags = 256;
    source.FindConstant(1)->Values[german].Flags = 256;
    TLocStorage storage;
    TLangFile file;
    file.ReadBody(WriteLangFile(Header(7, English, true), source, 0), &storage, 0, -1);
    const int column = storage.AddLanguage(0, German);
    file.ReadBody(WriteLangFile(Header(7, German, false), source, german), &storage, 0, column);
    EXPECT_EQ(storage.FindConstant(4)->Values[column].Flags, 0);
    EXPECT_FALSE(storage.FindConstant(4)->IsCurrent(column));
    EXPECT_EQ(storage.FindConstant(1)->Values[column].Flags, 256);
    EXPECT_TRUE(storage.FindConstant(1)->IsCurrent(column));
}

TEST(LangFileTest, RenumberingModeGivesDuplicateIdsNewOnes) {
    TLocStorage source;
    FillNativeSample(source);
    source.FindConstant(2)->Id = 1;
    TLocStorage storage;
    TLangFile file;
    file.ReadBody(WriteLangFile(Header(7, English, true), source, 0), &storage, LangModeRenumber, -1);
    EXPECT_EQ(storage.FindConstant(1)->Values[0].Text, u"Language file \"%s\" is not found");
    EXPECT_EQ(storage.FindConstant(5)->Values[0].Text, u"Localizer is not initialized");
    EXPECT_EQ(storage.LastConstantId, 5);
}

// Ids are 32-bit and signed: no route of the renumbering may go past the highest.
std::string RenumberedNativeRead(const TBytes& file, TLocStorage& storage) {
    try {
        TLangFile().ReadBody(file, &storage, LangModeRenumber, -1);
        return "no error";
    } catch (const ELangFileError& error) {
        return error.what();
    }
}

TEST(LangFileTest, NoIdIsGivenPastTheHighestThatCanBe) {
    constexpr int32_t highest = std::numeric_limits<int32_t>::max();
    TLocStorage source;
    FillNativeSample(source);
    source.FindConstant(2)->Id = highest - 1;
    source.FindConstant(3)->Id = 1;  // renumbered after the section: takes the very highest
    TLocStorage one;
    EXPECT_EQ(RenumberedNativeRead(WriteLangFile(Header(7, English, true), source, 0), one), "no error");
    EXPECT_EQ(one.LastConstantId, highest);
    EXPECT_EQ(one.FindConstant(highest)->Name, "snotinitialized");

    source.FindConstant(4)->Id = 1;  // a second one has none left
    TLocStorage two;
    EXPECT_EQ(RenumberedNativeRead(WriteLangFile(Header(7, English, true), source, 0), two), "Invalid file format");

    // An entry without an id (negative) where the dictionary already holds the highest.
    TLocStorage unnumbered;
    FillNativeSample(unnumbered);
    unnumbered.FindExtItem("FRFORM:FormMain:Report", "Memo1.Memo.UTF8W")->Id = -1;
    TLocStorage full;
    full.LastExternalId = highest;
    EXPECT_EQ(RenumberedNativeRead(WriteLangFile(Header(7, English, true), unnumbered, 0), full), "Invalid file format");
    TLocStorage room;
    EXPECT_EQ(RenumberedNativeRead(WriteLangFile(Header(7, English, true), unnumbered, 0), room), "no error");
    EXPECT_EQ(room.LastExternalId, 1);

    TLocExtGroup& group = full.ExtGroups.FindOrAdd("FRFORM:FormMain:Report");
    EXPECT_THROW(full.AddExtItem(group, "Memo2.Memo.UTF8W", -1), ELocStorageError);
    EXPECT_EQ(full.LastExternalId, highest);
}

TEST(LangFileTest, TheFuzzFindingOfAnIdOverflowIsRefusedAsInvalid) {
    const std::filesystem::path finding =
        std::filesystem::path(KESTRUNE_TESTDATA_DIR) / "fuzz-findings" / "language-file-id-overflow.bin";
    std::ifstream in(finding, std::ios::binary);
    if (!in) GTEST_SKIP() << "no " << finding;
    const TBytes bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    TLocStorage storage;
    EXPECT_EQ(RenumberedNativeRead(bytes, storage), "Invalid file format");
}

TEST(LangFileTest, LengthPrefixesTakeOneTwoOrFourBytes) {
    const std::pair<uint32_t, size_t> cases[] = {{0, 1}, {127, 1}, {128, 2}, {16383, 2}, {16384, 4}, {MaxVarLength, 4}};
    for (const auto& [count, size] : cases) {
        TBytes bytes;
        TByteWriter out(bytes);
        WriteVarLength(out, count);
        EXPECT_EQ(bytes.size(), size) << count;
        TByteReader in(bytes, RaiseInvalidFileFormat);
        EXPECT_EQ(ReadVarLength(in), count);
    }
    TLocStorage storage;
    FillNativeSample(storage);
    const TBytes base = WriteLangFile(Header(7, English, true), storage, 0);
    for (const auto& [length, prefix] : std::vector<std::pair<size_t, size_t>>{{127, 1}, {128, 2}, {16383, 2}, {16384, 4}}) {
        storage.SetText(*storage.FindConstant(4), 0, std::u16string(length, u'x'));
        const TBytes file = WriteLangFile(Header(7, English, true), storage, 0);
        EXPECT_EQ(file.size(), base.size() - (1 + 2 * 5) + prefix + 2 * length) << length;
        TLocStorage back;
        TLangFile().ReadBody(file, &back, 0, -1);
        EXPECT_EQ(back.FindConstant(4)->Values[0].Text.size(), length);
    }
}

TEST(LangFileTest, DamagedFilesAreRefusedWithTheFilesErrors) {
    TLocStorage storage;
    FillNativeSample(storage);
    const TBytes good = WriteLangFile(Header(7, English, true), storage, 0);
    const auto message = [](TBytes bytes) {
        try {
            TLocStorage target;
            TLangFile().ReadBody(bytes, &target, 0, -1);
            return std::string("no error");
        } catch (const ELangFileError& error) {
            return std::string(error.what());
        }
    };
    TBytes version8 = good, version0 = good, longString = good, unknownLanguage = good, languageZero = good;
    languageZero[12] = languageZero[13] = '\0';  // language 0 is no language, not the user's own
    version8[2] = 8;
    version0[2] = 0;
    unknownLanguage[12] = unknownLanguage[13] = '\x77';  // language 0x7777, no language at all
    const size_t firstUnitName = good.find("LocOnFly") - 1;
    longString[firstUnitName] = '\x7F';
    EXPECT_EQ(message(version8), "The language file can not be read. You need to download the latest Language Manager");
    EXPECT_EQ(message(version0), "Invalid file format");
    EXPECT_EQ(message("LG" + good.substr(2)), "Invalid file format");
    EXPECT_EQ(message(longString), "Invalid file format");
    EXPECT_EQ(message(unknownLanguage), "Invalid file format");
    EXPECT_EQ(message(languageZero), "Invalid file format");
    EXPECT_EQ(message(LZQHeader(5) + "\x02"), "Invalid file format");
    for (size_t size = 0; size < good.size(); ++size) EXPECT_EQ(message(good.substr(0, size)), "Invalid file format") << size;
    EXPECT_EQ(message(good), "no error");
    // An id so high that the entries without one after it could take none.
    TLocStorage highest;
    FillNativeSample(highest);
    highest.FindConstant(2)->Id = std::numeric_limits<int32_t>::max();
    EXPECT_EQ(message(WriteLangFile(Header(7, English, true), highest, 0)), "Invalid file format");

    TLangFile file;
    EXPECT_THROW(file.ReadBody(good, nullptr, 0, -1), ELangFileError);
    TLocStorage one;
    try {
        file.ReadBody(good, &one, 0, 1);
        FAIL();
    } catch (const ELangFileError& error) {
        EXPECT_STREQ(error.what(), "Invalid index");
    }
}

// A language file that is a named pipe, a device or far larger than any
// translation is told as what it is, never waited on nor read whole.
TEST(LangFileTest, WhatIsNoLanguageFileIsToldAsWhatItIs) {
    TTempFolder folder;
    const std::string pipe = PutStandIn(folder / "Pipe.lng", TFileStandIn::Pipe);
    const std::string device = PutStandIn(folder / "Zero.lng", TFileStandIn::LinkToZero);
    const std::string large = PutStandIn(folder / "Deutsch.lng", TFileStandIn::Sparse);
    const std::vector<std::pair<std::string, std::string>> cases{
        {pipe, pipe + " is a named pipe: it is left as it is"},
        {device, device + " is a device: it is left as it is"},
        {large, large + " holds 314572800 bytes, far more than it ever holds (at most 16777216): it is left as it is"},
    };
    for (const auto& [file, told] : cases) {
        SCOPED_TRACE(told);
        try {
            TLangFile language(file);
            TLocStorage storage;
            language.ReadBody(&storage, 0, 0);
            ADD_FAILURE() << "read";
        } catch (const ELangFileError& error) {
            EXPECT_EQ(std::string(error.what()), told);
        }
    }
    EXPECT_EQ(std::filesystem::file_size(large), 300u << 20);
}

TEST(LangFileTest, CompressedFileYieldsItsHeaderFromTheFirstBytes) {
    TTempFolder folder;
    TLocStorage storage;
    FillProgramOfStrings(storage, 400);
    const TBytes plain = WriteLangFile(Header(6, English, true), storage, 0);
    const TBytes compressed = LZQCompress(plain);
    ASSERT_GT(compressed.size(), CompressedHeaderBytes);
    const TLangFile header(folder.Write("talvessa.ntv.lng", compressed));
    EXPECT_TRUE(header.Compressed);
    EXPECT_EQ(header.Version, 6);
    EXPECT_EQ(header.EnglishName, "English");
    EXPECT_EQ(header.LastConstantId, 4);
    TLangFile whole(folder / "talvessa.ntv.lng");
    TLocStorage back;
    whole.ReadBody(&back, -1);
    EXPECT_EQ(back.LastConstantId, 400);
    EXPECT_EQ(back.FindConstant(400)->Values[0].Text, u"Resource string number 399 of the program");
    EXPECT_EQ(TLangFile(folder / "absent.lng").Version, LangFileVersion);
}

TEST(LocStorageTest, ColumnsAreAddedAndRemovedWithinTheirLimits) {
    TLocStorage storage;
    FillNativeSample(storage);
    EXPECT_THROW(storage.RemoveLanguage(0), ELocStorageError);
    EXPECT_THROW(storage.AddLanguage(1, German), ELocStorageError);
    const int german = storage.AddLanguage(0, German);
    const int french = storage.AddLanguage(0, 0x040C);
    EXPECT_THROW(storage.RemoveLanguage(0), ELocStorageError);
    storage.RemoveLanguage(german);
    EXPECT_EQ(storage.IndexOfLanguage(0x040C), 1);
    EXPECT_EQ(storage.LanguageOf(french), 0);
    EXPECT_EQ(storage.FindConstant(1)->Values.size(), 2u);
    storage.SetText(*storage.FindConstant(1), 0, u"changed");
    EXPECT_EQ(storage.FindConstant(1)->Values[1].Text, u"changed");  // never translated: follows the native text
    EXPECT_NE(storage.Forms.Find("formmain"), nullptr);
    EXPECT_EQ(storage.Units.Find("LocOnFly")->Constants.Find("sNotInitialized"), nullptr);
}

TEST(LocStorageTest, ValuesHaveAnAnsiCopyInTheirLanguagesCodePageAndCompareByKind) {
    TLocStorage storage;
    storage.SetNativeLanguage(English);
    TLocItem& item = storage.AddProperty(storage.Forms.FindOrAdd("FormMain").Properties, "Caption", -1, LocKindText);
    const int russian = storage.AddLanguage(0, 0x0419);
    // A native text goes whole to a column never translated, not through the native code page.
    storage.SetText(item, 0, u"Caf\u00e9 \u0416");
    EXPECT_EQ(item.Values[russian].Text, u"Caf\u00e9 \u0416");
    EXPECT_EQ(item.Values[0].AnsiText(), "Caf\xe9 ?");           // code page 1252
    EXPECT_EQ(item.Values[russian].AnsiText(), "Caf? \xc6");     // code page 1251
    storage.SetNativeLanguage(0x0419);
    EXPECT_EQ(item.Values[0].AnsiText(), "Caf? \xc6");  // the copy follows the language

    const auto value = [](const char16_t* text) {
        TLocValue v;
        v.Text = text;
        return v;
    };
    EXPECT_TRUE(SameValue(LocKindFloat, value(u"0.50"), value(u" .5")));
    EXPECT_FALSE(SameValue(LocKindFloat, value(u"0.5"), value(u"0.25")));
    EXPECT_TRUE(SameValue(LocKindInteger, value(u"007"), value(u"7")));
    EXPECT_FALSE(SameValue(LocKindInteger, value(u"7"), value(u"seven")));
    EXPECT_TRUE(SameValue(LocKindText, value(u"Open"), value(u"Open")));
    EXPECT_FALSE(SameValue(LocKindText2, value(u"Open"), value(u"open")));
    EXPECT_FALSE(SameValue(3, value(u"1"), value(u"1")));
    EXPECT_EQ(value(u" 42 ").AsInteger(), 42);
    EXPECT_EQ(value(u"").AsInteger(), 0);
    EXPECT_DOUBLE_EQ(value(u"2.5").AsFloat(), 2.5);
}

}  // namespace
}  // namespace kestrune
