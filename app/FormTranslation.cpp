#include "app/FormTranslation.h"

#include "app/PersistingControls.h"
#include "localise/LocOnFly.h"
#include "localise/QLocales.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFontDatabase>
#include <QGroupBox>
#include <QListWidget>
#include <QMenu>
#include <QMetaProperty>
#include <QPointer>
#include <QStringListModel>
#include <QTabWidget>
#include <QTableWidget>
#include <QTreeWidget>
#include <QWidget>

#include <cxxabi.h>

#include <charconv>
#include <cstdlib>
#include <typeinfo>
#include <vector>

namespace kestrune {

namespace {

// The language a window's texts were last set in; none: the native one it was made in.
constexpr const char* ShownLanguageProperty = "kestruneShownLanguage";

// A class's name as the source writes it, "kestrune::TFormMain".
std::string ClassName(const std::type_info& type) {
    int status = 0;
    char* readable = abi::__cxa_demangle(type.name(), nullptr, nullptr, &status);
    std::string name = status == 0 && readable ? readable : type.name();
    std::free(readable);
    return name;
}

// The class a class derives from (its first base); null for a class without one.
const std::type_info* BaseOf(const std::type_info& type) {
    if (const auto* single = dynamic_cast<const abi::__si_class_type_info*>(&type)) return single->__base_type;
    if (const auto* multiple = dynamic_cast<const abi::__vmi_class_type_info*>(&type); multiple && multiple->__base_count > 0)
        return multiple->__base_info[0].__base_type;
    return nullptr;
}

// Our classes' names carry a namespace and a one-letter prefix: "kestrune::TFormMain" is node "FormMain".
std::string NodeName(const std::string& className) {
    std::string name = className.substr(className.rfind("::") + 2);
    return name.size() > 1 ? name.substr(1) : name;
}

// The nodes of an object's classes of our own, from its run-time type up, the most derived first.
std::vector<std::string> ClassNodes(const QObject& object) {
    std::vector<std::string> names;
    for (const std::type_info* type = &typeid(object); type != nullptr; type = BaseOf(*type)) {
        const std::string name = ClassName(*type);
        if (!name.starts_with("kestrune::")) break;
        names.push_back(NodeName(name));
    }
    return names;
}

bool IsWindow(const QObject& object) {
    const auto* widget = qobject_cast<const QWidget*>(&object);
    return widget != nullptr && widget->isWindow();
}

// The Qt property that stands for a window property.
QByteArray QtPropertyName(const QObject& object, std::string_view name) {
    if (name == "Caption") {
        if (qobject_cast<const QMenu*>(&object) || qobject_cast<const QGroupBox*>(&object)) return "title";
        if (IsWindow(object)) return "windowTitle";
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
    if (auto* model = qobject_cast<QStringListModel*>(&object)) {
        model->setStringList(lines);
        return true;
    }
    return false;
}

// A string list takes its lines; otherwise the program's hook may know the property.
bool TranslateSpecialProperty(QObject& object, std::string_view path, const QString& value) {
    if ((SameText(path, "Items") || SameText(path, "Strings")) && SetItems(object, value)) return true;
    const auto& hook = TranslateHooks().OnTranslateProperty;
    return hook && hook(object, path, value);
}

// The child named so, searched depth first; else the object an object-typed property holds.
QObject* Child(QObject& object, std::string_view name) {
    const QString qtName = QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
    if (QObject* child = object.findChild<QObject*>(qtName)) return child;
    const QMetaObject& meta = *object.metaObject();
    const int index = meta.indexOfProperty(QtPropertyName(object, name).constData());
    if (index < 0 || !(meta.property(index).metaType().flags() & QMetaType::PointerToQObject)) return nullptr;
    return meta.property(index).read(&object).value<QObject*>();
}

QFontDatabase::WritingSystem WritingSystemOf(uint16_t language) {
    switch (LocaleToCharset(language)) {
    case 128: return QFontDatabase::Japanese;
    case 129: return QFontDatabase::Korean;
    case 134: return QFontDatabase::SimplifiedChinese;
    case 136: return QFontDatabase::TraditionalChinese;
    case 161: return QFontDatabase::Greek;
    case 163: return QFontDatabase::Vietnamese;
    case 177: return QFontDatabase::Hebrew;
    case 178: return QFontDatabase::Arabic;
    case 204: return QFontDatabase::Cyrillic;
    case 222: return QFontDatabase::Thai;
    default: return QFontDatabase::Latin;
    }
}

void SetFontCharset(QObject& object, uint16_t language) {
    if (auto* widget = qobject_cast<QWidget*>(&object)) widget->setFont(FontForLanguage(widget->font(), language));
    else if (auto* action = qobject_cast<QAction*>(&object)) action->setFont(FontForLanguage(action->font(), language));
}

// Each property of the node that may be applied, set to the text it shows now; how many were set.
template <class Set>
int TranslateProperties(const TNamedList<TLocItem>& properties, const TQLocalizerOnFly& localizer, Set&& set) {
    int count = 0;
    for (const auto& property : properties)
        if (!(property->Values.at(0).Flags & LocFlagNeverApply) && set(property->Name, QString::fromStdU16String(localizer.CurrentText(*property))))
            ++count;
    return count;
}

// A node's properties on one object (prefix: the path that reaches into it); with
// SetFontCharsets its font then shows the language's script, unless the node keeps it.
void TranslateObject(const TNamedList<TLocItem>& properties, uint16_t nodeFlags, QObject& object, const std::string& prefix,
                     const TQLocalizerOnFly& localizer) {
    const int set = TranslateProperties(properties, localizer, [&](const std::string& name, const QString& value) {
        return SetPropertyValue(object, prefix.empty() ? name : prefix + "." + name, value);
    });
    if (localizer.SetFontCharsets && set > 0 && !(nodeFlags & LocFlagKeepCharset)) SetFontCharset(object, localizer.CurrentLanguage);
}

// A column of a grid or a page of a page control: Qt's items are no objects
// of their own, so their owner sets the caption or hint. An index past the
// collection's end changes nothing. False for another owner or collection.
bool SetItemText(QObject& owner, std::string_view collection, int index, std::string_view property, const QString& value) {
    const bool caption = property == "Caption";
    const bool hint = property == "Hint";
    if (auto* grid = qobject_cast<QTableWidget*>(&owner); grid && collection == "Columns") {
        QTableWidgetItem* item = index < grid->columnCount() ? grid->horizontalHeaderItem(index) : nullptr;
        if (item && caption) item->setText(value);
        if (item && hint) item->setToolTip(value);
    } else if (auto* tree = qobject_cast<QTreeWidget*>(&owner); tree && collection == "Columns") {
        if (index < tree->columnCount() && caption) tree->headerItem()->setText(index, value);
        if (index < tree->columnCount() && hint) tree->headerItem()->setToolTip(index, value);
    } else if (auto* pages = qobject_cast<QTabWidget*>(&owner); pages && collection == "Pages") {
        if (index < pages->count() && caption) pages->setTabText(index, value);
        if (index < pages->count() && hint) pages->setTabToolTip(index, value);
    } else {
        return false;
    }
    return caption || hint;
}

bool IsItemCollection(const QObject& owner, std::string_view collection) {
    return (collection == "Columns" && (qobject_cast<const QTableWidget*>(&owner) || qobject_cast<const QTreeWidget*>(&owner))) ||
           (collection == "Pages" && qobject_cast<const QTabWidget*>(&owner));
}

// Another collection's item: the program's hooks may give it.
QObject* SubObject(QObject& owner, std::string_view collection, int index) {
    const TTranslateHooks& hooks = TranslateHooks();
    QObject* item = hooks.OnGetSubObject ? hooks.OnGetSubObject(owner, collection, index) : nullptr;
    if (item == nullptr && hooks.OnFindSubObject) item = hooks.OnFindSubObject(owner, collection, index);
    return item;
}

// "Object.Collection[Index]": the component is an item of a collection of Object.
void TranslateIndexedPath(QObject& form, const TLocComponent& component, const TQLocalizerOnFly& localizer) {
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
    if (IsItemCollection(*owner, collection)) {
        TranslateProperties(component.Properties, localizer, [&](const std::string& name, const QString& value) {
            return SetItemText(*owner, collection, index, name, value);
        });
    } else if (QObject* item = SubObject(*owner, collection, index)) {
        TranslateObject(component.Properties, component.Flags, *item, {}, localizer);
    }
}

void TranslateFormNode(QObject& form, const TLocForm& node, const TQLocalizerOnFly& localizer) {
    if (TranslateHooks().OnTranslateComponent) TranslateHooks().OnTranslateComponent(form);
    TranslateObject(node.Properties, node.Flags, form, {}, localizer);
    for (const auto& component : node.Components) {
        if (component->Name.find('[') != std::string::npos) {
            TranslateIndexedPath(form, *component, localizer);
            continue;
        }
        std::string remaining;
        if (QObject* object = FindSubObject(form, component->Name, remaining))
            TranslateObject(component->Properties, component->Flags, *object, remaining, localizer);
    }
}

// The nodes of names that the dictionary holds, the most basic (the last) first, so that later ones win.
bool TranslateByNodes(QObject& object, const std::vector<std::string>& names, const TQLocalizerOnFly& localizer) {
    bool translated = false;
    for (auto it = names.rbegin(); it != names.rend(); ++it) {
        if (const TLocForm* node = localizer.Storage.Forms.Find(*it)) {
            TranslateFormNode(object, *node, localizer);
            translated = true;
        }
    }
    return translated;
}

// The widgets of our own classes inside an object (frames), each by its
// classes' nodes after its own insides; windows inside it are windows of their own.
void TranslateComponentTree(QObject& object, const TQLocalizerOnFly& localizer) {
    for (QObject* child : object.children()) {
        if (IsWindow(*child)) continue;
        TranslateComponentTree(*child, localizer);
        TranslateByNodes(*child, ClassNodes(*child), localizer);
    }
}

std::vector<QPointer<QObject>>& DataModules() {
    static std::vector<QPointer<QObject>> modules;
    return modules;
}

}  // namespace

TTranslateHooks& TranslateHooks() {
    static TTranslateHooks hooks;
    return hooks;
}

void AddDataModule(QObject& module) {
    std::erase_if(DataModules(), [](const QPointer<QObject>& m) { return m.isNull(); });
    if (std::find(DataModules().begin(), DataModules().end(), &module) == DataModules().end()) DataModules().emplace_back(&module);
}

void TranslateDataModules(const TQLocalizerOnFly& localizer) {
    for (const QPointer<QObject>& module : DataModules())
        if (!module.isNull()) TranslateFormObject(*module, localizer);
}

void TranslateWindow(QWidget& window, const TQLocalizerOnFly& localizer) {
    const QVariant shown = window.property(ShownLanguageProperty);
    if ((shown.isValid() ? shown.toInt() : localizer.GetNativeLanguage()) == localizer.CurrentLanguage) return;
    TranslateFormObject(window, localizer);
    window.setProperty(ShownLanguageProperty, localizer.CurrentLanguage);
}

void TranslateFormObject(QObject& form, const TQLocalizerOnFly& localizer) {
    TranslateComponentTree(form, localizer);
    // Windows without classes of their own are known by their names ("FormMain" of TFormMain).
    std::vector<std::string> names = ClassNodes(form);
    const std::string name = form.objectName().toStdString();
    if (names.empty() || names.front() != name) names.insert(names.begin(), name);
    const bool translated = TranslateByNodes(form, names, localizer);
    // Languages written from right to left lay their windows out mirrored, when the native file asks for it.
    if (auto* window = qobject_cast<QWidget*>(&form); translated && localizer.UseBiDiMode && window && window->isWindow())
        window->setLayoutDirection(IsRightToLeftLocale(localizer.CurrentLanguage) ? Qt::RightToLeft : Qt::LeftToRight);
}

bool SetPropertyValue(QObject& object, std::string_view path, const QString& value) {
    if (TranslateSpecialProperty(object, path, value)) return true;
    const size_t dot = path.find('.');
    const std::string_view head = path.substr(0, dot);
    const std::string_view tail = dot == std::string_view::npos ? std::string_view() : path.substr(dot + 1);
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

QFont FontForLanguage(const QFont& font, uint16_t language) {
    const QFontDatabase::WritingSystem script = WritingSystemOf(language);
    if (QFontDatabase::writingSystems(font.family()).contains(script)) return font;
    const QStringList families = QFontDatabase::families(script);
    if (families.isEmpty()) return font;
    QFont withScript(font);
    withScript.setFamilies({font.family(), families.front()});
    return withScript;
}

void SetScreenFontsForLanguage(uint16_t language) {
    QApplication::setFont(FontForLanguage(QApplication::font(), language));
    for (const char* kind : {"QMenu", "QToolTip"}) QApplication::setFont(FontForLanguage(QApplication::font(kind), language), kind);
}

}  // namespace kestrune
