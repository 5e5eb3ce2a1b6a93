#include "app/FireDetectionForm.h"

#include "tests/app/AppTest.h"
#include "app/PersistingControls.h"
#include "platform/DialogService.h"
#include "platform/ProgramFolder.h"
#include "tests/app/WidgetTestSupport.h"
#include "tests/platform/TempFolder.h"

#include <QColorDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

#include <gtest/gtest.h>

namespace kestrune {
namespace {

using testing::Find;
using testing::WhenModal;

class FireDetectionFormTest : public testing::TAppTest {
protected:
};

TEST_F(FireDetectionFormTest, OkAnswersRetryAndTheValuesPersistThroughTheStore) {
    {
        TFireSettingsStore store;
        TFormFireDetectionControl form(nullptr, store.Values);
        WhenModal<TFormFireDetectionControl>([](TFormFireDetectionControl& shown) {
            Find<QLineEdit>(shown, "EditFireThresholdT")->setText("320");
            Find<TqelCheckBox>(shown, "CheckBoxFireUseAvg")->click();
            auto* method = Find<TqelComboBox>(shown, "ComboBoxFireAvgMethod");
            method->setCurrentIndex(1);
            method->Change();
            WhenModal<QColorDialog>([](QColorDialog& dialog) {
                dialog.setCurrentColor(QColor(0x00, 0xFF, 0x00));
                dialog.accept();
            });
            Find<QPushButton>(shown, "ButtonFirePixelColourSet")->click();
            Find<QPushButton>(shown, "ButtonClose")->click();
        });
        EXPECT_EQ(form.exec(), mrRetry);
        EXPECT_EQ(store.Values.FireThresholdT, 320);
        EXPECT_TRUE(store.Values.FireUseAvg);
        EXPECT_TRUE(store.Values.FireUseMedian());
        EXPECT_EQ(store.Values.FirePixelColour, 0x00FF00u);
    }
    TFireSettingsStore next;
    EXPECT_EQ(next.Values.FireThresholdT, 320);
    EXPECT_TRUE(next.Values.FireUseAvg);
    EXPECT_EQ(next.Values.FireAvgMethod, 1);
    EXPECT_EQ(next.Values.FirePixelColour, 0x00FF00u);
}

TEST_F(FireDetectionFormTest, ShowingAgainShowsValuesChangedElsewhere) {
    TFireSettings settings;
    TFormFireDetectionControl form(nullptr, settings);
    settings.FireDeltaT = 25;
    settings.FireIncludeDeltaT = false;
    form.show();
    EXPECT_EQ(Find<TqelUpDown>(form, "UpDownFireDeltaT")->value(), 25);
    EXPECT_FALSE(Find<TqelCheckBox>(form, "CheckBoxFireIncludeDeltaT")->isChecked());
    form.hide();
}

}  // namespace
}  // namespace kestrune
