// The shell file list's thumbnail options, and the drawing of one thumbnail:
// the item's own picture where it is an image, else its large icon, framed.
#pragma once

#include "platform/ShellNamespace.h"

#include <QImage>
#include <QPen>
#include <QPixmap>
#include <QRect>

#include <functional>
#include <vector>

namespace kestrune::shell {

class THyShellThumbnails {
public:
    THyShellThumbnails();
    // 0 reads as 96.
    int Width() const { return width_ ? width_ : DefaultSize; }
    int Height() const { return height_ ? height_ : DefaultSize; }
    void SetWidth(int width);
    void SetHeight(int height);
    // A pen of style none draws no frame.
    const QPen& FramePen() const { return framePen_; }
    void SetFramePen(const QPen& pen);
    bool ShowApplicationOverlay() const { return showOverlay_; }
    void SetShowApplicationOverlay(bool show);
    void Assign(const THyShellThumbnails& source);
    std::function<void()> OnChange;

    static constexpr int DefaultSize = 96;

private:
    void Changed() {
        if (OnChange) OnChange();
    }
    int width_ = 0;
    int height_ = 0;
    QPen framePen_;
    bool showOverlay_ = false;
};

// The offset that centres size in rect (half the free room, toward zero).
QPoint CenteredOffset(QSize size, const QRect& rect);
// The item's picture within size keeping its shape; null when it has none.
QImage ExtractImage(IShellFolder& folder, const TItemIdList& item, QSize size);
// One thumbnail of width x height for the item of folder.
QImage DrawThumbnail(const THyShellThumbnails& options, QSize size, IShellFolder& folder, const TItemIdList& item,
                     int iconIndex);
// Adds the item's thumbnail to the image list (of the options' size); its index.
int AddThumbnail(const THyShellThumbnails& options, std::vector<QPixmap>& imageList, IShellFolder& folder,
                 const TItemIdList& item, int iconIndex);

}  // namespace kestrune::shell
