// Thumbnail options and drawing: pictures scaled into the frame, icons
// centred for files without one, and no frame for a pen of style none.
#include "shell/UHyShellUtils.h"
#include "shell/UHyThumbnails.h"
#include "tests/platform/TempFolder.h"
#include "tests/support/QtTestFolder.h"

#include <QApplication>
#include <QPalette>
#include <gtest/gtest.h>

namespace kestrune::shell {
namespace {

class Thumbnails : public ::testing::Test {
protected:
    static void SetUpTestSuite() { testing::EnsureQtApplication(); }
    testing::TTempFolder temp;
    TItemIdList Item(const std::string& name) { return IdListFromPath("/" + name)->last(); }
};

TEST_F(Thumbnails, OptionsDefaultAndChange) {
    THyShellThumbnails options;
    int changes = 0;
    options.OnChange = [&] { ++changes; };
    EXPECT_EQ(options.Width(), 96);
    EXPECT_EQ(options.Height(), 96);
    options.SetWidth(0);
    options.SetShowApplicationOverlay(false);
    EXPECT_EQ(changes, 0);
    options.SetWidth(120);
    options.SetFramePen(QPen(Qt::NoPen));
    EXPECT_EQ(changes, 2);
    THyShellThumbnails copy;
    copy.Assign(options);
    EXPECT_EQ(copy.Width(), 120);
    EXPECT_EQ(copy.FramePen().style(), Qt::NoPen);
    EXPECT_EQ(CenteredOffset({10, 10}, QRect(0, 0, 25, 25)), QPoint(7, 7));
}

TEST_F(Thumbnails, PicturesIconsAndFrames) {
    QImage wide(200, 100, QImage::Format_RGB888);
    wide.fill(Qt::red);
    temp.Write("w/n19.hpt", "not a picture");
    ASSERT_TRUE(wide.save(QString::fromStdString(temp / "w/n19.thumb.png")));
    const auto folder = BindAbsolute(*IdListFromPath(temp / "w"));
    THyShellThumbnails options;
    options.SetFramePen(QPen(Qt::blue));
    const QColor base = QPalette().color(QPalette::Base);

    const QImage picture = DrawThumbnail(options, {96, 96}, *folder, Item("n19.thumb.png"), siFile);
    EXPECT_EQ(picture.pixelColor(0, 0), QColor(Qt::blue));
    EXPECT_EQ(picture.pixelColor(3, 3), QColor(Qt::red));   // 91 wide: drawn at (2, 2)
    EXPECT_EQ(picture.pixelColor(3, 60), base);

    const QImage icon = DrawThumbnail(options, {96, 96}, *folder, Item("n19.hpt"), siFile);
    EXPECT_EQ(icon.pixelColor(0, 0), QColor(Qt::blue));
    EXPECT_EQ(icon.pixelColor(10, 10), base);
    options.SetFramePen(QPen(Qt::NoPen));
    std::vector<QPixmap> list;
    EXPECT_EQ(AddThumbnail(options, list, *folder, Item("n19.hpt"), siFile), 0);
    EXPECT_EQ(list[0].toImage().pixelColor(0, 0), base);
    EXPECT_EQ(list[0].size(), QSize(96, 96));
}

}  // namespace
}  // namespace kestrune::shell
