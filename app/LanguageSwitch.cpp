#include "app/LanguageSwitch.h"

#include "app/PersistingControls.h"
#include "localise/LocOnFly.h"
#include "localise/QLocales.h"
#include "platform/DialogService.h"
#include "platform/ResCodePages.h"

#include <QAbstractButton>
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMainWindow>
#include <QMenuBar>
#include <QMenu>
#include <QMetaProperty>
#include <QTabWidget>
#include <QTableWidget>
#include <QTreeWidget>
#include <QWidget>

#include <charconv>
#include <utility>
#include <vector>

namespace kestrune {

namespace {

constexpr const char* LanguageProperty = "kestruneLanguageId";
// The language a window's texts were last set in; none: the native one it was made in.
constexpr const char* ShownLanguageProperty = "kestruneShownLanguage";

// Windows' class names carry a one-letter prefix and Qt's a namespace.
std::string NodeName(const QMetaObject& meta) {
    std::string name = meta.className();
    if (const size_t colon = name.rfind("::"); colon != std::string::npos) name.erase(0, colon + 2);
    return name.size() > 1 ? name.substr(1) : name;
}

// The Qt property that stands for a window property.
QByteArray QtPropertyName(const QObject& object, std::string_view name) {
    if (name == "Caption") {
        if (qobject_cast<const QMenu*>(&object) || qobject_cast<const QGroupBox*>(&object)) return "title";
        if (const auto* widget = qobject_cast<const QWidget*>(&object); widget && widget->isWindow()) return "windowTitle";
        return "text";
    }
    if (name == "Hint") return "toolTip";
    QByteArray qt(name.data(), static_cast<qsizetype>(name.size()));
    if (!qt.isEmpty()) qt[0] = static_cast<char>(std::tolower(qt[0]));
    return qt;
}

// Item texts change in place, so the choice stays.
bool SetItems(QObject& object, const QString& value) {
    const QStringList lines = value.split(QStringLiteral("\r\n"));
    if (auto* combo = qobject_cast<QComboBox*>(&object)) {
        for (int i = 0; i < combo->count() && i < lines.size(); ++i) combo->setItemText(i, lines[i]);
        return true;
    }
    if (auto* list = qobject_cast<QListWidget*>(&object)) {
        for (int i = 0; i < list->count() && i < lines.size(); ++i) list->item(i)->setText(lines[i]);
        return true;
    }
    if (auto* group = dynamic_cast<TqelRadioGroup*>(&object)) {
        for (int i = 0; i < group->ItemCount() && i < lines.size(); ++i) group->Button(i)->setText(lines[i]);
        return true;
    }
    return false;
}

QObject* Child(QObject& object, std::string_view name) {
    return object.findChild<QObject*>(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
}

// Each property of the node that may be applied, with the text it shows now.
template <class Set>
void TranslateProperties(const TNamedList<TLocItem>& properties, const TQLocalizerOnFly& localizer, Set&& set) {
    for (const auto& property : properties)
        if (!(property->Values.at(0).Flags & LocFlagNeverApply))
            set(property->Name, QString::fromStdU16String(localizer.CurrentText(*property)));
}

// A column of a grid or a page of a page control: Qt's items are no objects
// of their own, so their owner sets the caption or hint. An index past the
// collection's end changes nothing.
void SetItemText(QObject& owner, std::string_view collection, int index, std::string_view property, const QString& value) {
    const bool caption = property == "Caption";
    if (!caption && property != "Hint") return;
    if (auto* grid = qobject_cast<QTableWidget*>(&owner); grid && collection == "Columns") {
        if (QTableWidgetItem* item = index < grid->columnCount() ? grid->horizontalHeaderItem(index) : nullptr)
            caption ? item->setText(value) : item->setToolTip(value);
    } else if (auto* tree = qobject_cast<QTreeWidget*>(&owner); tree && collection == "Columns") {
        if (index < tree->columnCount()) caption ? tree->headerItem()->setText(index, value) : tree->headerItem()->setToolTip(index, value);
    } else if (auto* pages = qobject_cast<QTabWidget*>(&owner); pages && collection == "Pages") {
        if (index < pages->count()) caption ? pages->setTabText(index, value) : pages->setTabToolTip(index, value);
    }
}

// "Object.Collection[Index]": the component is an item of a collection of Object.
void TranslateIndexedPath(QWidget& form, const TLocComponent& component, const TQLocalizerOnFly& localizer) {
    const std::string_view path = component.Name;
    const size_t open = path.find('[');
    const size_t dot = path.rfind('.', open);
    int index = -1;
    if (dot == std::string_view::npos || !path.ends_with(']') ||
        std::from_chars(path.data() + open + 1, path.data() + path.size() - 1, index).ptr != path.data() + path.size() - 1 || index < 0)
        return;
    std::string remaining;
    QObject* owner = FindSubObject(form, path.substr(0, dot), remaining);
    if (!owner || !remaining.empty()) return;
    const std::string_view collection = path.substr(dot + 1, open - dot - 1);
    TranslateProperties(component.Properties, localizer, [&](const std::string& name, const QString& value) {
        SetItemText(*owner, collection, index, name, value);
    });
}

void TranslateFormNode(QWidget& form, const TLocForm& node, const TQLocalizerOnFly& localizer) {
    TranslateProperties(node.Properties, localizer, [&](const std::string& name, const QString& value) { SetPropertyValue(form, name, value); });
    for (const auto& component : node.Components) {
        if (component->Name.find('[') != std::string::npos) {
            TranslateIndexedPath(form, *component, localizer);
            continue;
        }
        std::string remaining;
        if (QObject* object = FindSubObject(form, component->Name, remaining))
            TranslateProperties(component->Properties, localizer, [&](const std::string& name, const QString& value) {
                SetPropertyValue(*object, remaining.empty() ? name : remaining + "." + name, value);
            });
    }
}

// Sets the window's texts unless they are in the language in effect already.
void TranslateWindow(QWidget& window, const TQLocalizerOnFly& localizer) {
    const QVariant shown = window.property(ShownLanguageProperty);
    if ((shown.isValid() ? shown.toInt() : localizer.GetNativeLanguage()) == localizer.CurrentLanguage) return;
    TranslateFormObject(window, localizer);
    window.setProperty(ShownLanguageProperty, localizer.CurrentLanguage);
}

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

bool SetPropertyValue(QObject& object, std::string_view path, const QString& value) {
    const size_t dot = path.find('.');
    const std::string_view head = path.substr(0, dot);
    const std::string_view tail = dot == std::string_view::npos ? std::string_view() : path.substr(dot + 1);
    if (tail.empty() && (head == "Items" || head == "Strings") && SetItems(object, value)) return true;
    const QMetaObject& meta = *object.metaObject();
    const int index = meta.indexOfProperty(QtPropertyName(object, head).constData());
    if (index < 0) return false;
    const QMetaProperty property = meta.property(index);
    if (!tail.empty()) {
        // Only an object-typed property leads further (an integer read as an object would crash).
        if (!(property.metaType().flags() & QMetaType::PointerToQObject)) return false;
        QObject* inner = property.read(&object).value<QObject*>();
        return inner && SetPropertyValue(*inner, tail, value);
    }
    if (property.isEnumType() || property.metaType().id() == QMetaType::Int) property.write(&object, value.toInt());
    else if (property.metaType().id() == QMetaType::QString) property.write(&object, value);
    return true;
}

QObject* FindSubObject(QObject& root, std::string_view path, std::string& remaining) {
    remaining.clear();
    const size_t dot = path.find('.');
    QObject* child = Child(root, path.substr(0, dot));
    if (!child || dot == std::string_view::npos) return child;
    if (QObject* deeper = FindSubObject(*child, path.substr(dot + 1), remaining)) return deeper;
    remaining = path.substr(dot + 1);
    return child;
}

void TranslateFormObject(QWidget& form, const TQLocalizerOnFly& localizer) {
    // Windows without meta-objects of their own are known by their names ("FormMain" of TFormMain).
    std::vector<std::string> chain{form.objectName().toStdString()};
    for (const QMetaObject* meta = form.metaObject(); meta && std::string_view(meta->className()).starts_with("kestrune::");
         meta = meta->superClass())
        if (NodeName(*meta) != chain.front()) chain.push_back(NodeName(*meta));
    // The most basic class first, so that the window's own entries win.
    bool translated = false;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        if (const TLocForm* node = localizer.Storage.Forms.Find(*it)) {
            TranslateFormNode(form, *node, localizer);
            translated = true;
        }
    }
    // Languages written from right to left lay their windows out mirrored, when the native file asks for it.
    if (translated && localizer.UseBiDiMode && form.isWindow())
        form.setLayoutDirection(IsRightToLeftLocale(localizer.CurrentLanguage) ? Qt::RightToLeft : Qt::LeftToRight);
}

void TranslateOpenForms(const TQLocalizerOnFly& localizer) {
    for (QWidget* window : QApplication::topLevelWidgets()) TranslateWindow(*window, localizer);
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

}  // namespace kestrune

namespace kestrune {

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
        TDialogService::Instance().ShowMessage(text, "Localizer Error", TMsgDlgType::mtError);
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
    // A start in another language than the native one: the window and the windows it made.
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
