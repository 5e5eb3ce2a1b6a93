#include "shell/UHyShellDragDrop.h"

#include "platform/OleDragDrop_qt.h"

namespace kestrune::shell {

bool DragEdgeScroll(QAbstractItemView& view, QPoint point, QElapsedTimer& lastStep) {
    if (lastStep.isValid() && lastStep.elapsed() < DragScrollIntervalMs) return false;
    const QRect area = view.viewport()->rect();
    bool scrolled = false;
    if (point.x() < DragScrollZoneX) scrolled |= ScrollStep(&view, 0, SB_LINEUP);
    else if (point.x() > area.width() - DragScrollZoneX) scrolled |= ScrollStep(&view, 0, SB_LINEDOWN);
    if (point.y() < DragScrollZoneY) scrolled |= ScrollStep(&view, 1, SB_LINEUP);
    else if (point.y() > area.height() - DragScrollZoneY) scrolled |= ScrollStep(&view, 1, SB_LINEDOWN);
    if (scrolled) lastStep.start();
    return scrolled;
}

uint32_t AllowedDragEffects(IShellFolder& folder, const std::vector<TItemIdList>& items) {
    uint32_t attributes = SFGAO_CANCOPY | SFGAO_CANMOVE | SFGAO_CANLINK;
    folder.GetAttributesOf(items, attributes);
    return attributes & (ole::DROPEFFECT_COPY | ole::DROPEFFECT_MOVE | ole::DROPEFFECT_LINK);
}

HRESULT RunShellDrag(QWidget& source, Qt::MouseButton button, const std::shared_ptr<ole::IDataObject>& data,
                     uint32_t effects, const TOleDragStartEvent& onStart, const TOleDragCompleteEvent& onComplete) {
    if (onStart) onStart(button, data, effects);
    if ((effects & (ole::DROPEFFECT_COPY | ole::DROPEFFECT_MOVE | ole::DROPEFFECT_LINK)) == 0) {
        if (onComplete) onComplete(ole::DRAGDROP_S_CANCEL, ole::DROPEFFECT_NONE);
        return ole::DRAGDROP_S_CANCEL;
    }
    TDropSource_shlvtv dropSource(button == Qt::RightButton ? 1 : button == Qt::MiddleButton ? 2 : 0);
    uint32_t effect = ole::DROPEFFECT_NONE;
    const HRESULT result = ole::DoDragDrop(*data, &dropSource, effects, &source, effect);
    if (onComplete) onComplete(result, effect);
    return result;
}

QPoint TShellControlDropTarget::ViewportPoint(ole::POINTL point) const {
    return view_.viewport()->mapFromGlobal(QPoint(point.x, point.y));
}

void TShellControlDropTarget::SetHighlight(const QModelIndex& item) {
    if (QModelIndex(highlighted_) == item) return;
    highlighted_ = item;
    view_.viewport()->update();
}

HRESULT TShellControlDropTarget::Probe(uint32_t keyState, ole::POINTL point, uint32_t& effect) {
    QModelIndex item;
    const std::shared_ptr<ole::IDropTarget> target =
        hooks_.TargetAt ? hooks_.TargetAt(ViewportPoint(point), keyState, item) : nullptr;
    HRESULT result = ole::E_FAIL;
    if (target) {
        result = target->DragEnter(data_, keyState, point, effect);
        target->DragLeave();
    }
    if (!target || !ole::Succeeded(result)) effect = ole::DROPEFFECT_NONE;
    SetHighlight(effect != ole::DROPEFFECT_NONE ? item : QModelIndex());
    if (hooks_.OnOleDrag) hooks_.OnOleDrag(data_, keyState, ViewportPoint(point), effect, result);
    return ole::S_OK;
}

HRESULT TShellControlDropTarget::DragEnter(std::shared_ptr<ole::IDataObject> dataObject, uint32_t keyState,
                                           ole::POINTL point, uint32_t& effect) {
    data_ = std::move(dataObject);
    enterKeyState_ = keyState;
    return Probe(keyState, point, effect);
}

HRESULT TShellControlDropTarget::DragOver(uint32_t keyState, ole::POINTL point, uint32_t& effect) {
    if (hooks_.Moved) hooks_.Moved(ViewportPoint(point));
    return Probe(keyState, point, effect);
}

HRESULT TShellControlDropTarget::DragLeave() {
    Finish();
    return ole::S_OK;
}

void TShellControlDropTarget::Finish() {
    SetHighlight({});
    data_.reset();
}

HRESULT TShellControlDropTarget::Drop(std::shared_ptr<ole::IDataObject> dataObject, uint32_t keyState,
                                      ole::POINTL point, uint32_t& effect) {
    struct TFinish {
        TShellControlDropTarget& Target;
        ~TFinish() { Target.Finish(); }
    } finish{*this};
    data_ = std::move(dataObject);
    QModelIndex item;
    // The buttons held when the drag came in: a right-button drag still asks what to do.
    keyState |= enterKeyState_ & (ole::MK_LBUTTON | ole::MK_RBUTTON | ole::MK_MBUTTON);
    const std::shared_ptr<ole::IDropTarget> target =
        hooks_.TargetAt ? hooks_.TargetAt(ViewportPoint(point), keyState, item) : nullptr;
    if (!target) {
        effect = ole::DROPEFFECT_NONE;
        return ole::E_FAIL;
    }
    const uint32_t allowed = effect;
    target->DragEnter(data_, keyState, point, effect);
    effect = allowed;
    target->DragOver(keyState, point, effect);
    HRESULT result = ole::S_OK;
    const uint32_t chosen = effect;
    if (hooks_.OnOleDrop) hooks_.OnOleDrop(data_, keyState, ViewportPoint(point), effect, result);
    if (!ole::Succeeded(result)) {
        target->DragLeave();
        return result;
    }
    // The target is offered what the source allows (a right-button drop asks
    // among all of it), unless the owner narrowed the effect.
    if (effect == chosen) effect = allowed;
    result = target->Drop(data_, keyState, point, effect);
    if (hooks_.AfterDrop) hooks_.AfterDrop();
    return result;
}

}  // namespace kestrune::shell
