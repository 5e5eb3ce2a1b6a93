// How the shell tree and list hand items to other programs and run shell
// operations on them: offered formats, the tree's data object, the drop
// source, the folders' drop target, context-menu verbs, the Send-To menu and
// creating a new folder.
#pragma once

#include "platform/OleCore.h"
#include "platform/ShellNamespace.h"
#include "shell/UHyShellData.h"
#include "shell/UHyUnicode.h"

#include <QAbstractScrollArea>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kestrune::shell {

// Offered formats, each on global memory, content aspect, index -1.
class THyFormatEtcList {
public:
    void Add(std::initializer_list<uint16_t> formats);
    void Clear() { formats_.clear(); }
    // S_OK, DV_E_TYMED (offered, no common medium) or DV_E_FORMATETC.
    HRESULT Query(const ole::FORMATETC& format) const;
    const std::vector<ole::FORMATETC>& Formats() const { return formats_; }

private:
    std::vector<ole::FORMATETC> formats_;
};
// The enumerator over a format list and its position.
using THyFormatEtcList_IEnumFormatEtc = ole::TEnumFormatEtc;

// The file-name list (drop-files layout, wide names) and the ID-list array of
// a parent's absolute list (none: the desktop) and its items' relative lists.
std::vector<uint8_t> FileNameListBlock(const std::vector<std::string>& names);
std::vector<uint8_t> IdListArrayBlock(const TItemIdList* parent, const std::vector<TItemIdList>& items);

// The data object of one tree node (or of list items) offering the ID-list
// array and, for file-system items, the file names.
class TDataObject_shtv : public ole::IDataObject {
public:
    TDataObject_shtv(const TItemIdList& parentAbsolute, const std::vector<TItemIdList>& items);
    HRESULT GetData(const ole::FORMATETC& format, ole::STGMEDIUM& medium) override;
    HRESULT QueryGetData(const ole::FORMATETC& format) override { return formats_.Query(format); }
    HRESULT GetCanonicalFormatEtc(const ole::FORMATETC&, ole::FORMATETC& out) override;
    HRESULT SetData(const ole::FORMATETC&, ole::STGMEDIUM&, bool) override { return ole::E_NOTIMPL; }
    HRESULT EnumFormatEtc(uint32_t direction, std::unique_ptr<ole::IEnumFORMATETC>& formats) override;

private:
    std::vector<uint8_t> idListBlock_;
    std::vector<uint8_t> fileNameBlock_;
    THyFormatEtcList formats_;
};

// The drop source of a drag started with the left (0), right (1) or middle (2) button.
class TDropSource_shlvtv : public ole::IDropSource {
public:
    explicit TDropSource_shlvtv(int button);
    HRESULT QueryContinueDrag(bool escapePressed, uint32_t keyState) override;
    HRESULT GiveFeedback(uint32_t) override { return ole::DRAGDROP_S_USEDEFAULTCURSORS; }

private:
    uint32_t button_;
};

// A folder as a drop target: file names dropped on it are copied or moved
// in (Ctrl copies, Shift moves; otherwise a move within one file system).
class TFolderDropTarget : public ole::IDropTarget {
public:
    explicit TFolderDropTarget(std::string folder) : folder_(std::move(folder)) {}
    HRESULT DragEnter(std::shared_ptr<ole::IDataObject> dataObject, uint32_t keyState, ole::POINTL point,
                      uint32_t& effect) override;
    HRESULT DragOver(uint32_t keyState, ole::POINTL point, uint32_t& effect) override;
    HRESULT DragLeave() override;
    HRESULT Drop(std::shared_ptr<ole::IDataObject> dataObject, uint32_t keyState, ole::POINTL point,
                 uint32_t& effect) override;

private:
    uint32_t EffectFor(uint32_t keyState, uint32_t allowed) const;
    std::string folder_;
    std::vector<std::string> names_;
};
// The menu of a drop made with the right button: "Copy Here", "Move Here"
// (those allowed; preferred is the default) and "Cancel"; the effect chosen.
uint32_t AskDropEffect(uint32_t allowed, uint32_t preferred);
// The file names a data object carries (file-name list, else ID-list array).
std::vector<std::string> DroppedFileNames(ole::IDataObject& dataObject);
// The drop target of a tree node: its folder, or for no list the desktop directory.
std::shared_ptr<ole::IDropTarget> NodeDropTarget(THyShTreeData* node);
// The copy/move/link bits that every item of the data object's ID-list array has.
uint32_t CommonDropEffect(ole::IDataObject& dataObject);

// A context menu over shell items with our fixed verbs.
struct TMenuCommand {
    uint32_t Id = 0;
    std::string Text;
    std::string Verb;
    std::string Help;
};
struct TInvokeInfo {
    std::string Verb;  // used when not empty
    uint32_t Offset = 0;
    bool Shift = false;
    bool Control = false;
};
class IContextMenu {
public:
    virtual ~IContextMenu() = default;
    // Adds commands numbered from first (up to last); the count added.
    virtual int QueryContextMenu(std::vector<TMenuCommand>& menu, uint32_t first, uint32_t last, uint32_t flags) = 0;
    // The verb or help text of the command at offset; false when there is none.
    virtual bool GetCommandString(uint32_t offset, bool help, std::string& text) = 0;
    virtual HRESULT InvokeCommand(const TInvokeInfo& info) = 0;
};
// Runs a document ("open"); tests and the window layer may replace it.
using TOpenHandler = std::function<bool(const std::string& path)>;
void SetShellOpenHandler(TOpenHandler handler);
// The context menu of items of one folder (absolute lists).
std::unique_ptr<IContextMenu> ItemsContextMenu(const std::vector<TItemIdList>& items);

// Runs the command at offset, or the verb when one is given (looked up first;
// nothing runs when it is not found), with the Shift and Ctrl state of the
// key that asked for it, else of now.
HRESULT InvokeCommand(IContextMenu& menu, uint32_t offset, const std::string& verb = {},
                      std::optional<Qt::KeyboardModifiers> keys = std::nullopt);
// The command offset of a verb (case ignored), or -1.
int FindVerb(IContextMenu& menu, const std::string& verb);

// Creates "New Folder", "New Folder (2)" ... then "fldr", "fldr2" ... in the
// parent (empty: the current directory); a failure is shown in one box.
bool NewFolder(const WideString& parent, WideString& name);

// The Send-To menu: the files of our Send-To folder, named without extension.
struct TSendToEntry {
    std::string Path;
    WideString Text;
    int IconIndex = 0;
};
std::vector<TSendToEntry> SendToEntries();
// Drops the data object on the entry's target: a folder takes copies of the
// files, a program is started with them; a ".lnk" entry is followed to its target.
HRESULT SendTo(const TSendToEntry& entry, std::shared_ptr<ole::IDataObject> dataObject);
// A typed letter: the entry to choose after the highlighted one (-1: none),
// executed at once when it is the only one with that letter.
int SendToKey(const std::vector<TSendToEntry>& entries, int highlighted, char16_t letter, bool& execute);

// Window helpers of the controls.
// Sets or clears window flag bits, writing only when they change.
void SetWindowFlagBits(QWidget* window, Qt::WindowFlags bits, bool on);
// The window of the form that holds the control; none without one.
QWidget* OwnerFormWindow(QWidget* control);
enum TScrollCode { SB_LINEUP = 0, SB_LINEDOWN = 1, SB_PAGEUP = 2, SB_PAGEDOWN = 3 };
// One scroll step on the horizontal (0) or vertical (1) bar when it has a
// range beyond its page; whether the position moved.
bool ScrollStep(QAbstractScrollArea* control, int bar, TScrollCode code);
// A wheel step: the system's wheel line count of steps (one on the horizontal bar).
bool ScrollWheel(QAbstractScrollArea* control, int bar, bool down);

}  // namespace kestrune::shell
