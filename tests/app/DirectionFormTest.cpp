#include "app/DirectionForm.h"

#include "app/PersistingControls.h"
#include "tests/app/WidgetTestSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QPushButton>

#include <gtest/gtest.h>

namespace kestrune {
namespace {

using testing::Find;
using testing::WhenModal;

TPassDirectionRequest Request(const std::string& fileName, bool northbound) {
    TPassDirectionRequest request;
    request.Caption = "Confirm 10-bit HRPT NOAA-18 pass x direction";
    request.HintText = "header line";
    request.FileName = "/data/" + fileName;
    request.FileDate = EncodeDate(2023, 5, 3) + EncodeTime(12, 30, 0, 0);
    request.Northbound = northbound;
    for (int channel = 1; channel <= 5; ++channel) request.ChannelEnabled[static_cast<size_t>(channel)] = true;
    return request;
}

TPassDirectionAnswer AskWith(TFormPassDirection& form, const TPassDirectionRequest& request,
                             std::function<void(TFormPassDirection&)> user) {
    WhenModal<TFormPassDirection>(std::move(user));
    return form.Ask(request, ProposePassDirection(request, EncodeDate(2023, 6, 1)), false);
}

TEST(DirectionFormTest, TheUserChoosesDirectionAndChannels) {
    TFormPassDirection form(nullptr);
    const auto answer = AskWith(form, Request("pass.hpt", true), [](TFormPassDirection& shown) {
        EXPECT_EQ(shown.windowTitle(), "Confirm 10-bit HRPT NOAA-18 pass x direction");
        EXPECT_EQ(Find<QLabel>(shown, "LabelFilename")->text(), "pass.hpt");
        EXPECT_EQ(Find<QLabel>(shown, "LabelFilename")->toolTip(), "/data/pass.hpt");
        EXPECT_TRUE(Find<QPushButton>(shown, "ButtonNorth")->isDefault());
        EXPECT_FALSE(Find<QCheckBox>(shown, "CheckBox6")->isEnabled());
        EXPECT_FALSE(Find<QLabel>(shown, "LabelStdName")->isVisible());
        Find<QPushButton>(shown, "ButtonCh45")->click();
        EXPECT_FALSE(Find<QCheckBox>(shown, "CheckBox1")->isChecked());
        // The last ticked channel cannot be unticked.
        Find<QCheckBox>(shown, "CheckBox4")->click();
        Find<QCheckBox>(shown, "CheckBox5")->click();
        EXPECT_TRUE(Find<QCheckBox>(shown, "CheckBox5")->isChecked());
        Find<QPushButton>(shown, "ButtonSouth")->click();
    });
    EXPECT_FALSE(answer.Cancelled);
    EXPECT_FALSE(answer.Northbound);
    TChannelFlags expected{};
    expected[5] = true;
    EXPECT_EQ(answer.ChannelChosen, expected);
}

TEST(DirectionFormTest, SatelliteYearDateAndGacPassAreAskedAsRequested) {
    TFormPassDirection form(nullptr);
    auto request = Request("N18_pass.hpt", true);
    request.SatellitePreset = "NOAA-15";
    request.DateMode = TDateMode::Year;
    request.ShowGacPass = true;
    request.StdName = "2023-05-03-1230-noaa18";
    auto answer = AskWith(form, request, [](TFormPassDirection& shown) {
        auto* satellites = Find<QComboBox>(shown, "ComboBoxSat");
        EXPECT_TRUE(satellites->isVisible());
        EXPECT_EQ(satellites->currentText(), "NOAA-18");
        auto* years = Find<QComboBox>(shown, "ComboBoxYear");
        EXPECT_TRUE(years->isVisible());
        EXPECT_EQ(years->itemText(0), "2023");
        EXPECT_EQ(years->itemText(years->count() - 1), "1980");
        EXPECT_EQ(years->currentText(), "2023");
        EXPECT_FALSE(Find<QDateEdit>(shown, "DatePicker")->isVisible());
        EXPECT_TRUE(Find<QLabel>(shown, "LabelStdName")->isVisible());
        years->setCurrentIndex(3);
        emit years->activated(3);
        satellites->setCurrentText("METOP-B");
        emit satellites->activated(satellites->currentIndex());
        Find<TqelRadioGroup>(shown, "RadioGroupGacPass")->Button(2)->click();
        Find<QPushButton>(shown, "ButtonNorth")->click();
    });
    EXPECT_EQ(answer.PassYear, 2020);
    EXPECT_EQ(answer.SatelliteText, "METOP-B");
    EXPECT_EQ(answer.GacPass, 2);

    request = Request("20230417_pass.hpt", true);
    request.SatelliteText = "NOAA 19";
    request.DateMode = TDateMode::Date;
    answer = AskWith(form, request, [](TFormPassDirection& shown) {
        EXPECT_FALSE(Find<QComboBox>(shown, "ComboBoxSat")->isVisible());
        EXPECT_TRUE(Find<QDateEdit>(shown, "DatePicker")->isVisible());
        Find<QPushButton>(shown, "ButtonNorth")->click();
    });
    EXPECT_EQ(answer.PassDate, EncodeDate(2023, 4, 17));
    EXPECT_EQ(answer.SatelliteText, "NOAA 19");
    EXPECT_EQ(answer.GacPass, 0);
}

}  // namespace
}  // namespace kestrune
