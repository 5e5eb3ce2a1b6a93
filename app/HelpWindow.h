// The program's help window: the help pages shown in the program itself,
// so that help needs no web browser. Contents, Index, Search, Back and
// Forward above the page; links to other pages open in the window, links
// to the web in the desktop's browser. The index and the search results are
// made from the pages. While a modal window is open the help window goes
// with it, so that it can be read and scrolled beside that window.
#pragma once

#include "app/HelpPages.h"
#include "app/hh.h"

#include <QString>
#include <QUrl>
#include <QWidget>

#include <memory>
#include <vector>

class QLineEdit;
class QPushButton;
class QTextBrowser;

namespace kestrune {

class THelpWindow : public QWidget, public THelpViewer {
public:
    // owner: the main window, with which the help window closes.
    explicit THelpWindow(QWidget* owner);

    bool ShowHelp(THelpDisplay display, const std::string& helpFile, const std::string& topic) override;
    void CloseAll() override { close(); }

    // The page shown: its file and place ("views.html#sst"), "" for a page made here.
    std::string ShownTopic() const;
    QTextBrowser& Browser() const { return *BrowserHelp; }
    void Find(const std::string& words);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // A language switch: the window's part of the title in the new language.
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    // Esc closes the help, as it closes the program's other windows.
    void keyPressEvent(QKeyEvent* event) override;

private:
    // A page of the history: a file's page (with its place), or one made here.
    struct THelpEntry {
        QUrl Source;
        QString Made;
    };

    void LinkClicked(const QUrl& url);
    void Visit(THelpEntry entry);
    void Step(int pages);
    void Display(const THelpEntry& entry);
    void ShowHistoryButtons();
    void ShowMade(const std::string& page);
    void GoWithModalWindow();
    void ComeBackToOwner();
    void Reparent(QWidget* parent);
    const THelpPages& Pages();

    QWidget* owner_;
    QWidget* modal_ = nullptr;
    bool wasOnScreen_ = false;
    std::string helpFile_;
    std::unique_ptr<THelpPages> pages_;
    QTextBrowser* BrowserHelp = nullptr;
    QLineEdit* EditSearch = nullptr;
    QPushButton* ButtonBack = nullptr;
    QPushButton* ButtonForward = nullptr;
    std::vector<THelpEntry> history_;
    size_t shown_ = 0;
};

}  // namespace kestrune
