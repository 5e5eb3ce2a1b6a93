#include "localise/LocUtils.h"

#include "localise/LocResources.h"
#include "platform/ProgramFolder.h"
#include "platform/ResBytes.h"
#include "tests/platform/TempFolder.h"
#include "tests/support/LocSamples.h"
#include "tools/localise/ProgramResources.h"

#include <gtest/gtest.h>

namespace kestrune {
namespace {

// A block as the writer lays it out: signature, stamp, language, the two names, version, reserved, second stamp.
std::string Block(std::string_view signature, uint32_t stamp, std::string_view tail) {
    std::string block(signature);
    TByteWriter out(block);
    out.U32(stamp);
    out.U16(0x407);
    out.U16(7);
    block += "Deutsch";
    out.U16(2);
    block += std::string("D\0e\0", 4);
    block += tail;
    return block;
}

const std::string VersionAndSecondStamp("\x06\0\0\0\x78\x56\x34\x12\0", 9);

TEST(ParseDLLSettings, ReadsTheFieldsAndTheSecondStampOnlyWhenItIsThere) {
    const struct {
        std::string tail;
        uint32_t secondStamp;
    } cases[] = {
        {VersionAndSecondStamp, 0x12345678},  // the writer's trailing byte
        {VersionAndSecondStamp.substr(0, 8), 0x12345678},  // no byte past the stamp
        {VersionAndSecondStamp.substr(0, 6), 0},           // cut inside the stamp
        {VersionAndSecondStamp.substr(0, 4), 0},  // version and reserved word only
        {"", 0},                                  // the block ends after the wide name
    };
    for (const auto& c : cases) {
        const TDLLInfoItem item = ParseDLLSettings(Block("LDLL", 1600, c.tail), "lib");
        EXPECT_EQ(item.Stamp, 1600u);
        EXPECT_EQ(item.LanguageId, 0x407u);
        EXPECT_EQ(item.AnsiName, "Deutsch");
        EXPECT_EQ(item.WideName, u"De");
        EXPECT_EQ(item.SecondStamp, c.secondStamp) << c.tail.size();
        EXPECT_TRUE(item.FileName.empty());
    }
}

TEST(ParseDLLSettings, ACutBlockIsRefusedNamingTheFile) {
    const std::string whole = Block("LDLL", 1600, VersionAndSecondStamp);
    for (const size_t size : {0, 6, 11, 15, 20}) {
        try {
            ParseDLLSettings(std::string_view(whole).substr(0, size), "/p/kestrune.DEU");
            ADD_FAILURE() << size;
        } catch (const ELocUtilsError& error) {
            EXPECT_STREQ(error.what(), "Invalid resource file format \"/p/kestrune.DEU\"");
        }
    }
}

// The program's resources and libraries written beside it, each with its stamp and its text of resource string 100.
class LocUtilsTest : public ::testing::Test {
protected:
    void SetUp() override {
        program_ = Image(1600, u"Open…", testing::English);
        SetProgramResourceImage(program_);
        Utils().Reset();
        Utils().IgnoreVersion = true;
    }
    void TearDown() override {
        Utils().Reset();
        SetProgramResourceImage({});
    }

    static TQLocUtils& Utils() { return TQLocUtils::Instance(); }
    static TBytes Image(uint32_t stamp, const std::u16string& open, uint16_t language) {
        TLocStorage storage;
        testing::FillNativeSample(storage);
        storage.SetText(*storage.Units.Find("MainForm")->Constants.Find("SOpen"), 0, open);
        TLangFile header = ProgramNativeHeader(storage);
        header.Stamp = stamp;
        header.LanguageId = language;
        return WriteProgramResources(storage, {}, header);
    }
    std::string Library(const std::string& name, uint32_t stamp) const {
        return folder_.Write("program/" + name, Image(stamp, u"Öffnen…", testing::German));
    }
    static std::string Message(const std::function<void()>& operation) {
        try {
            operation();
        } catch (const ELocUtilsError& error) {
            return error.what();
        }
        return "no error";
    }

    testing::TTempFolder folder_;
    TBytes program_;
};

TEST_F(LocUtilsTest, ALibraryOfTheProgramsStampTakesOverItsStringsUntilRestored) {
    EXPECT_TRUE(Utils().UsesOwnResources());
    EXPECT_EQ(Utils().LoadString(100), "Open…");
    const std::string path = Library("kestrune.DEU", 1600);
    Utils().SetResourceModule(Utils().LoadResourceDLL(path));
    EXPECT_FALSE(Utils().UsesOwnResources());
    EXPECT_EQ(Utils().LoadString(100), "Öffnen…");
    EXPECT_EQ(Utils().LoadString(65535), ResourceText(65535));  // missing in both: the built-in text
    const TDLLInfoItem info = Utils().GetResourceInfo();
    EXPECT_EQ(info.FileName, path);
    EXPECT_EQ(info.LanguageId, testing::German);
    EXPECT_TRUE(Utils().CheckResourceVersion());
    Utils().RestoreModuleResources();
    EXPECT_EQ(Utils().LoadString(100), "Open…");
    EXPECT_EQ(Utils().GetResourceInfo().LanguageId, testing::English);
}

TEST_F(LocUtilsTest, TheThreeErrors) {
    const std::string missing = folder_ / "program/kestrune.FRA";
    EXPECT_EQ(Message([&] { Utils().LoadResourceDLL(missing); }), "Error loading resource file \"" + missing + "\"");

    const std::string damaged = folder_.Write("program/kestrune.ITA", "MZ but nothing more");
    EXPECT_EQ(Message([&] { Utils().LoadResourceDLL(damaged); }), "Error loading resource file \"" + damaged + "\"");

    // An image without settings, and one whose library block carries the program's signature.
    TResProcessor set;
    set.LoadResourcesFromModule(program_);
    set.RCData()->FindItem(std::string(LibSettingsName))->Data = set.RCData()->FindItem(std::string(ExeSettingsName))->Data;
    TBytes swapped;
    set.WriteResourceDLL(swapped);
    const std::string wrongSignature = folder_.Write("program/kestrune.ESP", swapped);
    EXPECT_EQ(Message([&] { Utils().LoadResourceDLL(wrongSignature); }), "Invalid resource file format \"" + wrongSignature + "\"");
    EXPECT_EQ(Message([] { TResModule::FromImage({}, "bare")->ReadSettings(false); }), "Invalid resource file format \"bare\"");

    // Another stamp: quietly no library, or the out-of-version error naming the file.
    const std::string old = Library("kestrune.DEU", 1599);
    EXPECT_EQ(Utils().LoadResourceDLL(old), nullptr);
    Utils().IgnoreVersion = false;
    EXPECT_EQ(Message([&] { Utils().LoadResourceDLL(old); }),
              "Resource file " + old +
                  " is not synhronized with executable.\r\nPlease, update the file (using \"Refresh\" operation in Localizer or "
                  "\"Create DLL\" command in Language Manager) and try again");
}

TEST_F(LocUtilsTest, TheVersionCheckNamesTheLibraryInUse) {
    const std::string old = Library("kestrune.DEU", 1599);
    auto library = TResModule::LoadLibrary(old);
    Utils().SetResourceModule(std::move(library));
    EXPECT_FALSE(Utils().CheckResourceVersion());
    Utils().IgnoreVersion = false;
    EXPECT_NE(Message([] { Utils().CheckResourceVersion(); }).find("Resource file " + old + " is not"), std::string::npos);
}

}  // namespace
}  // namespace kestrune
