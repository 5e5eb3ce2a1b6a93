// The drop target core: turns widgets into drop targets, translates the four
// drag notifications into the component's events, computes the drop effect
// from the allowed drag types, the keys and the source's offer, scrolls a
// scrollable target while the pointer rests near its edge, and leaves the data
// to its data formats (the multi-target: a drag is acceptable when one of its
// data formats finds a format it can read).
#pragma once

#include "dragdrop/DragDrop.h"
#include "platform/OleDragDrop_qt.h"

#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QTimer;

namespace kestrune::dragdrop {

class TCustomDropTarget;

using TScrollDirections = unsigned;
constexpr TScrollDirections sdUp = 1, sdDown = 2, sdLeft = 4, sdRight = 8;

using TDropTargetEvent = std::function<void(TCustomDropTarget& sender, TShiftState shift, POINTL point, uint32_t& effect)>;
using TDropTargetScrollEvent =
    std::function<void(TCustomDropTarget& sender, POINTL point, TScrollDirections& scroll, int& interval)>;
using TNotifyEvent = std::function<void(TCustomDropTarget& sender)>;

// Auto-scroll tuning, process-wide.
inline int DragDropScrollDelay = 50;      // ms before the first scroll step
inline int DragDropScrollInterval = 50;   // ms between steps
inline int DragDropScrollMaxSpeed = 20;   // pixels per second at most while scrolling
inline int DragDropScrollSampleTime = 10; // ms between two speed samples

// The clipboard, as a source a drop target is assigned from.
struct TClipboardSource {};
inline constexpr TClipboardSource Clipboard{};

class TCustomDropTarget : public TDragDropComponent, public IDropTarget {
public:
    TCustomDropTarget();
    ~TCustomDropTarget() override;

    TDragTypes DragTypes = dragdrop::DragTypes({TDragType::dtCopy});
    bool GetDataOnEnter = false;
    bool MultiTarget = false;
    bool OptimizedMove = false;
    bool AutoScroll = true;
    bool AutoRegister = true;
    // Background transfer: kept as a property; no source here offers it.
    bool AllowAsyncTransfer = false;
    bool ShowImage = true;

    TDropTargetEvent OnEnter, OnDragOver, OnDrop, OnGetDropEffect;
    TNotifyEvent OnLeave, OnStartAsyncTransfer, OnEndAsyncTransfer;
    TDropTargetScrollEvent OnScroll;

    // The widgets registered with this target; the one under the pointer during a drag.
    void RegisterControl(QWidget* control);
    // Null unregisters every widget, last first.
    void UnregisterControl(QWidget* control);
    const std::vector<QWidget*>& Targets() const { return targets_; }
    QWidget* Target() const { return target_; }
    void SetTarget(QWidget* control);
    std::shared_ptr<IDataObject> DataObject() const { return dataObject_; }
    // The image of the drag in progress with its hot spot, taken on entering
    // when ShowImage is set and the drag carries one; null otherwise. On X11
    // the source draws it under the pointer.
    const ole::TDragImage* DragImage() const { return dragImage_ ? &*dragImage_ : nullptr; }

    // IDropTarget
    HRESULT DragEnter(std::shared_ptr<IDataObject> dataObject, uint32_t keyState, POINTL point,
                      uint32_t& effect) override;
    HRESULT DragOver(uint32_t keyState, POINTL point, uint32_t& effect) override;
    HRESULT DragLeave() override;
    HRESULT Drop(std::shared_ptr<IDataObject> dataObject, uint32_t keyState, POINTL point, uint32_t& effect) override;

    // The clipboard's data as a drop; the effect, 0 when nothing was pasted.
    uint32_t PasteFromClipboard();
    bool CanPasteFromClipboard();
    // Takes data from a source as a drop takes it: the clipboard pastes
    // (PasteFromClipboard); a data object's data is fetched for a copy and
    // stays in the data formats. A data object whose data cannot be fetched
    // raises EConvertError and leaves the formats empty.
    void Assign(TClipboardSource);
    void Assign(std::shared_ptr<IDataObject> source);

    // The millisecond clock of the pointer-speed test (tests set their own).
    std::function<int64_t()> TickCount;

protected:
    void ListClipboardFormats(TCustomDataFormat& dataFormat, TClipboardFormats& formats) override;
    virtual void DoEnter(TShiftState shift, POINTL point, uint32_t& effect);
    virtual void DoDragOver(TShiftState shift, POINTL point, uint32_t& effect);
    virtual void DoDrop(TShiftState shift, POINTL point, uint32_t& effect);
    virtual void DoLeave();
    virtual void DoPasteDrop(uint32_t& effect);
    virtual void DoScroll(POINTL point, TScrollDirections& scroll, int& interval);
    virtual bool GetData(uint32_t effect);
    virtual bool DoGetData() = 0;
    virtual void ClearData() = 0;
    virtual uint32_t GetValidDropEffect(TShiftState shift, POINTL point, uint32_t effect);
    virtual uint32_t GetPreferredDropEffect();
    virtual bool SetPerformedDropEffect(uint32_t effect);
    virtual bool SetPasteSucceeded(uint32_t effect);
    virtual QWidget* FindTarget(POINTL screenPoint);
    virtual bool HasValidFormats(IDataObject& dataObject) = 0;

private:
    bool SetFeedback(TClipboardFormat& format, uint32_t value);
    void TakeDragImage();
    POINTL ClientPoint(POINTL screenPoint) const;
    void ReadScrollBars();
    bool SpeedAllowsScroll(POINTL point, bool reset);
    void ScrollTimerTick();
    void ResetDrag();

    std::shared_ptr<IDataObject> dataObject_;
    std::optional<ole::TDragImage> dragImage_;
    std::vector<QWidget*> targets_;
    QPointer<QWidget> target_;
    POINTL lastPoint_;
    // This drag's own image and scroll switches: a drag that finds no target
    // turns them off for itself only.
    bool dragShowsImage_ = false;
    bool dragScrolls_ = false;
    bool horizontalBar_ = false;
    bool verticalBar_ = false;
    int boundsLeft_ = 0, boundsTop_ = 0, boundsRight_ = 0, boundsBottom_ = 0;
    struct TSample {
        int64_t Tick = 0;
        POINTL Point;
    };
    TSample firstSample_, secondSample_;
    std::unique_ptr<QTimer> scrollTimer_;
};

class TCustomDropMultiTarget : public TCustomDropTarget {
public:
    TCustomDropMultiTarget();
    ~TCustomDropMultiTarget() override;
    std::function<void(TCustomDropMultiTarget& sender, TCustomDataFormat& format, bool& accept)> OnAcceptFormat;

protected:
    bool DoGetData() override;
    void ClearData() override;
    bool HasValidFormats(IDataObject& dataObject) override;
    virtual void DoAcceptFormat(TCustomDataFormat& format, bool& accept);
};

}  // namespace kestrune::dragdrop
