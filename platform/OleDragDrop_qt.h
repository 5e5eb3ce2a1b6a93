// OLE drag and drop and the OLE clipboard over Qt: a window registered as a
// drop target gets Qt's drag events as IDropTarget calls (through an event
// filter), Qt's MIME data is seen as a data object and a data object becomes
// MIME data for a drag or the clipboard. File URLs are the drop-files list
// and "FileName"/"FileNameW", plain text is CF_UNICODETEXT, and every other
// format travels under its name as application/x-qt-windows-mime.
#pragma once

#include "platform/OleCore.h"

#include <QImage>
#include <QPoint>
#include <QPointer>
#include <Qt>

#include <memory>

class QMimeData;
class QWidget;

namespace kestrune::ole {

// E_INVALIDARG for null arguments, DRAGDROP_E_ALREADYREGISTERED for a window registered before.
// The target must outlive its registration.
HRESULT RegisterDragDrop(QWidget* window, IDropTarget* target);
// DRAGDROP_E_NOTREGISTERED when the window has no target.
HRESULT RevokeDragDrop(QWidget* window);
// The registered window whose drag notification is being handled; null outside one.
QWidget* CurrentDropWindow();
// Makes window the current drop window for the scope's life (the event filter
// does this around every notification; a caller that notifies a target itself
// does it too).
class TDropWindowScope {
public:
    explicit TDropWindowScope(QWidget* window);
    ~TDropWindowScope();
    TDropWindowScope(const TDropWindowScope&) = delete;
    TDropWindowScope& operator=(const TDropWindowScope&) = delete;

private:
    QWidget* previous_;
};

uint32_t KeyStateOf(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons);
uint32_t EffectsOf(Qt::DropActions actions);
Qt::DropAction ActionOf(uint32_t effect);

// The MIME type that carries a format's bytes under its name.
QString WindowsMimeType(const std::string& formatName);

// Qt's MIME data as a data object. Data set on it is kept beside the MIME data
// (a target's feedback); once the MIME data is gone it offers nothing.
class TMimeDataObject : public IDataObject {
public:
    explicit TMimeDataObject(const QMimeData* data);
    HRESULT GetData(const FORMATETC& format, STGMEDIUM& medium) override;
    HRESULT QueryGetData(const FORMATETC& format) override;
    HRESULT SetData(const FORMATETC& format, STGMEDIUM& medium, bool release) override;
    HRESULT EnumFormatEtc(uint32_t direction, std::unique_ptr<IEnumFORMATETC>& formats) override;

private:
    // The formats with their bytes: the feedback set here first, then the MIME data's own.
    TMemoryDataObject Snapshot() const;
    QPointer<QMimeData> data_;
    TMemoryDataObject feedback_;
};

// New MIME data holding what the data object offers on block media (owned by the caller).
QMimeData* MimeDataFromDataObject(IDataObject& dataObject);

// The picture a drag shows under the pointer, and the point of it the pointer holds.
struct TDragImage {
    QImage Picture;
    QPoint HotSpot;
};
// The drag image travels with the data ("DragImageBits": the hot spot's x and
// y, 32 bits each, then the picture as PNG), so that whoever the drag reaches
// knows it; the drag of a source shows it (on X11 the source draws it over
// every window). False when the data holds none or a damaged one.
bool SetDragImage(IDataObject& dataObject, const TDragImage& image);
bool GetDragImage(IDataObject& dataObject, TDragImage& image);

// Runs a drag of dataObject from source, showing its drag image when it
// carries one. Qt's drag loop decides when the drag ends (the source's
// QueryContinueDrag is not consulted). effect: the effect
// the target performed. DRAGDROP_S_DROP or DRAGDROP_S_CANCEL.
HRESULT DoDragDrop(IDataObject& dataObject, IDropSource* dropSource, uint32_t okEffects, QWidget* source,
                   uint32_t& effect);

// The clipboard's contents as a data object; the data object's formats onto
// the clipboard. Files cut or copied carry the desktop file managers' marks
// both ways: GNOME's "x-special/gnome-copied-files" and KDE's
// "application/x-kde-cutselection" read as "Preferred DropEffect" (GNOME's
// list as the files when no URLs come with it), and written from it.
HRESULT OleGetClipboard(std::shared_ptr<IDataObject>& dataObject);
HRESULT OleSetClipboard(IDataObject& dataObject);
// Empties the clipboard (what a pasted cut leaves).
HRESULT OleEmptyClipboard();

}  // namespace kestrune::ole
