#include "app/MouseTools.h"

#include "tests/app/AppTest.h"
#include "app/HeadlessMainHost.h"
#include "app/ImageDisplay.h"
#include "app/MainCore.h"
#include "decoding/HRPTvideo.h"
#include "orbit/EarthLocations.h"
#include "platform/DialogService.h"
#include "platform/ProgramFolder.h"
#include "tests/app/WidgetTestSupport.h"
#include "tests/platform/TempFolder.h"
#include "tests/support/PassFileWriter.h"

#include <QLabel>
#include <QMouseEvent>
#include <QRegularExpression>
#include <QToolButton>

#include <gtest/gtest.h>

#include <filesystem>

namespace kestrune {
namespace {

class MouseToolsTest : public testing::TAppTest {
protected:
    void SetUp() override {
        TAppTest::SetUp();
        const std::string path = WritePass();
        core = std::make_unique<TMainCore>(host, TParams{});
        core->FormShow();
        core->LoadDataFile(path);
        ASSERT_TRUE(core->PassLoaded());
        core->SelectView("Ch 4");
        display.SetPicture(ToImage(core->View.DisplayBitmap()));
        display.resize(display.PictureWidth(), display.PictureHeight());
        tools.OneToOne = [this] { return oneToOne; };
        tools.Attach(*core);
        TDialogService::Instance().ClearScript();
    }

    void Mouse(QEvent::Type type, QPoint at, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, QPointF(at), display.mapToGlobal(QPointF(at)), button,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(Qt::LeftButton),
                          modifiers);
        QApplication::sendEvent(&display, &event);
    }
    void Drag(QPoint from, QPoint to) {
        Mouse(QEvent::MouseButtonPress, from);
        Mouse(QEvent::MouseMove, to);
        Mouse(QEvent::MouseButtonRelease, to);
    }

    // What the read-out must show at a picture pixel.
    std::string Expected(int x, int y, bool ctrl = false) {
        TCursorState cursor;
        ReadCursorValues(core->Pass, core->View.ViewIndex(), x, y, cursor);
        cursor.CursorCtrlHeld = ctrl;
        std::string text = CursorReadoutText(cursor, core->View.ViewIndex(), core->Settings.MetricUnits->Value);
        std::replace(text.begin(), text.end(), '\r', '\n');
        return text;
    }

    THeadlessMainHost host;
    std::unique_ptr<TMainCore> core;
    TImageDisplay display{nullptr};
    QLabel labelCursor;
    QWidget toolArea;
    TMouseTools tools{display, labelCursor, toolArea};
    bool oneToOne = true;
};

TEST_F(MouseToolsTest, TheReadOutShowsWhereAndWhatIsUnderTheMouse) {
    Mouse(QEvent::MouseMove, {424, 120});
    const QString text = labelCursor.text();
    EXPECT_EQ(text.toStdString(), Expected(424, 120));
    EXPECT_TRUE(text.contains("K"));
    EXPECT_TRUE(text.contains("UTC"));
    EXPECT_TRUE(text.contains(QRegularExpression("[NS]  \\d")));
    Mouse(QEvent::MouseMove, {424, 120}, Qt::ControlModifier);
    EXPECT_TRUE(labelCursor.text().contains("sat.zen: "));
    EXPECT_EQ(labelCursor.text().toStdString(), Expected(424, 120, true));
}

TEST_F(MouseToolsTest, TheRulerShowsRangeAndBearingWhileDragging) {
    ASSERT_TRUE(core->Pass.EarthLocations->MapFitted);
    tools.MouseTool = ToolRuler;
    Mouse(QEvent::MouseButtonPress, {200, 50});
    EXPECT_TRUE(tools.Cursor.Dragging);
    Mouse(QEvent::MouseMove, {900, 200});
    EXPECT_EQ(display.Band(), TImageDisplay::TBand::Line);
    EXPECT_TRUE(labelCursor.text().contains(QRegularExpression("Range \\d+ km at \\d+")));
    const int before = host.DisplayChanges;
    Mouse(QEvent::MouseButtonRelease, {900, 200});
    EXPECT_EQ(display.Band(), TImageDisplay::TBand::None);
    EXPECT_EQ(host.DisplayChanges, before);
}

}  // namespace
}  // namespace kestrune
