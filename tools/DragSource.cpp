// A drag source for checking drops by hand or under Xvfb: a small window
// that starts dragging the files named on its command line (as a file
// manager offers them) as soon as a mouse button is pressed on it, through
// the program's own drag-and-drop layer.
#include "platform/OleBlocks.h"
#include "platform/OleDragDrop_qt.h"

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace kestrune::ole;

class TDragSourceWindow : public QLabel {
public:
    explicit TDragSourceWindow(std::vector<std::string> files) : files_(std::move(files)) {
        setWindowTitle("kestrune drag source");
        setText("Press here to drag the files");
        setMinimumSize(200, 120);
    }

protected:
    void mousePressEvent(QMouseEvent*) override {
        TMemoryDataObject files;
        files.SetBytes(CF_HDROP, WriteDropFiles(files_));
        uint32_t effect = DROPEFFECT_NONE;
        const HRESULT result = DoDragDrop(files, nullptr, DROPEFFECT_COPY | DROPEFFECT_MOVE, this, effect);
        std::printf("drag %s, effect %u\n", result == DRAGDROP_S_DROP ? "dropped" : "cancelled", effect);
        std::fflush(stdout);
    }

private:
    std::vector<std::string> files_;
};

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    std::vector<std::string> files;
    // Names are bytes: made absolute as they are, whatever characters they read as.
    for (int i = 1; i < argc; ++i) files.push_back(std::filesystem::absolute(argv[i]).string());
    if (files.empty()) {
        std::fprintf(stderr, "usage: drag_source FILE...\n");
        return 2;
    }
    TDragSourceWindow window(files);
    window.move(0, 0);
    window.show();
    return application.exec();
}
