#include "app/DirectionForm.h"

#include "app/PersistingControls.h"
#include "platform/ProgramStrings.h"
#include "tests/app/WidgetTestSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFontMetrics>
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
        EXPECT_EQ(Find<QLabel>(shown, "LabelTimestamp")->text(), "05/03/23 12:30:00") << "the locale's date and time";
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

// The caption names the format, the satellite and the file: the window is wide
// enough for its title bar to show it whole (in the bold face title bars use).
TEST(DirectionFormTest, TheWindowIsAsWideAsItsCaption) {
    TFormPassDirection form(nullptr);
    TPassDirectionRequest request = Request("NOAA18_20230503_1230_HRPT_Dundee.hpt", true);
    request.Caption = "Confirm 16-bit HRPT NOAA-18 pass NOAA18_20230503_1230_HRPT_Dundee.hpt direction";
    int width = 0;
    int captionWidth = 0;
    AskWith(form, request, [&](TFormPassDirection& shown) {
        QFont title = shown.font();
        title.setBold(true);
        captionWidth = QFontMetrics(title).horizontalAdvance(shown.windowTitle());
        width = shown.width();
        shown.reject();
    });
    // Beside the caption, the title bar's icon and three buttons.
    EXPECT_GE(width, captionWidth + 4 * 16) << "caption " << captionWidth;
}

// A pass whose satellite is not known yet leaves no gap in the caption, in either language's wording.
TEST(DirectionFormTest, AnEmptySatelliteLeavesNoGapInTheCaption) {
    const std::string satellite;
    EXPECT_EQ(TidyCaption(FormatRes("Confirm %s %s pass %s direction", {"HRPT", satellite, "N19_1200.HPT"})),
              "Confirm HRPT pass N19_1200.HPT direction");
    EXPECT_EQ(TidyCaption(FormatRes("%s-\u00DCberflug %s, %s: Richtung best\u00E4tigen",
                                    {"HRPT", satellite, "N19_1200.HPT"})),
              "HRPT-\u00DCberflug, N19_1200.HPT: Richtung best\u00E4tigen");
    EXPECT_EQ(TidyCaption("Confirm 10-bit HRPT NOAA-18 pass x direction"),
              "Confirm 10-bit HRPT NOAA-18 pass x direction");
    EXPECT_EQ(TidyCaption("  Confirm  ,  "), "Confirm,");

    TFormPassDirection form(nullptr);
    TPassDirectionRequest request = Request("pass.hpt", true);
    request.Caption = FormatRes("Confirm %s %s pass %s direction", {"HRPT", satellite, "pass.hpt"});
    AskWith(form, request, [](TFormPassDirection& shown) {
        EXPECT_EQ(shown.windowTitle(), "Confirm HRPT pass pass.hpt direction");
        shown.reject();
    });
}

// A satellite the list does not hold is shown as proposed, and the answer
// carries what was shown; the next question has the list as it was made.
TEST(DirectionFormTest, ASatelliteOutsideTheListIsShownAndAnswered) {
    TFormPassDirection form(nullptr);
    for (const auto& [file, satellite] : {std::pair{"FY3A_20230503_1200.n10", "FY3A"}, {"noaa11_1991.hpt", "NOAA-11"},
                                          {"N18_pass.hpt", "NOAA-18"}}) {
        SCOPED_TRACE(file);
        const auto answer = AskWith(form, Request(file, true), [&](TFormPassDirection& shown) {
            const auto* list = Find<QComboBox>(shown, "ComboBoxSat");
            EXPECT_TRUE(list->isVisible());
            EXPECT_EQ(list->currentText().toStdString(), satellite);
            EXPECT_EQ(list->count(), std::string(satellite) == "NOAA-18" ? 14 : 15);
            Find<QPushButton>(shown, "ButtonNorth")->click();
        });
        EXPECT_EQ(answer.SatelliteText, satellite);
    }
}

// A name that names no satellite: the window proposes what an unattended run
// takes, the satellite the frames name once read, and says why.
TEST(DirectionFormTest, ASatelliteNothingNamesIsLeftToTheFramesAsUnattended) {
    TFormPassDirection form(nullptr);
    TPassDirectionRequest request = Request("passa.hpt", true);
    request.DateMode = TDateMode::Year;
    const TPassDirectionProposal proposal = ProposePassDirection(request, EncodeDate(2023, 6, 1));
    WhenModal<TFormPassDirection>([](TFormPassDirection& shown) {
        EXPECT_EQ(Find<QComboBox>(shown, "ComboBoxSat")->currentText().toStdString(), resStr(res::SFramesSatelliteItem));
        const std::string reason = Find<QLabel>(shown, "LabelReason")->text().toStdString();
        EXPECT_NE(reason.find(resStr(res::SProposedFramesSatellite)), std::string::npos) << reason;
        EXPECT_NE(reason.find("dated by the file's date (2023-05-03)"), std::string::npos) << reason;
        Find<QPushButton>(shown, "ButtonNorth")->click();
    });
    const TPassDirectionAnswer answer = form.Ask(request, proposal, false);
    EXPECT_EQ(answer.SatelliteText, DefaultPassDirectionAnswer(request, proposal).SatelliteText);
    EXPECT_EQ(answer.SatelliteText, "");
    EXPECT_EQ(answer.PassYear, 2023);
    // Picked again after another, the first item still leaves the satellite to the frames.
    WhenModal<TFormPassDirection>([](TFormPassDirection& shown) {
        auto* list = Find<QComboBox>(shown, "ComboBoxSat");
        for (const int item : {list->findText("NOAA-19"), 0}) {
            list->setCurrentIndex(item);
            emit list->activated(item);
        }
        Find<QPushButton>(shown, "ButtonNorth")->click();
    });
    EXPECT_EQ(form.Ask(request, proposal, false).SatelliteText, "");
}

// The reason shown is what decided: the frames looked at, a name's date that does not exist, the orbit's direction.
TEST(DirectionFormTest, TheProposalIsShownWithWhatDecidedIt) {
    TFormPassDirection form(nullptr);
    TPassDirectionRequest framed = Request("passa.hpt", true);
    framed.SatellitePreset = "NOAA-18";
    framed.PresetRule = TIdentityRule::Frames;
    TPassDirectionRequest noLeapDay = Request("2023-02-29-1200-NOAA18.drt", true);
    noLeapDay.DateMode = TDateMode::Year;
    TPassDirectionRequest byOrbit = Request("passa.hpt", false);
    byOrbit.DirectionReason = "Southbound, as the element set of NOAA-18 moves it at 2023-05-03 12:00";
    const std::pair<TPassDirectionRequest, const char*> cases[] = {
        {framed, "NOAA-18, as the frames looked at give it"},
        {noLeapDay, "The name holds the date 2023-02-29, which does not exist: its date is not used\n"
                    "The pass is dated by the file's date (2023-05-03)"},
        {byOrbit, "Southbound, as the element set of NOAA-18 moves it at 2023-05-03 12:00"},
    };
    for (const auto& [request, told] : cases) {
        SCOPED_TRACE(request.FileName);
        AskWith(form, request, [told](TFormPassDirection& shown) {
            const std::string reason = Find<QLabel>(shown, "LabelReason")->text().toStdString();
            EXPECT_NE(reason.find(told), std::string::npos) << reason;
            shown.reject();
        });
    }
}

}  // namespace
}  // namespace kestrune
