#include "app/SidePanel.h"

#include "tests/app/AppTest.h"
#include "app/HeadlessMainHost.h"
#include "app/MainCore.h"
#include "app/EventGuard.h"
#include "app/PersistingControls.h"
#include "platform/DialogService.h"
#include "platform/ProgramFolder.h"
#include "platform/Registry.h"
#include "tests/app/WidgetTestSupport.h"
#include "tests/platform/TempFolder.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace kestrune {
namespace {

using C = TSidePanelControl;
using testing::Find;
using testing::Wait;
using testing::WaitFor;

// The headless window, with the side panel's share of the host passed on.
class TPanelHost : public THeadlessMainHost {
public:
    void ShowSidePanel(const TSidePanelLayout& layout, const std::string&, int) override {
        if (Panel != nullptr) Panel->ShowSidePanel(layout);
    }
    void EnableControls(bool enabled) override {
        if (Panel != nullptr) Panel->EnableControls(enabled);
    }
    void LoadPersistingControls(TViewOptions& options) override {
        if (Panel != nullptr) Panel->LoadControls(options);
    }
    TSidePanel* Panel = nullptr;
};

class SidePanelTest : public testing::TAppTest {
protected:
    void SetUp() override {
        TAppTest::SetUp();
        Start();
        TDialogService::Instance().ClearScript();
    }
    void TearDown() override {
        Stop();
        TAppTest::TearDown();
    }

    // One lifetime of the window's side panel; the core loads its controls, as the window's does.
    void Start() {
        panel = std::make_unique<TSidePanel>(nullptr);
        host.Panel = panel.get();
        core = std::make_unique<TMainCore>(host, TParams{});
        panel->Attach(*core);
        panel->OnEnableViewTabs = [this](bool enabled) { tabsEnabled = enabled; };
        panel->LeftButtonDown = [this] { return leftButtonDown; };
        core->View.SetViewTabs({ViewNames.begin(), ViewNames.end()});
        panel->show();
    }
    void Stop() {
        host.Panel = nullptr;
        panel.reset();
        core.reset();
    }

    void Select(std::string_view view) {
        core->SelectView(std::string(view));
        redisplays = host.DisplayChanges;
    }
    int NewRedisplays() const { return host.DisplayChanges - redisplays; }

    template <typename TControl = QWidget>
    TControl* Get(const char* name) {
        return Find<TControl>(*panel, name);
    }

    TPanelHost host;
    std::unique_ptr<TMainCore> core;
    std::unique_ptr<TSidePanel> panel;
    bool tabsEnabled = true;
    bool leftButtonDown = false;
    int redisplays = 0;
};

TEST_F(SidePanelTest, EveryControlIsStoredUnderItsNameAndComesBack) {
    TViewOptions& options = core->View.Options;
    Get<TqelRadioGroup>("RadioGroupRed")->Button(4)->click();
    Get<TqelRadioGroup>("RadioGroupNOAAalgorithm")->Button(13)->click();
    Get<TqelCheckBox>("CheckBoxShowAsh")->click();
    Get<TqelCheckBox>("CheckBoxSeaBlue")->click();
    auto* gamma = Get<TqelComboBox>("ComboBoxGammaCorrectCh4");
    gamma->setCurrentIndex(5);
    gamma->Change();
    Get<TqelUpDown>("UpDownUserMaxSST")->setValue(30);
    options.ColorDialogSeaColour = 0x123456;
    EXPECT_EQ(options.RadioGroupRed, 4);
    EXPECT_TRUE(options.CheckBoxShowAsh);
    Stop();

    TRegistry registry;
    registry.OpenKeyReadOnly(ProgramRegistryKey());
    EXPECT_EQ(registry.ReadInteger("RedChannel"), 4);
    EXPECT_EQ(registry.ReadInteger("NOAAalgorithm"), 13);
    EXPECT_EQ(registry.ReadInteger("ShowAsh"), 1);
    EXPECT_EQ(registry.ReadInteger("SeaColourBlue"), 1);
    EXPECT_EQ(registry.ReadInteger("GammaCorrectCh4"), 5);
    EXPECT_EQ(registry.ReadInteger("UserMaxSST"), 30);
    EXPECT_EQ(registry.ReadInteger("SeaColour"), 0x123456);
    EXPECT_EQ(registry.ReadInteger("ThermBrightAjdust"), 2);
    EXPECT_EQ(registry.ReadInteger("UserColourStretch"), 1);

    Start();
    const TViewOptions& next = core->View.Options;
    EXPECT_EQ(next.RadioGroupRed, 4);
    EXPECT_EQ(next.RadioGroupNOAAalgorithm, 13);
    EXPECT_TRUE(next.CheckBoxShowAsh);
    EXPECT_TRUE(next.CheckBoxSeaBlue);
    EXPECT_EQ(next.ComboBoxGammaCorrectCh4, 5);
    EXPECT_EQ(next.UpDownUserMaxSST, 30);
    EXPECT_EQ(next.ColorDialogSeaColour, 0x123456u);
    EXPECT_TRUE(Get<TqelRadioGroup>("RadioGroupRed")->Button(4)->isChecked());
    EXPECT_EQ(Get<TqelComboBox>("ComboBoxGammaCorrectCh4")->currentText(), "Gamma 2.1");
}

// Stored values no control could show, or in an order no control keeps,
// come back as values the views can draw with.
TEST_F(SidePanelTest, OddStoredValuesAreBroughtIntoTheirRange) {
    struct TCase {
        const char* Name;
        int32_t Stored;
        std::function<int64_t(TMainCore&)> Read;
        int64_t Expected;
    };
    const auto option = [](int TViewOptions::*field) {
        return [field](TMainCore& started) -> int64_t { return started.View.Options.*field; };
    };
    const auto fire = [](int TFireSettings::*field) {
        return [field](TMainCore& started) -> int64_t { return started.FireSettings->Values.*field; };
    };
    const auto setting = [](std::unique_ptr<TRegistryInteger> TMainSettings::*field) {
        return [field](TMainCore& started) -> int64_t { return (started.Settings.*field)->Value; };
    };
    using O = TViewOptions;
    const std::vector<std::vector<TCase>> stores{
        {{"ColourChannel", 6, option(&O::RadioGroupColour), 0},
         {"BrightnessChannel", -1, option(&O::RadioGroupBrightness), 1},
         {"RedChannel", 12, option(&O::RadioGroupRed), 0},
         {"UserRedChannel", 32, option(&O::RadioGroupUserRed), 7},
         {"ThermBrightAjdust", -3, option(&O::RadioGroupThermalBrightAdjust), AdjustHistEq},
         {"SSTDisplayRange", 5, option(&O::RadioGroupSstDisplayRange), SstRangeFull},
         {"NOAAalgorithm", 15, option(&O::RadioGroupNOAAalgorithm), -1},
         {"GammaCorrectFC", 9, option(&O::ComboBoxGammaCorrectFC), 2},
         {"GammaCorrectCh4", -5, option(&O::ComboBoxGammaCorrectCh4), 2},
         {"SSTCh4Reject", -50, option(&O::UpDownSSTCh4Reject), -5},
         // An inverted range is turned round.
         {"UserMinTemp", 30, option(&O::UpDownUserMinTemp), -40},
         {"UserMaxTemp", -40, option(&O::UpDownUserMaxTemp), 30},
         {"UserMinSST", 20, option(&O::UpDownUserMinSST), 5},
         {"UserMaxSST", 5, option(&O::UpDownUserMaxSST), 20},
         {"JpegSaveQuality", 99, setting(&TMainSettings::JpegSaveQuality), 1},
         {"TempCalibLocn", 9, setting(&TMainSettings::TempCalibLocn), 0},
         {"SeaColourThreshold", 300, setting(&TMainSettings::SeaColourThreshold), 40},
         {"OverlayGridlineColour", -1, setting(&TMainSettings::OverlayGridlineColour), 255},
         {"MaxZoomedMinutes", 100000000, setting(&TMainSettings::MaxZoomedMinutes), 21},
         {"FireSaveNorthLat", 10, fire(&TFireSettings::FireSaveNorthLat), 40},
         {"FireSaveSouthLat", 40, fire(&TFireSettings::FireSaveSouthLat), 10}},
        // Too narrow ranges widen downwards, or upwards from the lowest minimum; out of range ones are clamped.
        {{"UserMinTemp", 10, option(&O::UpDownUserMinTemp), 7},
         {"UserMaxTemp", 10, option(&O::UpDownUserMaxTemp), 10},
         {"UserMinSST", -9, option(&O::UpDownUserMinSST), -2},
         {"UserMaxSST", -9, option(&O::UpDownUserMaxSST), 1},
         {"SeaColour", 0x1000000, [](TMainCore& started) -> int64_t { return started.View.Options.ColorDialogSeaColour; },
          16736352}},
    };
    for (const std::vector<TCase>& store : stores) {
        Stop();
        TRegistry registry;
        registry.OpenKey(ProgramRegistryKey(), true);
        for (const TCase& value : store) registry.WriteInteger(value.Name, value.Stored);
        Start();
        for (const TCase& value : store) EXPECT_EQ(value.Read(*core), value.Expected) << value.Name;
    }
    EXPECT_EQ(Get<QLabel>("LabelSSTRange")->text(), "-2..1C");
}

TEST_F(SidePanelTest, RangesStayThreeDegreesApart) {
    auto* minimum = Get<TqelUpDown>("UpDownUserMinTemp");
    auto* maximum = Get<TqelUpDown>("UpDownUserMaxTemp");
    maximum->setValue(-58);
    EXPECT_EQ(minimum->Position(), -61);
    EXPECT_EQ(maximum->Position(), -58);
    maximum->setValue(0);
    minimum->setValue(-1);
    EXPECT_EQ(minimum->Position(), -2);
    EXPECT_EQ(Get<QLabel>("LabelTempRange")->text(), "-2..0C");

    // A user SST range shows as "User" without a redisplay of its own.
    Select("SST");
    Get<TqelUpDown>("UpDownUserMinSST")->setValue(26);
    EXPECT_EQ(core->View.Options.RadioGroupSstDisplayRange, SstRangeUser);
    EXPECT_EQ(core->View.Options.UpDownUserMinSST, 25);
    EXPECT_TRUE(Get("LabelSSTRange")->isEnabled());
    EXPECT_EQ(Get<QLabel>("LabelSSTRange")->text(), "25..27C");
    EXPECT_EQ(NewRedisplays(), 0);
    // At its lowest the minimum stays; the maximum moves up.
    Get<TqelUpDown>("UpDownUserMinSST")->setValue(-2);
    Get<TqelUpDown>("UpDownUserMaxSST")->setValue(-1);
    EXPECT_EQ(core->View.Options.UpDownUserMinSST, -2);
    EXPECT_EQ(core->View.Options.UpDownUserMaxSST, 0);
    EXPECT_TRUE(WaitFor([&] { return NewRedisplays() == 1; }, 3000));
}

// A user types the ends in the wrong order: the range is the same, turned
// round, as the stored values would be at the next start.
TEST_F(SidePanelTest, AMinimumTypedAboveTheMaximumTurnsTheRangeRound) {
    const auto type = [](TqelUpDown& upDown, const char* text) {
        upDown.Edit()->setText(text);
        upDown.interpretText();
    };
    Select("Temperature");
    auto& minimum = *Get<TqelUpDown>("UpDownUserMinTemp");
    auto& maximum = *Get<TqelUpDown>("UpDownUserMaxTemp");
    type(maximum, "40");
    type(minimum, "45");
    EXPECT_EQ(core->View.Options.UpDownUserMinTemp, 40);
    EXPECT_EQ(core->View.Options.UpDownUserMaxTemp, 45);
    EXPECT_EQ(minimum.Position(), 40);
    EXPECT_EQ(maximum.Position(), 45);
    EXPECT_EQ(Get<QLabel>("LabelTempRange")->text(), "40..45C");
    // Turned round and still too narrow: widened as any narrow range.
    type(minimum, "-59");
    type(maximum, "-60");
    EXPECT_EQ(Get<QLabel>("LabelTempRange")->text(), "-61..-59C");

    Select("SST");
    type(*Get<TqelUpDown>("UpDownUserMaxSST"), "10");
    type(*Get<TqelUpDown>("UpDownUserMinSST"), "20");
    EXPECT_EQ(core->View.Options.UpDownUserMinSST, 10);
    EXPECT_EQ(core->View.Options.UpDownUserMaxSST, 20);
    EXPECT_EQ(Get<QLabel>("LabelSSTRange")->text(), "10..20C");
}

}  // namespace
}  // namespace kestrune

namespace kestrune {
namespace {

// In every view, at the default font: each control shown is as large as its
// caption needs, lies within the panel and overlaps no other control.
TEST_F(SidePanelTest, EveryCaptionReadsWhole) {
    QWidget* area = Get("PanelView");
    core->View.Options.CheckBoxUserRange = true;
    for (std::string_view view : ViewNames) {
        Select(view);
        EXPECT_EQ(testing::ClippedControls(*panel), std::vector<std::string>{}) << view;
        std::vector<QWidget*> shown;
        for (QWidget* control : area->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (control->isVisibleTo(panel.get())) shown.push_back(control);
        for (size_t k = 0; k < shown.size(); ++k) {
            const std::string name = shown[k]->objectName().toStdString();
            EXPECT_TRUE(area->rect().contains(shown[k]->geometry())) << view << ": " << name;
            for (size_t other = k + 1; other < shown.size(); ++other) {
                EXPECT_FALSE(shown[k]->geometry().intersects(shown[other]->geometry()))
                    << view << ": " << name << " and " << shown[other]->objectName().toStdString();
            }
        }
    }
}

}  // namespace
}  // namespace kestrune
