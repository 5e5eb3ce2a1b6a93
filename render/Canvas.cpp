#include "render/Canvas.h"

#include "platform/ResCodePages.h"
#include "render/BMPExtImage.h"

#include <QFont>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPen>

#include <cmath>
#include <vector>

namespace kestrune {

namespace {

const QString FontFamily = QStringLiteral("DejaVu Sans");
constexpr const char* FontFile = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

// The family is looked up once; where the system's font configuration
// does not know it, the font file of the package is registered directly.
void EnsureFontFamily() {
    static const bool registered = [] {
        if (!QFontDatabase::hasFamily(FontFamily))
            QFontDatabase::addApplicationFont(QString::fromLatin1(FontFile));
        return true;
    }();
    (void)registered;
}

QFont ToQFont(const TFont& font) {
    EnsureGuiApplication();
    EnsureFontFamily();
    QFont result(FontFamily);
    result.setPixelSize(std::max(1, static_cast<int>(std::lround(font.Size * 96.0 / 72.0))));
    result.setBold(font.Bold);
    result.setItalic(font.Italic);
    return result;
}

Qt::PenStyle ToQtPenStyle(TPenStyle style) {
    switch (style) {
    case TPenStyle::psSolid: return Qt::SolidLine;
    case TPenStyle::psDash: return Qt::DashLine;
    case TPenStyle::psDot: return Qt::DotLine;
    case TPenStyle::psDashDot: return Qt::DashDotLine;
    case TPenStyle::psDashDotDot: return Qt::DashDotDotLine;
    case TPenStyle::psClear: return Qt::NoPen;
    }
    return Qt::SolidLine;
}

// A QImage over the bitmap's pixels; it stays valid while they do.
QImage WrapPixels(const TExtBitmap& bitmap) {
    auto* pixels = const_cast<uchar*>(bitmap.ScanLine(0));
    const auto stride = static_cast<qsizetype>(bitmap.RowStride());
    switch (bitmap.PixelFormat()) {
    case TPixelFormat::pf24bit:
        return QImage(pixels, bitmap.Width(), bitmap.Height(), stride, QImage::Format_BGR888);
    case TPixelFormat::pf32bit:
        return QImage(pixels, bitmap.Width(), bitmap.Height(), stride, QImage::Format_RGB32);
    case TPixelFormat::pf8bit: break;
    }
    QImage image(pixels, bitmap.Width(), bitmap.Height(), stride, QImage::Format_Indexed8);
    QList<QRgb> colours;
    for (const TRGBQuad& entry : bitmap.Palette())
        colours.push_back(qRgb(entry.Red, entry.Green, entry.Blue));
    image.setColorTable(colours);
    return image;
}

QRect ShapeRect(int left, int top, int right, int bottom) {
    return QRect(left, top, right - left - 1, bottom - top - 1);
}

// A name's byte that is no character is drawn as one U+FFFD, as a window shows it.
QString CanvasText(const std::string& text) {
    const std::string shown = ShownText(text);
    return QString::fromUtf8(shown.data(), static_cast<qsizetype>(shown.size()));
}

}  // namespace

QColor ToQColor(TColor colour) { return QColor(RedOf(colour), GreenOf(colour), BlueOf(colour)); }

void EnsureGuiApplication() {
    if (QCoreApplication::instance() != nullptr) {
        if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr)
            throw ECanvasError("Drawing needs a QGuiApplication, not a console application object");
        return;
    }
    static int argc = 3;
    static char name[] = "kestrune";
    static char platformSwitch[] = "-platform";
    static char platform[] = "offscreen";
    static char* argv[] = {name, platformSwitch, platform, nullptr};
    // Lives for the rest of the run, as the program's own application would.
    new QGuiApplication(argc, argv);
}

TCanvas::TCanvas(TExtBitmap& bitmap) : bitmap_(bitmap) {}

TCanvas::~TCanvas() { ReleasePixels(); }

void TCanvas::ReleasePixels() {
    painter_.reset();
    image_.reset();
}

QPainter* TCanvas::Painter() {
    if (painter_)
        return painter_.get();
    if (bitmap_.Empty())
        return nullptr;
    if (bitmap_.PixelFormat() == TPixelFormat::pf8bit)
        throw ECanvasError("Drawing needs a 24-bit or 32-bit bitmap");
    EnsureGuiApplication();
    image_ = std::make_unique<QImage>(WrapPixels(bitmap_));
    painter_ = std::make_unique<QPainter>(image_.get());
    if (!painter_->isActive()) {
        ReleasePixels();
        throw ECanvasError("Cannot paint on the bitmap");
    }
    painter_->setRenderHint(QPainter::Antialiasing, false);
    painter_->setRenderHint(QPainter::TextAntialiasing, true);
    return painter_.get();
}

void TCanvas::ApplyPen(QPainter& painter) const {
    if (Pen.Width <= 1) {
        // One pixel wide, end point left out.
        painter.setPen(QPen(ToQColor(Pen.Color), 0, ToQtPenStyle(Pen.Style), Qt::FlatCap, Qt::MiterJoin));
    } else {
        painter.setPen(QPen(ToQColor(Pen.Color), Pen.Width, ToQtPenStyle(Pen.Style), Qt::RoundCap, Qt::RoundJoin));
    }
}

void TCanvas::ApplyBrush(QPainter& painter) const {
    if (Brush.Style == TBrushStyle::bsClear)
        painter.setBrush(Qt::NoBrush);
    else
        painter.setBrush(ToQColor(Brush.Color));
}

void TCanvas::MoveTo(int x, int y) { penPos_ = TPoint{x, y}; }

void TCanvas::LineTo(int x, int y) {
    if (QPainter* painter = Painter()) {
        ApplyPen(*painter);
        painter->drawLine(penPos_.X, penPos_.Y, x, y);
    }
    penPos_ = TPoint{x, y};
}

void TCanvas::Polyline(std::span<const TPoint> points) {
    QPainter* painter = Painter();
    if (painter == nullptr || points.size() < 2)
        return;
    std::vector<QPoint> path;
    path.reserve(points.size());
    for (const TPoint& point : points)
        path.emplace_back(point.X, point.Y);
    ApplyPen(*painter);
    painter->drawPolyline(path.data(), static_cast<int>(path.size()));
}

void TCanvas::Rectangle(int left, int top, int right, int bottom) {
    if (QPainter* painter = Painter()) {
        ApplyPen(*painter);
        ApplyBrush(*painter);
        painter->drawRect(ShapeRect(left, top, right, bottom));
    }
}

void TCanvas::Ellipse(int left, int top, int right, int bottom) {
    if (QPainter* painter = Painter()) {
        ApplyPen(*painter);
        ApplyBrush(*painter);
        painter->drawEllipse(ShapeRect(left, top, right, bottom));
    }
}

void TCanvas::FillRect(const TRect& rect) {
    QPainter* painter = Painter();
    if (painter == nullptr || Brush.Style == TBrushStyle::bsClear)
        return;
    painter->fillRect(QRect(rect.Left, rect.Top, rect.Right - rect.Left, rect.Bottom - rect.Top),
                      ToQColor(Brush.Color));
}

void TCanvas::TextOut(int x, int y, const std::string& text) {
    QPainter* painter = Painter();
    if (painter == nullptr)
        return;
    const QFont font = ToQFont(Font);
    const QString line = CanvasText(text);
    const QFontMetrics metrics(font);
    if (Brush.Style == TBrushStyle::bsSolid)
        painter->fillRect(QRect(x, y, metrics.horizontalAdvance(line), metrics.height()), ToQColor(Brush.Color));
    painter->setFont(font);
    painter->setPen(ToQColor(Font.Color));
    painter->drawText(x, y + metrics.ascent(), line);
}

TSize TCanvas::TextExtent(const std::string& text) {
    const QFontMetrics metrics(ToQFont(Font));
    const QString line = CanvasText(text);
    return TSize{metrics.horizontalAdvance(line), metrics.height()};
}

int TCanvas::TextWidth(const std::string& text) { return TextExtent(text).Width; }

int TCanvas::TextHeight(const std::string& text) { return TextExtent(text).Height; }

void TCanvas::Draw(int x, int y, const TExtBitmap& source) {
    QPainter* painter = Painter();
    if (painter == nullptr || source.Empty())
        return;
    // Drawing a bitmap onto itself goes through a copy of its pixels.
    const QImage image = &source == &bitmap_ ? WrapPixels(source).copy() : WrapPixels(source);
    painter->drawImage(QPoint(x, y), image);
}

}  // namespace kestrune
