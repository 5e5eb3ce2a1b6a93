// The program's window as a user starts it on one pass (on Qt's offscreen
// platform), ending as soon as the first picture of the pass has been
// painted: the window benchmark times this process from its start to its
// end. The question of the pass's direction is answered at once as its
// default button proposes, as a user would press Enter. Started as
//   window_first_picture <program folder> <pass file>
// with the program's data files in the program folder. Ends with 0 once the
// picture is painted, 1 when the window closes without one.
#include "app/DirectionForm.h"
#include "app/ImageDisplay.h"
#include "app/TalvessaForm.h"
#include "app/hh_funcs.h"
#include "localise/LocOnFly.h"
#include "platform/DialogService.h"
#include "platform/ProgramFolder.h"

#include <QApplication>
#include <QEvent>
#include <QPushButton>
#include <QTimer>

#include <cstdlib>
#include <iostream>

namespace {

// Presses the direction question's default button once it shows, and ends
// the process once the display's first paint with a picture is done.
class TFirstPicture : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (auto* question = dynamic_cast<kestrune::TFormPassDirection*>(watched);
            question && event->type() == QEvent::Show)
            QTimer::singleShot(0, question, [question] {
                for (QPushButton* button : question->findChildren<QPushButton*>())
                    if (button->isDefault()) button->click();
            });
        const auto* display = dynamic_cast<kestrune::TImageDisplay*>(watched);
        if (display && event->type() == QEvent::Paint && display->HasPicture())
            QTimer::singleShot(0, [] { std::_Exit(0); });
        return false;
    }
};

}  // namespace

int main(int argc, char* argv[]) {
    using namespace kestrune;
    if (argc != 3) {
        std::cerr << "usage: window_first_picture <program folder> <pass file>\n";
        return 2;
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    SetProgramFolderOverride(argv[1]);
    SetProgramNameOverride("kestrune");
    const TParams params{argv[2]};
    InitDebugMode(params);
    TDialogService::Instance().SetMode(TDialogService::Mode::Interactive);
    QApplication application(argc, argv);
    QApplication::setApplicationName("Morvane's Talvessa");
    TQLocalizerOnFly::Instance().InitLocalizer();
    TFormMain form(params, false);
    TFirstPicture firstPicture;
    application.installEventFilter(&firstPicture);
    form.show();
    QApplication::exec();
    return 1;
}
