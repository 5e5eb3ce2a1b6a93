// Makes a small archive of dated folders (passes with previews) in a work
// folder, opens the pass browser on one day with one pass chosen, and saves
// a picture of it as PNG (tools/browser-screenshot runs it under Xvfb); with
// a second picture named, also one of the folder-browse dialog over the archive;
// with a third, the question a permanent delete (Shift+Delete) of a day asks,
// answered with Esc (the day is still there afterwards); with a fourth, the
// question a paste onto a name in use asks, answered with Esc (nothing copied).
//
//   browser_screenshot WORK-FOLDER OUTPUT.png [FOLDER-DIALOG.png [DELETE-QUESTION.png [CLASH-QUESTION.png]]]
#include "app/AvhrrBrowserForm.h"
#include "app/MessageBoxes.h"
#include "platform/ResCodePages.h"
#include "shell/FHyFolderBrowseDlg.h"
#include "shell/UHyShellControls.h"
#include "shell/UHyShellModels.h"
#include "shell/UHyShellTransfer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QKeyEvent>
#include <QTimer>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

namespace {

namespace fs = std::filesystem;

// A preview of a pass: bands of cloud over a dark sea, different for each seed.
QImage Preview(int seed) {
    QImage image(900, 240, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const double cloud = std::sin(x * 0.013 + seed) * std::cos(y * 0.021 - seed * 0.7) +
                                 0.5 * std::sin((x + y) * 0.045 + seed * 1.3);
            const int grey = std::clamp(static_cast<int>(70 + 110 * cloud), 20, 245);
            image.setPixel(x, y, qRgb(grey / 2 + 10, grey / 2 + 30, grey / 2 + 60 + grey / 3));
        }
    return image;
}

void MakeArchive(const fs::path& base) {
    const char* days[] = {"2023/05/02", "2023/05/03", "2023/05/04"};
    const char* passes[] = {"noaa18_1200", "noaa19_1342", "metopb_0915", "noaa15_1731"};
    int seed = 0;
    for (const char* day : days) {
        fs::create_directories(base / day);
        for (const char* pass : passes) {
            std::ofstream(base / day / (std::string(pass) + ".hpt")) << std::string(4096 * (1 + seed % 3), 'x');
            Preview(seed++).save(QString::fromStdString((base / day / (std::string(pass) + ".thumb.jpg")).string()), "JPEG");
        }
    }
}

void Settle(int ms) {
    QElapsedTimer elapsed;
    elapsed.start();
    while (elapsed.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

// The folder-browse dialog started on folder, as the results folder is chosen.
bool ShootFolderDialog(const std::string& folder, const char* output) {
    using namespace kestrune;
    shell::THyFolderBrowseDlg dialog;
    dialog.SetFolderPath(Utf8ToUtf16(folder));
    dialog.SetText(u"Folder for the saved images:");
    bool saved = false;
    QTimer::singleShot(800, [&] {
        if (QWidget* window = QApplication::activeModalWidget()) {
            saved = window->grab().save(output);
            window->close();
        }
    });
    dialog.Execute();
    if (!saved) std::fprintf(stderr, "cannot write %s\n", output);
    return saved;
}

// The picture of the box that action asks, left with Esc.
bool ShootQuestion(const char* output, const std::function<void()>& action) {
    using namespace kestrune;
    TDialogService::Instance().SetMode(TDialogService::Mode::Interactive);
    TDialogService::Instance().SetInteractiveHandler(ShowMessageBox);
    bool saved = false;
    QTimer::singleShot(800, [&] {
        if (QWidget* box = QApplication::activeModalWidget()) {
            saved = box->grab().save(output);
            QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QCoreApplication::sendEvent(box, &escape);
        }
    });
    action();
    if (!saved) std::fprintf(stderr, "cannot write %s\n", output);
    return saved;
}

// The question of a delete past the trash of a day folder, left with Esc.
bool ShootDeleteQuestion(const fs::path& day, const char* output) {
    using namespace kestrune;
    const bool saved = ShootQuestion(output, [&] {
        shell::ItemsContextMenu({*IdListFromPath(day.string())})->InvokeCommand({"delete", 0, true, false});
    });
    if (!fs::exists(day)) std::fprintf(stderr, "the day was deleted although Esc was pressed\n");
    return saved && fs::exists(day);
}

// The question a paste of three passes onto a day that holds the middle one
// asks, left with Esc (nothing is copied).
bool ShootClashQuestion(const fs::path& from, const fs::path& to, const char* output) {
    using namespace kestrune;
    const char* passes[] = {"noaa18_1200.hpt", "noaa19_1342.hpt", "metopb_0915.hpt"};
    std::vector<TItemIdList> items;
    for (const char* pass : passes) items.push_back(*IdListFromPath((from / pass).string()));
    fs::remove(to / passes[0]);
    fs::remove(to / passes[2]);
    shell::ItemsContextMenu(items)->InvokeCommand({"copy"});
    const bool saved = ShootQuestion(output, [&] { shell::ItemsContextMenu({*IdListFromPath(to.string())})->InvokeCommand({"paste"}); });
    if (fs::exists(to / passes[0])) std::fprintf(stderr, "a pass was copied although Esc was pressed\n");
    return saved && !fs::exists(to / passes[0]);
}

}  // namespace

int main(int argc, char** argv) {
    using namespace kestrune;
    if (argc < 3 || argc > 6) {
        std::fprintf(stderr,
                     "usage: browser_screenshot WORK-FOLDER OUTPUT.png [FOLDER-DIALOG.png [DELETE-QUESTION.png [CLASH-QUESTION.png]]]\n");
        return 2;
    }
    QApplication app(argc, argv);
    // Deep enough that the tree shows the archive's own folders rather than the work folder's neighbours.
    const fs::path base = fs::path(argv[1]) / "station" / "EARS archive";
    MakeArchive(base);
    TFormBrowseAVHRR form(nullptr);
    form.show();
    Settle(300);
    form.HyShellTreeBrowse->SetSelectedPath(Utf8ToUtf16((base / "2023/05/03").string()));
    form.HyShellTreeBrowseClick();
    form.HyShellTreeBrowse->RunPendingTimerWork();
    Settle(300);
    auto& list = *form.HyShellListBrowse;
    for (int row = 0; row < list.ItemCount(); ++row)
        if (Utf16ToUtf8(list.ItemData(row)->DisplayName()) == "noaa19_1342.thumb.jpg") list.setCurrentIndex(list.Model().index(row, 0));
    Settle(500);
    if (!form.grab().save(argv[2])) {
        std::fprintf(stderr, "cannot write %s\n", argv[2]);
        return 1;
    }
    if (argc >= 4 && !ShootFolderDialog((base / "2023/05").string(), argv[3])) return 1;
    if (argc >= 5 && !ShootDeleteQuestion(base / "2023/05/02", argv[4])) return 1;
    return argc == 6 && !ShootClashQuestion(base / "2023/05/02", base / "2023/05/04", argv[5]) ? 1 : 0;
}
