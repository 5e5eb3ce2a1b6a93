#include "platform/OleDragDrop_qt.h"

#include "platform/NamedFile_qt.h"
#include "platform/OleBlocks.h"
#include "platform/ResCodePages.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDragLeaveEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QPixmap>
#include <QRegularExpression>
#include <QUrl>
#include <QWidget>


namespace kestrune::ole {

namespace {

constexpr char FilterName[] = "OleDropTargetInterface";
constexpr char WindowsMimePrefix[] = "application/x-qt-windows-mime;value=\"";

QWidget*& CurrentWindow() {
    static QWidget* window = nullptr;
    return window;
}

// Passes Qt's drag events of one window to its drop target. Every call is
// guarded: no exception reaches Qt's event loop.
class TDropTargetFilter : public QObject {
public:
    TDropTargetFilter(QWidget* window, IDropTarget* target) : QObject(window), window_(window), target_(target) {
        setObjectName(FilterName);
    }
    IDropTarget* Target() const { return target_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != window_) return false;
        switch (event->type()) {
            case QEvent::DragEnter: Enter(static_cast<QDragEnterEvent*>(event)); return true;
            case QEvent::DragMove: Over(static_cast<QDragMoveEvent*>(event)); return true;
            case QEvent::DragLeave: Leave(); return true;
            case QEvent::Drop: Dropped(static_cast<QDropEvent*>(event)); return true;
            default: return false;
        }
    }

private:
    POINTL ScreenPoint(const QDropEvent* event) const {
        const QPoint global = window_->mapToGlobal(event->position().toPoint());
        return {global.x(), global.y()};
    }
    static uint32_t KeyState(const QDropEvent* event) { return KeyStateOf(event->modifiers(), event->buttons()); }

    // The chosen effect becomes the event's action; no effect refuses the drag here.
    static void Answer(QDropEvent* event, HRESULT result, uint32_t effect) {
        const Qt::DropAction action = ActionOf(effect);
        if (Succeeded(result) && action != Qt::IgnoreAction && (event->possibleActions() & action)) {
            event->setDropAction(action);
            event->accept();
        } else {
            event->setDropAction(Qt::IgnoreAction);
            event->ignore();
        }
    }

    template <typename TCall>
    HRESULT Call(TCall&& call) {
        TDropWindowScope current(window_);
        try {
            return call();
        } catch (...) {
            return E_UNEXPECTED;
        }
    }

    void Enter(QDragEnterEvent* event) {
        dataObject_ = std::make_shared<TMimeDataObject>(event->mimeData());
        uint32_t effect = EffectsOf(event->possibleActions());
        const HRESULT result =
            Call([&] { return target_->DragEnter(dataObject_, KeyState(event), ScreenPoint(event), effect); });
        Answer(event, result, effect);
    }
    void Over(QDragMoveEvent* event) {
        uint32_t effect = EffectsOf(event->possibleActions());
        const HRESULT result = Call([&] { return target_->DragOver(KeyState(event), ScreenPoint(event), effect); });
        Answer(event, result, effect);
    }
    void Leave() {
        Call([&] { return target_->DragLeave(); });
        dataObject_.reset();
    }
    void Dropped(QDropEvent* event) {
        if (!dataObject_) dataObject_ = std::make_shared<TMimeDataObject>(event->mimeData());
        uint32_t effect = EffectsOf(event->possibleActions());
        const HRESULT result =
            Call([&] { return target_->Drop(dataObject_, KeyState(event), ScreenPoint(event), effect); });
        Answer(event, result, effect);
        dataObject_.reset();
    }

    QWidget* window_;
    IDropTarget* target_;
    std::shared_ptr<IDataObject> dataObject_;
};

TDropTargetFilter* FilterOf(QWidget* window) {
    return window->findChild<TDropTargetFilter*>(FilterName, Qt::FindDirectChildrenOnly);
}

std::string Utf8(const QString& text) { return text.toUtf8().toStdString(); }

TByteSpan SpanOf(const QByteArray& bytes) {
    return {reinterpret_cast<const uint8_t*>(bytes.constData()), static_cast<size_t>(bytes.size())};
}

QByteArray ByteArrayOf(const std::vector<uint8_t>& bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
}

// The files of this machine among the MIME data's URLs, as paths.
std::vector<std::string> LocalFiles(const QMimeData& data) {
    std::vector<std::string> files;
    for (const QUrl& url : data.urls())
        if (IsLocalFileUrl(url)) files.push_back(FileNameOfUrl(url));
    return files;
}

void SetIfMissing(TMemoryDataObject& object, uint16_t format, const TBytes& bytes) {
    FORMATETC query{format, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    if (object.QueryGetData(query) != S_OK) object.SetBytes(format, bytes);
}

// The desktop's file managers mark files cut or copied on the clipboard their
// own ways: GNOME's (and Caja's, Nemo's, Thunar's) list of file URLs led by
// "cut" or "copy", and KDE's "1" or "0" beside the URLs. A cut pastes as a move.
constexpr char GnomeCopiedFiles[] = "x-special/gnome-copied-files";
constexpr char KdeCutSelection[] = "application/x-kde-cutselection";

uint16_t PreferredDropEffectFormat() {
    static const uint16_t format = RegisterClipboardFormat("Preferred DropEffect");
    return format;
}

// What a cut is as "Preferred DropEffect": a move alone; a copy may be linked too.
uint32_t CutEffect(bool cut) { return cut ? DROPEFFECT_MOVE : DROPEFFECT_COPY | DROPEFFECT_LINK; }

struct TDesktopMarks {
    std::vector<std::string> Files;  // GNOME's list
    std::optional<bool> Cut;
};

TDesktopMarks DesktopMarks(const QMimeData& data) {
    TDesktopMarks marks;
    if (data.hasFormat(GnomeCopiedFiles)) {
        const QList<QByteArray> lines = data.data(GnomeCopiedFiles).split('\n');
        const QByteArray action = lines.value(0).trimmed();
        if (action == "cut" || action == "copy") marks.Cut = action == "cut";
        for (qsizetype k = 1; k < lines.size(); ++k)
            if (const QUrl url = QUrl::fromEncoded(lines[k].trimmed()); IsLocalFileUrl(url)) marks.Files.push_back(FileNameOfUrl(url));
    }
    if (data.hasFormat(KdeCutSelection) && !marks.Cut) marks.Cut = data.data(KdeCutSelection).trimmed() == "1";
    return marks;
}

// Files put on the clipboard carry the desktop's marks too, so that a file
// manager pastes a cut made here as a move.
void PutDesktopMarks(IDataObject& dataObject, QMimeData& data) {
    STGMEDIUM medium;
    std::vector<uint8_t> bytes;
    if (data.urls().isEmpty() ||
        !Succeeded(dataObject.GetData({PreferredDropEffectFormat(), nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL}, medium)) ||
        !ReadMediumBytes(medium, bytes))
        return;
    const bool cut = ReadDword(bytes) == CutEffect(true);
    QByteArray list = cut ? "cut" : "copy";
    for (const QUrl& url : data.urls()) list += '\n' + url.toEncoded();
    data.setData(GnomeCopiedFiles, list);
    data.setData(KdeCutSelection, cut ? "1" : "0");
}

}  // namespace

// ---- registration --------------------------------------------------------------------------

HRESULT RegisterDragDrop(QWidget* window, IDropTarget* target) {
    if (window == nullptr || target == nullptr) return E_INVALIDARG;
    if (FilterOf(window) != nullptr) return DRAGDROP_E_ALREADYREGISTERED;
    window->installEventFilter(new TDropTargetFilter(window, target));
    window->setAcceptDrops(true);
    return S_OK;
}

HRESULT RevokeDragDrop(QWidget* window) {
    TDropTargetFilter* filter = window == nullptr ? nullptr : FilterOf(window);
    if (filter == nullptr) return DRAGDROP_E_NOTREGISTERED;
    window->removeEventFilter(filter);
    delete filter;
    window->setAcceptDrops(false);
    return S_OK;
}

QWidget* CurrentDropWindow() { return CurrentWindow(); }

TDropWindowScope::TDropWindowScope(QWidget* window) : previous_(CurrentWindow()) { CurrentWindow() = window; }

TDropWindowScope::~TDropWindowScope() { CurrentWindow() = previous_; }

uint32_t KeyStateOf(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons) {
    uint32_t state = 0;
    if (modifiers & Qt::ShiftModifier) state |= MK_SHIFT;
    if (modifiers & Qt::ControlModifier) state |= MK_CONTROL;
    if (modifiers & Qt::AltModifier) state |= MK_ALT;
    if (buttons & Qt::LeftButton) state |= MK_LBUTTON;
    if (buttons & Qt::RightButton) state |= MK_RBUTTON;
    if (buttons & Qt::MiddleButton) state |= MK_MBUTTON;
    return state;
}

uint32_t EffectsOf(Qt::DropActions actions) {
    uint32_t effect = DROPEFFECT_NONE;
    if (actions & Qt::CopyAction) effect |= DROPEFFECT_COPY;
    if (actions & Qt::MoveAction) effect |= DROPEFFECT_MOVE;
    if (actions & Qt::LinkAction) effect |= DROPEFFECT_LINK;
    return effect;
}

Qt::DropAction ActionOf(uint32_t effect) {
    if (effect & DROPEFFECT_COPY) return Qt::CopyAction;
    if (effect & DROPEFFECT_MOVE) return Qt::MoveAction;
    if (effect & DROPEFFECT_LINK) return Qt::LinkAction;
    return Qt::IgnoreAction;
}

QString WindowsMimeType(const std::string& formatName) {
    return QString(WindowsMimePrefix) + QString::fromStdString(formatName) + "\"";
}

// ---- MIME data as a data object ----------------------------------------------------------------

TMimeDataObject::TMimeDataObject(const QMimeData* data) : data_(const_cast<QMimeData*>(data)) {}

TMemoryDataObject TMimeDataObject::Snapshot() const {
    TMemoryDataObject object = feedback_;
    if (data_.isNull()) return object;
    static const QRegularExpression windowsMime(QStringLiteral("^application/x-qt-windows-mime;value=\"(.*)\"$"));
    for (const QString& type : data_->formats()) {
        const QRegularExpressionMatch match = windowsMime.match(type);
        if (!match.hasMatch()) continue;
        const uint16_t format = FormatOfName(Utf8(match.captured(1)));
        const QByteArray bytes = data_->data(type);
        if (format != 0) SetIfMissing(object, format, TBytes(SpanOf(bytes).begin(), SpanOf(bytes).end()));
    }
    const TDesktopMarks marks = DesktopMarks(*data_);
    if (marks.Cut) SetIfMissing(object, PreferredDropEffectFormat(), WriteDword(CutEffect(*marks.Cut)));
    std::vector<std::string> files = LocalFiles(*data_);
    if (files.empty()) files = marks.Files;
    if (!files.empty()) {
        SetIfMissing(object, CF_HDROP, WriteDropFiles(files));
        SetIfMissing(object, RegisterClipboardFormat("FileNameW"), WriteWideText(WideFromFileName(files.front())));
        SetIfMissing(object, RegisterClipboardFormat("FileName"), WriteAnsiText(files.front()));
    }
    if (data_->hasText()) SetIfMissing(object, CF_UNICODETEXT, WriteWideText(data_->text().toStdU16String()));
    return object;
}

HRESULT TMimeDataObject::GetData(const FORMATETC& format, STGMEDIUM& medium) {
    return Snapshot().GetData(format, medium);
}

HRESULT TMimeDataObject::QueryGetData(const FORMATETC& format) { return Snapshot().QueryGetData(format); }

HRESULT TMimeDataObject::SetData(const FORMATETC& format, STGMEDIUM& medium, bool release) {
    return feedback_.SetData(format, medium, release);
}

HRESULT TMimeDataObject::EnumFormatEtc(uint32_t direction, std::unique_ptr<IEnumFORMATETC>& formats) {
    return Snapshot().EnumFormatEtc(direction, formats);
}

// ---- a data object as MIME data ------------------------------------------------------------

QMimeData* MimeDataFromDataObject(IDataObject& dataObject) {
    auto* data = new QMimeData;
    std::unique_ptr<IEnumFORMATETC> formats;
    if (!Succeeded(dataObject.EnumFormatEtc(DATADIR_GET, formats)) || !formats) return data;
    FORMATETC format;
    while (formats->Next(1, &format, nullptr) == S_OK) {
        format.tymed &= TYMED_HGLOBAL | TYMED_ISTREAM | TYMED_ISTORAGE;
        STGMEDIUM medium;
        std::vector<uint8_t> bytes;
        if (format.tymed == 0 || !Succeeded(dataObject.GetData(format, medium)) || !ReadMediumBytes(medium, bytes))
            continue;
        if (format.cfFormat == CF_HDROP) {
            QList<QUrl> urls;
            for (const std::string& name : ReadDropFiles(bytes)) urls.push_back(UrlOfFileName(name));
            data->setUrls(urls);
        } else if (format.cfFormat == CF_UNICODETEXT) {
            data->setText(QString::fromStdU16String(ReadWideText(bytes)));
        }
        const std::string name = format.cfFormat < FirstRegisteredFormat ? PredefinedFormatName(format.cfFormat)
                                                                         : GetClipboardFormatName(format.cfFormat);
        if (!name.empty()) data->setData(WindowsMimeType(name), ByteArrayOf(bytes));
    }
    return data;
}

namespace {

uint16_t DragImageFormat() {
    static const uint16_t id = RegisterClipboardFormat("DragImageBits");
    return id;
}

}  // namespace

bool SetDragImage(IDataObject& dataObject, const TDragImage& image) {
    QByteArray png;
    QBuffer buffer(&png);
    if (image.Picture.isNull() || !buffer.open(QIODevice::WriteOnly) || !image.Picture.save(&buffer, "PNG")) return false;
    TBytes block(8, 0);
    Put32(block, 0, static_cast<uint32_t>(image.HotSpot.x()));
    Put32(block, 4, static_cast<uint32_t>(image.HotSpot.y()));
    block.insert(block.end(), SpanOf(png).begin(), SpanOf(png).end());
    STGMEDIUM medium = MediumOf(block);
    return Succeeded(dataObject.SetData({DragImageFormat(), nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL}, medium, true));
}

bool GetDragImage(IDataObject& dataObject, TDragImage& image) {
    STGMEDIUM medium;
    TBytes block;
    if (!Succeeded(dataObject.GetData({DragImageFormat(), nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL}, medium)) ||
        !ReadMediumBytes(medium, block) || block.size() <= 8)
        return false;
    QImage picture;
    const QByteArray png(reinterpret_cast<const char*>(block.data() + 8), static_cast<qsizetype>(block.size() - 8));
    if (!picture.loadFromData(png, "PNG")) return false;
    image.Picture = picture;
    image.HotSpot = QPoint(static_cast<int32_t>(Get32(block.data())), static_cast<int32_t>(Get32(block.data() + 4)));
    return true;
}

HRESULT DoDragDrop(IDataObject& dataObject, IDropSource* /*dropSource*/, uint32_t okEffects, QWidget* source,
                   uint32_t& effect) {
    auto* drag = new QDrag(source);
    drag->setMimeData(MimeDataFromDataObject(dataObject));
    TDragImage image;
    if (GetDragImage(dataObject, image)) {
        drag->setPixmap(QPixmap::fromImage(image.Picture));
        drag->setHotSpot(image.HotSpot);
    }
    Qt::DropActions actions;
    if (okEffects & DROPEFFECT_COPY) actions |= Qt::CopyAction;
    if (okEffects & DROPEFFECT_MOVE) actions |= Qt::MoveAction;
    if (okEffects & DROPEFFECT_LINK) actions |= Qt::LinkAction;
    const Qt::DropAction done = drag->exec(actions, ActionOf(okEffects));
    effect = EffectsOf(done);
    return done == Qt::IgnoreAction ? DRAGDROP_S_CANCEL : DRAGDROP_S_DROP;
}

HRESULT OleGetClipboard(std::shared_ptr<IDataObject>& dataObject) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard == nullptr) return CLIPBRD_E_CANT_OPEN;
    dataObject = std::make_shared<TMimeDataObject>(clipboard->mimeData());
    return S_OK;
}

HRESULT OleSetClipboard(IDataObject& dataObject) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard == nullptr) return CLIPBRD_E_CANT_OPEN;
    QMimeData* data = MimeDataFromDataObject(dataObject);
    PutDesktopMarks(dataObject, *data);
    clipboard->setMimeData(data);
    return S_OK;
}

HRESULT OleEmptyClipboard() {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard == nullptr) return CLIPBRD_E_CANT_OPEN;
    clipboard->clear();
    return S_OK;
}

}  // namespace kestrune::ole
