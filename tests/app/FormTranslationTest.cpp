#include "app/FormTranslation.h"

#include "localise/LocOnFly.h"
#include "tests/app/WidgetTestSupport.h"

#include <QAction>
#include <QDialog>
#include <QFontDatabase>
#include <QLabel>
#include <QListWidget>
#include <QTabWidget>
#include <QTableWidget>

#include <gtest/gtest.h>

#include <memory>
#include <tuple>

namespace kestrune {
namespace {

// A property text of the dictionary's native column: of the node's own when the component is the node.
TLocItem& Text(TQLocalizerOnFly& localizer, const std::string& node, const std::string& component, const char* property,
               const char16_t* text) {
    TLocForm& form = localizer.Storage.Forms.FindOrAdd(node);
    auto& properties = component == node ? form.Properties : form.Components.FindOrAdd(component).Properties;
    TLocItem& item = localizer.Storage.AddProperty(properties, property, -1, LocKindText);
    localizer.Storage.SetText(item, 0, text);
    return item;
}

// Widgets of classes of our own inside windows, such as the frames of a form.
class TFrameSample : public QWidget {
public:
    using QWidget::QWidget;
};
class TFrameDerived : public TFrameSample {
public:
    using TFrameSample::TFrameSample;
};

TEST(FormTranslation, IndexedPathsReachGridColumnsAndPagesWithinTheirCount) {
    QDialog form;
    form.setObjectName("FormX");
    auto* grid = new QTableWidget(1, 2, &form);
    grid->setObjectName("Grid");
    grid->setHorizontalHeaderLabels({"a", "b"});
    auto* pages = new QTabWidget(&form);
    pages->setObjectName("Pages");
    pages->addTab(new QWidget, "p");
    TQLocalizerOnFly localizer;
    TLocForm& node = localizer.Storage.Forms.FindOrAdd("FormX");
    for (const auto& [path, property, text] : std::initializer_list<std::tuple<const char*, const char*, const char16_t*>>{
             {"Grid.Columns[1]", "Caption", u"B"}, {"Grid.Columns[2]", "Caption", u"C"}, {"Grid.Columns[x]", "Caption", u"X"},
             {"Grid.Columns[0", "Caption", u"Y"}, {"Pages.Pages[0]", "Hint", u"tip"}, {"Pages.Pages[1]", "Caption", u"Q"},
             {"Missing.Columns[0]", "Caption", u"M"}, {"Grid.Rows[0]", "Caption", u"R"}}) {
        TLocItem& item = localizer.Storage.AddProperty(node.Components.FindOrAdd(path).Properties, property, -1, LocKindText);
        localizer.Storage.SetText(item, 0, text);
    }
    TranslateFormObject(form, localizer);
    EXPECT_EQ(grid->horizontalHeaderItem(0)->text(), "a");
    EXPECT_EQ(grid->horizontalHeaderItem(1)->text(), "B");
    EXPECT_EQ(grid->columnCount(), 2);
    EXPECT_EQ(pages->tabToolTip(0), "tip");
    EXPECT_EQ(pages->tabText(0), "p");
    EXPECT_EQ(pages->count(), 1);
}

TEST(FormTranslation, WindowsReadRightToLeftInSuchLanguagesWhenTheNativeFileAsks) {
    QDialog form;
    form.setObjectName("FormX");
    TQLocalizerOnFly localizer;
    localizer.Storage.Forms.FindOrAdd("FormX");
    const struct {
        bool useBiDi;
        uint16_t language;
        Qt::LayoutDirection direction;
    } cases[] = {{false, 0x401, Qt::LeftToRight}, {true, 0x401, Qt::RightToLeft}, {true, 0x40D, Qt::RightToLeft}, {true, 0x407, Qt::LeftToRight}};
    for (const auto& c : cases) {
        localizer.UseBiDiMode = c.useBiDi;
        localizer.CurrentLanguage = c.language;
        TranslateFormObject(form, localizer);
        EXPECT_EQ(form.layoutDirection(), c.direction) << c.language;
    }
}

TEST(FormTranslation, WidgetsOfOurClassesTakeTheirClassesTextsAndTheWindowsWin) {
    QDialog form;
    form.setObjectName("FormX");
    auto* frame = new TFrameDerived(&form);
    frame->setObjectName("Frame1");
    auto* first = new QLabel(frame);
    first->setObjectName("LabelA");
    auto* second = new QLabel(frame);
    second->setObjectName("LabelB");
    TQLocalizerOnFly localizer;
    Text(localizer, "FrameSample", "LabelA", "Caption", u"basic");
    Text(localizer, "FrameSample", "LabelB", "Caption", u"basic B");
    Text(localizer, "FrameDerived", "LabelA", "Caption", u"derived");
    Text(localizer, "FormX", "Frame1.LabelB", "Caption", u"window");
    TranslateFormObject(form, localizer);
    EXPECT_EQ(first->text(), "derived");  // the derived class's entry after its base's
    EXPECT_EQ(second->text(), "window");  // the window's entry that reaches into the frame last
    // A window inside a window is a window of its own, not a frame.
    QDialog inner(&form);
    inner.setObjectName("Inner");
    auto* label = new QLabel(&inner);
    label->setObjectName("LabelA");
    Text(localizer, "Dialog", "LabelA", "Caption", u"no");
    TranslateFormObject(form, localizer);
    EXPECT_EQ(label->text(), "");
}

TEST(FormTranslation, DataModulesAreTranslatedWhileTheyLive) {
    auto module = std::make_unique<QObject>();
    module->setObjectName("DataModuleMain");
    auto* open = new QAction("Open", module.get());
    open->setObjectName("ActionOpen");
    TQLocalizerOnFly localizer;
    Text(localizer, "DataModuleMain", "ActionOpen", "Caption", u"\u00d6ffnen");
    AddDataModule(*module);
    AddDataModule(*module);
    TranslateDataModules(localizer);
    EXPECT_EQ(open->text(), QString::fromUtf8("Öffnen"));
    module.reset();
    TranslateDataModules(localizer);  // a module gone is passed over
}

TEST(FormTranslation, TheProgramsHooksSetWhatTheRulesDoNotKnow) {
    QDialog form;
    form.setObjectName("FormX");
    form.setWindowTitle("kept");
    auto* list = new QListWidget(&form);
    list->setObjectName("List");
    auto* row = new QLabel(&form);  // what the program gives for the list's second row
    TQLocalizerOnFly localizer;
    Text(localizer, "FormX", "FormX", "Legend", u"L");
    Text(localizer, "FormX", "List.Rows[1]", "Caption", u"second");
    Text(localizer, "FormX", "List.Rows[5]", "Caption", u"none");
    Text(localizer, "FormX", "List", "NoSuchProperty", u"x");
    Text(localizer, "FormX", "FormX", "Caption", u"never").Values[0].Flags = LocFlagNeverApply;
    TTranslateHooks& hooks = TranslateHooks();
    std::vector<QObject*> components;
    hooks.OnTranslateComponent = [&](QObject& component) { components.push_back(&component); };
    hooks.OnTranslateProperty = [](QObject& object, std::string_view path, const QString& value) {
        if (path != "Legend") return false;
        object.setProperty("legend", value);
        return true;
    };
    hooks.OnGetSubObject = [&](QObject& owner, std::string_view name, int index) -> QObject* {
        return &owner == list && name == "Rows" && index == 1 ? row : nullptr;
    };
    TranslateFormObject(form, localizer);
    EXPECT_EQ(form.property("legend").toString(), "L");
    EXPECT_EQ(row->text(), "second");
    EXPECT_EQ(form.windowTitle(), "kept");
    EXPECT_EQ(components, std::vector<QObject*>{&form});
    hooks = {};
}

TEST(FormTranslation, FontsTakeTheScriptOfTheLanguageWhenAsked) {
    const QFont base(QStringLiteral("DejaVu Sans"));
    const std::pair<uint16_t, QFontDatabase::WritingSystem> languages[] = {
        {0x0411, QFontDatabase::Japanese}, {0x0412, QFontDatabase::Korean}, {0x041E, QFontDatabase::Thai},
        {0x040D, QFontDatabase::Hebrew}, {0x0419, QFontDatabase::Cyrillic}, {0x0407, QFontDatabase::Latin}};
    for (const auto& [language, script] : languages) {
        const QFont font = FontForLanguage(base, language);
        EXPECT_EQ(font.family(), base.family()) << language;
        bool shows = QFontDatabase::families(script).isEmpty();  // no font here has it: nothing to do
        for (const QString& family : font.families().isEmpty() ? QStringList{font.family()} : font.families())
            shows = shows || QFontDatabase::writingSystems(family).contains(script);
        EXPECT_TRUE(shows) << language;
    }

    // Through a translation, unless the component keeps its charset.
    QDialog form;
    form.setObjectName("FormX");
    auto* kept = new QLabel(&form);
    kept->setObjectName("Kept");
    auto* label = new QLabel(&form);
    label->setObjectName("Label");
    label->setFont(base);
    kept->setFont(base);
    TQLocalizerOnFly localizer;
    localizer.SetFontCharsets = true;
    localizer.CurrentLanguage = 0x0411;
    Text(localizer, "FormX", "Label", "Caption", u"\u30d5\u30a1\u30a4\u30eb");
    Text(localizer, "FormX", "Kept", "Caption", u"\u30d5\u30a1\u30a4\u30eb");
    localizer.Storage.Forms.Find("FormX")->Components.Find("Kept")->Flags = LocFlagKeepCharset;
    TranslateFormObject(form, localizer);
    EXPECT_EQ(label->font().families(), FontForLanguage(base, 0x0411).families());
    EXPECT_EQ(kept->font().families(), base.families());
}

}  // namespace
}  // namespace kestrune
