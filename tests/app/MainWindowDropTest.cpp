// Files dropped on the main window, as a file manager drops them: Qt's drag
// events with the files' URLs sent to the shown window. One pass file opens;
// several files, a folder, other extensions and plain text open nothing and
// are refused, the reason told; a drop while a file is read is refused.
#include "app/TalvessaForm.h"

#include "decoding/PassFileTypes.h"
#include "shell/FHyOpenFileDlg.h"
#include "tests/app/AppTest.h"
#include "tests/app/DirectionAnswerer.h"
#include "tests/app/WidgetTestSupport.h"
#include "tests/support/LocaleFileNames.h"

#include <QAction>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QLabel>
#include <QMimeData>
#include <QTimer>
#include <QUrl>

#include <gtest/gtest.h>

namespace kestrune {
namespace {

using testing::Find;
using testing::WaitFor;
using testing::WhenModal;

// What the window answered to one drag: whether it took the drag on entering
// and the action of the drop (IgnoreAction for a refused one).
struct TDragAnswer {
    bool EnterAccepted = false;
    Qt::DropAction Dropped = Qt::IgnoreAction;
};

TDragAnswer DragOnto(QWidget& window, const QMimeData& data, Qt::KeyboardModifiers keys = Qt::NoModifier) {
    const QPoint at(window.width() / 2, window.height() / 2);
    const Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction;
    QDragEnterEvent enter(at, offered, &data, Qt::LeftButton, keys);
    QApplication::sendEvent(&window, &enter);
    QDragMoveEvent move(at, offered, &data, Qt::LeftButton, keys);
    QApplication::sendEvent(&window, &move);
    QDropEvent drop(QPointF(at), offered, &data, Qt::NoButton, keys);
    QApplication::sendEvent(&window, &drop);
    return {enter.isAccepted(), drop.isAccepted() ? drop.dropAction() : Qt::IgnoreAction};
}

QMimeData* FileUrls(const std::vector<std::string>& paths) {
    auto* data = new QMimeData;
    QList<QUrl> urls;
    for (const std::string& path : paths) urls << QUrl::fromLocalFile(QString::fromStdString(path));
    data->setUrls(urls);
    return data;
}

class MainWindowDropTest : public testing::TAppTest {
protected:
    std::unique_ptr<TFormMain> Show() {
        auto form = std::make_unique<TFormMain>(TParams{});
        form->show();
        WaitFor([&] { return !Timer(*form).isActive(); });
        return form;
    }
    static QTimer& Timer(TFormMain& form) { return *Find<QTimer>(form, "TimerNewFile"); }

    // An ESS pass under a name the window opens when it is dropped.
    std::string WriteDroppablePass(const std::string& name = "2023-05-03-1200.hpt") const {
        const std::string path = folder / ("data/" + name);
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        test::WriteFileBytes(path, test::BuildEssFile({}, 240));
        return path;
    }

    testing::TDirectionAnswerer directionAnswerer;
};

TEST_F(MainWindowDropTest, ADroppedPassFileOpensThroughTheDeferredOpen) {
    auto form = Show();
    const std::string pass = WriteDroppablePass();
    std::unique_ptr<QMimeData> data(FileUrls({pass}));
    const TDragAnswer answer = DragOnto(*form, *data);
    EXPECT_TRUE(answer.EnterAccepted);
    EXPECT_EQ(answer.Dropped, Qt::CopyAction);  // the only effect the window allows, whatever the keys
    EXPECT_EQ(form->Core().PendingFileName, pass);
    EXPECT_FALSE(form->Core().PassLoaded());  // the drop itself opens nothing
    ASSERT_TRUE(WaitFor([&] { return form->Core().PassLoaded(); }));
    EXPECT_EQ(form->Core().LoadedFilePath, pass);
    EXPECT_EQ(DragOnto(*form, *data, Qt::ShiftModifier | Qt::ControlModifier).Dropped, Qt::CopyAction);
}

// A pass in a folder named in the locale's bytes, dropped as a file manager
// drops it (its URL escaping those bytes), opens itself, not the pass in the
// folder of the name's UTF-8 spelling.
TEST_F(MainWindowDropTest, APassNamedInTheLocalesBytesOpensItself) {
    auto form = Show();
    for (const auto& name : testing::LocaleFileNames()) {
        const testing::TLocaleEnvironment locale(name.Locale);
        const std::string pass = WriteDroppablePass(name.Stem + "/2023-05-03-1200.hpt");
        WriteDroppablePass(name.Utf8Spelling + "/2023-05-03-1200.hpt");
        auto data = std::make_unique<QMimeData>();
        data->setUrls({QUrl::fromEncoded("file://" + QByteArray::fromStdString(pass).toPercentEncoding("/"))});
        EXPECT_EQ(DragOnto(*form, *data).Dropped, Qt::CopyAction) << name.Locale;
        EXPECT_EQ(form->Core().PendingFileName, pass) << name.Locale;
        ASSERT_TRUE(WaitFor([&] { return form->Core().PassLoaded() && form->Core().LoadedFilePath == pass; })) << name.Locale;
    }
}

TEST_F(MainWindowDropTest, SeveralFilesOtherExtensionsAndTextOpenNothing) {
    auto form = Show();
    const std::string pass = WriteDroppablePass();
    const std::string other = WriteDroppablePass("2023-05-03-1200.jpg");
    struct TCase {
        const char* What;
        std::unique_ptr<QMimeData> Data;
        bool Taken;
        std::string Told;
    };
    auto text = std::make_unique<QMimeData>();
    text->setText(QString::fromStdString(pass));
    auto web = std::make_unique<QMimeData>();
    web->setUrls({QUrl("https://example.org/2023-05-03-1200.hpt")});
    // Another machine's file at the path of a local pass is no local file.
    auto remote = std::make_unique<QMimeData>();
    remote->setUrls({QUrl("file://otherhost" + QString::fromStdString(pass))});
    std::vector<std::string> day;
    for (int minute = 0; minute < 200; ++minute) day.push_back(pass);
    TCase cases[] = {
        {"two pass files", std::unique_ptr<QMimeData>(FileUrls({pass, pass})), false,
         "2 files are not opened by a drop: one pass file is opened at a time"},
        {"200 files", std::unique_ptr<QMimeData>(FileUrls(day)), false,
         "200 files are not opened by a drop: one pass file is opened at a time"},
        {"a folder", std::unique_ptr<QMimeData>(FileUrls({folder / "data"})), false,
         "\"" + folder / "data" + "\" is a folder, not a pass file: it is not opened by a drop"},
        {"a .jpg file", std::unique_ptr<QMimeData>(FileUrls({other})), false,
         "\"" + other + "\" is not opened by a drop: it is not named as a pass file is (" + PassFileMasks(true) + ")"},
        {"a missing file", std::unique_ptr<QMimeData>(FileUrls({pass + ".gone.hpt"})), false,
         "The pass file \"" + pass + ".gone.hpt\" does not exist: it is not opened by a drop"},
        {"plain text naming a pass", std::move(text), false, ""},
        {"a web address", std::move(web), false, ""},
        {"a file of another machine", std::move(remote), false, ""},
    };
    // Each refused from the start (the source is told nothing was copied),
    // the status line telling why.
    for (TCase& c : cases) {
        form->SetStatusText("");
        const TDragAnswer answer = DragOnto(*form, *c.Data);
        EXPECT_EQ(answer.EnterAccepted, c.Taken) << c.What;
        EXPECT_EQ(answer.Dropped, Qt::IgnoreAction) << c.What;
        EXPECT_FALSE(Timer(*form).isActive()) << c.What;
        EXPECT_EQ(Find<QLabel>(*form, "LabelProgress")->text().toStdString(), c.Told) << c.What;
    }
    EXPECT_FALSE(form->Core().PassLoaded());
}

// The Open dialog's first filter shows every kind of file the program reads,
// packed or not, and each of them opens when it is dropped.
TEST_F(MainWindowDropTest, EveryKindTheOpenDialogShowsOpensWhenDropped) {
    auto form = Show();
    QString filter;
    WhenModal<shell::THyOpenFileForm>([&](shell::THyOpenFileForm& dialog) {
        filter = dialog.NameFilters().value(0);
        dialog.reject();
    });
    Find<QAction>(*form, "MenuOpen")->trigger();
    // The dialog matches the masks of the filter's last parentheses, which blanks part.
    const QString matched = " " + filter.mid(filter.lastIndexOf('(') + 1).chopped(1) + " ";
    EXPECT_TRUE(filter.endsWith(')')) << filter.toStdString();
    EXPECT_FALSE(matched.contains(',')) << filter.toStdString();
    const std::pair<const char*, const char*> kinds[] = {
        {"24001_18.svw", "*.svw"},                   {"24001_18.SVW.gz", "*.SVW.GZ"},
        {"230503_1200_noaa18.wsd", "*.wsd"},         {"230503_1200_noaa18.wsd.gz", "*.wsd.gz"},
        {"pass.rhd", "*.rhd"},                       {"pass.mn1", "*.mn1"},
        {"2023-05-03-1200-NOAA18.hpt", "*.HPT"},     {"NSS.GHRR.NN.D23181.S2359.E0001.B1234567.GC", "*.GC"},
        {"2023-05-03-1200-NOAA15.raw16.gz", "*.raw16.gz"}};
    for (const auto& [name, mask] : kinds) {
        EXPECT_TRUE(filter.contains(QString(" ") + mask + " ")) << name << " in " << filter.toStdString();
        EXPECT_TRUE(matched.contains(QString(" ") + mask + " ")) << name << " in " << filter.toStdString();
        const std::string pass = WriteDroppablePass(name);
        std::unique_ptr<QMimeData> data(FileUrls({pass}));
        EXPECT_EQ(DragOnto(*form, *data).Dropped, Qt::CopyAction) << name;
        EXPECT_EQ(form->Core().PendingFileName, pass) << name;
        WaitFor([&] { return !Timer(*form).isActive(); });
    }
}

TEST_F(MainWindowDropTest, ADropWhileAFileIsReadIsRefused) {
    auto form = Show();
    std::unique_ptr<QMimeData> data(FileUrls({WriteDroppablePass()}));
    form->Core().Pass.Loading = true;
    const TDragAnswer answer = DragOnto(*form, *data);
    form->Core().Pass.Loading = false;
    EXPECT_FALSE(answer.EnterAccepted);
    EXPECT_EQ(answer.Dropped, Qt::IgnoreAction);
    EXPECT_TRUE(form->Core().PendingFileName.empty());
    EXPECT_FALSE(Timer(*form).isActive());
}

TEST_F(MainWindowDropTest, TheWindowTakesDropsFromItsFirstShowingOn) {
    auto form = std::make_unique<TFormMain>(TParams{});
    EXPECT_FALSE(form->acceptDrops());
    form->show();
    EXPECT_TRUE(form->acceptDrops());
    form->hide();
    form->show();  // shown again: still one registration
    std::unique_ptr<QMimeData> data(FileUrls({WriteDroppablePass()}));
    EXPECT_EQ(DragOnto(*form, *data).Dropped, Qt::CopyAction);
}

}  // namespace
}  // namespace kestrune
