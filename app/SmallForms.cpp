#include "app/SmallForms.h"

#include "app/EventGuard.h"
#include "platform/FileUtils.h"
#include "platform/ProgramFolder.h"
#include "platform/ProgramStrings.h"
#include "platform/SystemUtils.h"

#include <QAction>
#include <QDesktopServices>
#include <QEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QUrl>
#include <QVBoxLayout>

namespace kestrune {

namespace {

constexpr int NarrowWidth = 974;
constexpr int WideScreen = 980;

QLabel* Label(const char* name, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    return label;
}

}  // namespace

TFormLineByLine::TFormLineByLine(QWidget* parent, QAction* pageDown)
    : QDialog(parent), MemoDecode(new QPlainTextEdit(this)), pageDown_(pageDown) {
    setObjectName("FormLineByLine");
    setWindowTitle("Line-by-line data");
    MemoDecode->setObjectName("MemoDecode");
    MemoDecode->setReadOnly(true);
    MemoDecode->setLineWrapMode(QPlainTextEdit::NoWrap);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(MemoDecode);
    const QScreen* screen = QGuiApplication::primaryScreen();
    resize(screen != nullptr && screen->geometry().width() > WideScreen ? NarrowWidth : 640, 480);
}

void TFormLineByLine::ShowLines(const std::vector<std::string>& lines) {
    QStringList text;
    for (const std::string& line : lines) text << ToQt(line);
    MemoDecode->setPlainText(text.join('\n'));
}

void TFormLineByLine::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && pageDown_ != nullptr) pageDown_->setEnabled(!isActiveWindow());
}

TFormAboutBox::TFormAboutBox(QWidget* parent)
    : QDialog(parent),
      ProductName(Label("ProductName", this)),
      Version(Label("Version", this)),
      Copyright(Label("Copyright", this)),
      Comments(Label("Comments", this)),
      WebSite(Label("WebSite", this)) {
    setObjectName("FormAboutBox");
    WebSite->setStyleSheet("color: #000080; text-decoration: underline;");
    WebSite->setCursor(Qt::PointingHandCursor);
    auto* layout = new QVBoxLayout(this);
    for (QLabel* label : {ProductName, Version, Copyright, Comments, WebSite}) layout->addWidget(label);
    auto* ok = new QPushButton("OK", this);
    ok->setObjectName("OKButton");
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(ok, 0, Qt::AlignRight);
    connect(WebSite, &QLabel::linkActivated, this, [](const QString& link) { QDesktopServices::openUrl(QUrl(link)); });
}

void TFormAboutBox::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    const TZrVersionInfo info;
    const std::string product = info.GetStringFileInfo("ProductName");
    setWindowTitle(ToQt(FormatResStr(res::SAbout, {product})));
    ProductName->setText(ToQt(product));
    Version->setText(ToQt(ExtractFileName(ExecutablePath()) + ", V" + info.GetStringFileInfo("FileVersion") + ", " +
                          info.GetStringFileInfo("Comments")));
    Copyright->setText(ToQt(info.GetStringFileInfo("LegalCopyright")));
    Comments->setText(ToQt(info.GetStringFileInfo("LegalTrademarks")));
    // The address opens in the browser, with "http://" in front when it has none.
    std::string site = info.GetStringFileInfo("Web site");
    if (!site.empty() && site.find("http://") == std::string::npos) site = "http://" + site;
    WebSite->setText(site.empty() ? QString() : ToQt("<a href=\"" + site + "\">" + info.GetStringFileInfo("Web site") + "</a>"));
}

}  // namespace kestrune
