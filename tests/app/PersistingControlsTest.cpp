#include "app/PersistingControls.h"

#include "tests/app/AppTest.h"
#include "platform/ProgramFolder.h"
#include "platform/Registry.h"
#include "render/Canvas.h"
#include "tests/app/WidgetTestSupport.h"
#include "tests/platform/TempFolder.h"

#include <QColorDialog>
#include <QLineEdit>

#include <gtest/gtest.h>

namespace kestrune {
namespace {

const std::vector<std::string_view> ThreeItems{"None", "Crispen", "More"};

class PersistingControlsTest : public testing::TAppTest {
protected:

    static TRegistry Key() {
        TRegistry registry;
        registry.OpenKey(ProgramRegistryKey(), true);
        return registry;
    }

    QWidget form;
};

// One lifetime of a small form: its controls are made with their design
// values, loaded, changed by change, and freed with the form.
struct TSmallForm {
    explicit TSmallForm(QWidget& parent)
        : check(new TqelCheckBox("Show", &parent)),
          combo(new TqelComboBox({"Average", "Median"}, &parent)),
          radio(new TqelRadioGroup(" Crispen ", ThreeItems, 3, &parent)),
          upDown(new TqelUpDown(-90, 50, &parent)),
          colour("ColorDialogSeaColour") {
        check->setObjectName("CheckBoxShowFire");
        check->NamedAs = "ShowFire";
        combo->setObjectName("ComboFireMethod");
        radio->setObjectName("RadioGroupCrispenFC");
        radio->NamedAs = "CrispenFalseColour";
        upDown->setObjectName("UpDownUserMinTemp");
        upDown->NamedAs = "UserMinTemp";
        upDown->SetPosition(-60);
        colour.NamedAs = "SeaColour";
        colour.SetColor(16736352);
        check->OnClick = [this] { ++clicks; };
        radio->OnClick = [this] { ++clicks; };
        upDown->OnClick = [this] { ++clicks; };
        combo->OnChange = [this] { ++clicks; };
        check->Loaded();
        combo->Loaded();
        radio->Loaded();
        upDown->Loaded();
        colour.Loaded();
    }
    TqelCheckBox* check;
    TqelComboBox* combo;
    TqelRadioGroup* radio;
    TqelUpDown* upDown;
    TqelColorDialog colour;
    int clicks = 0;
};

TEST_F(PersistingControlsTest, ValuesOutliveTheFormUnderTheirNames) {
    {
        auto* parent = new QWidget;
        TSmallForm first(*parent);
        EXPECT_EQ(first.clicks, 0);
        EXPECT_FALSE(first.check->Checked());
        EXPECT_EQ(first.radio->ItemIndex(), -1);
        EXPECT_EQ(first.upDown->Position(), -60);
        first.check->SetChecked(true);
        first.combo->setCurrentIndex(1);
        first.combo->Change();
        first.radio->Button(2)->click();
        first.upDown->setValue(-12);
        EXPECT_EQ(first.clicks, 4);
        EXPECT_EQ(first.radio->ItemIndex(), 2);
        delete parent;
    }
    TRegistry registry = Key();
    EXPECT_EQ(registry.ReadInteger("ShowFire"), 1);
    EXPECT_EQ(registry.ReadInteger("ComboFireMethod"), 1);
    EXPECT_EQ(registry.ReadInteger("CrispenFalseColour"), 2);
    EXPECT_EQ(registry.ReadInteger("UserMinTemp"), -12);
    EXPECT_EQ(registry.ReadInteger("SeaColour"), 16736352);

    // The next start applies the stored values and runs no handler doing so.
    TSmallForm second(form);
    EXPECT_EQ(second.clicks, 0);
    EXPECT_TRUE(second.check->Checked());
    EXPECT_TRUE(second.check->isChecked());
    EXPECT_EQ(second.combo->ItemIndex(), 1);
    EXPECT_EQ(second.combo->currentText(), "Median");
    EXPECT_EQ(second.radio->ItemIndex(), 2);
    EXPECT_TRUE(second.radio->Button(2)->isChecked());
    EXPECT_EQ(second.upDown->Position(), -12);
    EXPECT_EQ(second.upDown->text(), "-12");
}

TEST_F(PersistingControlsTest, BoundControlsShowAndChangeTheirField) {
    bool showAsh = true;
    int channel = 3;
    int reject = -5;
    int gamma = 2;
    auto* check = new TqelCheckBox("Ash", &form);
    auto* radio = new TqelRadioGroup(" Red ", {"1", "2", "3", "4", "5"}, 5, &form);
    auto* upDown = new TqelUpDown(-5, 20, &form);
    auto* combo = new TqelComboBox({"Gamma 0.6", "Gamma 0.8", "Gamma 1.0"}, &form);
    check->Bind(showAsh);
    radio->Bind(channel);
    upDown->Bind(reject);
    combo->Bind(gamma);
    EXPECT_TRUE(check->isChecked());
    EXPECT_TRUE(radio->Button(3)->isChecked());
    EXPECT_EQ(upDown->value(), -5);
    EXPECT_EQ(combo->currentText(), "Gamma 1.0");

    check->click();
    radio->Button(0)->click();
    upDown->Edit()->setText("7");
    EXPECT_EQ(reject, -5);  // typing counts once the edit is done with
    upDown->interpretText();
    combo->setCurrentIndex(0);
    combo->Change();
    EXPECT_FALSE(showAsh);
    EXPECT_EQ(channel, 0);
    EXPECT_EQ(reject, 7);
    EXPECT_EQ(gamma, 0);

    // Code changes the fields; the controls show them once refreshed, without handlers.
    int clicks = 0;
    radio->OnClick = [&] { ++clicks; };
    channel = 4;
    reject = 99;
    radio->Refresh();
    upDown->Refresh();
    EXPECT_TRUE(radio->Button(4)->isChecked());
    EXPECT_EQ(reject, 20);
    EXPECT_EQ(clicks, 0);
    radio->SetItemIndex(1);
    EXPECT_EQ(clicks, 1);
    radio->SetItemIndex(1);
    EXPECT_EQ(clicks, 1);
}

}  // namespace
}  // namespace kestrune
