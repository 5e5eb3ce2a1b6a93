// The window side of switching language: the Language menu, and the texts of
// open windows set again from the dictionary, finding components by their
// dotted names and properties through Qt's meta-object system.
#pragma once

#include <functional>
#include <string>
#include <string_view>

class QMainWindow;
class QMenu;
class QObject;
class QString;
class QWidget;

namespace kestrune {

class TQLocalizerOnFly;

// Starts the switcher, before any window exists; the errors it meets wait
// for ReportLocalizerErrors.
void StartLocalizer();
// Shows the errors met at the start once the main window can own them: a
// "Localizer Error" box, or in an unattended run a line on standard error.
void ReportLocalizerErrors();

// Puts the Language menu before the Help menu, makes the switcher
// re-translate the open windows, and shows the window in the language in
// effect. changing runs before a switch, changed after it.
void AttachLanguageSwitch(QMainWindow& window, std::function<void()> changing, std::function<void()> changed);
// The window goes: the switcher no longer calls it.
void DetachLanguageSwitch();
// One radio item per language; choosing one switches to it.
void CreateLanguageMenu(QMenu& parent, TQLocalizerOnFly& localizer);
// Every open window, then the Language menus' checks.
void TranslateOpenForms(const TQLocalizerOnFly& localizer);
// A window's texts from its class's node ("TFormMain": "FormMain") and its ancestors'.
void TranslateFormObject(QWidget& form, const TQLocalizerOnFly& localizer);
// Sets "Caption", "Hint", "Items" or a Qt property by its name; path parts
// after the first reach into class-typed properties. False when there is no such property.
bool SetPropertyValue(QObject& object, std::string_view path, const QString& value);
// The object a dotted component path names; the part that names no component is left in remaining.
QObject* FindSubObject(QObject& root, std::string_view path, std::string& remaining);

}  // namespace kestrune
