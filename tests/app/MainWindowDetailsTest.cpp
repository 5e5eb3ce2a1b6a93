// The main window's smaller promises: its boxes carry the program's title
// with its version, the French keyboard's nudge key, the residuals item for
// whoever runs the program under a debugger, the Open dialog offering the
// file last opened however it was named, and a listing too long for a
// message box kept on the screen.
#include "app/TalvessaForm.h"

#include "app/HistogramForm.h"
#include "app/MainMenus.h"
#include "app/MessageBoxes.h"
#include "app/ShellOpen.h"
#include "app/SmallForms.h"
#include "shell/FHyOpenFileDlg.h"
#include "tests/app/AppTest.h"
#include "tests/app/DirectionAnswerer.h"
#include "tests/app/WidgetTestSupport.h"

#include <QAction>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdlib>

namespace kestrune {
namespace {

using testing::Find;
using testing::WaitFor;
using testing::WhenModal;

class MainWindowDetailsTest : public testing::TAppTest {
protected:
    std::unique_ptr<TFormMain> Show(TParams params = {}) {
        auto form = std::make_unique<TFormMain>(std::move(params));
        form->show();
        WaitFor([&] { return !Find<QTimer>(*form, "TimerNewFile")->isActive(); });
        return form;
    }

    // The name the Open dialog offers, the dialog cancelled.
    static std::string OfferedName(TFormMain& form) {
        std::string offered;
        WhenModal<shell::THyOpenFileForm>([&offered](shell::THyOpenFileForm& dialog) {
            offered = dialog.SelectedFile();
            dialog.reject();
        });
        Find<QAction>(form, "MenuOpen")->trigger();
        return offered;
    }

    testing::TDirectionAnswerer directionAnswerer;
};

// The boxes of a user at the screen, shown as the window shows them.
class TInteractiveBoxes {
public:
    TInteractiveBoxes() {
        TDialogService::Instance().SetMode(TDialogService::Mode::Interactive);
        TDialogService::Instance().SetInteractiveHandler(ShowMessageBox);
    }
    ~TInteractiveBoxes() {
        TDialogService::Instance().SetInteractiveHandler(nullptr);
        TDialogService::Instance().SetMode(TDialogService::Mode::Scripted);
    }
};

// Nothing to nudge and nothing to save before a pass is shown: the overlay's
// buttons come with the pass's picture, the text saves with the other results.
TEST_F(MainWindowDetailsTest, OverlayButtonsAndTextSavesWaitForAPass) {
    const std::vector<const char*> overlayButtons{"BitBtnOverlay", "BitBtnCentre", "BitBtnLeft", "BitBtnRight",
                                                  "BitBtnUp", "BitBtnDown"};
    const std::vector<const char*> textSaves{"MenuSaveAsText", "MenuSaveAsTextwT5", "MenuSaveAsTextwT5delta"};
    auto form = Show();
    for (const char* name : overlayButtons) EXPECT_FALSE(Find<QWidget>(*form, name)->isVisible()) << name;
    for (const char* name : textSaves) EXPECT_FALSE(Find<QAction>(*form, name)->isEnabled()) << name;
    // The overlay's key (Ctrl+G) toggles the overlay, not its buttons.
    Find<QAction>(*form, "ActionToggleGrid")->trigger();
    for (const char* name : overlayButtons) EXPECT_FALSE(Find<QWidget>(*form, name)->isVisible()) << name;

    form->Core().LoadDataFile(WritePass());
    ASSERT_TRUE(form->Core().PassLoaded());
    WaitFor([&] { return Find<QWidget>(*form, "BitBtnOverlay")->isVisible(); });
    for (const char* name : overlayButtons) EXPECT_TRUE(Find<QWidget>(*form, name)->isVisible()) << name;
    for (const char* name : textSaves) EXPECT_TRUE(Find<QAction>(*form, name)->isEnabled()) << name;
}

// An open line-by-line window shows the pass just loaded, not the one before.
TEST_F(MainWindowDetailsTest, AnOpenLineByLineWindowFollowsTheLoadedPass) {
    auto form = Show({WritePass("230503_1200_noaa18.wsd")});
    ASSERT_TRUE(form->Core().PassLoaded());
    Find<QAction>(*form, "MenuLineByLine")->trigger();
    auto* memo = Find<QPlainTextEdit>(*form, "MemoDecode");
    ASSERT_TRUE(memo->isVisible());
    const QString first = memo->toPlainText();
    ASSERT_TRUE(first.contains("230503_1200_noaa18.wsd")) << first.left(400).toStdString();

    test::THrptPassSpec later;
    later.DayOfYear = 124;
    later.StartMilliseconds = 9 * 3600000LL + 15 * 60000LL;
    form->Core().LoadDataFile(WritePass("230504_0915_noaa18.wsd", later));
    ASSERT_TRUE(form->Core().PassLoaded());
    QStringList expected;
    for (const std::string& line : form->Core().Pass.DiagnosticLines) expected << QString::fromStdString(line);
    EXPECT_EQ(memo->toPlainText(), expected.join('\n'));
    EXPECT_NE(memo->toPlainText(), first);
}

TEST_F(MainWindowDetailsTest, BoxesCarryTheProgramsTitleWithItsVersion) {
    auto form = Show();
    const TInteractiveBoxes boxes;
    QString caption;
    const QWidget* owner = nullptr;
    // Over the main window also while no window of the program is the active one (at the start).
    {
        QWidget other;
        other.show();
        other.activateWindow();
        QCoreApplication::processEvents();
    }
    ASSERT_EQ(QApplication::activeWindow(), nullptr);
    WhenModal<QMessageBox>([&caption, &owner](QMessageBox& box) {
        caption = box.windowTitle();
        owner = box.parentWidget();
        box.accept();
    });
    TDialogService::Instance().ShowMessage("Saved");
    EXPECT_EQ(caption.toStdString(), "Talvessa from Morvane, Kelbourne  - V1.0.0");
    EXPECT_EQ(owner, form.get());
}

// A question with answers of its own shows them as buttons, the default one
// first in line for Enter, with its check box; the answer names the button
// and whether the box was ticked; Esc cancels.
TEST_F(MainWindowDetailsTest, AQuestionWithItsOwnAnswersShowsThemAndTheCheckBox) {
    const TInteractiveBoxes boxes;
    TDialogRequest question("\"N19_1342.hpt\" is already in /archive/2021/05/04.", "Name already in use",
                            TMsgDlgType::mtConfirmation, mbCancel, ChoiceAnswer(1));
    question.choices = {"&Replace", "&Skip", "&Keep both"};
    question.checkBox = "Do the same for the &other names in use";
    QStringList shown;
    QString byDefault;
    WhenModal<QMessageBox>([&](QMessageBox& box) {
        for (QAbstractButton* button : box.buttons()) shown.append(button->text());
        byDefault = box.defaultButton() ? box.defaultButton()->text() : QString();
        box.checkBox()->setChecked(true);
        for (QAbstractButton* button : box.buttons())
            if (button->text() == "&Keep both") button->click();
    });
    EXPECT_EQ(TDialogService::Instance().Ask(question), ChoiceAnswer(2, true));
    shown.sort();
    EXPECT_EQ(shown, (QStringList{"&Keep both", "&Replace", "&Skip", "Cancel"}));
    EXPECT_EQ(byDefault, "&Skip");
    WhenModal<QMessageBox>([](QMessageBox& box) {
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QCoreApplication::sendEvent(&box, &escape);
    });
    EXPECT_EQ(TDialogService::Instance().Ask(question), mrCancel);
}

// The nudge key of "page left" sits where A is on a French keyboard.
TEST_F(MainWindowDetailsTest, FrenchLocalesMovePageLeftToCtrlQ) {
    const char* kept = std::getenv("LC_ALL");
    const std::string restore = kept != nullptr ? kept : "";
    for (const auto& [locale, key] : std::vector<std::pair<const char*, const char*>>{
             {"fr_BE.UTF-8", "Ctrl+Q"}, {"fr_CH", "Ctrl+Q"}, {"fr_FR.UTF-8", "Ctrl+Q"}, {"fr_MC.UTF-8", "Ctrl+A"},
             {"en_GB.UTF-8", "Ctrl+A"}, {"de_DE.UTF-8", "Ctrl+A"}}) {
        setenv("LC_ALL", locale, 1);
        auto form = Show();
        EXPECT_EQ(Find<QAction>(*form, "ActionPageLeft")->shortcut().toString().toStdString(), key) << locale;
        EXPECT_EQ(Find<QAction>(*form, "ActionPageRight")->shortcut().toString().toStdString(), "Ctrl+F") << locale;
    }
    setenv("LC_ALL", restore.c_str(), 1);
}

// The About box and the support forum: the version information compiled in, and the map data's sources.
TEST_F(MainWindowDetailsTest, AboutShowsTheWholeVersionAndTheMapDataWithItsLicences) {
    auto form = Show();
    // A desktop with a browser for web addresses.
    folder.Write("config/mimeapps.list", "[Default Applications]\nx-scheme-handler/http=firefox-esr.desktop\n");
    std::vector<std::string> opened;
    SetShellStarter([&opened](const QUrl& url) {
        opened.push_back(url.toString().toStdString());
        return true;
    });
    WhenModal<TFormAboutBox>([](TFormAboutBox& about) {
        EXPECT_EQ(about.windowTitle(), "About Talvessa");
        EXPECT_GE(about.width(), about.fontMetrics().horizontalAdvance(about.windowTitle()) + 100)
            << "room for the title";
        const auto text = [&about](const char* label) { return Find<QLabel>(about, label)->text().toStdString(); };
        EXPECT_EQ(text("ProductName"), "Talvessa");
        EXPECT_NE(text("Version").find(", V1.0.0, calibrated, geolocated images"), std::string::npos) << text("Version");
        EXPECT_EQ(text("Copyright"), "Copyright \u00A9 2026 Morvane, Kelbourne");
        EXPECT_EQ(text("Comments"), "Talvessa is a trademark of Morvane, Kelbourne");
        EXPECT_EQ(text("WebSite"), "www.morvane.example/talvessa/");
        for (const char* named : {"GSHHG", "Wessel", "Lesser General Public License", "World Data Bank II",
                                  "public domain", "Visible Earth", "Scientific Colour Maps", "MIT", "NOTICES.txt"})
            EXPECT_NE(text("LabelMapData").find(named), std::string::npos) << named;
        about.WebSiteClick();
        about.accept();
    });
    Find<QAction>(*form, "HelpAbout")->trigger();
    Find<QAction>(*form, "HelpSupport")->trigger();
    SetShellStarter(nullptr);
    EXPECT_EQ(opened, (std::vector<std::string>{"http://www.morvane.example/talvessa/",
                                                "http://www.morvane.example/talvessa/forum/"}));
}

TEST_F(MainWindowDetailsTest, TheResidualsItemShowsUnderADebugger) {
    const auto status = [](const std::string& tracer) {
        return "Name:\tkestrune\nState:\tS (sleeping)\nTracerPid:\t" + tracer + "\nUid:\t1000\n";
    };
    EXPECT_TRUE(DebuggerAttached(folder.Write("traced", status("4711"))));
    EXPECT_FALSE(DebuggerAttached(folder.Write("free", status("0"))));
    EXPECT_FALSE(DebuggerAttached(folder.Write("old", "Name:\tkestrune\n")));
    EXPECT_FALSE(DebuggerAttached(folder / "missing"));
    auto form = Show();
    EXPECT_EQ(Find<QAction>(*form, "ViewResiduals")->isVisible(), DebuggerAttached());
}

// "Open the file again ... you should find the file name already loaded."
TEST_F(MainWindowDetailsTest, TheOpenDialogOffersTheFileLastOpenedHoweverNamed) {
    const std::string first = WritePass("230503_1200_noaa18.wsd");
    const std::string second = folder / "data/2023-05-04-1147.hpt";
    test::WriteFileBytes(second, test::BuildEssFile({}, 240));
    auto form = Show({first});
    ASSERT_TRUE(form->Core().PassLoaded());
    EXPECT_EQ(OfferedName(*form), first) << "opened from the command line";

    ASSERT_TRUE(form->Core().DropFileTargetDrop({second}));
    Find<QTimer>(*form, "TimerNewFile")->start();
    ASSERT_TRUE(WaitFor([&] { return form->Core().Pass.LoadedFileName == "2023-05-04-1147"; }));
    EXPECT_EQ(OfferedName(*form), second) << "dropped";

    QAction* entry = nullptr;
    for (QAction* item : Find<QMenu>(*form, "MenuFileReopen")->actions())
        if (item->text().endsWith(QString::fromStdString(first))) entry = item;
    ASSERT_NE(entry, nullptr);
    entry->trigger();
    EXPECT_EQ(form->Core().Pass.LoadedFileName, "230503_1200_noaa18");
    EXPECT_EQ(OfferedName(*form), first) << "picked from the recent files";
}

TEST_F(MainWindowDetailsTest, ABinListingTooLongForAMessageBoxStaysOnTheScreen) {
    auto form = Show({WritePass()});
    ASSERT_TRUE(form->Core().PassLoaded());
    const TInteractiveBoxes boxes;
    QRect shown;
    QString listing;
    WhenModal<TFormHistogram>([&](TFormHistogram& histograms) {
        WhenModal<QDialog>([&](QDialog& box) {
            shown = box.frameGeometry();
            listing = Find<QPlainTextEdit>(box, "MessageText")->toPlainText();
            Find<QDialogButtonBox>(box, "")->button(QDialogButtonBox::Ok)->click();
        });
        QWidget& channel = *Find<QWidget>(histograms, "PaintBox4");
        QMouseEvent click(QEvent::MouseButtonPress, QPointF(5, 5), channel.mapToGlobal(QPointF(5, 5)), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&channel, &click);
        histograms.reject();
    });
    Find<QAction>(*form, "MenuViewHistograms")->trigger();
    ASSERT_FALSE(listing.isEmpty()) << "the listing was shown";
    EXPECT_EQ(listing.count('\n'), 35) << "35 lines of 30 bins, each ended";
    EXPECT_TRUE(listing.startsWith("   0 "));
    EXPECT_TRUE(QGuiApplication::primaryScreen()->availableGeometry().contains(shown))
        << QGuiApplication::primaryScreen()->availableGeometry().height() << " "
        << shown.x() << "," << shown.y() << " " << shown.width() << "x" << shown.height();
}

}  // namespace
}  // namespace kestrune
