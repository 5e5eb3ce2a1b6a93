#include "localise/LocOnFly.h"

#include "localise/LocLangPack.h"
#include "localise/LocResources.h"
#include "localise/LocUtils.h"
#include "localise/QLocales.h"
#include "platform/FileIO.h"
#include "platform/ProgramFolder.h"
#include "platform/Registry.h"
#include "tests/platform/TempFolder.h"
#include "tests/support/FileStandIns.h"
#include "tests/support/LocSamples.h"
#include "tests/support/LzqWriter.h"
#include "tools/localise/LangFileWriter.h"
#include "tools/localise/ProgramResources.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace kestrune {
namespace {

using namespace testing;

constexpr uint16_t French = 0x040C;
constexpr uint16_t SOpen = 100;  // "Open…" of the sample

// The sample program: its dictionary with a German and a French column, and
// the language files written from them.
struct TSampleLanguages {
    TLocStorage storage = NativeSample();
    int german = AddGermanSample(storage);
    int french = AddFrench();
    std::string native = WriteLangFile(ProgramNativeHeader(storage), storage, 0);
    std::string germanFile = WriteLangFile(TranslationHeader(storage, German, "German", u"Deutsch", 7), storage, german);
    std::string frenchFile = WriteLangFile(TranslationHeader(storage, French, "French", u"Français", 8), storage, french);

    static TLocStorage NativeSample() {
        TLocStorage sample;
        FillNativeSample(sample);
        return sample;
    }
    int AddFrench() {
        const int column = storage.AddLanguage(0, French);
        TLocItem& open = *storage.FindConstant(4);
        storage.SetText(open, static_cast<size_t>(column), u"Ouvrir…");
        open.Values[column].Stamp = static_cast<int32_t>(NativeStamp);
        return column;
    }
};

class LocOnFlyTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetProgramNameOverride("kestrune");
        UseImage({});
    }
    void TearDown() override {
        Localizer().Reset();
        Localizer().ShowError = nullptr;
        SetProgramResourceImage({});
        TQLocUtils::Instance().Reset();
        SetProgramNameOverride("");
    }
    static TQLocalizerOnFly& Localizer() { return TQLocalizerOnFly::Instance(); }

    // The program's resources, with an RCDATA pack when one is given.
    void UseImage(const std::string& pack) {
        std::vector<TFormResource> rcdata;
        if (!pack.empty()) rcdata.emplace_back(std::string(LanguagePackName), pack);
        image_ = WriteProgramResources(languages_.storage, rcdata, ProgramNativeHeader(languages_.storage));
        SetProgramResourceImage(image_);
        TQLocUtils::Instance().Reset();
    }
    void Start(const std::string& folderName = {}) {
        Localizer().Reset();
        errors_.clear();
        Localizer().ShowError = [this](const std::string& text) { errors_.push_back(text); };
        Localizer().InitLocalizer({}, folderName);
    }
    std::string Pack(uint16_t version, bool compressGerman) const {
        return WriteLanguagePack(version, {{English, "English", u"English", NativeStamp, 0, languages_.native},
                                           {German, "German", u"Deutsch", NativeStamp, 7,
                                            compressGerman ? LZQCompress(languages_.germanFile) : languages_.germanFile}});
    }
    bool HasLibrary(const char* abbreviation) const { return FileExists(folder_ / ("program/kestrune." + std::string(abbreviation))); }

    TTempFolder folder_;
    TSampleLanguages languages_;
    TBytes image_;
    std::vector<std::string> errors_;
};

TEST(LanguagePack, ReadsTheDirectoryAndTheFilesOfEachVersion) {
    const TSampleLanguages languages;
    const std::string compressed = LZQCompress(languages.germanFile);
    for (const uint16_t version : {uint16_t{1}, uint16_t{2}, uint16_t{3}, uint16_t{4}, uint16_t{5}}) {
        const std::string resource = WriteLanguagePack(version, {{English, "English", u"English", 1600, 0, languages.native},
                                                                 {German, "German", u"Deutsch", 1600, 7, compressed}});
        const TLanguagePack pack(resource);
        ASSERT_EQ(pack.Entries().size(), 2u) << version;
        const TPackEntry& german = pack.Entries()[1];
        EXPECT_EQ(german.LanguageId, German);
        // Old packs take the names the system gives the language.
        EXPECT_EQ(german.EnglishName, version > 2 ? "German" : "German (Germany)") << version;
        EXPECT_EQ(german.NativeName, version >= 4 ? u"Deutsch" : u"German (Germany)") << version;
        EXPECT_EQ(german.SecondStamp, version > 4 ? 7u : 0u);
        EXPECT_EQ(pack.LanguageFile(0), languages.native);
        EXPECT_EQ(pack.LanguageFile(1), languages.germanFile);  // expanded
        EXPECT_EQ(pack.IndexOf(0), 0);
        EXPECT_EQ(pack.IndexOf(German), 1);
        EXPECT_EQ(pack.IndexOf(French), -1);
    }
}

TEST(LanguagePack, AnotherResourceIsNoPackAndACutOneIsRefused) {
    EXPECT_TRUE(TLanguagePack("").Entries().empty());
    EXPECT_TRUE(TLanguagePack("QLX\x05").Entries().empty());
    const TSampleLanguages languages;
    const std::string pack = WriteLanguagePack(5, {{German, "German", u"Deutsch", 1600, 7, LZQCompress(languages.germanFile)}});
    for (const size_t size : {size_t{4}, size_t{12}, size_t{20}, size_t{30}, pack.size() - 1}) {
        try {
            TLanguagePack cut(pack.substr(0, size));
            ADD_FAILURE() << size;
        } catch (const ELocOnFlyError& error) {
            EXPECT_STREQ(error.what(), "Invalid QLANGS resource") << size;
        }
    }
    const std::string damaged = WriteLanguagePack(5, {{German, "German", u"Deutsch", 1600, 7, LZQHeader(5) + "\x02"}});
    const TLanguagePack read(damaged);
    try {
        (void)read.LanguageFile(0);
        ADD_FAILURE();
    } catch (const ELocOnFlyError& error) {
        EXPECT_STREQ(error.what(), "Invalid QLANGS resource");
    }
}

TEST_F(LocOnFlyTest, AProgramWithOnlyItsPackOffersAndSwitchesItsLanguages) {
    UseImage(Pack(5, true));
    Start();
    EXPECT_TRUE(errors_.empty());
    ASSERT_EQ(Localizer().Languages.size(), 2u);
    EXPECT_TRUE(Localizer().Languages[0].FromPack);
    EXPECT_TRUE(Localizer().Languages[0].IsNative);
    EXPECT_EQ(Localizer().Languages[1].NativeName, u"Deutsch");
    EXPECT_EQ(Localizer().CurrentText(*Localizer().Storage.FindConstant(4)), u"Open…");

    Localizer().SwitchToLanguage(German);
    EXPECT_TRUE(errors_.empty());
    EXPECT_EQ(Localizer().CurrentLanguage, German);
    EXPECT_EQ(resStr(SOpen), "DE: Open…");
    EXPECT_TRUE(HasLibrary("DEU"));

    Localizer().SwitchToExtension("ntv");
    EXPECT_EQ(Localizer().CurrentLanguage, English);
    EXPECT_EQ(resStr(SOpen), "Open…");
    // A language the pack does not hold.
    Localizer().SwitchToExtension("FRA");
    EXPECT_EQ(errors_, std::vector<std::string>{"Language \"French (France)\" is not found"});
    // A code no language has (a stored one typed by hand) is named as it stands.
    for (const char* code : {"XYZ", "DE"}) {
        Localizer().SwitchToExtension(code);
        EXPECT_EQ(errors_.back(), "Language \"" + std::string(code) + "\" is not found");
    }
}

TEST_F(LocOnFlyTest, FilesBeatThePackAndThePackStandsInForAMissingNativeFile) {
    UseImage(Pack(5, false));
    folder_.Write("program/kestrune.deu.lng", languages_.germanFile);
    Start();
    EXPECT_TRUE(errors_.empty());
    const TLFInfo& german = Localizer().Languages.at(static_cast<size_t>(Localizer().IndexOf(German)));
    EXPECT_FALSE(german.FromPack);
    EXPECT_EQ(german.FileName, "kestrune.deu.lng");
    Localizer().SwitchToLanguage(German);
    EXPECT_EQ(resStr(SOpen), "DE: Open…");

    // The stored choice is taken at the next start, the German texts read from the file.
    Start();
    EXPECT_EQ(Localizer().CurrentLanguage, German);
    EXPECT_EQ(Localizer().CurrentText(*Localizer().Storage.FindConstant(4)), u"DE: Open…");
}

TEST_F(LocOnFlyTest, LanguagesLieInTheFolderGivenRelativeToTheProgram) {
    folder_.Write("program/lang/kestrune.ntv.lng", languages_.native);
    folder_.Write("program/lang/kestrune.DEU.lng", languages_.germanFile);
    Start("lang");
    EXPECT_TRUE(errors_.empty());
    EXPECT_EQ(Localizer().LanguageFolder(), folder_ / "program/lang/");
    EXPECT_EQ(Localizer().Languages.size(), 2u);
    Localizer().SwitchToLanguage(German);
    EXPECT_EQ(resStr(SOpen), "DE: Open…");
    EXPECT_TRUE(HasLibrary("DEU"));  // libraries stay beside the program

    Localizer().SetLanguageFolder("missing");
    EXPECT_EQ(errors_, std::vector<std::string>{"Specified path \"" + folder_ / "program/missing" + "\" does not exist"});
    EXPECT_EQ(Localizer().LanguageFolder(), folder_ / "program/lang/");
    Localizer().SetLanguageFolder(folder_ / "program");  // an absolute folder, without languages
    EXPECT_TRUE(Localizer().Languages.empty());
}

// A language file that is no file (a named pipe, a link to a device) or is
// far too large is left out of the menu, not offered as a language without
// a name; chosen by its file, it is told as what it is.
TEST_F(LocOnFlyTest, WhatIsNoLanguageFileIsLeftOutOfTheMenu) {
    folder_.Write("program/kestrune.ntv.lng", languages_.native);
    folder_.Write("program/kestrune.deu.lng", languages_.germanFile);
    for (const auto& [standIn, told] : {std::pair{TFileStandIn::Pipe, "is a named pipe"},
                                        std::pair{TFileStandIn::LinkToZero, "is a device"},
                                        std::pair{TFileStandIn::Sparse, "far more than it ever holds"}}) {
        SCOPED_TRACE(told);
        const std::string french = PutStandIn(folder_ / "program/kestrune.fra.lng", standIn);
        Start();
        ASSERT_EQ(Localizer().Languages.size(), 2u);
        for (const TLFInfo& language : Localizer().Languages) EXPECT_FALSE(language.EnglishName.empty());
        EXPECT_EQ(Localizer().IndexOf(French), -1);
        try {
            Localizer().LoadLanguageFile(french);
            ADD_FAILURE() << "loaded";
        } catch (const std::exception& error) {
            EXPECT_NE(std::string(error.what()).find(told), std::string::npos) << error.what();
        }
    }
}

TEST_F(LocOnFlyTest, WithoutResourceLibrariesOnlyTheDictionarySwitches) {
    folder_.Write("program/kestrune.ntv.lng", languages_.native);
    folder_.Write("program/kestrune.deu.lng", languages_.germanFile);
    Start();
    Localizer().NoResourceLibrary = true;
    int translated = 0;
    Localizer().TranslateOpenForms = [&] { ++translated; };
    Localizer().SwitchToLanguage(German);
    EXPECT_EQ(translated, 1);
    EXPECT_EQ(Localizer().CurrentLanguage, German);
    EXPECT_EQ(Localizer().CurrentText(*Localizer().Storage.FindConstant(4)), u"DE: Open…");
    EXPECT_EQ(resStr(SOpen), "Open…");
    EXPECT_FALSE(HasLibrary("DEU"));
    Localizer().TranslateOpenForms = nullptr;
}

TEST_F(LocOnFlyTest, OneTranslationKeptAndOldLibrariesDeleted) {
    folder_.Write("program/kestrune.ntv.lng", languages_.native);
    folder_.Write("program/kestrune.deu.lng", languages_.germanFile);
    folder_.Write("program/kestrune.fra.lng", languages_.frenchFile);
    Start();
    Localizer().KeepOneTranslation = true;
    Localizer().DeleteOldLibraries = true;
    Localizer().SwitchToLanguage(German);
    Localizer().SwitchToLanguage(French);
    EXPECT_TRUE(errors_.empty());
    EXPECT_EQ(resStr(SOpen), "Ouvrir…");
    EXPECT_EQ(Localizer().Storage.LanguageCount(), 2u);
    EXPECT_EQ(Localizer().Storage.LanguageOf(Localizer().CurrentColumn), French);
    EXPECT_FALSE(HasLibrary("DEU"));
    EXPECT_TRUE(HasLibrary("FRA"));
    // Back to German: its column is read again.
    Localizer().SwitchToLanguage(German);
    EXPECT_EQ(Localizer().CurrentText(*Localizer().Storage.FindConstant(4)), u"DE: Open…");
    EXPECT_EQ(Localizer().Storage.LanguageCount(), 2u);
    // The end of the run goes back to the native language and leaves no library.
    Localizer().Close();
    EXPECT_EQ(resStr(SOpen), "Open…");
    EXPECT_FALSE(HasLibrary("DEU"));
    EXPECT_FALSE(HasLibrary("FRA"));
}

}  // namespace
}  // namespace kestrune
