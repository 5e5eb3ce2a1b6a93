#include "localise/LocLangFile.h"

#include "localise/WinResProc.h"
#include "tests/platform/TempFolder.h"
#include "tests/support/LocSamples.h"
#include "localise/LocResources.h"
#include "platform/ResCodePages.h"
#include "tools/localise/LangFileWriter.h"
#include "tools/localise/ProgramResources.h"

#include <gtest/gtest.h>

namespace kestrune {
namespace {

using namespace testing;

TLangFile GermanFile(int column) {
    TLangFile file;
    file.LanguageId = German;
    file.Stamp = 2024;
    file.SecondStamp = 5;
    file.EnglishName = "German (Germany)";
    file.NativeName = u"Deutsch (Deutschland)";
    file.Column = column;
    return file;
}

struct TProgram {
    TTempFolder folder;
    TLocStorage storage;
    int german;
    TBytes image;
    TProgram() {
        FillNativeSample(storage);
        german = AddGermanSample(storage);
        image = WriteProgramResources(storage, {{"TFORMMAIN", WriteFormStream(SampleMainForm())}}, ProgramNativeHeader(storage));
    }
    TResProcessor Built(const std::string& name) const {
        TResProcessor set;
        set.LoadResourcesFromFile(folder / name);
        return set;
    }
};

TEST(LanguageLibraryTest, ProgramResourcesCarryBothSettingsBlocks) {
    TProgram program;
    TResProcessor set;
    set.LoadResourcesFromModule(program.image);
    EXPECT_EQ(set.Strings()->FindString(65243)->Value, u"Language file \"%s\" is not found");
    const TBytes library = set.RCData()->FindItem("QVN_LIBSETTINGS_")->Data;
    const std::string expected = std::string("LDLL" "\x40\x06\0\0" "\x09\0" "\x07\0" "English" "\x07\0", 21) +
                                 std::string("E\0n\0g\0l\0i\0s\0h\0", 14) + std::string("\x06\0" "\0\0" "\0\0\0\0" "\0", 9);
    EXPECT_EQ(library, expected);
    EXPECT_EQ(library.size(), 44u);
    EXPECT_EQ(set.RCData()->FindItem("QVN_EXESETTINGS_")->Data, "QEXE" + expected.substr(4));
}

TEST(LanguageLibraryTest, BuiltLibraryHoldsTheTranslationAndKeepsTheNativeStamp) {
    TProgram program;
    TLangFile german = GermanFile(program.german);
    german.CreateLanguageDLL(program.image, program.folder / "talvessa.deu", true, program.storage, "");
    EXPECT_FALSE(german.NativeChanged);
    const TResProcessor set = program.Built("talvessa.deu");
    EXPECT_EQ(set.Strings()->FindString(65243)->Value, u"DE: Language file \"%s\" is not found");
    EXPECT_EQ(set.Strings()->FindString(100)->Value, u"DE: Open…");
    const TFormObject form = ReadFormStream(set.RCData()->FindItem("TFORMMAIN")->Data);
    EXPECT_EQ(form.Properties[0].Value.Text, "Morvanes Talvessa");
    EXPECT_EQ(set.RCData()->FindItem("QVN_EXESETTINGS_"), nullptr);
    const TBytes settings = set.RCData()->FindItem("QVN_LIBSETTINGS_")->Data;
    EXPECT_EQ(settings.substr(0, 4), "LDLL");
    EXPECT_EQ(settings.substr(4, 4), std::string("\x40\x06\0\0", 4));  // the native stamp, 1600
    EXPECT_EQ(settings.substr(8, 2), std::string("\x07\x04", 2));
    EXPECT_EQ(settings.substr(12, 16), "German (Germany)");
    EXPECT_EQ(settings.size(), 12u + 16 + 2 + 2 * 21 + 8 + 1);
}

TEST(LanguageLibraryTest, OutdatedStringsFallBackToTheNativeTextAndChangesAreNoticed) {
    TProgram program;
    program.storage.FindConstant(1)->Values[program.german].Stamp = 1;
    program.storage.FindConstant(2)->Values[program.german].Text.clear();
    program.storage.SetText(*program.storage.FindConstant(4), 0, u"Open a file…");
    TLangFile german = GermanFile(program.german);
    german.CreateLanguageDLL(program.image, program.folder / "talvessa.deu", true, program.storage, "");
    EXPECT_TRUE(german.NativeChanged);
    EXPECT_EQ(german.NativeChange, "Open…\r\nOpen a file…");
    TResProcessor set = program.Built("talvessa.deu");
    EXPECT_EQ(set.Strings()->FindString(65243)->Value, u"Language file \"%s\" is not found");
    EXPECT_EQ(set.Strings()->FindString(65245)->Value, u"Localizer is not initialized");

    german.SetOption(LangOptionUseOutdated, true);
    german.CreateLanguageDLL("", program.folder / "talvessa.de2", false, program.storage, program.folder / "talvessa.deu");
    EXPECT_EQ(program.Built("talvessa.de2").Strings()->FindString(65243)->Value, u"DE: Language file \"%s\" is not found");
}

TEST(LanguageLibraryTest, NativeResourcesWithoutALibraryBlockAreRefused) {
    TProgram program;
    TResProcessor set;
    set.LoadResourcesFromModule(program.image);
    set.RCData()->FindItem("QVN_LIBSETTINGS_")->Data = "QEXE";
    TBytes image;
    set.WriteResourceDLL(image);
    TLangFile german = GermanFile(program.german);
    try {
        german.CreateLanguageDLL(image, program.folder / "talvessa.deu", true, program.storage, "");
        FAIL();
    } catch (const ELangFileError& error) {
        EXPECT_STREQ(error.what(), "Can't create DLL. The native DLL is invalid");
    }
}

}  // namespace
}  // namespace kestrune

namespace kestrune {
namespace {

// What the build writes: every resource string in the image's string tables
// and in the native language file, which builds a library of the image.
TEST(ProgramResourcesTest, ImageAndNativeFileHoldEveryResourceString) {
    const TLocStorage storage = ProgramNativeDictionary();
    const TLangFile header = ProgramNativeHeader(storage);
    const TBytes image = WriteProgramResources(storage, {}, header);
    TResProcessor set;
    set.LoadResourcesFromModule(image);
    uint16_t previous = 0;
    for (const TResourceString& string : ProgramResourceStrings()) {
        EXPECT_GT(string.id, previous);
        previous = string.id;
        const TResStringItem* item = set.Strings()->FindString(string.id);
        ASSERT_NE(item, nullptr) << string.id;
        EXPECT_EQ(Utf16ToUtf8(item->Value), string.text);
    }
    EXPECT_EQ(set.RCData()->FindItem("QVN_EXESETTINGS_")->Data.size(), 44u);

    TLocStorage native;
    TLangFile file;
    file.ReadBody(WriteLangFile(header, storage, 0), &native, 0, -1);
    EXPECT_EQ(file.LanguageId, ProgramNativeLanguage);
    EXPECT_EQ(native.FindConstant(static_cast<int32_t>(ProgramResourceStrings().size()))->ResourceId, ProgramResourceStrings().back().id);
    testing::TTempFolder folder;
    file.Column = native.AddLanguage(0, testing::German);
    file.LanguageId = testing::German;
    file.CreateLanguageDLL(image, folder / "kestrune.deu", true, native, "");
    EXPECT_FALSE(file.NativeChanged);
}

}  // namespace
}  // namespace kestrune
