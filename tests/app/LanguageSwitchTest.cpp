#include "app/AvhrrBrowserForm.h"
#include "app/FireDetectionForm.h"
#include "app/GoToLocation.h"
#include "app/SmallForms.h"
#include "app/VideoAdjustForm.h"
#include "app/FormTranslation.h"
#include "app/HelpWindow.h"
#include "app/LanguageSwitch.h"
#include "app/MessageBoxes.h"
#include "app/LoadClutForm.h"
#include "app/OverlayOptions.h"
#include "app/OverlayOptionsForm.h"
#include "app/PrintForm.h"
#include "app/PrinterSetupForm.h"
#include "app/RunReport.h"
#include "app/ShellOpen.h"
#include "app/ResidualForm.h"
#include "app/StandardNameForm.h"
#include "app/PersistingControls.h"
#include "app/TalvessaForm.h"

#include "localise/LocOnFly.h"
#include "orbit/Keplers.h"
#include "orbit/Orbits.h"
#include "decoding/Telemetry.h"
#include "localise/LocResources.h"
#include "localise/LocUtils.h"
#include "localise/QLocales.h"
#include "decoding/MN2unpacker.h"
#include "platform/FileIO.h"
#include "platform/ProgramFolder.h"
#include "platform/ProgramStrings.h"
#include "platform/Registry.h"
#include "platform/ResCodePages.h"
#include "platform/SystemErrors.h"
#include "shell/UHyShellControls.h"
#include "shell/UHyShellModels.h"
#include "shell/UHyShellTransfer.h"
#include "shell/FHyOpenFileDlg.h"
#include "tests/app/AppTest.h"
#include "tests/app/DirectionAnswerer.h"
#include "tests/app/WidgetTestSupport.h"
#include "tools/localise/LangFileWriter.h"
#include "tools/localise/ProgramResources.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolButton>

#include <filesystem>
#include <fstream>
#include <map>
#include <ranges>
#include <tuple>

namespace kestrune {
namespace {

namespace fs = std::filesystem;

constexpr uint16_t SLanguageNotFound = 65246;

std::vector<TTranslationRow> GermanTable() {
    std::string text;
    EXPECT_TRUE(ReadFileText(KESTRUNE_SOURCE_DIR "/tools/localise/translations/deu.txt", text));
    return ReadTranslationTable(text);
}

// Every text of the window's menus, buttons, labels, groups, lists, grids and tabs, by object name (UTF-8, so that a difference reads).
std::map<std::string, std::string> Texts(QWidget& form) {
    std::map<std::string, std::string> texts{{"/w", form.windowTitle().toStdString()}};
    const auto put = [&](const QObject& object, const char* kind, const QString& text, int index = -1) {
        texts[object.objectName().toStdString() + kind + (index < 0 ? "" : std::to_string(index))] = text.toStdString();
    };
    for (QLabel* label : form.findChildren<QLabel*>()) put(*label, "/l", label->text());
    for (QWidget* widget : form.findChildren<QWidget*>()) put(*widget, "/h", widget->toolTip());
    for (QAction* item : form.findChildren<QAction*>()) put(*item, "/a", item->text());
    for (QMenu* menu : form.findChildren<QMenu*>()) put(*menu, "/m", menu->title());
    for (QAbstractButton* button : form.findChildren<QAbstractButton*>()) put(*button, "/b", button->text());
    for (QGroupBox* group : form.findChildren<QGroupBox*>()) put(*group, "/g", group->title());
    for (QComboBox* combo : form.findChildren<QComboBox*>())
        for (int i = 0; i < combo->count(); ++i) put(*combo, "/c", combo->itemText(i), i);
    for (QListWidget* list : form.findChildren<QListWidget*>())
        for (int i = 0; i < list->count(); ++i) put(*list, "/c", list->item(i)->text(), i);
    for (QTableWidget* grid : form.findChildren<QTableWidget*>())
        for (int i = 0; i < grid->columnCount(); ++i) put(*grid, "/c", grid->horizontalHeaderItem(i) ? grid->horizontalHeaderItem(i)->text() : "-", i);
    for (QTabBar* tabs : form.findChildren<QTabBar*>())
        for (int i = 0; i < tabs->count(); ++i) put(*tabs, "/t", tabs->tabText(i), i);
    return texts;
}

// The texts that differ, one "name: now / before" a line; empty when all are the same.
std::string Differences(const std::map<std::string, std::string>& now, const std::map<std::string, std::string>& before) {
    std::string lines;
    std::map<std::string, std::string> all = before;
    all.insert(now.begin(), now.end());
    for (const auto& [name, text] : all) {
        const auto a = now.find(name);
        const auto b = before.find(name);
        const std::string nowText = a == now.end() ? "(none)" : a->second;
        const std::string beforeText = b == before.end() ? "(none)" : b->second;
        if (nowText != beforeText) lines += name + ": " + nowText + " / " + beforeText + "\n";
    }
    return lines;
}

// What the build writes beside the program.
std::string Shipped(const std::string& name) {
    std::string bytes;
    EXPECT_TRUE(ReadFileText(KESTRUNE_PROGRAM_DIR "/" + name, bytes)) << name;
    return bytes;
}

// The program's own resources, as the build embeds them.
std::string_view ShippedImage() {
    static const std::string_view image = ProgramResourceImage();
    return image;
}

class LanguageSwitchTest : public testing::TAppTest {
protected:
    void SetUp() override {
        TAppTest::SetUp();
        SetProgramResourceImage(ShippedImage());
        folder.Write("program/kestrune.ntv.lng", Shipped("kestrune.ntv.lng"));
        german_ = Shipped("kestrune.deu.lng");
        folder.Write("program/kestrune.deu.lng", german_);
        Restart();
    }
    void TearDown() override {
        form_.reset();
        Localizer().Reset();
        Localizer().ShowError = nullptr;
        SetProgramResourceImage({});
        TQLocUtils::Instance().Reset();
        LoadQtCatalogue(9);
        TAppTest::TearDown();
    }

    static TQLocalizerOnFly& Localizer() { return TQLocalizerOnFly::Instance(); }

    // A new start of the program: the switcher afresh, then the main window,
    // then the boxes of the errors met at the start.
    void Restart() {
        form_.reset();
        Localizer().Reset();
        TQLocUtils::Instance().Reset();
        Localizer().ShowError = [this](const std::string& text) { errors_.push_back(text); };
        TDialogService::Instance().ClearScript();
        StartLocalizer();
        form_ = std::make_unique<TFormMain>(TParams{});
        ReportLocalizerErrors();
    }
    // The texts of the "Localizer Error" boxes shown since the last start.
    static std::vector<std::string> StartBoxes() {
        std::vector<std::string> texts;
        for (const TDialogRequest& request : TDialogService::Instance().Requests())
            if (request.caption == "Localizer Error") texts.push_back(request.text);
        return texts;
    }
    QAction* LanguageItem(const char* name) const { return testing::Find<QAction>(*form_, ("MenuLanguage" + std::string(name)).c_str()); }

    void Choose(const char* language) { LanguageItem(language)->trigger(); }
    QString FileMenu() const { return testing::Find<QMenu>(*form_, "MenuFile")->title(); }
    std::string Stored() const {
        TRegistry registry;
        registry.OpenKeyReadOnly("Software\\Borland\\Locales");
        return registry.ReadString(ExecutablePath());
    }
    std::string Library() const { return folder / "program/kestrune.DEU"; }
    // What the user is told of the German file cut in half.
    std::string DamagedGerman() const { return "Invalid file format: " + folder / "program/kestrune.deu.lng"; }

    // Qt's own texts and the Open dialog's filters, as the user meets them: the Open dialog,
    // a question's buttons and the menu of a text field.
    struct TQtTexts {
        std::vector<std::string> Texts;
        bool operator==(const TQtTexts&) const = default;
    };
    TQtTexts QtTexts() const {
        TQtTexts shown;
        const auto put = [&shown](const QString& text) { shown.Texts.push_back(text.toStdString()); };
        testing::WhenModal<shell::THyOpenFileForm>([&](shell::THyOpenFileForm& dialog) {
            for (const char* label : {"lookInLabel", "fileNameLabel", "fileTypeLabel"}) put(testing::Find<QLabel>(dialog, label)->text());
            auto* buttons = testing::Find<QDialogButtonBox>(dialog, "buttonBox");
            // Qt underlines a letter of it in a first dialog only.
            put(buttons->button(QDialogButtonBox::Open)->text().remove('&'));
            put(buttons->button(QDialogButtonBox::Cancel)->text());
            for (const QString& filter : dialog.NameFilters()) put(filter.left(filter.indexOf(" (")));
            dialog.reject();
        });
        testing::Find<QAction>(*form_, "MenuOpen")->trigger();
        TDialogService::Instance().SetMode(TDialogService::Mode::Interactive);
        TDialogService::Instance().SetInteractiveHandler(ShowMessageBox);
        testing::WhenModal<QDialog>([&](QDialog& box) {
            for (QAbstractButton* button : box.findChildren<QAbstractButton*>()) put(button->text());
            box.reject();
        });
        TDialogService::Instance().Ask({"Replace?", {}, TMsgDlgType::mtConfirmation, mbYes | mbNo, mrNo});
        TDialogService::Instance().SetInteractiveHandler(nullptr);
        TDialogService::Instance().SetMode(TDialogService::Mode::Scripted);
        const std::unique_ptr<QMenu> menu(testing::Find<QLineEdit>(*form_, "EditSearch")->createStandardContextMenu());
        put(menu->actions().value(0)->text().section('\t', 0, 0));  // without its shortcut
        return shown;
    }
    // The main window's caption and the help window's title and controls.
    std::vector<std::string> CaptionAndHelp() const {
        QWidget& help = *testing::Find<QWidget>(*form_, "FormHelp");
        std::vector<std::string> texts{form_->windowTitle().toStdString(), help.windowTitle().toStdString(),
                                       testing::Find<QLabel>(help, "LabelSearch")->text().toStdString()};
        for (const char* button : {"ButtonContents", "ButtonIndex", "ButtonBack", "ButtonForward", "ButtonSearch"})
            texts.push_back(testing::Find<QAbstractButton>(help, button)->text().toStdString());
        return texts;
    }

    std::string image_;
    std::string german_;
    std::vector<std::string> errors_;
    std::unique_ptr<TFormMain> form_;
};

TEST_F(LanguageSwitchTest, FirstStartIsSilentlyNative) {
    EXPECT_TRUE(errors_.empty());
    EXPECT_TRUE(StartBoxes().empty());
    EXPECT_EQ(Localizer().CurrentLanguage, 9);
    EXPECT_EQ(FileMenu(), "&File");
    ASSERT_EQ(Localizer().Languages.size(), 2u);
    EXPECT_EQ(Localizer().Languages[0].EnglishName, "English");
    EXPECT_EQ(Localizer().Languages[1].EnglishName, "German");
    EXPECT_TRUE(LanguageItem("English")->isChecked());
}

TEST_F(LanguageSwitchTest, TheShippedGermanFileNamesItselfAndTheMenuShowsItsNames) {
    const TLangFile shipped(folder / "program/kestrune.deu.lng");
    EXPECT_EQ(shipped.LanguageId, 0x407);
    EXPECT_EQ(shipped.EnglishName, "German");
    EXPECT_EQ(shipped.NativeName, u"Deutsch");
    EXPECT_FALSE(shipped.IsNative);
    EXPECT_EQ(LanguageItem("English")->text(), "English");
    EXPECT_EQ(LanguageItem("German")->text(), "German");

    Choose("German");
    EXPECT_TRUE(LanguageItem("German")->isChecked());
    EXPECT_EQ(LanguageItem("German")->text(), "Deutsch");
    EXPECT_EQ(LanguageItem("English")->text(), "English");
    // The library built from it names the language the same way.
    const TDLLInfoItem library = TQLocUtils::Instance().GetResourceInfo();
    EXPECT_EQ(library.AnsiName, "German");
    EXPECT_EQ(library.WideName, u"Deutsch");

    Choose("English");
    EXPECT_EQ(LanguageItem("German")->text(), "German");
}

TEST_F(LanguageSwitchTest, TheProgramMayLeaveALanguageOutOfTheMenu) {
    TranslateHooks().OnLanguageMenuItem = [](const TLFInfo& language, QAction& item, bool& skip) {
        skip = language.LanguageId == 0x407;
        item.setStatusTip("seen");
    };
    Restart();
    TranslateHooks() = {};
    EXPECT_EQ(form_->findChild<QAction*>("MenuLanguageGerman"), nullptr);
    EXPECT_EQ(LanguageItem("English")->statusTip(), "seen");
    EXPECT_EQ(testing::Find<QMenu>(*form_, "MenuLanguage")->actions().size(), 1);
}

TEST_F(LanguageSwitchTest, AFileWithoutAnEnglishNameIsCaptionedByItsLocale) {
    // The English name's 16-bit length sits after the signature, version, two stamps, language and extra word.
    constexpr size_t nameAt = 16;
    ASSERT_EQ(german_.substr(nameAt, 8), std::string("\x06\0German", 8));
    folder.Write("program/kestrune.deu.lng", german_.substr(0, nameAt) + std::string(2, '\0') + german_.substr(nameAt + 8));
    Restart();
    EXPECT_EQ(LanguageItem("German (Germany)")->text(), "German (Germany)");
    LanguageItem("German (Germany)")->trigger();
    EXPECT_EQ(FileMenu(), "&Datei");
    EXPECT_EQ(LanguageItem("German (Germany)")->text(), "Deutsch");
}

TEST_F(LanguageSwitchTest, AMissingNativeFileIsToldAndTheProgramStartsInItsOwnLanguage) {
    const std::string native = folder / "program/kestrune.ntv.lng";
    fs::remove(native);
    Restart();
    const std::string told = "Language file \"" + native + "\" is not found";
    EXPECT_EQ(StartBoxes(), std::vector<std::string>{told});
    EXPECT_EQ(FileMenu(), "&File");
    EXPECT_TRUE(LanguageItem("English")->isChecked());
    // German cannot be read without the native texts: told, and English stays.
    Choose("German");
    EXPECT_EQ(errors_, std::vector<std::string>{told});
    EXPECT_EQ(FileMenu(), "&File");
    EXPECT_TRUE(LanguageItem("English")->isChecked());
    EXPECT_EQ(resStr(res::SStop), "Stop");

    // Nobody at the screen: the same on standard error.
    TDialogService::Instance().SetMode(TDialogService::Mode::Unattended);
    ::testing::internal::CaptureStderr();
    Restart();
    const std::string output = ::testing::internal::GetCapturedStderr();
    TDialogService::Instance().SetMode(TDialogService::Mode::Scripted);
    EXPECT_NE(output.find("kestrune: Localizer Error: " + told + "\n"), std::string::npos) << output;
}

TEST_F(LanguageSwitchTest, AStoredLanguageWhoseFileIsDamagedStartsWholeInEnglish) {
    const auto native = Texts(*form_);
    // Cut short (its header whole, so listed); its language id 0, which is
    // no language (not the user's own): the header is damaged and the file
    // left out of the menu.
    std::string languageZero = german_;
    languageZero[12] = languageZero[13] = '\0';
    const struct {
        std::string Bytes;
        bool Listed;
    } damages[] = {{german_.substr(0, german_.size() / 2), true}, {languageZero, false}};
    for (const auto& damaged : damages) {
        Choose("German");
        folder.Write("program/kestrune.deu.lng", damaged.Bytes);
        Restart();
        EXPECT_EQ(StartBoxes(), std::vector<std::string>{DamagedGerman()}) << "the box names the file";
        EXPECT_EQ(Localizer().CurrentLanguage, 9);
        EXPECT_EQ(Differences(Texts(*form_), native), damaged.Listed ? "" : "MenuLanguageGerman/a: (none) / German\n");
        EXPECT_EQ(resStr(res::SStop), "Stop");
        EXPECT_TRUE(LanguageItem("English")->isChecked());
        EXPECT_EQ(Stored(), "DEU") << "the user's choice stands, for the file mended";
        folder.Write("program/kestrune.deu.lng", german_);
        // The menu works: once the file is whole again, German is taken;
        // a file the menu left out is taken at the next start, as chosen.
        if (damaged.Listed) Choose("German");
        else Restart();
        EXPECT_EQ(FileMenu(), "&Datei");
        EXPECT_EQ(resStr(res::SStop), "Anhalten");
    }
}

TEST_F(LanguageSwitchTest, AFailedSwitchLeavesNothingHalfReadAndARetryAfterRepairSwitches) {
    const auto native = Texts(*form_);
    // The library of an earlier switch fits the damaged file's whole header: it must not stay in use.
    Choose("German");
    Choose("English");
    folder.Write("program/kestrune.deu.lng", german_.substr(0, german_.size() / 2));
    Restart();
    Choose("German");
    EXPECT_EQ(errors_, std::vector<std::string>{DamagedGerman()});
    EXPECT_EQ(Differences(Texts(*form_), native), "");
    EXPECT_EQ(resStr(res::SStop), "Stop");
    EXPECT_EQ(Localizer().Storage.LanguageCount(), 1u);
    EXPECT_EQ(Stored(), "EXE");
    EXPECT_TRUE(LanguageItem("English")->isChecked());

    folder.Write("program/kestrune.deu.lng", german_);
    Choose("German");
    EXPECT_EQ(FileMenu(), "&Datei");
    EXPECT_EQ(testing::Find<QAbstractButton>(*form_, "ButtonOpen")->text(), QString::fromUtf8("Öffnen"));
    EXPECT_EQ(resStr(res::SStop), "Anhalten");
    EXPECT_EQ(Stored(), "DEU");
}

TEST_F(LanguageSwitchTest, SwitchesOpenWindowsRemembersAndSwitchesBackExactly) {
    const auto native = Texts(*form_);
    Choose("German");
    EXPECT_TRUE(errors_.empty());
    EXPECT_EQ(FileMenu(), "&Datei");
    EXPECT_EQ(testing::Find<QAction>(*form_, "MenuOpen")->text(), QString::fromUtf8("Ö&ffnen..."));
    EXPECT_EQ(resStr(SLanguageNotFound), "Die Sprache „%s“ wurde nicht gefunden");
    EXPECT_TRUE(FileExists(Library()));
    EXPECT_EQ(Stored(), "DEU");
    EXPECT_TRUE(testing::Find<QAction>(*form_, "MenuLanguageGerman")->isChecked());
    // Every text the code sets has its German.
    const std::vector<TTranslationRow> table = GermanTable();
    for (const TResourceString& text : ProgramResourceStrings())
        EXPECT_TRUE(std::any_of(table.begin(), table.end(), [&](const TTranslationRow& row) { return row.Name == text.name; })) << text.name;
    // ... and fills in as many values as the English, so that a refusal still names the file, line or count.
    const auto values = [](const std::string& text) { return std::ranges::distance(std::views::split(text, std::string_view("%s"))) - 1; };
    for (const TTranslationRow& row : table)
        if (row.Node.starts_with("@")) { EXPECT_EQ(values(row.Translation), values(row.Native)) << row.Name; }
    EXPECT_EQ(resStr(res::SReadingData), "Daten werden gelesen...");
    // A sentence that reads one way only: no pass can have the file's date, not the date no pass.
    EXPECT_EQ(FormatResStr(res::SFileDateImpossible, {"1970-06-01"}),
              "Kein Überflug kann das Datum der Datei (1970-06-01) haben: es datiert den Überflug nicht");
    // The loader, below the windows, speaks it as well.
    folder.Write("data/short.wsd", std::string(100, '\0'));
    form_->Core().LoadDataFile(folder / "data/short.wsd");
    EXPECT_EQ(testing::Find<QLabel>(*form_, "LabelProgress")->text(), QString::fromUtf8("Lesen abgebrochen oder Fehler beim Lesen..."));

    Restart();
    EXPECT_TRUE(errors_.empty());
    EXPECT_EQ(Localizer().CurrentLanguage, 0x407);
    EXPECT_EQ(FileMenu(), "&Datei");
    EXPECT_TRUE(testing::Find<QAction>(*form_, "MenuLanguageGerman")->isChecked());

    Choose("English");
    EXPECT_EQ(Differences(Texts(*form_), native), "");
    EXPECT_EQ(resStr(SLanguageNotFound), "Language \"%s\" is not found");
    EXPECT_EQ(Stored(), "EXE");
}

TEST_F(LanguageSwitchTest, EveryMenuItemOfTheMainWindowHasGerman) {
    const std::vector<TTranslationRow> table = GermanTable();
    const auto german = [&](const QString& name) {
        return std::any_of(table.begin(), table.end(), [&](const TTranslationRow& row) { return row.Node == "FormMain" && row.Name == name.toStdString(); });
    };
    for (QAction* item : form_->findChildren<QAction*>()) {
        if (!item->text().isEmpty() && !item->objectName().isEmpty() && !item->objectName().startsWith("MenuLanguage"))
            { EXPECT_TRUE(german(item->objectName())) << item->objectName().toStdString() << " " << item->text().toStdString(); }
    }
    for (QMenu* menu : form_->findChildren<QMenu*>()) {
        if (!menu->title().isEmpty()) { EXPECT_TRUE(german(menu->objectName())) << menu->objectName().toStdString(); }
    }
}

// Alt and a letter reach one item of a menu, in either language.
TEST_F(LanguageSwitchTest, EveryMenusAcceleratorsAreDistinctInBothLanguages) {
    const auto check = [this](const char* language) {
        std::vector<QWidget*> menus{form_->menuBar()};
        for (QMenu* menu : form_->findChildren<QMenu*>()) menus.push_back(menu);
        for (QWidget* menu : menus) {
            std::map<QChar, QString> taken;
            for (QAction* item : menu->actions()) {
                const QString text = item->text();
                const qsizetype at = text.indexOf(QRegularExpression("&[^&]"));
                if (item->isSeparator() || at < 0) continue;
                const auto [known, added] = taken.emplace(text[at + 1].toLower(), text);
                EXPECT_TRUE(added) << language << ": \"" << text.toStdString() << "\" and \""
                                   << known->second.toStdString() << "\" in " << menu->objectName().toStdString();
            }
        }
    };
    check("English");
    Choose("German");
    check("German");
}

// The table's English of the windows made on demand is what they show: setting it changes nothing.
TEST_F(LanguageSwitchTest, TheTablesEnglishIsWhatTheWindowsMadeOnDemandShow) {
    QPrinter printer;
    TFormOverlayStyle overlays(form_.get(), ReadOverlayOptions(form_->Core()));
    TFormStandardName names(form_.get(), {"%Y%M%D", true, false, true});
    TFormPrint print(form_.get(), printer);
    TFormLoadCLUT clut(form_.get(), folder / "program/");
    TFireSettings fireSettings;
    TFormFireDetectionControl fire(form_.get(), fireSettings);
    TFormResiduals residuals(form_.get(), std::make_shared<TResidualTable>());
    TFormPrinterSetup setup(form_.get(), printer);
    for (QWidget* window :
         std::initializer_list<QWidget*>{&overlays, &names, &print, &clut, &fire, &residuals, &setup}) {
        const auto shown = Texts(*window);
        TranslateFormObject(*window, Localizer());
        EXPECT_EQ(Differences(Texts(*window), shown), "") << window->objectName().toStdString();
    }
}

TEST_F(LanguageSwitchTest, TranslatesSecondaryWindowsAndKeepsTheSidePanelChoices) {
    {
        const testing::TDirectionAnswerer answerer;
        form_->Core().LoadDataFile(WritePass());
    }
    auto* tabs = testing::Find<QTabBar>(*form_, "TabControlImage");
    ASSERT_GT(tabs->count(), 10);
    const int selected = tabs->currentIndex();
    auto* goTo = testing::Find<QDialog>(*form_, "FormGoToLocation");
    goTo->show();
    auto& gamma = dynamic_cast<TqelComboBox&>(*testing::Find<QWidget>(*form_, "ComboBoxGammaCorrectFC"));
    auto& range = dynamic_cast<TqelRadioGroup&>(*testing::Find<QWidget>(*form_, "RadioGroupSstDisplayRange"));
    gamma.SetItemIndex(4);
    range.SetItemIndex(3);
    form_->show();
    const auto nativeMain = Texts(*form_);
    const auto nativeGoTo = Texts(*goTo);

    Choose("German");
    EXPECT_EQ(goTo->windowTitle(), QString::fromUtf8("Talvessa – Gehe zu ..."));
    EXPECT_EQ(testing::Find<QAbstractButton>(*goTo, "ButtonCancel")->text(), "Abbrechen");
    EXPECT_EQ(testing::Find<QTableWidget>(*goTo, "StringGridGoToLocation")->horizontalHeaderItem(3)->text(), QString::fromUtf8("Länge"));
    EXPECT_EQ(range.Button(3)->text(), QString::fromUtf8("Heiß"));
    EXPECT_EQ(gamma.ItemIndex(), 4);
    EXPECT_EQ(range.ItemIndex(), 3);
    EXPECT_TRUE(gamma.toolTip().startsWith(QString::fromUtf8("Wert – Betonung\n0.6 – Wolken stark\n")));
    EXPECT_EQ(gamma.toolTip().count('\n'), 7);
    EXPECT_EQ(testing::Find<QAbstractButton>(*form_, "BitBtnSaveTemps")->text(), "Speichern\nTemp.");
    EXPECT_TRUE(testing::Find<QLabel>(*form_, "LabelExplain")->text().startsWith("Geben Sie"));
    EXPECT_EQ(tabs->tabText(0), "Alle");
    EXPECT_EQ(tabs->currentIndex(), selected);
    EXPECT_EQ(testing::Find<QLabel>(*form_, "LabelMapping")->text(), "Falschfarben");
    // The side panel is laid out again for the German captions.
    const std::string shown = form_->Core().View.SelectedTab();
    for (const char* view : {"False colour", "SST", "Temperature"}) {
        form_->Core().SelectView(view);
        EXPECT_EQ(testing::ClippedControls(*testing::Find<QWidget>(*form_, "PanelSide")), std::vector<std::string>{})
            << view;
    }
    form_->Core().SelectView(shown);

    Choose("English");
    EXPECT_EQ(Differences(Texts(*goTo), nativeGoTo), "");
    EXPECT_EQ(Differences(Texts(*form_), nativeMain), "");
    EXPECT_EQ(gamma.ItemIndex(), 4);
    EXPECT_EQ(range.ItemIndex(), 3);
}

TEST_F(LanguageSwitchTest, WindowsMadeBeforeOrAfterAStartInGermanComeUpInGerman) {
    const auto Fire = [this] { return testing::Find<QDialog>(*form_, "FormFireDetectionControl"); };
    Fire()->show();
    const auto nativeFire = Texts(*Fire());
    Choose("German");
    EXPECT_EQ(Fire()->windowTitle(), "Branderkennung einrichten");
    EXPECT_EQ(testing::Find<QComboBox>(*Fire(), "ComboBoxFireAvgMethod")->itemText(0), "Mittelwert");
    EXPECT_EQ(testing::Find<QTabWidget>(*Fire(), "PageControl")->tabText(2), "Erweitert");

    Restart();
    // Made at the start, before any switch, and not yet shown.
    EXPECT_EQ(Fire()->windowTitle(), "Branderkennung einrichten");
    EXPECT_EQ(testing::Find<QDialog>(*form_, "FormGoToLocation")->windowTitle(), QString::fromUtf8("Talvessa – Gehe zu ..."));
    EXPECT_TRUE(testing::Find<QLabel>(*Fire(), "LabelExplain")->text().startsWith("Geben Sie"));
    EXPECT_EQ(testing::Find<QAbstractButton>(*form_, "ButtonOpen")->text(), QString::fromUtf8("Öffnen"));
    EXPECT_EQ(testing::Find<QAbstractButton>(*form_, "ButtonNorth")->text(), QString::fromUtf8("Nordwärts"));
    {
        // Made when it is needed.
        TFormLoadCLUT clut(form_.get(), folder / "program/");
        const auto nativeClut = Texts(clut);
        clut.show();
        EXPECT_EQ(clut.windowTitle(), QString::fromUtf8("Farbtabelle wählen"));
        EXPECT_EQ(testing::Find<QAbstractButton>(clut, "ButtonStandardLUT")->toolTip(), QString::fromUtf8("Zur mitgelieferten Farbtabelle zurückkehren"));
        Choose("English");
        EXPECT_EQ(Differences(Texts(clut), nativeClut), "");
    }
    Fire()->show();
    EXPECT_EQ(Differences(Texts(*Fire()), nativeFire), "");
    EXPECT_EQ(testing::Find<QComboBox>(*Fire(), "ComboBoxFireAvgMethod")->itemText(0), "Average");
    EXPECT_TRUE(errors_.empty());
}

TEST_F(LanguageSwitchTest, RebuildsTheLibraryOnlyForAChangedLanguageFile) {
    Choose("German");
    Choose("English");
    const auto old = fs::last_write_time(Library()) - std::chrono::hours(1);
    fs::last_write_time(Library(), old);
    Choose("German");
    EXPECT_EQ(fs::last_write_time(Library()), old);

    Choose("English");
    std::vector<TTranslationRow> table = GermanTable();
    table[1].Translation = "&Datei!";
    TLocStorage storage = ProgramNativeDictionary(table);
    folder.Write("program/kestrune.deu.lng", WriteTranslation(storage, {table.begin() + 1, table.end()}, 0x407, "German", u"Deutsch"));
    Restart();
    Choose("German");
    EXPECT_NE(fs::last_write_time(Library()), old);
    EXPECT_EQ(TQLocUtils::Instance().GetResourceInfo().LanguageId, 0x407u);
}

TEST_F(LanguageSwitchTest, DamagedFilesAreRefusedAndTheLanguageKept) {
    // A damaged library is built again.
    Choose("German");
    Choose("English");
    folder.Write("program/kestrune.DEU", "MZ damaged");
    Choose("German");
    EXPECT_TRUE(errors_.empty());
    EXPECT_EQ(FileMenu(), "&Datei");
    Choose("English");

    // A damaged language file stays out of the menu; switching to it is refused and English stays.
    folder.Write("program/kestrune.deu.lng", german_.substr(0, german_.size() / 2));
    Restart();
    EXPECT_EQ(Localizer().Languages.size(), 2u);  // its header is whole
    Choose("German");
    ASSERT_EQ(errors_.size(), 1u);
    EXPECT_EQ(errors_[0], DamagedGerman());
    EXPECT_EQ(Localizer().CurrentLanguage, 9);
    EXPECT_EQ(FileMenu(), "&File");

    // A file whose header is cut is left out of the menu.
    folder.Write("program/kestrune.deu.lng", "LF");
    Restart();
    EXPECT_EQ(Localizer().Languages.size(), 1u);
    // A language with no file at all.
    Localizer().SwitchToExtension("FRA");
    EXPECT_EQ(errors_.back(), FormatRes("Language \"%s\" is not found", GetLocaleEnglishName(AbbrevNameToLocale("FRA"))));
    EXPECT_EQ(FileMenu(), "&File");
}

// Qt's own texts come from Qt's catalogue of the language in effect, at the start and at every switch.
TEST_F(LanguageSwitchTest, QtsOwnTextsAndTheOpenDialogsFiltersSpeakTheLanguageShown) {
    const TQtTexts english = QtTexts();
    EXPECT_EQ(english.Texts, (std::vector<std::string>{"Look in:", "File &name:", "Files of type:", "Open", "Cancel", "HRPT files",
                                                       "All files", "&Yes", "&No", "&Undo"}));
    Choose("German");
    const TQtTexts german = QtTexts();
    EXPECT_EQ(german.Texts, (std::vector<std::string>{"Suchen in:", "Datei&name:", "Dateien des Typs:", "Öffnen", "Abbrechen",
                                                      "HRPT-Dateien", "Alle Dateien", "&Ja", "&Nein", "&Rückgängig"}));
    Restart();
    EXPECT_EQ(QtTexts().Texts, german.Texts) << "a start in German";
    Choose("English");
    EXPECT_EQ(QtTexts().Texts, english.Texts);
}

TEST_F(LanguageSwitchTest, TheCaptionAndTheHelpWindowSpeakTheLanguageShown) {
    const std::vector<std::string> english{"Talvessa from Morvane, Kelbourne", "Talvessa help", "Find:", "Contents", "Index", "Back", "Forward", "Search"};
    EXPECT_EQ(CaptionAndHelp(), english);
    Choose("German");
    const std::vector<std::string> german{"Talvessa von Morvane, Kelbourne", "Talvessa-Hilfe", "Suchen nach:", "Inhalt", "Index", "Zurück", "Vorwärts", "Suchen"};
    EXPECT_EQ(CaptionAndHelp(), german);
    // A page's title follows the window's.
    auto& help = static_cast<THelpWindow&>(*testing::Find<QWidget>(*form_, "FormHelp"));
    help.ShowHelp(THelpDisplay::Index, form_->Core().HelpFileName, {});
    EXPECT_TRUE(help.windowTitle().startsWith("Talvessa-Hilfe - ")) << help.windowTitle().toStdString();
    help.close();
    Restart();
    EXPECT_EQ(CaptionAndHelp(), german) << "a start in German";
    // A pass's caption names its format in the language too, and follows a switch at once; the pass's name stays.
    {
        const testing::TDirectionAnswerer answerer;
        form_->Core().LoadDataFile(WritePass());
    }
    const QString passCaption = form_->windowTitle();
    EXPECT_TRUE(passCaption.endsWith("-Format)")) << passCaption.toStdString();
    Choose("English");
    EXPECT_EQ(form_->windowTitle().toStdString(), QString(passCaption).replace("-Format)", " format)").toStdString());
    Choose("German");
    EXPECT_EQ(form_->windowTitle(), passCaption);
    Choose("English");
    const std::vector<std::string> shown = CaptionAndHelp();
    EXPECT_EQ(std::vector<std::string>(shown.begin() + 1, shown.end()), std::vector<std::string>(english.begin() + 1, english.end()));
    Restart();
    EXPECT_EQ(CaptionAndHelp(), english);
}

// The hint under the picture is made again at a switch, not only when the pointer next leaves the picture.
TEST_F(LanguageSwitchTest, TheCursorUnitsHintIsMadeAgainAtASwitch) {
    auto* hint = testing::Find<QLabel>(*form_, "LabelCursor");
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(testing::Find<QWidget>(*form_, "ImageDisplay"), &leave);
    EXPECT_EQ(hint->text(), QString::fromUtf8("Click to make\ntemperature\nunits °F"));
    Choose("German");
    EXPECT_EQ(hint->text(), QString::fromUtf8("Klicken für\nTemperatur\nin °F"));
    Choose("English");
    EXPECT_EQ(hint->text(), QString::fromUtf8("Click to make\ntemperature\nunits °F"));
}

TEST_F(LanguageSwitchTest, ADamagedNativeFileIsNamedAndTheProgramStartsWholeInItsOwnLanguage) {
    const auto native = Texts(*form_);
    Choose("German");
    const std::string path = folder / "program/kestrune.ntv.lng";
    const std::string whole = Shipped("kestrune.ntv.lng");
    folder.Write("program/kestrune.ntv.lng", whole.substr(0, whole.size() / 2));
    Restart();
    EXPECT_EQ(StartBoxes(), std::vector<std::string>{"Invalid file format: " + path});
    EXPECT_EQ(Localizer().CurrentLanguage, 9);
    EXPECT_EQ(resStr(res::SStop), "Stop");
    EXPECT_EQ(Differences(Texts(*form_), native), "");
    EXPECT_TRUE(LanguageItem("English")->isChecked());
    // German cannot be read against it: told for the same reason, not as a file that is missing.
    Choose("German");
    EXPECT_EQ(errors_, std::vector<std::string>{"Invalid file format: " + path});
    EXPECT_EQ(FileMenu(), "&File");
    // The choice waits for the file to be whole again.
    EXPECT_EQ(Stored(), "DEU");
    folder.Write("program/kestrune.ntv.lng", whole);
    Restart();
    EXPECT_TRUE(StartBoxes().empty());
    EXPECT_EQ(FileMenu(), "&Datei");
    EXPECT_TRUE(LanguageItem("German")->isChecked());
}

// Started on a pass: the box is told over the shown window before the pass asks its direction.
TEST_F(LanguageSwitchTest, TheStartsErrorIsToldBeforeAPassOnTheCommandLineAsks) {
    const std::string path = folder / "program/kestrune.ntv.lng";
    folder.Write("program/kestrune.ntv.lng", Shipped("kestrune.ntv.lng").substr(0, 300));
    form_.reset();
    Localizer().Reset();
    TDialogService::Instance().ClearScript();
    StartLocalizer();
    form_ = std::make_unique<TFormMain>(TParams{WritePass()});
    std::vector<std::string> toldWhenAsked{"(not asked)"};
    testing::WhenModal<TFormPassDirection>([&](TFormPassDirection& direction) {
        toldWhenAsked = StartBoxes();
        testing::Find<QPushButton>(direction, "ButtonNorth")->click();
    });
    form_->show();
    EXPECT_TRUE(testing::WaitFor([&] { return form_->Core().PassLoaded(); }));
    EXPECT_EQ(toldWhenAsked, std::vector<std::string>{"Invalid file format: " + path});
}

TEST_F(LanguageSwitchTest, AStoredLanguageWhoseFileIsGoneStartsWholeInEnglishThoughItsLibraryIsLeft) {
    const auto native = Texts(*form_);
    Choose("German");
    fs::remove(folder / "program/kestrune.deu.lng");
    ASSERT_TRUE(FileExists(Library()));
    Restart();
    EXPECT_EQ(StartBoxes(), std::vector<std::string>{FormatRes("Language \"%s\" is not found", GetLocaleEnglishName(0x407))});
    EXPECT_EQ(Localizer().CurrentLanguage, 9);
    EXPECT_EQ(resStr(res::SStop), "Stop");
    EXPECT_EQ(Differences(Texts(*form_), native), "MenuLanguageGerman/a: (none) / German\n") << "only the menu lacks German";
    EXPECT_TRUE(LanguageItem("English")->isChecked());
}

// Texts the windows make in code: the About box's version texts, the channels of the analyst's windows.
TEST_F(LanguageSwitchTest, TheAboutBoxAndTheChannelNamesOfTheAnalystsWindowsHaveTheirGerman) {
    {
        const testing::TDirectionAnswerer answerer;
        form_->Core().LoadDataFile(WritePass());
    }
    Choose("German");
    std::string version, trademarks, mapData;
    testing::WhenModal<TFormAboutBox>([&](TFormAboutBox& about) {
        version = testing::Find<QLabel>(about, "Version")->text().toStdString();
        trademarks = testing::Find<QLabel>(about, "Comments")->text().toStdString();
        mapData = testing::Find<QLabel>(about, "LabelMapData")->text().toStdString();
        about.reject();
    });
    testing::Find<QAction>(*form_, "HelpAbout")->trigger();
    EXPECT_TRUE(version.ends_with(", kalibrierte, geortete Bilder und Daten polarumlaufender Wettersatelliten")) << version;
    EXPECT_EQ(trademarks, "Talvessa ist eine Marke von Morvane, Kelbourne");
    EXPECT_TRUE(mapData.starts_with("Kartendaten: Küstenlinien")) << mapData;

    QStringList colours;
    testing::WhenModal<TFormHistogramAdjust>([&](TFormHistogramAdjust& adjust) {
        for (QRadioButton* colour : adjust.findChildren<QRadioButton*>()) colours << colour->text();
        testing::Find<QPushButton>(adjust, "ButtonCancel")->click();
    });
    testing::Find<QPushButton>(*form_, "ButtonAdjHistogram")->click();
    EXPECT_EQ(colours.filter(QRegularExpression("^[RGB]  \\[K \\d+\\]$")).size(), 3) << colours.join(", ").toStdString();

    const auto channelLabels = [this] {
        QStringList labels;
        testing::WhenModal<QDialog>([&](QDialog& histograms) {
            for (const char* label : {"LabelChan1", "LabelChan10"}) labels << testing::Find<QLabel>(histograms, label)->text();
            histograms.reject();
        });
        testing::Find<QAction>(*form_, "MenuViewHistograms")->trigger();
        return labels.join(", ").toStdString();
    };
    EXPECT_EQ(channelLabels(), "K 1, K 10");
    QWidget& direction = *testing::Find<QWidget>(*form_, "FormPassDirection");
    EXPECT_EQ(testing::Find<QAbstractButton>(direction, "ButtonCh24")->text(), "K 2 + 4");
    Choose("English");
    EXPECT_EQ(channelLabels(), "Ch 1, Ch 10");
    EXPECT_EQ(testing::Find<QAbstractButton>(direction, "ButtonCh45")->text(), "Ch 4 + 5");
}

// The pass browser and its shell views: the buttons, the column heads, the
// kinds of item, the desktop and an item's menu follow a switch at once, and come back.
TEST_F(LanguageSwitchTest, ThePassBrowserAndItsShellViewsSpeakTheLanguageShown) {
    const std::string day = folder / "archive/2023/05/03/";
    fs::create_directories(day + "late");
    folder.Write("archive/2023/05/03/2023-05-03-1200_NOAA18.thumb.jpg", "preview");
    auto& browser = *testing::Find<TFormBrowseAVHRR>(*form_, "FormBrowseAVHRR");
    browser.show();
    QCoreApplication::processEvents();
    browser.HyShellTreeBrowse->SetSelectedPath(Utf8ToUtf16(day));
    browser.HyShellTreeBrowseClick();
    browser.HyShellTreeBrowse->RunPendingTimerWork();
    const auto shown = [&browser, &day] {
        std::vector<std::string> texts;
        for (const char* button : {"ButtonToday", "ButtonOpen", "ButtonCancel"})
            texts.push_back(testing::Find<QAbstractButton>(browser, button)->text().toStdString());
        texts.push_back(browser.BitBtnYesterday->toolTip().toStdString());
        const QAbstractItemModel& list = browser.HyShellListBrowse->Model();
        for (int column = 0; column < list.columnCount(); ++column)
            texts.push_back(list.headerData(column, Qt::Horizontal).toString().toStdString());
        std::vector<std::string> types;
        for (int row = 0; row < list.rowCount(); ++row) types.push_back(list.index(row, 2).data().toString().toStdString());
        std::sort(types.begin(), types.end());
        texts.insert(texts.end(), types.begin(), types.end());
        texts.push_back(browser.HyShellTreeBrowse->model()->index(0, 0).data().toString().toStdString());
        std::vector<shell::TMenuCommand> menu;
        shell::ItemsContextMenu({*IdListFromPath(day + "late")})->QueryContextMenu(menu, 1, 100, 0);
        for (const shell::TMenuCommand& item : menu) texts.push_back(item.Text);
        return texts;
    };
    const std::vector<std::string> english{"Today", "Open", "Cancel", "Previous day", "Name", "Size", "Type",
                                           "Date Modified", "File folder", "JPG File", "Desktop", "&Open", "Cu&t", "&Copy",
                                           "&Paste", "&Delete", "Rena&me"};
    EXPECT_EQ(shown(), english);
    Choose("German");
    EXPECT_EQ(shown(), (std::vector<std::string>{"Heute", "Öffnen", "Abbrechen", "Vorheriger Tag", "Name", "Größe", "Typ",
                                                 "Änderungsdatum", "Dateiordner", "JPG-Datei", "Schreibtisch", "Ö&ffnen",
                                                 "&Ausschneiden", "&Kopieren", "&Einfügen", "&Löschen", "&Umbenennen"}));
    Choose("English");
    EXPECT_EQ(shown(), english);
    browser.reject();
}

// Texts made from a pass's values (the telemetry window) and the file dialogs' captions and filters.
TEST_F(LanguageSwitchTest, TheTelemetryAndTheFileDialogsSpeakTheLanguageShown) {
    {
        const testing::TDirectionAnswerer answerer;
        form_->Core().LoadDataFile(WritePass());
    }
    const auto telemetry = [this] {
        testing::Find<QAction>(*form_, "MenuViewTelemetry")->trigger();
        return TDialogService::Instance().Requests().back().text;
    };
    const std::string english = telemetry();
    EXPECT_NE(english.find("=> measured blackbody temp "), std::string::npos) << english;
    Choose("German");
    const std::string german = telemetry();
    for (const char* word : {"Telemetriewerte", "=> gemessene Schwarzkörpertemperatur ", "=> scheinbare Schwarzkörpertemperatur ch4 = "})
        EXPECT_NE(german.find(word), std::string::npos) << word << " in " << german;
    for (const char* word : {"Telemetry", "blackbody", "measured", "apparent"})
        EXPECT_EQ(german.find(word), std::string::npos) << word << " in " << german;
    // The system's reasons that the shell's messages give.
    EXPECT_EQ(SysErrorMessage(ERROR_ACCESS_DENIED), "Zugriff verweigert.");
    EXPECT_EQ(SysErrorMessage(ERROR_DISK_FULL), "Auf dem Datenträger ist nicht genügend Speicherplatz vorhanden.");

    // Each dialog's caption and filters, as it opens.
    const auto dialogTexts = [](const std::function<void()>& open) {
        std::vector<std::string> texts;
        testing::WhenModal<QFileDialog>([&texts](QFileDialog& dialog) {
            texts.push_back(dialog.windowTitle().toStdString());
            for (const QString& filter : dialog.nameFilters()) texts.push_back(filter.toStdString());
            static_cast<QDialog&>(dialog).reject();
        });
        open();
        return texts;
    };
    std::vector<std::string> load, save;
    testing::WhenModal<TFormHistogramAdjust>([&](TFormHistogramAdjust& adjust) {
        load = dialogTexts([&adjust] { testing::Find<QPushButton>(adjust, "ButtonLoad")->click(); });
        save = dialogTexts([&adjust] { testing::Find<QPushButton>(adjust, "ButtonSave")->click(); });
        testing::Find<QPushButton>(adjust, "ButtonCancel")->click();
    });
    testing::Find<QPushButton>(*form_, "ButtonAdjHistogram")->click();
    EXPECT_EQ(load, (std::vector<std::string>{"Kennliniendatei öffnen", "Kennliniendateien (*.xfr)"}));
    EXPECT_EQ(save, (std::vector<std::string>{"Kennliniendatei speichern", "Kennliniendateien (*.xfr)"}));
    EXPECT_EQ(dialogTexts([this] { testing::Find<QPushButton>(*form_, "ButtonBrowseLandSeaMask")->click(); }).front(),
              "Land-See-Maske");
    QFileDialog locate;
    TFormOverlayStyle::ConfigureLocateDialog(locate, "", true);
    EXPECT_EQ(locate.nameFilters(), (QStringList{"Datendateien (*.dat)", "GSHHS-Dateien (*.b)", "KML-Dateien (*.kml)", "Alle Dateien (*)"}));
}

// The loader's and the settings store's messages follow a switch: a pass log
// line that had to go elsewhere, then nowhere, a Meteor recording refused, a
// save of the settings that their place refuses.
TEST_F(LanguageSwitchTest, TheLoadersAndTheSettingsMessagesSpeakTheLanguageShown) {
    Choose("German");
    const auto boxAfter = [](const std::function<void()>& act) {
        const size_t before = TDialogService::Instance().Requests().size();
        act();
        const auto& requests = TDialogService::Instance().Requests();
        std::string texts;
        for (size_t k = before; k < requests.size(); ++k) texts += requests[k].text + "\n";
        return texts;
    };
    const std::string pass = WritePass();
    const std::string mine = UserDataFolder() + "processed.lst";
    fs::create_directories(folder / "program/processed.lst");
    const auto load = [&](const std::string& file) {
        return boxAfter([&] {
            const testing::TDirectionAnswerer answerer;
            form_->Core().LoadDataFile(file);
        });
    };
    const std::string elsewhere = load(pass);
    EXPECT_NE(elsewhere.find("Der Überflug konnte nicht in processed.lst eingetragen werden: "), std::string::npos) << elsewhere;
    EXPECT_NE(elsewhere.find("ist ein Ordner: dort bleibt alles unverändert"), std::string::npos) << elsewhere;
    EXPECT_NE(elsewhere.find("; seine Zeile steht nun in " + mine), std::string::npos) << elsewhere;
    fs::remove(mine);
    fs::create_directories(mine);
    const std::string nowhere = load(pass);
    EXPECT_NE(nowhere.find("; auch nicht in " + mine + ": "), std::string::npos) << nowhere;
    EXPECT_NE(nowhere.find("; seine Zeile wurde nirgends gespeichert"), std::string::npos) << nowhere;

    // What an unattended run would tell of the pass had it been dated by its file and not located.
    TPassState& loaded = form_->Core().Pass;
    loaded.DateChoice.Rule = TIdentityRule::FileDate;
    loaded.EarthLocations->LocationsValid = false;
    std::string warnings;
    for (const std::string& line : LoadWarnings(loaded, "")) warnings += line + "\n";
    EXPECT_NE(warnings.find("Der Überflug ist nach dem Datum der Datei datiert ("), std::string::npos) << warnings;
    EXPECT_NE(warnings.find("Der Überflug ist nicht geortet: "), std::string::npos) << warnings;

    const std::string recording = folder / "data/2023-05-03-0900-METEOR.mn2";
    { std::ofstream{recording}; }
    fs::resize_file(recording, static_cast<uintmax_t>(MostMeteorRecordingBytes) + 1);
    load(recording);
    // The cause a refused load gives (the unattended run's stderr line).
    const std::string meteor = form_->Core().Pass.LoadFailure;
    EXPECT_NE(meteor.find("Die Meteor-M-N2-Datei konnte nicht umgewandelt werden: 2023-05-03-0900-METEOR.mn2 enthält " +
                          std::to_string(MostMeteorRecordingBytes + 1) + " Bytes, mehr als die Aufzeichnung des längsten Überflugs"),
              std::string::npos) << meteor;

    // An element archive refused for its cut lines: the user is told in German, the diagnostics keep English.
    const test::TElementLines set = test::MakeElementLines(25338, 2023, 122.5, 98.9, 150.0, 0.0, 14.125, 30000);
    folder.Write("elements/Keps/NOAA-15.txt", set.Line1.substr(0, 40) + "\n" + set.Line2.substr(0, 40) + "\n");
    TKeplerData keplers;
    keplers.KeplerBaseFolder = folder / "elements/";
    std::string line1, line2, mainSource, updateSource;
    double age = 0.0;
    const std::string elements = boxAfter([&] {
        EXPECT_FALSE(keplers.GetElements("NOAA-15", "25338", EncodeDate(2023, 5, 3), false, line1, line2, mainSource,
                                         updateSource, age));
    });
    EXPECT_NE(elements.find("enthält keinen verwendbaren Bahnelementesatz: Zeile 1, auf 40 Zeichen gekürzt, nicht 69"),
              std::string::npos) << elements;
    EXPECT_TRUE(std::ranges::any_of(keplers.Findings, [](const std::string& finding) {
        return finding.find("cut to 40 characters, not 69: the set is skipped") != std::string::npos;
    })) << ::testing::PrintToString(keplers.Findings);

    // The archives' older messages: a satellite with no archive, a folder with none, another satellite's sets,
    // and a pass's own set that cannot be used. The findings keep English.
    const std::string missing = boxAfter([&] {
        EXPECT_FALSE(keplers.GetElements("NOAA-19", "33591", EncodeDate(2023, 5, 3), false, line1, line2, mainSource,
                                         updateSource, age));
    });
    EXPECT_NE(missing.find("****  WARNUNG  ****\r\rKepler-Datei(en) fehlen für: NOAA-19\r\rErwartet wurde entweder: "),
              std::string::npos) << missing;
    TKeplerData unfound;
    unfound.KeplerBaseFolder = folder / "nowhere/";
    const std::string noFolder = boxAfter([&] {
        unfound.GetElements("NOAA-15", "25338", EncodeDate(2023, 5, 3), false, line1, line2, mainSource, updateSource, age);
        unfound.ClearWarnings();  // as for the next file loaded
        unfound.GetElements("NOAA-18", "28654", EncodeDate(2023, 5, 3), false, line1, line2, mainSource, updateSource, age);
    });
    EXPECT_EQ(noFolder.rfind("Ordner für Kepler-Daten: " + folder.Path() + "nowhere/Keps/ wurde nicht gefunden, auch nicht ", 0), 0u)
        << noFolder;
    EXPECT_EQ(noFolder.find("Ordner", 1), std::string::npos) << "told once a run: " << noFolder;
    const test::TElementLines other = test::MakeElementLines(28654, 2023, 122.5, 98.9, 150.0, 0.0, 14.125, 30000);
    folder.Write("elements/Keps/NOAA-15.txt", set.Line1 + "\n" + set.Line2 + "\n" + other.Line1 + "\n" + other.Line2 + "\n");
    EXPECT_TRUE(keplers.GetElements("NOAA-15", "25338", EncodeDate(2023, 5, 3), true, line1, line2, mainSource,
                                    updateSource, age));
    const std::string foreign = ::testing::PrintToString(keplers.Warnings);
    EXPECT_NE(foreign.find("enthält 1 Bahnelementesatz eines anderen Satelliten (Katalognummer 28654, nicht die von NOAA-15, 25338): nicht verwendet"),
              std::string::npos) << foreign;
    EXPECT_NE(::testing::PrintToString(keplers.Findings).find("holds 1 element set of another satellite (catalogue number 28654"),
              std::string::npos) << ::testing::PrintToString(keplers.Findings);
    TOrbit orbit;
    orbit.UseEmbeddedKeplers(set.Line2, set.Line1, EncodeDate(2023, 5, 3));
    const std::string embedded = ::testing::PrintToString(orbit.Keplers->Warnings);
    EXPECT_NE(embedded.find("Der Bahnelementesatz in der Datei ist nicht verwendbar (die Zeilen beginnen nicht mit 1 und 2): "
                            "stattdessen werden die Sätze der Kepler-Archive verwendet"),
              std::string::npos) << embedded;
    // The telemetry window's satellite that the frames do not name; files keep "Unknown".
    const TTelemetryData unnamed;
    EXPECT_EQ(unnamed.SatelliteName, "Unknown");
    EXPECT_EQ(unnamed.ShownSatelliteName(), "Unbekannt");
    EXPECT_EQ(ShellErrorText(112), "Datenträger voll");
    EXPECT_EQ(GoToPlace({"Tromsø", "69.6N", ""}).Message, "Für „Tromsø“ wurde keine gültige Breite oder Länge gefunden");
    const std::string key = "Software\\Morvane\\Talvessa\\Kept";
    TRegistry writable;
    ASSERT_TRUE(writable.OpenKey(key, true));
    writable.WriteString("Kept", "1");
    TRegistry readOnly;
    ASSERT_TRUE(readOnly.OpenKeyReadOnly(key));
    try {
        readOnly.WriteString("Kept", "2");
        ADD_FAILURE() << "a read-only key took a write";
    } catch (const ERegistryException& error) {
        EXPECT_EQ(std::string(error.what()), "Daten für „Kept“ konnten nicht gesetzt werden");
    }

    const std::string store = TRegistry::DefaultStoreFile();
    fs::remove(store);
    fs::create_directories(store);
    const std::string settings = boxAfter([] { TRegistry().OpenKey("Software\\Morvane\\Talvessa\\Elsewhere", true); });
    EXPECT_NE(settings.find("Die Einstellungsdatei " + store + " ist ein Ordner: dies bleibt unverändert"), std::string::npos)
        << settings;
    for (std::string told : {elsewhere, nowhere, warnings, meteor, settings, missing, noFolder, foreign, embedded}) {
        // The checkout's own folder may hold an English word (a checkout in "settings/").
        for (size_t at; (at = told.find(KESTRUNE_SOURCE_DIR)) != std::string::npos;)
            told.erase(at, std::string_view(KESTRUNE_SOURCE_DIR).size());
        for (const char* english : {"Could not", "written nowhere", "The pass", "could not be converted", "settings",
                                    "Kepler data", "element set", "was not found"})
            EXPECT_EQ(told.find(english), std::string::npos) << english << " in " << told;
    }
}

}  // namespace
}  // namespace kestrune
