#include "dragdrop/DropTarget.h"

#include "dragdrop/DragDropFormats.h"
#include "platform/OleDragDrop_qt.h"
#include "platform/SysUtils.h"

#include <QAbstractScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <chrono>

namespace kestrune::dragdrop {

namespace {

// Registers its parent widget with a drop target for as long as it lives, and
// tells the target when the widget goes.
class TWinControlProxy : public QObject {
public:
    TWinControlProxy(QWidget* control, IDropTarget* target, std::function<void(QWidget*)> gone)
        : QObject(control), control_(control), gone_(std::move(gone)) {
        setObjectName("TWinControlProxy");
        const HRESULT result = RegisterDragDrop(control, target);
        if (!Succeeded(result)) throw EDataFormat(Format("OLE error %08X", static_cast<unsigned>(result)));
    }
    ~TWinControlProxy() override {
        RevokeDragDrop(control_);
        if (gone_) gone_(control_);
    }
    void Detach() { gone_ = nullptr; }

private:
    QWidget* control_;
    std::function<void(QWidget*)> gone_;
};

TWinControlProxy* ProxyOf(QWidget* control) {
    return control->findChild<TWinControlProxy*>("TWinControlProxy", Qt::FindDirectChildrenOnly);
}

bool IsDescendant(const QWidget* child, const QWidget* ancestor) {
    for (const QWidget* w = child->parentWidget(); w != nullptr; w = w->parentWidget())
        if (w == ancestor) return true;
    return false;
}

int64_t SteadyMilliseconds() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

TCustomDropTarget::TCustomDropTarget() : TickCount(SteadyMilliseconds), scrollTimer_(std::make_unique<QTimer>()) {
    scrollTimer_->setSingleShot(false);
    QObject::connect(scrollTimer_.get(), &QTimer::timeout, [this] {
        try {
            ScrollTimerTick();
        } catch (...) {
            scrollTimer_->stop();
        }
    });
}

TCustomDropTarget::~TCustomDropTarget() {
    dataObject_.reset();
    UnregisterControl(nullptr);
}

// ---- registration -----------------------------------------------------------------

void TCustomDropTarget::RegisterControl(QWidget* control) {
    if (std::find(targets_.begin(), targets_.end(), control) != targets_.end()) return;
    if (!MultiTarget) UnregisterControl(nullptr);
    if (control == nullptr) return;
    auto ancestor = std::find_if(targets_.rbegin(), targets_.rend(),
                                 [&](const QWidget* target) { return IsDescendant(control, target); });
    targets_.insert(ancestor == targets_.rend() ? targets_.end() : ancestor.base(), control);
    auto forget = [this](QWidget* gone) {
        std::erase(targets_, gone);
        if (target_ == gone) target_ = nullptr;
    };
    try {
        if (AutoRegister) {
            new TWinControlProxy(control, this, forget);
        } else {
            const HRESULT result = RegisterDragDrop(control, this);
            if (!Succeeded(result)) throw EDataFormat(Format("OLE error %08X", static_cast<unsigned>(result)));
            QObject::connect(control, &QObject::destroyed, scrollTimer_.get(),
                             [forget, control] { forget(control); });
        }
    } catch (...) {
        std::erase(targets_, control);
        throw;
    }
}

void TCustomDropTarget::UnregisterControl(QWidget* control) {
    if (control == nullptr) {
        while (!targets_.empty()) UnregisterControl(targets_.back());
        return;
    }
    if (std::find(targets_.begin(), targets_.end(), control) == targets_.end()) return;
    if (target_ == control) target_ = nullptr;
    std::erase(targets_, control);
    if (TWinControlProxy* proxy = ProxyOf(control)) {
        proxy->Detach();
        delete proxy;
    } else {
        QObject::disconnect(control, &QObject::destroyed, scrollTimer_.get(), nullptr);
        RevokeDragDrop(control);
    }
}

void TCustomDropTarget::SetTarget(QWidget* control) {
    if (control == target_) return;
    if (MultiTarget) UnregisterControl(nullptr);
    RegisterControl(control);
}

void TCustomDropTarget::ListClipboardFormats(TCustomDataFormat& dataFormat, TClipboardFormats& formats) {
    TDataFormatMap::Instance().GetClipboardFormats(dataFormat.ClassType(), formats, ddRead);
}

// ---- the drag ----------------------------------------------------------------------

QWidget* TCustomDropTarget::FindTarget(POINTL screenPoint) {
    QWidget* window = ole::CurrentDropWindow();
    if (window == nullptr) return nullptr;
    QWidget* control = window->childAt(window->mapFromGlobal(QPoint(screenPoint.x, screenPoint.y)));
    if (control == nullptr) control = window;
    for (; control != nullptr; control = control->parentWidget())
        if (std::find(targets_.begin(), targets_.end(), control) != targets_.end()) return control;
    return nullptr;
}

POINTL TCustomDropTarget::ClientPoint(POINTL screenPoint) const {
    if (target_ == nullptr) return screenPoint;
    const QPoint local = target_->mapFromGlobal(QPoint(screenPoint.x, screenPoint.y));
    return {local.x(), local.y()};
}

// The scroll bars the target shows, and the band near its edges where the pointer scrolls.
void TCustomDropTarget::ReadScrollBars() {
    horizontalBar_ = verticalBar_ = false;
    auto* area = qobject_cast<QAbstractScrollArea*>(target_.data());
    if (!dragScrolls_ || area == nullptr) return;
    horizontalBar_ = area->horizontalScrollBar()->isVisible();
    verticalBar_ = area->verticalScrollBar()->isVisible();
    const QRect client = area->viewport()->geometry();
    const int band = 2 * area->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, area);
    boundsLeft_ = client.left() + (horizontalBar_ ? band : 0);
    boundsRight_ = client.right() - (horizontalBar_ ? band : 0);
    boundsTop_ = client.top() + (verticalBar_ ? band : 0);
    boundsBottom_ = client.bottom() - (verticalBar_ ? band : 0);
}

HRESULT TCustomDropTarget::DragEnter(std::shared_ptr<IDataObject> dataObject, uint32_t keyState, POINTL point,
                                     uint32_t& effect) {
    try {
        ClearData();
        dragImage_.reset();
        dataObject_ = std::move(dataObject);
        target_ = FindTarget(point);
        dragShowsImage_ = ShowImage && target_ != nullptr;
        dragScrolls_ = AutoScroll && target_ != nullptr;
        const POINTL client = ClientPoint(point);
        lastPoint_ = client;
        SpeedAllowsScroll(point, true);
        TakeDragImage();
        if (!dataObject_ || !HasValidFormats(*dataObject_)) {
            dataObject_.reset();
            effect = DROPEFFECT_NONE;
            return S_OK;
        }
        ReadScrollBars();
        const TShiftState shift = KeyStateToShiftState(keyState);
        if (GetDataOnEnter && !GetData(effect)) {
            dataObject_.reset();
            dragImage_.reset();
            effect = DROPEFFECT_NONE;
            return DV_E_CLIPFORMAT;
        }
        effect = GetValidDropEffect(shift, client, effect);
        DoEnter(shift, client, effect);
        if ((effect & ~DROPEFFECT_SCROLL) == 0) dataObject_.reset();
        return S_OK;
    } catch (...) {
        dataObject_.reset();
        effect = DROPEFFECT_NONE;
        return E_UNEXPECTED;
    }
}

HRESULT TCustomDropTarget::DragOver(uint32_t keyState, POINTL point, uint32_t& effect) {
    if (target_ == nullptr) {
        effect = DROPEFFECT_NONE;
        return E_UNEXPECTED;
    }
    try {
        const POINTL client = ClientPoint(point);
        const TShiftState shift = KeyStateToShiftState(keyState);
        effect = GetValidDropEffect(shift, client, effect);
        HRESULT result = DV_E_CLIPFORMAT;
        if (dataObject_) {
            DoDragOver(shift, client, effect);
            result = S_OK;
        }
        const bool mayScroll = SpeedAllowsScroll(point, false);
        if (effect & DROPEFFECT_SCROLL) {
            if (!scrollTimer_->isActive()) scrollTimer_->setInterval(DragDropScrollDelay);
            if (mayScroll)
                scrollTimer_->start();
            else
                scrollTimer_->stop();
        } else {
            scrollTimer_->stop();
        }
        lastPoint_ = client;
        return result;
    } catch (...) {
        dataObject_.reset();
        effect = DROPEFFECT_NONE;
        return E_UNEXPECTED;
    }
}

// The image the drag carries, when this target shows images; the source draws it.
void TCustomDropTarget::TakeDragImage() {
    ole::TDragImage image;
    if (dragShowsImage_ && dataObject_ && ole::GetDragImage(*dataObject_, image)) dragImage_ = std::move(image);
}

HRESULT TCustomDropTarget::DragLeave() {
    try {
        ClearData();
    } catch (...) {
        // A transfer still running keeps its data; the drag ends all the same.
    }
    scrollTimer_->stop();
    dataObject_.reset();
    dragImage_.reset();
    DoLeave();
    target_ = nullptr;
    return S_OK;
}

HRESULT TCustomDropTarget::Drop(std::shared_ptr<IDataObject>, uint32_t keyState, POINTL point, uint32_t& effect) {
    scrollTimer_->stop();
    HRESULT result = S_OK;
    if (!dataObject_) {
        effect = DROPEFFECT_NONE;
        result = E_UNEXPECTED;
    } else {
        try {
            const POINTL client = ClientPoint(point);
            const TShiftState shift = KeyStateToShiftState(keyState);
            effect = GetValidDropEffect(shift, client, effect);
            if (!GetDataOnEnter && !GetData(effect))
                effect = DROPEFFECT_NONE;
            else
                DoDrop(shift, client, effect);
        } catch (...) {
            effect = DROPEFFECT_NONE;
            result = E_UNEXPECTED;
        }
    }
    ResetDrag();
    return result;
}

void TCustomDropTarget::ResetDrag() {
    try {
        ClearData();
    } catch (...) {
        // As in DragLeave.
    }
    dataObject_.reset();
    dragImage_.reset();
    target_ = nullptr;
}

// ---- events and effects -------------------------------------------------------------------

void TCustomDropTarget::DoEnter(TShiftState shift, POINTL point, uint32_t& effect) {
    if (OnEnter) OnEnter(*this, shift, point, effect);
}

void TCustomDropTarget::DoDragOver(TShiftState shift, POINTL point, uint32_t& effect) {
    if (OnDragOver) OnDragOver(*this, shift, point, effect);
}

void TCustomDropTarget::DoDrop(TShiftState shift, POINTL point, uint32_t& effect) {
    if (OnDrop) OnDrop(*this, shift, point, effect);
    if (effect == DROPEFFECT_NONE) return;
    const uint32_t reported = OptimizedMove && effect == DROPEFFECT_MOVE ? DROPEFFECT_COPY : effect;
    if (SetPerformedDropEffect(reported)) effect = reported;
}

void TCustomDropTarget::DoLeave() {
    if (OnLeave) OnLeave(*this);
}

void TCustomDropTarget::DoPasteDrop(uint32_t& effect) {
    DoDrop(0, POINTL{}, effect);
    if (effect != 0) SetPasteSucceeded(effect);
}

void TCustomDropTarget::DoScroll(POINTL point, TScrollDirections& scroll, int& interval) {
    if (OnScroll) OnScroll(*this, point, scroll, interval);
}

uint32_t TCustomDropTarget::GetValidDropEffect(TShiftState shift, POINTL point, uint32_t effect) {
    uint32_t result = DropEffectFromDragTypes(DragTypes) & effect;
    if (!OnGetDropEffect) result = DropEffectFromShiftState(shift, result, true);
    if (dragScrolls_ && (horizontalBar_ || verticalBar_)) {
        const bool inside = point.x >= boundsLeft_ && point.x <= boundsRight_ && point.y >= boundsTop_ &&
                            point.y <= boundsBottom_;
        result = inside ? result & ~DROPEFFECT_SCROLL : result | DROPEFFECT_SCROLL;
    }
    if (OnGetDropEffect) OnGetDropEffect(*this, shift, point, result);
    return result;
}

uint32_t TCustomDropTarget::GetPreferredDropEffect() {
    if (!dataObject_) return 0;
    TPreferredDropEffectClipboardFormat format;
    return format.GetData(*dataObject_) ? format.Value : 0;
}

bool TCustomDropTarget::SetFeedback(TClipboardFormat& format, uint32_t value) {
    if (!dataObject_) return false;
    static_cast<TCustomDWORDClipboardFormat&>(format).Value = value;
    STGMEDIUM medium;
    FORMATETC wanted = format.FormatEtc;
    wanted.tymed = TYMED_HGLOBAL;
    return format.SetData(*dataObject_, wanted, medium);
}

bool TCustomDropTarget::SetPerformedDropEffect(uint32_t effect) {
    TPerformedDropEffectClipboardFormat format;
    return SetFeedback(format, effect);
}

bool TCustomDropTarget::SetPasteSucceeded(uint32_t effect) {
    TPasteSucceededClipboardFormat format;
    return SetFeedback(format, effect);
}

bool TCustomDropTarget::GetData(uint32_t) {
    ClearData();
    // No source here offers a background transfer, so the data is always fetched at once.
    return DoGetData();
}

// ---- the clipboard -----------------------------------------------------------------------

uint32_t TCustomDropTarget::PasteFromClipboard() {
    target_ = nullptr;
    std::shared_ptr<IDataObject> clipboard;
    const HRESULT got = ole::OleGetClipboard(clipboard);
    if (!Succeeded(got)) throw EDataFormat(Format("OLE error %08X", static_cast<unsigned>(got)));
    dataObject_ = clipboard;
    uint32_t effect = GetPreferredDropEffect();
    uint32_t result = GetData(effect) ? effect : 0;
    DoPasteDrop(result);
    ResetDrag();
    return result;
}

void TCustomDropTarget::Assign(TClipboardSource) { PasteFromClipboard(); }

void TCustomDropTarget::Assign(std::shared_ptr<IDataObject> source) {
    if (source == nullptr) throw EConvertError("Cannot assign a nil to a drop target.");
    dataObject_ = std::move(source);
    const bool fetched = GetData(DROPEFFECT_COPY);
    dataObject_.reset();
    if (!fetched) throw EConvertError("Cannot assign a data object to a drop target.");
}

bool TCustomDropTarget::CanPasteFromClipboard() {
    std::shared_ptr<IDataObject> clipboard;
    return Succeeded(ole::OleGetClipboard(clipboard)) && HasValidFormats(*clipboard);
}

// ---- auto-scroll ----------------------------------------------------------------------------

bool TCustomDropTarget::SpeedAllowsScroll(POINTL point, bool reset) {
    const int64_t now = TickCount();
    if (reset) {
        firstSample_ = {now, point};
        secondSample_ = {};
        return true;
    }
    bool allowed = true;
    const int64_t elapsed = now - firstSample_.Tick;
    if (elapsed >= DragDropScrollSampleTime) {
        const int64_t dx = firstSample_.Point.x - point.x;
        const int64_t dy = firstSample_.Point.y - point.y;
        const int64_t speed2 = elapsed == 0 ? 0 : (dx * dx + dy * dy) * 1000000 / (elapsed * elapsed);
        allowed = speed2 <= int64_t{DragDropScrollMaxSpeed} * DragDropScrollMaxSpeed;
        if (secondSample_.Tick == 0) secondSample_ = {now, point};
    }
    if (secondSample_.Tick != 0 && now - secondSample_.Tick >= DragDropScrollSampleTime) {
        firstSample_ = secondSample_;
        secondSample_ = {now, point};
    }
    return allowed;
}

void TCustomDropTarget::ScrollTimerTick() {
    scrollTimer_->stop();
    int interval = DragDropScrollInterval;
    TScrollDirections scroll = 0;
    auto* area = qobject_cast<QAbstractScrollArea*>(target_.data());
    const POINTL p = lastPoint_;
    const bool outside = p.x < boundsLeft_ || p.x > boundsRight_ || p.y < boundsTop_ || p.y > boundsBottom_;
    if (area != nullptr && outside) {
        const QPoint cursor = area->mapToGlobal(QPoint(p.x, p.y));
        if (SpeedAllowsScroll({cursor.x(), cursor.y()}, false)) {
            const QScrollBar* v = area->verticalScrollBar();
            const QScrollBar* h = area->horizontalScrollBar();
            if (verticalBar_ && p.y < boundsTop_ && v->value() > v->minimum()) scroll |= sdUp;
            if (verticalBar_ && p.y > boundsBottom_ && v->value() < v->maximum()) scroll |= sdDown;
            if (horizontalBar_ && p.x < boundsLeft_ && h->value() > h->minimum()) scroll |= sdLeft;
            if (horizontalBar_ && p.x > boundsRight_ && h->value() < h->maximum()) scroll |= sdRight;
        }
    }
    if (scroll != 0) DoScroll(lastPoint_, scroll, interval);
    if (scroll == 0 || area == nullptr) return;
    if (scroll & (sdUp | sdDown))
        area->verticalScrollBar()->triggerAction((scroll & sdUp) ? QAbstractSlider::SliderSingleStepSub
                                                                  : QAbstractSlider::SliderSingleStepAdd);
    if (scroll & (sdLeft | sdRight))
        area->horizontalScrollBar()->triggerAction((scroll & sdLeft) ? QAbstractSlider::SliderSingleStepSub
                                                                      : QAbstractSlider::SliderSingleStepAdd);
    scrollTimer_->setInterval(std::max(interval, 0));
    scrollTimer_->start();
}

// ---- the multi-target --------------------------------------------------------------------------

TCustomDropMultiTarget::TCustomDropMultiTarget() {
    DragTypes = dragdrop::DragTypes({TDragType::dtCopy, TDragType::dtLink});
    GetDataOnEnter = false;
}

TCustomDropMultiTarget::~TCustomDropMultiTarget() {
    while (DataFormatList.Count() > 0) delete DataFormatList[DataFormatList.Count() - 1];
}

bool TCustomDropMultiTarget::HasValidFormats(IDataObject& dataObject) {
    std::unique_ptr<IEnumFORMATETC> formats;
    if (!Succeeded(dataObject.EnumFormatEtc(DATADIR_GET, formats)) || !formats || !Succeeded(formats->Reset()))
        return false;
    FORMATETC format;
    uint32_t fetched = 0;
    while (formats->Next(1, &format, &fetched) == S_OK && fetched == 1) {
        for (size_t i = 0; i < DataFormatList.Count(); ++i) {
            TCustomDataFormat& dataFormat = *DataFormatList[i];
            if (!dataFormat.AcceptFormat(format) || !dataFormat.HasValidFormats(dataObject)) continue;
            bool accept = true;
            DoAcceptFormat(dataFormat, accept);
            if (accept) return true;
        }
    }
    return false;
}

bool TCustomDropMultiTarget::DoGetData() {
    bool result = false;
    for (size_t i = 0; i < DataFormatList.Count(); ++i) {
        TCustomDataFormat& dataFormat = *DataFormatList[i];
        if (!dataFormat.HasValidFormats(*DataObject())) continue;
        bool accept = true;
        DoAcceptFormat(dataFormat, accept);
        if (accept) result = dataFormat.GetData(*DataObject()) || result;
    }
    return result;
}

void TCustomDropMultiTarget::ClearData() {
    for (size_t i = 0; i < DataFormatList.Count(); ++i) DataFormatList[i]->Clear();
}

void TCustomDropMultiTarget::DoAcceptFormat(TCustomDataFormat& format, bool& accept) {
    if (OnAcceptFormat) OnAcceptFormat(*this, format, accept);
}

}  // namespace kestrune::dragdrop
