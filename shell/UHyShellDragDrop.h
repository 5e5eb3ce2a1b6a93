// Drag and drop of the shell list and tree: the data object of a list
// selection, and the drop-target side both controls share (finding the item
// under the point and its own drop target, highlighting it, scrolling near
// the edges, the owner's veto, the refresh afterwards).
#pragma once

#include "platform/OleCore.h"
#include "shell/UHyShellTransfer.h"

#include <QAbstractItemView>
#include <QElapsedTimer>
#include <QPersistentModelIndex>

#include <functional>
#include <memory>

namespace kestrune::shell {

// The list selection's data object: the shown folder's ID-list array of the
// rows, and their file names.
class TDataObject_shlv : public TDataObject_shtv {
public:
    using TDataObject_shtv::TDataObject_shtv;
};

// Edge scrolling during a drag: the zones and the least time between steps.
constexpr int DragScrollZoneX = 26;
constexpr int DragScrollZoneY = 20;
constexpr int DragScrollIntervalMs = 100;

// Scrolls one step towards the edge the point (viewport coordinates) is near,
// at most every DragScrollIntervalMs; true when it scrolled.
bool DragEdgeScroll(QAbstractItemView& view, QPoint point, QElapsedTimer& lastStep);

// The copy/move/link bits that the folder allows for all the items (7 when it allows them all).
uint32_t AllowedDragEffects(IShellFolder& folder, const std::vector<TItemIdList>& items);

using TOleDragStartEvent =
    std::function<void(Qt::MouseButton button, const std::shared_ptr<ole::IDataObject>& data, uint32_t& allowedEffects)>;
using TOleDragCompleteEvent = std::function<void(HRESULT result, uint32_t effect)>;
// Drags the data out of source with the button that started it (the owner's
// start event may change the effects; with none left there is no drag);
// DRAGDROP_S_DROP when it was dropped.
HRESULT RunShellDrag(QWidget& source, Qt::MouseButton button, const std::shared_ptr<ole::IDataObject>& data,
                     uint32_t effects, const TOleDragStartEvent& onStart, const TOleDragCompleteEvent& onComplete);

using TOleDropEvent = std::function<void(const std::shared_ptr<ole::IDataObject>& data, uint32_t keyState, QPoint point,
                                         uint32_t& effect, HRESULT& result)>;

class TShellControlDropTarget : public ole::IDropTarget {
public:
    struct THooks {
        // The drop target at a point (viewport coordinates) and the item it is of
        // (invalid: the control's own folder); none when nothing there takes drops.
        std::function<std::shared_ptr<ole::IDropTarget>(QPoint point, uint32_t keyState, QModelIndex& item)> TargetAt;
        // Scrolling and hovering as the drag moves.
        std::function<void(QPoint point)> Moved;
        TOleDropEvent OnOleDrag;
        TOleDropEvent OnOleDrop;
        std::function<void()> AfterDrop;
    };
    TShellControlDropTarget(QAbstractItemView& view, THooks hooks) : view_(view), hooks_(std::move(hooks)) {}

    HRESULT DragEnter(std::shared_ptr<ole::IDataObject> dataObject, uint32_t keyState, ole::POINTL point,
                      uint32_t& effect) override;
    HRESULT DragOver(uint32_t keyState, ole::POINTL point, uint32_t& effect) override;
    HRESULT DragLeave() override;
    HRESULT Drop(std::shared_ptr<ole::IDataObject> dataObject, uint32_t keyState, ole::POINTL point,
                 uint32_t& effect) override;

    // The item shown as the drop target; invalid when none.
    QModelIndex Highlighted() const { return highlighted_; }

private:
    QPoint ViewportPoint(ole::POINTL point) const;
    // Asks the target under the point for its effect (enter, then leave) and highlights its item.
    HRESULT Probe(uint32_t keyState, ole::POINTL point, uint32_t& effect);
    void SetHighlight(const QModelIndex& item);
    void Finish();

    QAbstractItemView& view_;
    THooks hooks_;
    std::shared_ptr<ole::IDataObject> data_;
    uint32_t enterKeyState_ = 0;
    QPersistentModelIndex highlighted_;
};

}  // namespace kestrune::shell
