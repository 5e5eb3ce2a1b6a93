#include "shell/UHyThumbnails.h"

#include "shell/UHyShellUtils.h"

#include <QGuiApplication>
#include <QImageReader>

#include "platform/NamedFile_qt.h"
#include <QPainter>
#include <QPalette>

namespace kestrune::shell {

THyShellThumbnails::THyShellThumbnails() : framePen_(QPalette().color(QPalette::Button)) {}

void THyShellThumbnails::SetWidth(int width) {
    if (width == width_) return;
    width_ = width;
    Changed();
}

void THyShellThumbnails::SetHeight(int height) {
    if (height == height_) return;
    height_ = height;
    Changed();
}

void THyShellThumbnails::SetFramePen(const QPen& pen) {
    if (pen == framePen_) return;
    framePen_ = pen;
    Changed();
}

void THyShellThumbnails::SetShowApplicationOverlay(bool show) {
    if (show == showOverlay_) return;
    showOverlay_ = show;
    Changed();
}

void THyShellThumbnails::Assign(const THyShellThumbnails& source) {
    width_ = source.width_;
    height_ = source.height_;
    showOverlay_ = source.showOverlay_;
    framePen_ = source.framePen_;
    Changed();
}

QPoint CenteredOffset(QSize size, const QRect& rect) {
    return {rect.left() + (rect.width() - size.width()) / 2, rect.top() + (rect.height() - size.height()) / 2};
}

QImage ExtractImage(IShellFolder& folder, const TItemIdList& item, QSize size) {
    const std::optional<std::string> path = PathFromIdList(folder.IdList().combine(item));
    if (!path || size.isEmpty()) return {};
    const std::unique_ptr<QFile> file = OpenNamedFile(*path);
    if (!file) return {};
    QImageReader reader(file.get());
    if (!reader.canRead()) return {};
    const QSize original = reader.size();
    if (original.isValid()) reader.setScaledSize(original.scaled(size, Qt::KeepAspectRatio).expandedTo({1, 1}));
    return reader.read();
}

QImage DrawThumbnail(const THyShellThumbnails& options, QSize size, IShellFolder& folder, const TItemIdList& item,
                     int iconIndex) {
    const int w = size.width(), h = size.height();
    QImage thumbnail(size, QImage::Format_RGB888);
    thumbnail.fill(QPalette().color(QPalette::Base));
    QPainter canvas(&thumbnail);
    if (options.FramePen().style() != Qt::NoPen) {
        canvas.setPen(options.FramePen());
        canvas.setBrush(Qt::NoBrush);
        canvas.drawRect(0, 0, w - 1, h - 1);
    }
    const QImage picture = ExtractImage(folder, item, {w - 5, h - 5});
    if (picture.isNull()) {
        const QPixmap icon = SystemIcon(iconIndex, true);
        canvas.drawPixmap(CenteredOffset(icon.size(), thumbnail.rect()), icon);
        return thumbnail;
    }
    const QPoint at = picture.width() == w - 5 ? QPoint(2, 2)
                                               : CenteredOffset(picture.size(), QRect(0, 0, w - 5, h - 5)) + QPoint(2, 2);
    canvas.drawImage(at, picture);
    uint32_t attributes = SFGAO_FOLDER;
    folder.GetAttributesOf(std::span<const TItemIdList>(&item, 1), attributes);
    if (options.ShowApplicationOverlay() && !(attributes & SFGAO_FOLDER))
        canvas.drawPixmap(w - 22, h - 22, SystemIcon(iconIndex, false));
    return thumbnail;
}

int AddThumbnail(const THyShellThumbnails& options, std::vector<QPixmap>& imageList, IShellFolder& folder,
                 const TItemIdList& item, int iconIndex) {
    const QImage thumbnail = DrawThumbnail(options, {options.Width(), options.Height()}, folder, item, iconIndex);
    imageList.push_back(QPixmap::fromImage(thumbnail));
    return static_cast<int>(imageList.size()) - 1;
}

}  // namespace kestrune::shell
