#include "app/SmallForms.h"

#include "app/EventGuard.h"
#include "app/ShellOpen.h"
#include "platform/FileUtils.h"
#include "platform/ProgramFolder.h"
#include "platform/ProgramStrings.h"
#include "platform/SystemUtils.h"

#include <QAction>
#include <QEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace kestrune {

namespace {

constexpr int NarrowWidth = 974;
constexpr int WideScreen = 980;
constexpr int AboutWidth = 460;

// Where the map data and the colour scales come from, and under which licences they are used.
const char* const MapDataText =
    "Map data: shorelines, lakes and the land/sea mask from GSHHG 2.3.7 at intermediate resolution, the Global "
    "Self-consistent, Hierarchical, High-resolution Geography Database of P. Wessel and W. H. F. Smith (GNU Lesser "
    "General Public License, version 3 or later); national borders from the CIA World Data Bank II (public "
    "domain) as GSHHG carries them; the world map of the Ground Path view from NASA's Visible Earth; the colour "
    "scales vik and batlow from F. Crameri's Scientific Colour Maps (MIT licence) and viridis (CC0). The licences "
    "and notices of every data file shipped are in NOTICES.txt beside the program.";

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
      WebSite(Label("WebSite", this)),
      LabelMapData(Label("LabelMapData", this)) {
    setObjectName("FormAboutBox");
    QFont large = ProductName->font();
    large.setPointSizeF(large.pointSizeF() * 1.5);
    large.setBold(true);
    ProductName->setFont(large);
    WebSite->setStyleSheet("color: #000080; text-decoration: underline;");
    WebSite->setCursor(Qt::PointingHandCursor);
    WebSite->installEventFilter(this);
    LabelMapData->setWordWrap(true);
    LabelMapData->setText(MapDataText);
    auto* layout = new QVBoxLayout(this);
    for (QLabel* label : {ProductName, Version, Copyright, Comments, WebSite}) layout->addWidget(label);
    layout->addSpacing(8);
    layout->addWidget(LabelMapData);
    auto* ok = new QPushButton("OK", this);
    ok->setObjectName("OKButton");
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(ok, 0, Qt::AlignRight);
    setMinimumWidth(AboutWidth);
}

void TFormAboutBox::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    const TZrVersionInfo info;
    const std::string product = info.GetStringFileInfo("ProductName");
    setWindowTitle(ToQt(FormatResStr(res::SAbout, {product})));
    ProductName->setText(ToQt(product));
    // The version's comments and trademarks, in the language shown.
    Version->setText(ToQt(ExtractFileName(ExecutablePath()) + ", V" + info.GetStringFileInfo("FileVersion") + ", " +
                          resStr(res::SAboutComments)));
    Copyright->setText(ToQt(info.GetStringFileInfo("LegalCopyright")));
    Comments->setText(ToQt(resStr(res::SAboutTrademarks)));
    WebSite->setText(ToQt(info.GetStringFileInfo("Web site")));
    adjustSize();
}

bool TFormAboutBox::eventFilter(QObject* watched, QEvent* event) {
    if (watched == WebSite && event->type() == QEvent::MouseButtonRelease) {
        Guarded([this] { WebSiteClick(); });
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

// The address opens in the browser, with "http://" in front when it names no scheme.
void TFormAboutBox::WebSiteClick() {
    std::string site = WebSite->text().toStdString();
    if (site.empty()) return;
    if (site.find("://") == std::string::npos) site = "http://" + site;
    ShellOpen(site);
}

}  // namespace kestrune
