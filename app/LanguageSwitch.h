// The window side of switching language: the Language menu, the errors met
// at the start, and the open windows set again after a switch (FormTranslation.h).
#pragma once

#include <cstdint>
#include <functional>

class QMainWindow;
class QMenu;

namespace kestrune {

class TQLocalizerOnFly;

// Starts the switcher, before any window exists; the errors it meets wait
// for ReportLocalizerErrors.
void StartLocalizer();
// Shows the errors met at the start once the main window is shown and can
// own them: a "Localizer Error" box, or in an unattended run a line on
// standard error. Later calls have nothing more to tell.
void ReportLocalizerErrors();

// Puts the Language menu before the Help menu, makes the switcher
// re-translate the open windows, and shows the window in the language in
// effect. changing runs before a switch, changed after it.
void AttachLanguageSwitch(QMainWindow& window, std::function<void()> changing, std::function<void()> changed);
// The window goes: the switcher no longer calls it.
void DetachLanguageSwitch();
// One radio item per language; choosing one switches to it.
void CreateLanguageMenu(QMenu& parent, TQLocalizerOnFly& localizer);
// Qt's own texts (standard buttons, file dialogs, context menus) from Qt's
// catalogue of the language; none for English or where Qt has no catalogue
// of it (false).
bool LoadQtCatalogue(uint16_t languageId);
// Every open window and data module, then the Language menus' checks.
void TranslateOpenForms(const TQLocalizerOnFly& localizer);

}  // namespace kestrune
