#include "app/AvhrrBrowser.h"
#include "app/AvhrrBrowserForm.h"
#include "app/MainCore.h"
#include "app/PersistingControls.h"
#include "app/TalvessaForm.h"
#include "platform/DialogService.h"
#include "platform/Registry.h"
#include "platform/ResCodePages.h"
#include "shell/UHyShellControls.h"
#include "shell/UHyShellModels.h"
#include "tests/app/AppTest.h"
#include "tests/app/DirectionAnswerer.h"
#include "tests/app/WidgetTestSupport.h"

#include <QAction>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolButton>

#include <cmath>
#include <filesystem>

namespace kestrune {
namespace {

using testing::WaitFor;
using testing::WhenModal;

constexpr char PassStem[] = "230503_1200_noaa18";

// The archive a station keeps: day folders across a year end and a month
// end and today's, one pass with its preview on New Year's Day; the sibling
// program's registry value points at it.
class BrowseFromMainWindowTest : public testing::TAppTest {
protected:
    void SetUp() override {
        TAppTest::SetUp();
        TDialogService::Instance().SetMode(TDialogService::Mode::Unattended);
        base = folder / "data/archive/";
        for (const char* day : {"2023/12/31/", "2024/01/01/", "2024/01/31/", "2024/02/01/"})
            std::filesystem::create_directories(base + day);
        today = DatedFolderPath(base, std::floor(NowUtc()));
        std::filesystem::create_directories(today);
        WritePass("archive/2024/01/01/" + std::string(PassStem) + ".hpt");
        QImage preview(640, 120, QImage::Format_RGB32);
        preview.fill(Qt::darkBlue);
        preview.save(QString::fromStdString(base + "2024/01/01/" + PassStem + ".thumb.jpg"), "JPEG");
        TRegistry registry;
        registry.OpenKey("\\Software\\Morvane\\Pelmarch", true);
        registry.WriteString("CombinedPath", base);
        std::filesystem::create_directories(folder / "data/global/");
        registry.OpenKey("\\Software\\Morvane\\Dravoni-P", true);
        registry.WriteString("GlobalProcessedPath", folder / "data/global/");
    }
    void TearDown() override {
        TDialogService::Instance().SetMode(TDialogService::Mode::Scripted);
        TAppTest::TearDown();
    }

    // Opens the browser from the menu item; act runs in it while it is up.
    static void Browse(TFormMain& form, const std::function<void(TFormBrowseAVHRR&)>& act,
                       const char* item = "MenuFileBrowseAvhrr") {
        bool ran = false;
        WhenModal<TFormBrowseAVHRR>([&](TFormBrowseAVHRR& browser) {
            ran = true;
            act(browser);
            // Whatever the test left open is closed as cancelled.
            if (browser.isVisible()) browser.ButtonCancel->click();
        });
        form.findChild<QAction*>(item)->trigger();
        EXPECT_TRUE(ran);
    }

    static std::string Shown(TFormBrowseAVHRR& browser) {
        return IncludeTrailingPathDelimiter(Utf16ToUtf8(browser.HyShellTreeBrowse->GetSelectedPath()));
    }

    // The user picks a day folder in the tree.
    void PickFolder(TFormBrowseAVHRR& browser, const std::string& day) const {
        browser.HyShellTreeBrowse->SetSelectedPath(Utf8ToUtf16(base + day));
        browser.HyShellTreeBrowseClick();
    }

    // The user clicks the row of that name in the list.
    static void ClickRow(TFormBrowseAVHRR& browser, const std::string& name) {
        auto& list = *browser.HyShellListBrowse;
        for (int row = 0; row < list.ItemCount(); ++row) {
            if (Utf16ToUtf8(list.ItemData(row)->DisplayName()) != name) continue;
            const QPoint at = list.visualRect(list.Model().index(row, 0)).center();
            for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
                QMouseEvent event(type, at, list.viewport()->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                                  Qt::NoModifier);
                QCoreApplication::sendEvent(list.viewport(), &event);
            }
            return;
        }
        ADD_FAILURE() << name << " is not in the list";
    }

    std::string base;
    std::string today;
};

TEST_F(BrowseFromMainWindowTest, DaysPreviewOkAndCancelAndTheFolderKeptForTheNextRun) {
    const testing::TDirectionAnswerer directionAnswerer;
    {
        TFormMain form({});
        form.show();
        Browse(form, [&](TFormBrowseAVHRR& browser) {
            // The first showing opens the sibling program's archive; it is no day folder.
            EXPECT_EQ(Shown(browser), base);
            EXPECT_FALSE(browser.BitBtnYesterday->isEnabled());
            browser.ButtonToday->click();
            EXPECT_EQ(Shown(browser), today);
            EXPECT_TRUE(browser.BitBtnTomorrow->isEnabled());
            // Across the year end and back, then across a month end.
            PickFolder(browser, "2023/12/31/");
            browser.BitBtnTomorrow->click();
            EXPECT_EQ(Shown(browser), base + "2024/01/01/");
            browser.BitBtnYesterday->click();
            EXPECT_EQ(Shown(browser), base + "2023/12/31/");
            PickFolder(browser, "2024/01/31/");
            browser.BitBtnTomorrow->click();
            EXPECT_EQ(Shown(browser), base + "2024/02/01/");
            // The preview of a pass shows; Cancel then loads nothing.
            browser.BitBtnYesterday->click();
            PickFolder(browser, "2024/01/01/");
            ClickRow(browser, std::string(PassStem) + ".thumb.jpg");
            EXPECT_EQ(browser.LabelThumbnailImage->text().toStdString(), std::string("From:  ") + PassStem);
            ASSERT_FALSE(browser.ImageThumbnail->pixmap().isNull());
            EXPECT_EQ(browser.ImageThumbnail->pixmap().width(), 640);
            // A preview wider than its box opens at its middle.
            EXPECT_GT(browser.ScrollBoxThumbnail->horizontalScrollBar()->value(), 0);
            EXPECT_TRUE(browser.ButtonOpen->isEnabled());
            browser.ButtonCancel->click();
        });
        EXPECT_TRUE(form.Core().Pass.LoadedFileName.empty());
        // Enter closes the window as cancelled too (Cancel is its default button).
        Browse(form, [&](TFormBrowseAVHRR& browser) {
            EXPECT_EQ(Shown(browser), base + "2024/01/01/");
            ClickRow(browser, std::string(PassStem) + ".thumb.jpg");
            QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
            QCoreApplication::sendEvent(browser.HyShellListBrowse, &enter);
            EXPECT_FALSE(browser.isVisible());
            EXPECT_EQ(browser.result(), QDialog::Rejected);
        });
        EXPECT_TRUE(form.Core().Pass.LoadedFileName.empty());
        Browse(form, [&](TFormBrowseAVHRR& browser) {
            ClickRow(browser, std::string(PassStem) + ".thumb.jpg");
            browser.ButtonOpen->click();
            EXPECT_EQ(browser.result(), QDialog::Accepted);
        });
        // The loader keeps the pass's name without folder and extension.
        EXPECT_TRUE(WaitFor([&] { return form.Core().Pass.LoadedFileName == PassStem; }, 30000));
        Browse(form, [&](TFormBrowseAVHRR& browser) { browser.ButtonToday->click(); });
    }
    // The next run opens where the last one left, and Today still knows the archive.
    TFormMain form({});
    form.show();
    Browse(form, [&](TFormBrowseAVHRR& browser) {
        EXPECT_EQ(Shown(browser), today);
        EXPECT_TRUE(browser.BitBtnYesterday->isEnabled());
        PickFolder(browser, "2024/01/01/");
        browser.ButtonToday->click();
        EXPECT_EQ(Shown(browser), today);
    });
    // The global MetOp archive has its own caption and folders.
    Browse(
        form,
        [&](TFormBrowseAVHRR& browser) {
            EXPECT_EQ(browser.windowTitle(), "Talvessa - browse for Global Metop files");
            EXPECT_EQ(Shown(browser), folder / "data/global/");
            browser.ButtonToday->click();  // no day folder of today there: nothing happens
            EXPECT_EQ(Shown(browser), folder / "data/global/");
        },
        "MenuFileBrowseGlobalMetOp");
}

}  // namespace
}  // namespace kestrune
