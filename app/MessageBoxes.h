// The boxes of the dialog service while somebody is at the screen: the
// program's message boxes and questions, captioned with the application's
// title unless they name their own. A text too long for the screen (a
// listing of numbers) is shown in a box that fits it, in a fixed-pitch font
// with a scroll bar, so that its buttons stay on the screen.
#pragma once

#include "platform/DialogService.h"

#include <string>

namespace kestrune {

// The caption of boxes that name none ("Talvessa" until set).
void SetApplicationTitle(const std::string& title);
const std::string& ApplicationTitle();

// The interactive handler of the dialog service.
TModalResult ShowMessageBox(const TDialogRequest& request);

}  // namespace kestrune
