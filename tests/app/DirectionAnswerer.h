// Answers every pass-direction question with its default (north) while it
// lives, for window tests that open passes which ask.
#pragma once

#include "app/DirectionForm.h"
#include "tests/app/WidgetTestSupport.h"

#include <QPushButton>
#include <QTimer>

namespace kestrune::testing {

class TDirectionAnswerer {
public:
    TDirectionAnswerer() {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, [] {
            auto* dialog = dynamic_cast<TFormPassDirection*>(QApplication::activeModalWidget());
            if (dialog != nullptr) Find<QPushButton>(*dialog, "ButtonNorth")->click();
        });
        timer_.start();
    }

private:
    QTimer timer_;
};

}  // namespace kestrune::testing
