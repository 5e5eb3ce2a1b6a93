#include "platform/RegistryVariables.h"

#include "platform/DialogService.h"
#include "platform/ProgramFolder.h"
#include "platform/Registry.h"
#include "tests/platform/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>

namespace kestrune {
namespace {

using testing::TTempFolder;

class RegistryVariablesTest : public ::testing::Test {
protected:
    RegistryVariablesTest() { SetProgramNameOverride("kestrune"); }
    ~RegistryVariablesTest() override { SetProgramNameOverride(""); }

    // The program key as another running copy would see it.
    static TRegistry ProgramKey() {
        TRegistry registry;
        registry.OpenKey("\\Software\\Morvane\\Kestrune", true);
        return registry;
    }

    TTempFolder folder;
};

TEST_F(RegistryVariablesTest, AFirstStartGivesDefaultsAndCreatesTheKeyOnlyWhenFreed) {
    {
        TRegistryBoolean flag("Despeckle", true);
        TRegistryInteger number("LowMemoryThreshold", 256);
        TRegistryString text("RenameFormat", "yyyy-mm-dd-hhnn");
        EXPECT_TRUE(flag.Value);
        EXPECT_EQ(number.Value, 256);
        EXPECT_EQ(text.Value, "yyyy-mm-dd-hhnn");
        EXPECT_FALSE(std::filesystem::exists(TRegistry::DefaultStoreFile()));
        flag.Value = false;
        number.Value = -7;
        text.Value = "yyyymmdd";
    }
    TRegistryBoolean flag("DESPECKLE", true);
    TRegistryInteger number("lowmemorythreshold", 256);
    TRegistryString text("RenameFormat", "");
    EXPECT_FALSE(flag.Value);
    EXPECT_EQ(number.Value, -7);
    EXPECT_EQ(text.Value, "yyyymmdd");
}

// A ranged integer takes a stored value only within its range; an odd one
// reads as the default and stays stored until the setting is changed.
TEST_F(RegistryVariablesTest, AStoredIntegerOutsideItsRangeReadsAsTheDefault) {
    struct TCase {
        int32_t Stored;
        int32_t Read;
    };
    for (const TCase& test : {TCase{0, 0}, TCase{2, 2}, TCase{3, 1}, TCase{-1, 1}, TCase{INT32_MIN, 1}}) {
        ProgramKey().WriteInteger("JpegSaveQuality", test.Stored);
        { EXPECT_EQ(TRegistryInteger("JpegSaveQuality", 1, 0, 2).Value, test.Read) << test.Stored; }
        EXPECT_EQ(ProgramKey().ReadInteger("JpegSaveQuality"), test.Stored);
    }
    {
        TRegistryInteger quality("JpegSaveQuality", 1, 0, 2);
        quality.Value = 2;
    }
    EXPECT_EQ(ProgramKey().ReadInteger("JpegSaveQuality"), 2);
}

// A value of another type, or one its setting refuses, reads as the default
// and is told once with what is stored; nothing raises. A refused text is
// replaced at the next write.
TEST_F(RegistryVariablesTest, AValueItsSettingCannotTakeReadsAsTheDefaultAndIsTold) {
    TDialogService& dialogs = TDialogService::Instance();
    dialogs.SetMode(TDialogService::Mode::Scripted);
    dialogs.ClearScript();
    ProgramKey().WriteString("Despeckle", "yes please");
    ProgramKey().WriteString("Zoom", "12");
    ProgramKey().WriteInteger("DataFolder", 7);
    ProgramKey().WriteString("OverlayHomeLat", "1e308");
    ProgramKey().WriteInteger("NOAAalgorithm", -1);  // a default outside the range, as stored: nothing to tell
    TRegistry locales;
    ASSERT_TRUE(locales.OpenKey("\\Software\\Borland\\Locales", true));
    locales.WriteInteger("/opt/station/kestrune", 7);
    for (int start = 0; start < 2; ++start) {
        EXPECT_FALSE(TRegistryBoolean("Despeckle", false).Value);
        EXPECT_EQ(TRegistryInteger("Zoom", -1).Value, -1);
        EXPECT_EQ(TRegistryInteger("NOAAalgorithm", -1, 0, 3).Value, -1);
        EXPECT_EQ(TRegistryString("DataFolder", "/srv").Value, "/srv");
        EXPECT_EQ(TRegistryString("OverlayHomeLat", "55.9", [](const std::string& text) { return text.size() < 5; }).Value,
                  "55.9");
        EXPECT_EQ(ReadStoredString("Software\\Borland\\Locales", "/opt/station/kestrune"), "");
        ProgramKey().WriteString("Zoom", "12");  // as another copy may have left it
    }
    std::vector<std::string> told;
    for (const TDialogRequest& request : dialogs.Requests()) told.push_back(request.text);
    const auto note = [](const std::string& name, const std::string& data) {
        return "The stored setting \"" + name + "\" (" + data + ") cannot be taken: it reads as its default";
    };
    EXPECT_EQ(told, (std::vector<std::string>{note("Despeckle", "\"yes please\""), note("Zoom", "\"12\""),
                                              note("DataFolder", "dword:00000007"), note("OverlayHomeLat", "\"1e308\""),
                                              note("/opt/station/kestrune", "dword:00000007")}));
    EXPECT_EQ(ProgramKey().ReadString("OverlayHomeLat"), "55.9");
    dialogs.ClearScript();
    dialogs.SetMode(TDialogService::Mode::Unattended);
}

// Two running copies: each writes only what it changed, so neither reverts
// the other's change, whichever is freed last; a default is stored only
// where nothing is stored yet.
TEST_F(RegistryVariablesTest, OnlyChangedValuesAreWrittenBack) {
    ProgramKey().WriteInteger("Zoom", 1);
    ProgramKey().WriteString("Folder", "old");
    for (const bool firstFreedFirst : {true, false}) {
        auto first = std::make_unique<TRegistryInteger>("Zoom", 0);
        auto firstFolder = std::make_unique<TRegistryString>("Folder", "");
        auto firstNew = std::make_unique<TRegistryBoolean>("New", false);
        auto second = std::make_unique<TRegistryInteger>("Zoom", 0);
        auto secondFolder = std::make_unique<TRegistryString>("Folder", "");
        auto secondNew = std::make_unique<TRegistryBoolean>("New", false);
        first->Value += 1;
        secondFolder->Value += "+";
        secondNew->Value = true;
        if (firstFreedFirst) first.reset(), firstFolder.reset(), firstNew.reset();
        second.reset(), secondFolder.reset(), secondNew.reset();
        first.reset(), firstFolder.reset(), firstNew.reset();
    }
    EXPECT_EQ(ProgramKey().ReadInteger("Zoom"), 3);
    EXPECT_EQ(ProgramKey().ReadString("Folder"), "old++");
    EXPECT_EQ(ProgramKey().ReadInteger("New"), 1);
}

class TFakeForm : public TFormPlacement {
public:
    int WindowState() const override { return state; }
    int Left() const override { return left; }
    int Top() const override { return top; }
    int Width() const override { return width; }
    int Height() const override { return height; }
    int ClientWidth() const override { return clientWidth; }
    int ClientHeight() const override { return clientHeight; }
    void SetWindowState(int value) override { calls.push_back("State=" + std::to_string(value)); state = value; }
    void SetLeft(int value) override { calls.push_back("Left=" + std::to_string(value)); left = value; }
    void SetTop(int value) override { calls.push_back("Top=" + std::to_string(value)); top = value; }
    void SetClientWidth(int value) override { calls.push_back("ClientWidth=" + std::to_string(value)); }
    void SetClientHeight(int value) override { calls.push_back("ClientHeight=" + std::to_string(value)); }

    int state = 0, left = 10, top = 20, width = 800, height = 600, clientWidth = 790, clientHeight = 560;
    std::vector<std::string> calls;
};

TEST_F(RegistryVariablesTest, FormPlacementIsStoredAtFreeAndRestoredInOrder) {
    {
        TFakeForm form;
        TRegistryFormInfo info(form);
        form.state = 2;
        form.left = 30;
        form.top = 40;
        form.width = 1024;
    }
    TRegistry registry = ProgramKey();
    EXPECT_EQ(registry.GetValueNames(), (std::vector<std::string>{"FormState", "FormLeft", "FormTop", "FormWidth",
                                                                  "FormHeight", "FormClientWidth", "FormClientHeight"}));
    EXPECT_EQ(registry.ReadInteger("FormWidth"), 1024);

    TFakeForm form;
    TRegistryFormInfo info(form);
    info.Restore();
    EXPECT_EQ(form.calls, (std::vector<std::string>{"State=2", "Left=30", "Top=40", "ClientWidth=790",
                                                    "ClientHeight=560"}));
}

TEST_F(RegistryVariablesTest, AppPathsPublishThisProgramAndFindOthers) {
    EXPECT_EQ(ReadAppPath("Kestrune"), "");
    WriteOwnAppPath();
    EXPECT_EQ(ReadAppPath("Kestrune"), ExecutablePath());
    EXPECT_FALSE(ExecutablePath().empty());
    EXPECT_EQ(ReadAppPath("Quenmar"), "");
    TRegistry registry;
    registry.OpenKey("\\Software\\Morvane\\App Paths", true);
    registry.WriteString("Quenmar", "/opt/quenmar/quenmar");
    EXPECT_EQ(ReadAppPath("quenmar"), "/opt/quenmar/quenmar");
}

}  // namespace
}  // namespace kestrune
