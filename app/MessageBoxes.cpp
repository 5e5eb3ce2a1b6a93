#include "app/MessageBoxes.h"

#include "app/EventGuard.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QMainWindow>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTextDocument>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <vector>

namespace kestrune {

namespace {

// Of the screen's height, what a message's text may take before it scrolls.
constexpr double TextShareOfScreen = 0.6;
constexpr int MessageBoxWidth = 500;
constexpr int IconAndMargins = 100;

std::string& Title() {
    static std::string title = "Talvessa";
    return title;
}

QMessageBox::Icon IconOf(TMsgDlgType type) {
    switch (type) {
        case TMsgDlgType::mtWarning: return QMessageBox::Warning;
        case TMsgDlgType::mtError: return QMessageBox::Critical;
        case TMsgDlgType::mtConfirmation: return QMessageBox::Question;
        case TMsgDlgType::mtInformation: return QMessageBox::Information;
        default: return QMessageBox::NoIcon;
    }
}

struct TButtonAnswer {
    TMsgDlgBtn Button;
    QMessageBox::StandardButton Qt;
    TModalResult Answer;
};
constexpr std::array<TButtonAnswer, 7> ButtonAnswers{{
    {mbYes, QMessageBox::Yes, mrYes}, {mbNo, QMessageBox::No, mrNo}, {mbOK, QMessageBox::Ok, mrOk},
    {mbCancel, QMessageBox::Cancel, mrCancel}, {mbAbort, QMessageBox::Abort, mrAbort},
    {mbRetry, QMessageBox::Retry, mrRetry}, {mbIgnore, QMessageBox::Ignore, mrIgnore},
}};

TModalResult AnswerOf(int clicked) {
    for (const TButtonAnswer& button : ButtonAnswers)
        if (clicked == button.Qt) return button.Answer;
    return mrCancel;
}

// The messages break their lines with a carriage return.
QString MessageText(const std::string& text) {
    return ToQt(text).replace("\r\n", "\n").replace('\r', '\n');
}

QString Caption(const TDialogRequest& request) {
    return ToQt(request.caption.empty() ? ApplicationTitle() : request.caption);
}

// The window a box stands over: the active one, else the modal one on top,
// else the program's main window. A box shown before the window manager has
// made the main window active (at the start) would otherwise belong to no
// window and could end up behind it.
QWidget* BoxOwner() {
    if (QWidget* active = QApplication::activeWindow()) return active;
    if (QWidget* modal = QApplication::activeModalWidget()) return modal;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->isVisible() && qobject_cast<QMainWindow*>(window)) return window;
    return nullptr;
}

QRect AvailableScreen() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

// A text of many lines, in a scrolling box no higher than the screen allows.
TModalResult ShowLongMessage(const TDialogRequest& request, const QString& text, const QFont& font) {
    QDialog box(BoxOwner());
    box.setObjectName("MessageBoxLong");
    box.setWindowTitle(Caption(request));
    auto* view = new QPlainTextEdit(text, &box);
    view->setObjectName("MessageText");
    view->setReadOnly(true);
    view->setLineWrapMode(QPlainTextEdit::NoWrap);
    view->setFont(font);
    auto* buttons = new QDialogButtonBox(&box);
    for (const TButtonAnswer& button : ButtonAnswers)
        if (request.buttons & button.Button) {
            QPushButton* made = buttons->addButton(static_cast<QDialogButtonBox::StandardButton>(button.Qt));
            QObject::connect(made, &QPushButton::clicked, &box, [&box, button] { box.done(button.Qt); });
            if (button.Answer == request.defaultAnswer) made->setDefault(true);
        }
    auto* layout = new QVBoxLayout(&box);
    layout->addWidget(view);
    layout->addWidget(buttons);
    const QFontMetrics metrics(font);
    const QRect screen = AvailableScreen();
    // The text, the box's margins, the view's frame and its scroll bar side by side.
    const int textWidth = metrics.boundingRect(QRect(), 0, text).width() + 2 * layout->contentsMargins().left() +
                          2 * view->frameWidth() + view->verticalScrollBar()->sizeHint().width() +
                          2 * static_cast<int>(view->document()->documentMargin()) + 8;
    box.resize(std::min(textWidth, screen.width() * 9 / 10),
               static_cast<int>(screen.height() * TextShareOfScreen) + buttons->sizeHint().height() + 24);
    box.move(screen.center() - box.rect().center());
    return AnswerOf(box.exec());
}

// A message box is about half the screen's width (500 pixels at most) and
// wraps its text beside its icon: the text's height so wrapped against the
// screen's.
bool TooHighForABox(const QString& text) {
    const QRect screen = AvailableScreen();
    const int wrapWidth = std::min(screen.width() / 2, MessageBoxWidth) - IconAndMargins;
    const QRect wrapped = QFontMetrics(QApplication::font("QMessageBox"))
                              .boundingRect(QRect(0, 0, wrapWidth, screen.height() * 100), Qt::TextWordWrap, text);
    return wrapped.height() > screen.height() * TextShareOfScreen;
}

}  // namespace

void SetApplicationTitle(const std::string& title) { Title() = title; }
const std::string& ApplicationTitle() { return Title(); }

TModalResult ShowMessageBox(const TDialogRequest& request) {
    const QString text = MessageText(request.text);
    // A question with answers of its own is short: it keeps its buttons and check box.
    if (request.choices.empty() && TooHighForABox(text)) return ShowLongMessage(request, text, QFontDatabase::systemFont(QFontDatabase::FixedFont));
    QMessageBox box(IconOf(request.type), Caption(request), text, QMessageBox::NoButton, BoxOwner());
    std::vector<QPushButton*> choices;
    for (const std::string& choice : request.choices) choices.push_back(box.addButton(ToQt(choice), QMessageBox::AcceptRole));
    for (const TButtonAnswer& button : ButtonAnswers)
        if (request.buttons & button.Button) box.addButton(button.Qt);
    for (const TButtonAnswer& button : ButtonAnswers)
        if (button.Answer == request.defaultAnswer) box.setDefaultButton(button.Qt);
    for (size_t k = 0; k < choices.size(); ++k)
        if (ChoiceAnswer(static_cast<int>(k)) == request.defaultAnswer) box.setDefaultButton(choices[k]);
    if (!request.checkBox.empty()) box.setCheckBox(new QCheckBox(ToQt(request.checkBox)));
    const TModalResult answer = AnswerOf(box.exec());
    const auto chosen = std::find(choices.begin(), choices.end(), box.clickedButton());
    if (chosen == choices.end()) return answer;
    return ChoiceAnswer(static_cast<int>(chosen - choices.begin()), box.checkBox() && box.checkBox()->isChecked());
}

}  // namespace kestrune
