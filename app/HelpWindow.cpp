#include "app/HelpWindow.h"

#include "app/EventGuard.h"
#include "app/HelpPages.h"
#include "app/ShellOpen.h"
#include "app/WindowPlacement.h"
#include "platform/FileIO.h"
#include "platform/ProgramStrings.h"
#include "platform/SysUtils.h"

#include <QApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace kestrune {

namespace {

// The contents page's own title, in the pages' English.
constexpr const char* ContentsTitle = "Talvessa help";

// The page's title after the window's; a page titled like the window (the contents) adds nothing.
QString TitleFor(const QString& pageTitle) {
    const QString window = ToQt(resStr(res::SHelpWindowTitle));
    if (pageTitle.isEmpty() || pageTitle == ContentsTitle) return window;
    return window + " - " + pageTitle;
}

// A page or picture that is no file (a named pipe, a device) or far too
// large is not opened: the page says so instead, and no picture is shown.
class THelpBrowser : public QTextBrowser {
public:
    using QTextBrowser::QTextBrowser;

    QVariant loadResource(int type, const QUrl& name) override {
        const QUrl url = name.isRelative() ? source().resolved(name) : name;
        if (url.isLocalFile()) {
            const std::string leftAlone = LeftAloneNote(url.toLocalFile().toStdString(), MostHelpFileBytes);
            if (!leftAlone.empty())
                return type == QTextDocument::HtmlResource ? QVariant(ToQt(leftAlone).toHtmlEscaped()) : QVariant();
        }
        return QTextBrowser::loadResource(type, name);
    }
};

QPushButton* Button(QWidget* parent, const char* name, const char* caption) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

}  // namespace

THelpWindow::THelpWindow(QWidget* owner) : QWidget(owner, Qt::Window), owner_(owner) {
    setObjectName("FormHelp");
    setWindowTitle(TitleFor({}));
    BrowserHelp = new THelpBrowser(this);
    BrowserHelp->setObjectName("BrowserHelp");
    BrowserHelp->setOpenLinks(false);
    EditSearch = new QLineEdit(this);
    EditSearch->setObjectName("EditSearch");
    EditSearch->setClearButtonEnabled(true);
    QPushButton* contents = Button(this, "ButtonContents", "Contents");
    QPushButton* index = Button(this, "ButtonIndex", "Index");
    QPushButton* back = Button(this, "ButtonBack", "Back");
    QPushButton* forward = Button(this, "ButtonForward", "Forward");
    QPushButton* find = Button(this, "ButtonSearch", "Search");
    auto* searchLabel = new QLabel("Find:", this);
    searchLabel->setObjectName("LabelSearch");
    searchLabel->setBuddy(EditSearch);
    ButtonBack = back;
    ButtonForward = forward;
    ShowHistoryButtons();
    connect(back, &QPushButton::clicked, this, [this] { Step(-1); });
    connect(forward, &QPushButton::clicked, this, [this] { Step(1); });
    connect(contents, &QPushButton::clicked, this, [this] { ShowHelp(THelpDisplay::Contents, helpFile_, {}); });
    connect(index, &QPushButton::clicked, this, [this] { ShowHelp(THelpDisplay::Index, helpFile_, {}); });
    const auto search = [this] { Guarded([this] { Find(EditSearch->text().toStdString()); }); };
    connect(find, &QPushButton::clicked, this, search);
    connect(EditSearch, &QLineEdit::returnPressed, this, search);
    connect(BrowserHelp, &QTextBrowser::anchorClicked, this,
            [this](const QUrl& url) { Guarded([this, url] { LinkClicked(url); }); });
    connect(BrowserHelp, &QTextBrowser::sourceChanged, this,
            [this] { setWindowTitle(TitleFor(BrowserHelp->documentTitle())); });

    auto* bar = new QHBoxLayout;
    for (QPushButton* button : {contents, index, back, forward}) bar->addWidget(button);
    bar->addSpacing(16);
    bar->addWidget(searchLabel);
    bar->addWidget(EditSearch, 1);
    bar->addWidget(find);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(BrowserHelp, 1);
    resize(760, 640);
}

const THelpPages& THelpWindow::Pages() {
    const std::string folder = ExtractFilePath(helpFile_);
    if (!pages_ || pages_->Folder() != IncludeTrailingPathDelimiter(folder)) pages_ = std::make_unique<THelpPages>(folder);
    return *pages_;
}

bool THelpWindow::ShowHelp(THelpDisplay display, const std::string& helpFile, const std::string& topic) {
    if (helpFile.empty()) return false;
    helpFile_ = helpFile;
    GoWithModalWindow();
    if (!FileExists(helpFile)) {
        ShowMade("<html><head><title>Help missing</title></head><body><p>The help pages are missing: " +
                 ToQt(helpFile).toHtmlEscaped().toStdString() + "</p></body></html>");
    } else if (display == THelpDisplay::Index) {
        ShowMade(Pages().IndexPage());
    } else if (display == THelpDisplay::Search) {
        ShowMade(Pages().SearchPage(EditSearch->text().toStdString()));
        EditSearch->setFocus();
        EditSearch->selectAll();
    } else {
        const size_t hash = topic.find('#');
        QUrl url = QUrl::fromLocalFile(
            ToQt(display == THelpDisplay::Topic ? ExtractFilePath(helpFile) + topic.substr(0, hash) : helpFile));
        if (display == THelpDisplay::Topic && hash != std::string::npos) url.setFragment(ToQt(topic.substr(hash + 1)));
        Visit({url, {}});
    }
    if (!wasOnScreen_) PlaceWithinScreen(*this, modal_ != nullptr ? modal_ : owner_);
    show();
    raise();
    activateWindow();
    return true;
}

void THelpWindow::Find(const std::string& words) {
    EditSearch->setText(ToQt(words));
    ShowMade(Pages().SearchPage(words));
}

// A page made here (index, search results) has no file: its links name theirs in full.
void THelpWindow::ShowMade(const std::string& page) { Visit({{}, ToQt(page)}); }

// Every page shown, the made ones too, takes its place in the history; pages
// ahead of the one shown are dropped, as a browser drops them.
void THelpWindow::Visit(THelpEntry entry) {
    if (!history_.empty()) history_.resize(shown_ + 1);
    history_.push_back(std::move(entry));
    shown_ = history_.size() - 1;
    Display(history_[shown_]);
}

void THelpWindow::Step(int pages) {
    const auto target = static_cast<ptrdiff_t>(shown_) + pages;
    if (target < 0 || target >= static_cast<ptrdiff_t>(history_.size())) return;
    shown_ = static_cast<size_t>(target);
    Display(history_[shown_]);
}

void THelpWindow::Display(const THelpEntry& entry) {
    if (entry.Source.isEmpty()) {
        BrowserHelp->setHtml(entry.Made);
        setWindowTitle(TitleFor(BrowserHelp->documentTitle()));
    } else {
        BrowserHelp->setSource(entry.Source);
    }
    ShowHistoryButtons();
}

void THelpWindow::ShowHistoryButtons() {
    ButtonBack->setEnabled(shown_ > 0);
    ButtonForward->setEnabled(shown_ + 1 < history_.size());
}

std::string THelpWindow::ShownTopic() const {
    const QUrl source = BrowserHelp->source();
    if (source.isEmpty()) return {};
    const std::string page = ExtractFileName(source.toLocalFile().toStdString());
    return source.hasFragment() ? page + "#" + source.fragment().toStdString() : page;
}

// Pages of the help open here; anything else (the web) where the desktop opens it.
void THelpWindow::LinkClicked(const QUrl& url) {
    if (url.isLocalFile() || url.isRelative()) {
        Visit({BrowserHelp->source().resolved(url), {}});
        return;
    }
    ShellOpen(url.toString().toStdString());
}

// A modal window takes every other window's mouse and keys: the help
// window becomes its own while it is open, and comes back afterwards.
void THelpWindow::GoWithModalWindow() {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || modal == this || modal == modal_) return;
    // A dialog opened over the help itself has it as a parent already: going with it would make a loop of parents.
    for (const QWidget* above = modal->parentWidget(); above != nullptr; above = above->parentWidget())
        if (above == this) return;
    ComeBackToOwner();
    Reparent(modal);
    modal_ = modal;
    modal_->installEventFilter(this);
}

void THelpWindow::ComeBackToOwner() {
    if (modal_ == nullptr) return;
    modal_->removeEventFilter(this);
    modal_ = nullptr;
    Reparent(owner_);
}

// A new parent makes a new native window: the help keeps the place it had on
// the screen; one that was never shown is left to the window manager to place
// (its geometry then is no place on the screen, and would put the title bar off it).
void THelpWindow::Reparent(QWidget* parent) {
    const QRect placed = geometry();
    // Hidden with the window it went with, it was never closed itself.
    const bool shown = !isHidden();
    setParent(parent, Qt::Window);
    if (wasOnScreen_) setGeometry(placed);
    if (shown) show();
}

void THelpWindow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange) setWindowTitle(TitleFor(BrowserHelp->documentTitle()));
    QWidget::changeEvent(event);
}

void THelpWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    wasOnScreen_ = true;
}

void THelpWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

bool THelpWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == modal_ && (event->type() == QEvent::Hide || event->type() == QEvent::Destroy)) ComeBackToOwner();
    return QWidget::eventFilter(watched, event);
}

}  // namespace kestrune
