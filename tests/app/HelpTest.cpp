#include "app/hh.h"
#include "app/hh_funcs.h"

#include "app/HelpPages.h"
#include "app/HelpTopics.h"
#include "app/HelpWindow.h"
#include "app/PrintForm.h"
#include "app/PrinterSetupForm.h"
#include "app/TalvessaForm.h"
#include "decoding/ViewNames.h"
#include "render/ViewTable.h"
#include "tests/app/AppTest.h"
#include "tests/app/DirectionAnswerer.h"
#include "tests/app/WidgetTestSupport.h"

#include "platform/DialogService.h"
#include "platform/SysUtils.h"
#include "tests/platform/TempFolder.h"

#include <QAction>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>

namespace kestrune {
namespace {

std::vector<std::string> LogLines(const std::string& file) {
    std::vector<std::string> lines;
    for (std::string line : SplitString(testing::TTempFolder::Read(file), '\n')) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) lines.push_back(line);
    }
    return lines;
}

class HelpTest : public ::testing::Test {
protected:
    void SetUp() override {
        TDialogService::Instance().SetMode(TDialogService::Mode::Scripted);
        TDialogService::Instance().ClearScript();
    }
    void TearDown() override {
        SetHelpViewer(nullptr);
        InitDebugMode({});
    }

    std::string LogFile() const { return folder / "program/HHDebug.txt"; }

    testing::TTempFolder folder;
};

TEST_F(HelpTest, ALogThatCannotBeWrittenIsReportedOnceAndTheRunGoesOn) {
    const std::string file = folder / "missing-folder/HHDebug.txt";
    ::testing::internal::CaptureStderr();
    TDLogFile log(file, true, {});
    log.Write("a message");
    const std::string reported = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(reported.find("Cannot write the debug log " + file), std::string::npos) << reported;
    EXPECT_EQ(reported.find("Cannot write", reported.find("Cannot write") + 1), std::string::npos) << "reported once";
}

TEST_F(HelpTest, LogHeaderRulesAndTimeStamps) {
    const std::string file = folder / "HHDebug.txt";
    folder.Write("HHDebug.txt", "old run\r\n");
    TDLogFile log(file, true, {"pass.hpt", "-debug"});
    const std::vector<std::string> header = LogLines(file);
    ASSERT_GT(header.size(), 10u);
    EXPECT_EQ(header[0], std::string(80, '='));
    EXPECT_EQ(header[1], "Log File: " + file);
    EXPECT_TRUE(StartsText("Date: ", header[2]));
    EXPECT_EQ(header[7], "DecimalSeparator: .");
    EXPECT_EQ(header[8], std::string(80, '-'));
    EXPECT_EQ(header[11], "Parameters: pass.hpt -debug");

    log.Write("-");
    log.Write("!plain text");
    log.Write("=heading");
    log.Write("a message");
    const std::vector<std::string> lines = LogLines(file);
    const size_t end = lines.size();
    EXPECT_EQ(lines[end - 4], std::string(80, '-'));
    EXPECT_EQ(lines[end - 3], "plain text");
    EXPECT_EQ(lines[end - 2], "heading");
    const std::string stamped = lines[end - 1];
    ASSERT_EQ(stamped.size(), 19u + 3 + 9);
    EXPECT_EQ(stamped.substr(4, 1), "-");
    EXPECT_EQ(stamped.substr(19), "   a message");
}

}  // namespace
}  // namespace kestrune

namespace kestrune {
namespace {

using testing::Find;
using testing::WaitFor;
using testing::WhenModal;

// The help the build ships beside the program.
std::string ShippedHelpFolder() { return ExtractFilePath(KESTRUNE_EXECUTABLE) + "help/"; }

// Every link of a page: its target, as written.
std::vector<std::string> Links(const std::string& page) {
    QTextDocument document;
    document.setHtml(QString::fromStdString(testing::TTempFolder::Read(page)));
    std::vector<std::string> links;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
        for (auto fragment = block.begin(); !fragment.atEnd(); ++fragment) {
            const QString href = fragment.fragment().charFormat().anchorHref();
            if (!href.isEmpty()) links.push_back(href.toStdString());
        }
    return links;
}

TEST(ShippedHelpTest, EveryContextTheProgramAsksForLandsOnATopicOfItsOwn) {
    const THelpPages pages(ShippedHelpFolder());
    ASSERT_TRUE(pages.HasTopic("Kestrune.html")) << "no help in " << ShippedHelpFolder();
    std::set<std::string> topics;
    for (int context : HelpContexts()) {
        const std::string topic = HelpTopicOf(context);
        ASSERT_FALSE(topic.empty()) << "context " << context;
        EXPECT_TRUE(pages.HasTopic(topic)) << "context " << context << ": " << topic;
        EXPECT_TRUE(topics.insert(topic).second) << "context " << context << " shares " << topic;
    }
    EXPECT_EQ(HelpTopicOf(HelpContextWhatsNew), "whatsnew.html");
    EXPECT_EQ(HelpTopicOf(HelpContextFaqs), "faq.html");
    EXPECT_EQ(HelpTopicOf(ViewInfo(ViewSst).HelpContext), "views.html#sst");
    EXPECT_EQ(HelpTopicOf(WindowHelpContext("FormPrint")), "windows.html#print");
    EXPECT_EQ(HelpTopicOf(4711), "");
    EXPECT_EQ(WindowHelpContext("FormMain"), 0) << "the main window's topic is its view's";
}

// The help covers what the program has: every view, window and menu the pages name.
TEST(ShippedHelpTest, ThePagesCoverEveryPartOfTheProgramAndEveryLinkLeadsSomewhere) {
    const THelpPages pages(ShippedHelpFolder());
    for (const char* topic : {"opening.html#open", "opening.html#recent", "opening.html#drop", "opening.html#browse",
                              "sidepanel.html#overlay-buttons", "image.html#cursor", "image.html#tools",
                              "overlays.html#nudge", "overlays.html#map-data", "products.html#images",
                              "products.html#data", "commandline.html#items", "commandline.html#exit-status",
                              "settings.html#options", "settings.html#stored", "settings.html#debug-log"})
        EXPECT_TRUE(pages.HasTopic(topic)) << topic;
    for (const std::string_view name : ViewNames)
        EXPECT_FALSE(pages.Search(std::string(name)).empty()) << "no section names the view " << name;
    for (const THelpSection& section : pages.Sections())
        for (const std::string& link : Links(ShippedHelpFolder() + section.Page)) {
            if (link.starts_with("http")) continue;
            EXPECT_TRUE(pages.HasTopic(link[0] == '#' ? section.Page + link : link))
                << section.Page << " links to " << link;
        }
}

TEST(ShippedHelpTest, TheIndexListsTheHeadingsAndTheSearchFindsTheirSections) {
    const THelpPages pages(ShippedHelpFolder());
    const std::vector<const THelpSection*> index = pages.IndexEntries();
    ASSERT_GT(index.size(), 60u);
    for (size_t i = 1; i < index.size(); ++i)
        EXPECT_LE(QString::fromStdString(index[i - 1]->Heading).compare(QString::fromStdString(index[i]->Heading),
                                                                        Qt::CaseInsensitive),
                  0);
    EXPECT_TRUE(std::ranges::any_of(index, [](const THelpSection* entry) { return entry->Topic() == "views.html#sst"; }));
    const std::string indexPage = pages.IndexPage();
    EXPECT_NE(indexPage.find("views.html#sst\">SST</a>"), std::string::npos);

    const std::vector<const THelpSection*> found = pages.Search("LAND mask");
    ASSERT_FALSE(found.empty());
    EXPECT_TRUE(std::ranges::any_of(found, [](const THelpSection* section) { return section->Topic() == "views.html#sst"; }));
    for (const THelpSection* section : found) {
        const QString text = QString::fromStdString(section->Text);
        EXPECT_TRUE(text.contains("land", Qt::CaseInsensitive) && text.contains("mask", Qt::CaseInsensitive));
    }
    EXPECT_TRUE(pages.Search("   ").empty());
    EXPECT_TRUE(pages.Search("zzyzx").empty());
    EXPECT_NE(pages.SearchPage("zzyzx").find("0 sections hold"), std::string::npos);
}

// The shipped help says what decides a pass's satellite, where a search for it lands.
TEST(ShippedHelpTest, TheHelpSaysWhatDecidesAPasssSatellite) {
    const THelpPages pages(ShippedHelpFolder());
    const std::vector<const THelpSection*> found = pages.Search("minutes of a time");
    ASSERT_FALSE(found.empty());
    const THelpSection& section = *found.front();
    EXPECT_TRUE(section.Topic().starts_with("opening.html")) << section.Topic();
    for (const char* told : {"What decides a pass's satellite", "20230503_1215", "neither \"noaa\" nor \"fengyun\""})
        EXPECT_NE(section.Text.find(told), std::string::npos) << told;
}

// A page far larger than any help page is not read for the search (the
// window would not show it either); the other pages still are.
TEST(HelpPagesTest, APageFarTooLargeIsNotSearched) {
    testing::TTempFolder folder;
    const auto page = [](const std::string& word) {
        return "<html><head><title>" + word + "</title></head><body><h1>" + word + "</h1><p>" + word +
               " lies here</p></body></html>";
    };
    folder.Write("help/plain.html", page("plainword"));
    std::string huge = page("hugeword");
    huge += "<!--" + std::string((8u << 20) - huge.size() - 7, '-') + "-->";
    folder.Write("help/huge.html", huge);
    const THelpPages pages(folder / "help");
    const std::vector<std::pair<std::string, bool>> cases{{"plainword", true}, {"hugeword", false}};
    for (const auto& [word, found] : cases) {
        SCOPED_TRACE(word);
        EXPECT_EQ(!pages.Search(word).empty(), found);
    }
    EXPECT_EQ(std::filesystem::file_size(folder / "help/huge.html"), 8u << 20);
}

// The help window of the program, on the shipped help in the test's program folder.
class HelpWindowTest : public testing::TAppTest {
protected:
    void SetUp() override {
        TAppTest::SetUp();
        std::filesystem::copy(ShippedHelpFolder(), folder / "program/help", std::filesystem::copy_options::recursive);
    }

    std::unique_ptr<TFormMain> Show(TParams params = {}) {
        auto form = std::make_unique<TFormMain>(std::move(params));
        form->show();
        WaitFor([&] { return !Find<QTimer>(*form, "TimerNewFile")->isActive(); });
        return form;
    }

    static THelpWindow& Help(const TFormMain& form) { return *form.findChild<THelpWindow*>("FormHelp"); }
    // Clicks the shown page's link whose target ends in topic.
    static void ClickLinkTo(THelpWindow& help, const QString& topic) {
        const QString html = help.Browser().toHtml();
        const qsizetype at = html.indexOf(topic);
        ASSERT_NE(at, -1) << topic.toStdString();
        const qsizetype start = html.lastIndexOf("\"", at) + 1;
        help.Browser().anchorClicked(QUrl(html.mid(start, html.indexOf("\"", at) - start)));
    }
    static void PressF1(QWidget& window) {
        QWidget* target = window.focusWidget() != nullptr ? window.focusWidget() : &window;
        QKeyEvent key(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
        QApplication::sendEvent(target, &key);
    }

    testing::TDirectionAnswerer directionAnswerer;
};

TEST_F(HelpWindowTest, TheHelpMenuOpensEachOfItsPagesInTheProgramsOwnWindow) {
    auto form = Show();
    THelpWindow& help = Help(*form);
    EXPECT_FALSE(help.isVisible());
    const std::vector<std::pair<const char*, std::string>> items{
        {"HelpContents", "Kestrune.html"}, {"HelpFAQs", "faq.html"}, {"HelpWhatsNew", "whatsnew.html"}};
    for (const auto& [item, topic] : items) {
        Find<QAction>(*form, item)->trigger();
        EXPECT_TRUE(help.isVisible()) << item;
        EXPECT_EQ(help.ShownTopic(), topic) << item;
    }
    Find<QAction>(*form, "HelpIndex")->trigger();
    EXPECT_EQ(help.Browser().documentTitle(), "Index");
    EXPECT_TRUE(help.Browser().toPlainText().contains("Zoom"));
    Find<QAction>(*form, "HelpSearch")->trigger();
    EXPECT_EQ(help.Browser().documentTitle(), "Search");
    help.Find("results folder");
    EXPECT_TRUE(help.Browser().toPlainText().contains("The results folder"));
    // A link of the results leads to its section.
    ClickLinkTo(help, "products.html#results-folder");
    EXPECT_EQ(help.ShownTopic(), "products.html#results-folder");
    EXPECT_TRUE(TDialogService::Instance().Requests().empty());
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(&help.Browser(), &escape);
    EXPECT_FALSE(help.isVisible()) << "Esc closes the help";
    form.reset();
}

TEST_F(HelpWindowTest, F1InAWindowOpensItsTopicBesideIt) {
    auto form = Show({WritePass()});
    ASSERT_TRUE(form->Core().PassLoaded());
    THelpWindow& help = Help(*form);
    PressF1(*form);
    EXPECT_EQ(help.ShownTopic(), "views.html#false-colour") << "the main window's view";
    form->Core().SelectView("SST");
    QMouseEvent click(QEvent::MouseButtonRelease, QPointF(2, 2), QPointF(2, 2), Qt::LeftButton, Qt::NoButton,
                      Qt::NoModifier);
    QApplication::sendEvent(Find<QLabel>(*form, "LabelMapping"), &click);
    EXPECT_EQ(help.ShownTopic(), "views.html#sst") << "a click on the caption above the image";

    for (const char* item : {"OptionsOverlayOptions", "OptionsImageNameFormat", "MenuViewHistograms", "OptionsCLUT",
                             "MenuViewGoto"}) {
        std::string shownBeside;
        std::string windowName;
        WhenModal<QDialog>([&](QDialog& window) {
            windowName = window.objectName().toStdString();
            PressF1(window);
            // The help goes with the window that waits for an answer, so that it can be used beside it.
            if (help.isVisible() && help.parentWidget() != nullptr)
                shownBeside = help.parentWidget()->objectName().toStdString();
            window.reject();
        });
        Find<QAction>(*form, item)->trigger();
        EXPECT_EQ(help.ShownTopic(), HelpTopicOf(WindowHelpContext(windowName))) << item;
        EXPECT_NE(WindowHelpContext(windowName), 0) << windowName;
        EXPECT_EQ(shownBeside, windowName) << item;
        EXPECT_EQ(help.parentWidget(), form.get()) << "back with the main window after " << item;
        EXPECT_TRUE(help.isVisible());
    }
}

// The Open dialog and the results folder's are not windows of the program's own: F1 still opens their topics.
TEST_F(HelpWindowTest, F1InTheOpenAndResultsFolderDialogsOpensTheirOwnTopics) {
    auto form = Show();
    THelpWindow& help = Help(*form);
    for (const auto& [item, topic] : std::vector<std::pair<const char*, std::string>>{
             {"MenuOpen", "opening.html#open"}, {"OptionsSaveLocation", "products.html#results-folder"}}) {
        WhenModal<QDialog>([](QDialog& dialog) {
            PressF1(dialog);
            dialog.reject();
        });
        Find<QAction>(*form, item)->trigger();
        EXPECT_EQ(help.ShownTopic(), topic) << item;
    }
}

// Back and Forward go through every page shown, the index and the search results among them.
TEST_F(HelpWindowTest, BackAndForwardStepThroughMadePagesToo) {
    auto form = Show();
    THelpWindow& help = Help(*form);
    auto* back = Find<QPushButton>(help, "ButtonBack");
    auto* forward = Find<QPushButton>(help, "ButtonForward");
    Find<QAction>(*form, "HelpContents")->trigger();
    EXPECT_FALSE(back->isEnabled());
    EXPECT_FALSE(forward->isEnabled());
    Find<QAction>(*form, "HelpIndex")->trigger();
    help.Find("results folder");
    ClickLinkTo(help, "products.html#results-folder");
    ASSERT_EQ(help.ShownTopic(), "products.html#results-folder");
    EXPECT_TRUE(back->isEnabled());
    EXPECT_FALSE(forward->isEnabled());

    back->click();
    EXPECT_EQ(help.Browser().documentTitle(), "Search");
    EXPECT_TRUE(help.Browser().toPlainText().contains("The results folder"));
    back->click();
    EXPECT_EQ(help.Browser().documentTitle(), "Index");
    EXPECT_EQ(help.windowTitle(), "Talvessa help - Index");
    back->click();
    EXPECT_EQ(help.ShownTopic(), "Kestrune.html");
    EXPECT_FALSE(back->isEnabled());
    forward->click();
    EXPECT_EQ(help.Browser().documentTitle(), "Index");
    forward->click();
    forward->click();
    EXPECT_EQ(help.ShownTopic(), "products.html#results-folder");
    EXPECT_FALSE(forward->isEnabled());

    // A page opened after going back drops the pages ahead.
    back->click();
    back->click();
    Find<QAction>(*form, "HelpFAQs")->trigger();
    EXPECT_FALSE(forward->isEnabled());
    back->click();
    EXPECT_EQ(help.Browser().documentTitle(), "Index");
}

// Print setup has its own topic, whether File > Print setup... or the print window's Setup opened it.
TEST_F(HelpWindowTest, F1InPrintSetupOpensItsOwnTopicFromBothOpeners) {
    auto form = Show({WritePass()});
    ASSERT_TRUE(form->Core().PassLoaded());
    THelpWindow& help = Help(*form);
    const auto pressF1InSetup = [] {
        WhenModal<TFormPrinterSetup>([](TFormPrinterSetup& setup) {
            PressF1(setup);
            setup.reject();
        });
    };
    pressF1InSetup();
    Find<QAction>(*form, "FilePrintSetup")->trigger();
    EXPECT_EQ(help.ShownTopic(), "windows.html#print-setup") << "from the File menu";

    Find<QAction>(*form, "HelpContents")->trigger();
    WhenModal<TFormPrint>([&](TFormPrint& print) {
        pressF1InSetup();
        Find<QPushButton>(print, "ButtonPrintSetup")->click();
        Find<QPushButton>(print, "ButtonClose")->click();
    });
    Find<QAction>(*form, "FilePrint")->trigger();
    EXPECT_EQ(help.ShownTopic(), "windows.html#print-setup") << "from the print window";
}

TEST_F(HelpWindowTest, TheTitleNamesThePageOnce) {
    auto form = Show();
    THelpWindow& help = Help(*form);
    Find<QAction>(*form, "HelpContents")->trigger();
    EXPECT_EQ(help.windowTitle(), "Talvessa help") << "the contents page is titled like the window";
    Find<QAction>(*form, "HelpFAQs")->trigger();
    EXPECT_EQ(help.windowTitle(), "Talvessa help - Questions often asked");
    Find<QAction>(*form, "HelpIndex")->trigger();
    EXPECT_EQ(help.windowTitle(), "Talvessa help - Index");
}

// A page far larger than any help page is not read, and the window says why.
TEST_F(HelpWindowTest, APageFarTooLargeIsToldInTheWindowNotRead) {
    const std::filesystem::path page = folder / "program/help/faq.html";
    // The page as shipped, and a comment after it that makes it 8 MB.
    std::string text = testing::TTempFolder::Read(page);
    text += "<!--" + std::string((8u << 20) - text.size() - 7, '-') + "-->";
    folder.Write("program/help/faq.html", text);
    auto form = Show();
    Find<QAction>(*form, "HelpFAQs")->trigger();
    const std::string shown = Help(*form).Browser().toPlainText().toStdString();
    EXPECT_NE(shown.find("faq.html holds 8388608 bytes, far more than it ever holds (at most 4194304): it is left as it is"),
              std::string::npos)
        << shown.substr(0, 200);
    EXPECT_EQ(std::filesystem::file_size(page), 8u << 20);
}

TEST_F(HelpWindowTest, MissingHelpIsToldInTheWindowAndNoWindowIsToldInABox) {
    std::filesystem::remove_all(folder / "program/help");
    TDialogService::Instance().ClearScript();
    auto form = Show();
    ASSERT_FALSE(TDialogService::Instance().Requests().empty());
    EXPECT_EQ(TDialogService::Instance().Requests().front().text,
              "Warning: Help function will be inoperative because the help file is missing (help/Kestrune.html)");
    Find<QAction>(*form, "HelpFAQs")->trigger();
    EXPECT_TRUE(Help(*form).Browser().toPlainText().contains("The help pages are missing"));

    SetHelpViewer(nullptr);
    TDialogService::Instance().ClearScript();
    Find<QAction>(*form, "HelpContents")->trigger();
    ASSERT_EQ(TDialogService::Instance().Requests().size(), 1u);
    EXPECT_EQ(TDialogService::Instance().Requests().front().text, "MS Html Help is not installed on this PC.");
}

}  // namespace
}  // namespace kestrune
