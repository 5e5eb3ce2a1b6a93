#include "app/LanguageSwitch.h"

#include "app/FormTranslation.h"
#include "localise/LocOnFly.h"
#include "localise/QLocales.h"
#include "platform/DialogService.h"
#include "platform/ProgramStrings.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QEvent>
#include <QLibraryInfo>
#include <QLocale>
#include <QMainWindow>
#include <QMenuBar>
#include <QMenu>
#include <QPointer>
#include <QTranslator>
#include <QWidget>

#include <utility>
#include <vector>

namespace kestrune {

namespace {

constexpr const char* LanguageProperty = "kestruneLanguageId";
constexpr uint16_t EnglishLanguage = 9;

// Windows made after a switch (dialogs opened on demand) take the language in effect when they are first shown.
class TLanguageWatcher : public QObject {
public:
    TLanguageWatcher(QObject* parent, const TQLocalizerOnFly& localizer) : QObject(parent), localizer_(localizer) {}

protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        if (event->type() == QEvent::Show)
            if (auto* widget = qobject_cast<QWidget*>(object); widget && widget->isWindow()) TranslateWindow(*widget, localizer_);
        return false;
    }

private:
    const TQLocalizerOnFly& localizer_;
};

// The Language menus' items: the language in effect checked, the captions in its terms.
void CheckLanguageItems(const TQLocalizerOnFly& localizer) {
    const bool nativeShown = localizer.CurrentLanguage == localizer.GetNativeLanguage();
    for (QWidget* window : QApplication::topLevelWidgets())
        for (QAction* item : window->findChildren<QAction*>()) {
            const QVariant id = item->property(LanguageProperty);
            const int index = id.isValid() ? localizer.IndexOf(static_cast<uint16_t>(id.toInt())) : -1;
            if (index < 0) continue;
            item->setChecked(id.toInt() == localizer.CurrentLanguage);
            item->setText(QString::fromStdString(LanguageCaption(localizer.Languages[static_cast<size_t>(index)], nativeShown)));
        }
}

}  // namespace

bool LoadQtCatalogue(uint16_t languageId) {
    static QPointer<QTranslator> catalogue;
    if (catalogue) QCoreApplication::removeTranslator(catalogue);
    else catalogue = new QTranslator(QCoreApplication::instance());
    // Qt's texts are English as written.
    if (PrimaryLanguage(languageId) == PrimaryLanguage(EnglishLanguage)) return false;
    try {
        const QLocale locale(QString::fromStdString(LocaleTag(languageId)));
        return catalogue->load(locale, "qtbase", "_", QLibraryInfo::path(QLibraryInfo::TranslationsPath)) &&
               QCoreApplication::installTranslator(catalogue);
    } catch (const ELocalesError&) {
        return false;  // a language the locale table does not know has no catalogue either
    }
}

void TranslateOpenForms(const TQLocalizerOnFly& localizer) {
    // First, so that the event below sets Qt's own texts of the open windows again too.
    LoadQtCatalogue(localizer.CurrentLanguage);
    if (localizer.SetFontCharsets) SetScreenFontsForLanguage(localizer.CurrentLanguage);
    for (QWidget* window : QApplication::topLevelWidgets()) TranslateWindow(*window, localizer);
    TranslateDataModules(localizer);
    // Texts that windows make themselves (read-outs with numbers) are made again where they are set;
    // a window passes the event on to its children.
    for (QWidget* window : QApplication::topLevelWidgets()) {
        QEvent change(QEvent::LanguageChange);
        QCoreApplication::sendEvent(window, &change);
    }
    CheckLanguageItems(localizer);
}

void CreateLanguageMenu(QMenu& parent, TQLocalizerOnFly& localizer) {
    auto* group = new QActionGroup(&parent);
    for (const TLFInfo& language : localizer.Languages) {
        QAction* item = parent.addAction(QString());
        item->setObjectName(QString::fromStdString("MenuLanguage" + LanguageCaption(language, true)));
        item->setCheckable(true);
        item->setActionGroup(group);
        item->setProperty(LanguageProperty, language.LanguageId);
        bool skip = false;
        if (TranslateHooks().OnLanguageMenuItem) TranslateHooks().OnLanguageMenuItem(language, *item, skip);
        if (skip) {
            delete item;
            continue;
        }
        QObject::connect(item, &QAction::triggered, &parent, [&localizer, id = language.LanguageId, native = language.IsNative] {
            if (id == localizer.CurrentLanguage) return;
            if (native) localizer.SwitchToExtension("ntv");
            else localizer.SwitchToLanguage(id);
            // The check follows the language in effect, also when the switch failed.
            CheckLanguageItems(localizer);
        });
    }
    CheckLanguageItems(localizer);
}

namespace {

std::vector<std::string>& StartErrors() {
    static std::vector<std::string> errors;
    return errors;
}

}  // namespace

void StartLocalizer() {
    TQLocalizerOnFly& localizer = TQLocalizerOnFly::Instance();
    StartErrors().clear();
    auto shown = std::move(localizer.ShowError);
    localizer.ShowError = [](const std::string& text) { StartErrors().push_back(text); };
    localizer.InitLocalizer();
    localizer.ShowError = std::move(shown);
}

void ReportLocalizerErrors() {
    for (const std::string& text : std::exchange(StartErrors(), {}))
        TDialogService::Instance().ShowMessage(text, resStr(res::SLocalizerErrorCaption), TMsgDlgType::mtError);
}

void AttachLanguageSwitch(QMainWindow& window, std::function<void()> changing, std::function<void()> changed) {
    TQLocalizerOnFly& localizer = TQLocalizerOnFly::Instance();
    auto* menu = new QMenu(QStringLiteral("&Language"), window.menuBar());
    menu->setObjectName("MenuLanguage");
    QAction* help = nullptr;
    for (QAction* item : window.menuBar()->actions())
        if (item->menu() && item->menu()->objectName() == QLatin1String("MenuHelp")) help = item;
    window.menuBar()->insertMenu(help, menu);
    if (localizer.Initialized()) CreateLanguageMenu(*menu, localizer);
    localizer.TranslateOpenForms = [&localizer] { TranslateOpenForms(localizer); };
    localizer.OnBeforeTranslate = std::move(changing);
    localizer.OnAfterTranslate = [changed = std::move(changed)](const TLFInfo&) { changed(); };
    // A start in another language than the native one: Qt's texts, the window and the windows it made.
    LoadQtCatalogue(localizer.CurrentLanguage);
    TranslateWindow(window, localizer);
    for (QWidget* child : window.findChildren<QWidget*>())
        if (child->isWindow()) TranslateWindow(*child, localizer);
    QApplication::instance()->installEventFilter(new TLanguageWatcher(&window, localizer));
}

void DetachLanguageSwitch() {
    TQLocalizerOnFly& localizer = TQLocalizerOnFly::Instance();
    localizer.OnBeforeTranslate = nullptr;
    localizer.OnAfterTranslate = nullptr;
}

}  // namespace kestrune
