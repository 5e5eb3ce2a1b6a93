// Setting the texts of open windows again from the dictionary after a
// language switch: each window by the nodes of its classes (the most basic
// first), the widgets of classes of our own inside it by theirs, data modules
// by theirs, components found by their dotted names and properties through
// Qt's meta-object system, with the hooks a program may add.
#pragma once

#include <QFont>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

class QAction;
class QObject;
class QString;
class QWidget;

namespace kestrune {

class TQLocalizerOnFly;
struct TLFInfo;

// What a program may add to re-translation.
struct TTranslateHooks {
    // Sets a property the general rules do not know; true when it did.
    std::function<bool(QObject& object, std::string_view path, const QString& value)> OnTranslateProperty;
    // The index-th item of a collection property that is no grid column or page; null when there is none.
    std::function<QObject*(QObject& object, std::string_view name, int index)> OnGetSubObject;
    std::function<QObject*(QObject& object, std::string_view name, int index)> OnFindSubObject;
    // Every window, widget of our own and data module, before its texts are set.
    std::function<void(QObject& component)> OnTranslateComponent;
    // Every item of the Language menu as it is made; skip leaves it out.
    std::function<void(const TLFInfo& language, QAction& item, bool& skip)> OnLanguageMenuItem;
};
TTranslateHooks& TranslateHooks();

// A non-visual holder of texts (actions, models) translated like a window while it lives.
void AddDataModule(QObject& module);
void TranslateDataModules(const TQLocalizerOnFly& localizer);

// Sets the window's texts unless they are in the language in effect already.
void TranslateWindow(QWidget& window, const TQLocalizerOnFly& localizer);
// The texts of a window or data module: first the widgets of our own classes
// inside it by their classes' nodes, then its own classes' nodes ("TFormMain": "FormMain").
void TranslateFormObject(QObject& form, const TQLocalizerOnFly& localizer);
// Sets "Caption", "Hint", "Items", "Strings", a page of a tab widget ("Pages",
// "Pages.PageN") or a Qt property by its name; path parts after the first
// reach into object-typed properties. False when there is no such property.
bool SetPropertyValue(QObject& object, std::string_view path, const QString& value);
// The object a dotted component path names (a child, else an object-typed
// property); the part that names no component is left in remaining.
QObject* FindSubObject(QObject& root, std::string_view path, std::string& remaining);

// A font that shows the language's script: itself when its family has it,
// else with a family that has it to fall back on.
QFont FontForLanguage(const QFont& font, uint16_t language);
// The application's shared fonts (of windows, menus and hints) take the language's script.
void SetScreenFontsForLanguage(uint16_t language);

}  // namespace kestrune
