#include "shell/UHyShellTransfer.h"

#include "platform/OleBlocks.h"
#include "platform/OleDragDrop_qt.h"
#include "platform/NamedFile_qt.h"
#include "platform/PartFolder.h"
#include "platform/ProgramStrings.h"
#include "platform/ResCodePages.h"
#include "platform/ShellFileOps.h"
#include "platform/SystemErrors.h"
#include "platform/SystemUtils.h"
#include "shell/UHyShConsts.h"
#include "shell/UHyShellLocator.h"
#include "shell/UHyShellUtils.h"

#include <QApplication>
#include <QCursor>
#include <QMenu>
#include <QDesktopServices>
#include <QScrollBar>
#include <QGuiApplication>

#include <ctime>
#include <filesystem>
#include <span>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kestrune::shell {

namespace {

using namespace ole;

uint16_t PreferredDropEffectFormat() {
    static const uint16_t format = RegisterClipboardFormat("Preferred DropEffect");
    return format;
}

bool ReadFormat(IDataObject& dataObject, uint16_t format, std::vector<uint8_t>& bytes) {
    FORMATETC wanted{format, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium;
    if (!Succeeded(dataObject.GetData(wanted, medium))) return false;
    const bool read = ReadMediumBytes(medium, bytes);
    ReleaseStgMedium(medium);
    return read;
}

std::optional<std::vector<TItemIdList>> IdListsOf(IDataObject& dataObject) {
    std::vector<uint8_t> bytes;
    if (!ReadFormat(dataObject, CF_IDLIST(), bytes)) return std::nullopt;
    return ReadIdListArray(bytes);
}

bool IsFolder(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// A text of the pack's resources with its inserts.
std::string Inserted(uint16_t format, const std::vector<std::string>& inserts) {
    std::vector<WideString> strings;
    for (const std::string& insert : inserts) strings.push_back(Utf8ToUtf16(insert));
    return Utf16ToUtf8(FormatMessageW(Utf8ToUtf16(resStr(format)), strings));
}

// Names as the locale spells them.
std::vector<std::string> ShownNames(std::span<const std::string> paths) {
    std::vector<std::string> shown;
    for (const std::string& path : paths) shown.push_back(ShownFileNameText(path));
    return shown;
}

// Names up to ten items, one a line, and how many more there are.
std::string NamedItems(const std::vector<std::string>& items) {
    constexpr size_t Named = 10;
    std::string names;
    for (size_t k = 0; k < items.size() && k < Named; ++k) names += (k > 0 ? "\n" : "") + items[k];
    if (items.size() > Named) names += "\n" + Inserted(res::SMoreItems, {std::to_string(items.size() - Named)});
    return names;
}

// Asks before items are deleted for good, naming them (a folder with what it
// holds) and how many files and bytes go; No is the answer of an unattended run.
bool ConfirmDeleteForGood(const std::vector<std::string>& paths) {
    std::vector<std::string> items;
    for (const std::string& path : paths) {
        struct stat info {};
        const bool folder = lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
        const std::string shown = ShownFileNameText(path);
        items.push_back(folder ? Inserted(res::SFolderWithContents, {shown}) : shown);
    }
    const std::string names = NamedItems(items);
    const TItemsMeasure measure = MeasureItems(paths);
    const auto count = [](uint64_t n, uint16_t one, uint16_t many) {
        return n == 1 ? resStr(one) : Inserted(many, {GroupedDigits(n)});
    };
    const TDialogRequest question{Inserted(res::SConfirmDeleteForGood, {names, count(measure.Files, res::SOneFile, res::SFiles),
                                                                        count(measure.Bytes, res::SOneByte, res::SBytes)}),
                                  resStr(res::SConfirmDeleteCaption), TMsgDlgType::mtConfirmation, mbYesNo, mrNo};
    return TDialogService::Instance().Ask(question) == mrYes;
}

// What the question says of an item: a folder, or a file's size and time.
std::string ClashItemText(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) return resStr(res::SNameTakenGone);
    if (S_ISDIR(info.st_mode)) return resStr(res::SNameTakenFolder);
    char changed[32] = "";
    tm local {};
    if (localtime_r(&info.st_mtime, &local)) strftime(changed, sizeof changed, "%Y-%m-%d %H:%M", &local);
    return FormatResStr(res::SNameTakenFile, {GroupedDigits(static_cast<uint64_t>(info.st_size)), changed});
}

// Asks what becomes of an item whose name is taken: replace (not offered for
// a folder there), skip or keep both, for this one or every one after it;
// Cancel (or Esc) stops before anything is copied, and nobody there to answer skips.
TClashAction AskClash(const TClash& clash, bool& forAll) {
    const std::filesystem::path existing(clash.Existing);
    const std::string text = FormatResStr(res::SNameTaken, {existing.filename().string(), existing.parent_path().string(),
                                                            ClashItemText(clash.Existing), ClashItemText(clash.Source),
                                                            clash.KeptName});
    std::vector<TClashAction> offered{TClashAction::Skip, TClashAction::KeepBoth};
    if (clash.Replaceable) offered.insert(offered.begin(), TClashAction::Replace);
    const int skip = clash.Replaceable ? 1 : 0;
    TDialogRequest question(text, resStr(res::SNameTakenCaption), TMsgDlgType::mtConfirmation, mbCancel, ChoiceAnswer(skip));
    const std::map<TClashAction, uint16_t> texts{{TClashAction::Replace, res::SClashReplace},
                                                 {TClashAction::Skip, res::SClashSkip},
                                                 {TClashAction::KeepBoth, res::SClashKeepBoth}};
    for (const TClashAction action : offered) question.choices.push_back(resStr(texts.at(action)));
    question.checkBox = resStr(res::SClashForAll);
    const int answer = TDialogService::Instance().Ask(question);
    forAll = answer & mrChecked;
    const int choice = (answer & ~mrChecked) - ChoiceAnswer(0);
    return choice >= 0 && choice < static_cast<int>(offered.size()) ? offered[static_cast<size_t>(choice)]
                                                                      : TClashAction::Cancel;
}

// Names each folder a copy cut short left that nothing can make again, a paragraph each.
std::string KeptPartsText(const std::vector<std::string>& kept) {
    std::string text;
    for (const std::string& part : kept)
        text += (text.empty() ? "" : "\r\r") + KeptPartFolderText(part, [](const std::string& name) { return ShownFileNameText(name); });
    return text;
}

// Tells which item a copy or move stopped at, why, and what it left undone.
void ShowCopyFailure(uint32_t code, const TCopyOutcome& outcome, const std::string& folder, bool move) {
    std::string reason = SysErrorMessage(code);
    if (outcome.Failure == TCopyFailure::IntoItself) reason = resStr(res::SCopyIntoItself);
    if (outcome.Failure == TCopyFailure::SourceGone) reason = resStr(res::SCopySourceGone);
    std::string text = FormatResStr(move ? res::SMoveFailed : res::SCopyFailed,
                                    {ShownFileNameText(outcome.FailedItem), ShownFileNameText(folder), reason});
    if (!outcome.NotCopied.empty())
        text += FormatResStr(move ? res::SNotMovedEither : res::SNotCopiedEither, {NamedItems(ShownNames(outcome.NotCopied))});
    if (!outcome.KeptParts.empty()) text += "\r\r" + KeptPartsText(outcome.KeptParts);
    TDialogService::Instance().ShowMessage(text, {}, TMsgDlgType::mtError);
}

// Tells which item a delete stopped at, why, and which items after it are still there.
void ShowDeleteFailure(uint32_t code, std::span<const std::string> paths, size_t failed) {
    std::string text = FormatResStr(res::SDeleteFailed, {ShownFileNameText(paths[failed]), SysErrorMessage(code)});
    if (failed + 1 < paths.size()) text += FormatResStr(res::SNotDeletedEither, {NamedItems(ShownNames(paths.subspan(failed + 1)))});
    TDialogService::Instance().ShowMessage(text, {}, TMsgDlgType::mtError);
}

// Names what a delete for good left, each with why it stayed.
void ShowNotDeleted(const std::vector<TNotDeleted>& stayed) {
    static const std::map<TStayCause, uint16_t> causes{{TStayCause::Immutable, res::SStayImmutable},
                                                       {TStayCause::AppendOnly, res::SStayAppendOnly},
                                                       {TStayCause::FolderMarked, res::SStayFolderMarked},
                                                       {TStayCause::ReadOnlyFileSystem, res::SStayReadOnlyFileSystem}};
    std::vector<std::string> items;
    for (const TNotDeleted& item : stayed) {
        const auto cause = causes.find(item.Cause);
        const std::string why = cause != causes.end() ? resStr(cause->second) : SysErrorMessage(item.Code);
        items.push_back(ShownFileNameText(item.Path) + ": " + why);
    }
    TDialogService::Instance().ShowMessage(FormatResStr(res::SDeletedInPart, {NamedItems(items)}), {}, TMsgDlgType::mtError);
}

// Copies or moves the items in, asking about taken names; a failure is shown, a cancel is not.
uint32_t TransferInto(const std::vector<std::string>& names, const std::string& folder, bool move,
                      size_t* skipped = nullptr) {
    TCopyOutcome outcome;
    const uint32_t code = CopyItems(names, folder, move, AskClash, &outcome);
    if (code != 0 && code != ERROR_CANCELLED) ShowCopyFailure(code, outcome, folder, move);
    else if (!outcome.KeptParts.empty())
        TDialogService::Instance().ShowMessage(KeptPartsText(outcome.KeptParts), {}, TMsgDlgType::mtWarning);
    if (skipped) *skipped = outcome.Skipped;
    return code;
}

}  // namespace

void THyFormatEtcList::Add(std::initializer_list<uint16_t> formats) {
    for (const uint16_t format : formats) formats_.push_back({format, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL});
}

HRESULT THyFormatEtcList::Query(const FORMATETC& format) const {
    if (format.dwAspect != DVASPECT_CONTENT) return DV_E_FORMATETC;
    HRESULT result = DV_E_FORMATETC;
    for (const FORMATETC& offered : formats_) {
        if (offered.cfFormat != format.cfFormat) continue;
        if (offered.tymed & format.tymed) return S_OK;
        result = DV_E_TYMED;
    }
    return result;
}

std::vector<uint8_t> FileNameListBlock(const std::vector<std::string>& names) {
    return WideCallsAvailable ? WriteDropFiles(names) : WriteDropFiles(names, false);
}

std::vector<uint8_t> IdListArrayBlock(const TItemIdList* parent, const std::vector<TItemIdList>& items) {
    std::vector<TItemIdList> lists{parent ? *parent : TItemIdList()};
    lists.insert(lists.end(), items.begin(), items.end());
    return WriteIdListArray(lists);
}

TDataObject_shtv::TDataObject_shtv(const TItemIdList& parentAbsolute, const std::vector<TItemIdList>& items) {
    if (items.empty()) return;
    idListBlock_ = IdListArrayBlock(&parentAbsolute, items);
    std::vector<std::string> names;
    for (const TItemIdList& item : items)
        if (const auto path = PathFromIdList(parentAbsolute.combine(item))) names.push_back(*path);
    if (names.size() == items.size()) fileNameBlock_ = FileNameListBlock(names);
    formats_.Add({CF_IDLIST()});
    if (!fileNameBlock_.empty()) formats_.Add({CF_HDROP});
}

HRESULT TDataObject_shtv::GetData(const FORMATETC& format, STGMEDIUM& medium) {
    if (const HRESULT query = formats_.Query(format); query != S_OK) return query;
    medium = MediumOf(format.cfFormat == CF_HDROP ? fileNameBlock_ : idListBlock_);
    return S_OK;
}

HRESULT TDataObject_shtv::GetCanonicalFormatEtc(const FORMATETC&, FORMATETC& out) {
    out.ptd = nullptr;
    return E_NOTIMPL;
}

HRESULT TDataObject_shtv::EnumFormatEtc(uint32_t direction, std::unique_ptr<IEnumFORMATETC>& formats) {
    if (direction != DATADIR_GET) return E_NOTIMPL;
    formats = std::make_unique<THyFormatEtcList_IEnumFormatEtc>(formats_.Formats());
    return S_OK;
}

TDropSource_shlvtv::TDropSource_shlvtv(int button)
    : button_(button == 1 ? MK_RBUTTON : button == 2 ? MK_MBUTTON : MK_LBUTTON) {}

HRESULT TDropSource_shlvtv::QueryContinueDrag(bool escapePressed, uint32_t keyState) {
    const uint32_t buttons = keyState & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON);
    if (escapePressed || (buttons & ~button_)) return DRAGDROP_S_CANCEL;
    return (buttons & button_) ? S_OK : DRAGDROP_S_DROP;
}

std::vector<std::string> DroppedFileNames(IDataObject& dataObject) {
    std::vector<uint8_t> bytes;
    if (ReadFormat(dataObject, CF_HDROP, bytes)) return ReadDropFiles(bytes);
    std::vector<std::string> names;
    if (const auto lists = IdListsOf(dataObject))
        for (size_t i = 1; i < lists->size(); ++i)
            if (const auto path = PathFromIdList((*lists)[0].combine((*lists)[i]))) names.push_back(*path);
    return names;
}

uint32_t TFolderDropTarget::EffectFor(uint32_t keyState, uint32_t allowed) const {
    uint32_t wanted = DROPEFFECT_COPY;
    const bool control = keyState & MK_CONTROL, shift = keyState & MK_SHIFT;
    if (control && shift) wanted = DROPEFFECT_LINK;
    else if (shift) wanted = DROPEFFECT_MOVE;
    else if (!control && !names_.empty()) {
        struct stat source {}, target {};
        if (stat(names_[0].c_str(), &source) == 0 && stat(folder_.c_str(), &target) == 0 && source.st_dev == target.st_dev)
            wanted = DROPEFFECT_MOVE;
    }
    // Links are not made here: a link request copies.
    if (wanted == DROPEFFECT_LINK) wanted = DROPEFFECT_COPY;
    for (const uint32_t effect : {wanted, DROPEFFECT_COPY, DROPEFFECT_MOVE})
        if (allowed & effect) return effect;
    return DROPEFFECT_NONE;
}

HRESULT TFolderDropTarget::DragEnter(std::shared_ptr<IDataObject> dataObject, uint32_t keyState, POINTL,
                                     uint32_t& effect) {
    names_ = dataObject ? DroppedFileNames(*dataObject) : std::vector<std::string>();
    effect = names_.empty() ? DROPEFFECT_NONE : EffectFor(keyState, effect);
    return S_OK;
}

HRESULT TFolderDropTarget::DragOver(uint32_t keyState, POINTL, uint32_t& effect) {
    effect = names_.empty() ? DROPEFFECT_NONE : EffectFor(keyState, effect);
    return S_OK;
}

HRESULT TFolderDropTarget::DragLeave() {
    names_.clear();
    return S_OK;
}

HRESULT TFolderDropTarget::Drop(std::shared_ptr<IDataObject> dataObject, uint32_t keyState, POINTL point,
                                uint32_t& effect) {
    const uint32_t allowed = effect;
    DragEnter(std::move(dataObject), keyState, point, effect);
    // A drag made with the right button asks what to do, the usual effect first.
    if (effect != DROPEFFECT_NONE && (keyState & MK_RBUTTON)) effect = AskDropEffect(allowed, effect);
    if (effect == DROPEFFECT_NONE) {
        names_.clear();
        return S_OK;
    }
    size_t skipped = 0;
    if (TransferInto(names_, folder_, effect == DROPEFFECT_MOVE, &skipped) != 0 || skipped == names_.size())
        effect = DROPEFFECT_NONE;
    // Items skipped in a move are still the source's: it must not take them for moved.
    else if (skipped > 0 && effect == DROPEFFECT_MOVE)
        effect = DROPEFFECT_COPY;
    names_.clear();
    return S_OK;
}

uint32_t AskDropEffect(uint32_t allowed, uint32_t preferred) {
    QMenu menu;
    const auto offer = [&](uint16_t text, uint32_t effect) {
        QAction* action = menu.addAction(QString::fromStdString(resStr(text)));
        action->setData(effect);
        action->setEnabled(allowed & effect);
        if (effect == preferred) menu.setDefaultAction(action);
    };
    offer(res::SCopyHere, DROPEFFECT_COPY);
    offer(res::SMoveHere, DROPEFFECT_MOVE);
    menu.addSeparator();
    menu.addAction(QString::fromStdString(resStr(res::SCancelDrop)))->setData(DROPEFFECT_NONE);
    const QAction* chosen = menu.exec(QCursor::pos(), menu.defaultAction());
    return chosen ? chosen->data().toUInt() : DROPEFFECT_NONE;
}

std::shared_ptr<IDropTarget> NodeDropTarget(THyShTreeData* node) {
    std::string folder;
    if (node) {
        folder = FileNameFromWide(PathOfIdList(node->AbsoluteIdList()));
    } else {
        TItemIdList desktop;
        if (Succeeded(SpecialFolderLocation(CSIDL_DESKTOPDIRECTORY, desktop))) folder = FileNameFromWide(PathOfIdList(desktop));
    }
    return IsFolder(folder) ? std::make_shared<TFolderDropTarget>(folder) : nullptr;
}

uint32_t CommonDropEffect(IDataObject& dataObject) {
    const auto lists = IdListsOf(dataObject);
    if (!lists || lists->size() < 2) return DROPEFFECT_NONE;
    const auto parent = BindAbsolute((*lists)[0]);
    uint32_t mask = SFGAO_CANCOPY | SFGAO_CANMOVE | SFGAO_CANLINK;
    if (!parent || !Succeeded(parent->GetAttributesOf(std::span<const TItemIdList>(*lists).subspan(1), mask)))
        return DROPEFFECT_NONE;
    return mask & 7;
}

namespace {

TOpenHandler& OpenHandler() {
    static TOpenHandler handler = [](const std::string& path) {
        return QDesktopServices::openUrl(UrlOfFileName(path));
    };
    return handler;
}

enum TVerb : uint32_t { vbOpen, vbCut, vbCopy, vbPaste, vbDelete, vbRename, vbCount };

struct TVerbText {
    uint16_t Text;
    const char* Verb;
    uint16_t Help;
};
constexpr TVerbText Verbs[vbCount] = {
    {res::SVerbOpen, "open", res::SVerbOpenHelp},
    {res::SVerbCut, "cut", res::SVerbCutHelp},
    {res::SVerbCopy, "copy", res::SVerbCopyHelp},
    {res::SVerbPaste, "paste", res::SVerbPasteHelp},
    {res::SVerbDelete, "delete", res::SVerbDeleteHelp},
    {res::SVerbRename, "rename", res::SVerbRenameHelp},
};

class TItemsContextMenu : public IContextMenu {
public:
    explicit TItemsContextMenu(std::vector<TItemIdList> items) : items_(std::move(items)) {
        for (const TItemIdList& item : items_)
            if (const auto path = PathFromIdList(item)) paths_.push_back(*path);
    }

    int QueryContextMenu(std::vector<TMenuCommand>& menu, uint32_t first, uint32_t last, uint32_t) override {
        int added = 0;
        for (uint32_t verb = 0; verb < vbCount && first + verb <= last; ++verb) {
            if (!Offered(verb)) continue;
            menu.push_back({first + verb, resStr(Verbs[verb].Text), Verbs[verb].Verb, resStr(Verbs[verb].Help)});
            ++added;
        }
        return added;
    }

    bool GetCommandString(uint32_t offset, bool help, std::string& text) override {
        if (offset >= vbCount || !Offered(offset)) return false;
        text = help ? resStr(Verbs[offset].Help) : Verbs[offset].Verb;
        return true;
    }

    HRESULT InvokeCommand(const TInvokeInfo& info) override {
        uint32_t verb = info.Offset;
        if (!info.Verb.empty()) {
            verb = vbCount;
            for (uint32_t v = 0; v < vbCount; ++v)
                if (SameText(info.Verb, Verbs[v].Verb)) verb = v;
        }
        if (verb >= vbCount || !Offered(verb)) return E_INVALIDARG;
        switch (verb) {
            case vbOpen:
                for (const std::string& path : paths_) OpenHandler()(path);
                return S_OK;
            case vbCut: case vbCopy: return ToClipboard(verb == vbCut);
            case vbPaste: return Paste();
            case vbDelete: return Delete(info.Shift);
            default: return E_NOTIMPL;  // the control edits the name in place
        }
    }

private:
    bool Offered(uint32_t verb) const {
        if (paths_.size() != items_.size() || items_.empty()) return false;
        if (verb == vbPaste) return paths_.size() == 1 && IsFolder(paths_[0]);
        return verb != vbRename || items_.size() == 1;
    }

    HRESULT ToClipboard(bool cut) {
        TMemoryDataObject data;
        data.SetBytes(CF_HDROP, FileNameListBlock(paths_));
        std::vector<TItemIdList> relative;
        for (const TItemIdList& item : items_) relative.push_back(item.last());
        const TItemIdList parent = items_[0].parent();
        data.SetBytes(CF_IDLIST(), IdListArrayBlock(&parent, relative));
        data.SetBytes(PreferredDropEffectFormat(), WriteDword(cut ? DROPEFFECT_MOVE : DROPEFFECT_COPY | DROPEFFECT_LINK));
        return OleSetClipboard(data);
    }

    // The clipboard's file names, and whether they were cut.
    static std::optional<std::pair<std::vector<std::string>, bool>> ClipboardFiles() {
        std::shared_ptr<IDataObject> clipboard;
        if (!Succeeded(OleGetClipboard(clipboard)) || !clipboard) return std::nullopt;
        std::vector<uint8_t> effect;
        const bool cut = ReadFormat(*clipboard, PreferredDropEffectFormat(), effect) &&
                         ReadDword(effect).value_or(DROPEFFECT_COPY) == DROPEFFECT_MOVE;
        return std::pair{DroppedFileNames(*clipboard), cut};
    }

    HRESULT Paste() {
        const auto files = ClipboardFiles();
        if (!files) return E_FAIL;
        const uint32_t code = TransferInto(files->first, paths_[0], files->second);
        // A cut is pasted once: its items are no longer where it named them.
        // The clipboard is left alone when another program has filled it meanwhile.
        if (code == 0 && files->second && ClipboardFiles() == files) OleEmptyClipboard();
        return HResultFromError(code);
    }

    // Nothing is destroyed without asking: a delete past the trash is named and measured first.
    // Then all that can go goes, and what stays is named with why.
    HRESULT DeleteAllItCan() {
        if (!ConfirmDeleteForGood(paths_)) return HResultFromError(ERROR_CANCELLED);
        std::vector<TNotDeleted> stayed;
        uint32_t first = 0;
        for (const std::string& path : paths_)
            if (const uint32_t code = DeleteForGood(path, &stayed); first == 0) first = code;
        if (!stayed.empty()) ShowNotDeleted(stayed);
        return HResultFromError(first);
    }

    HRESULT Delete(bool forGood) {
        if (forGood) return DeleteAllItCan();
        for (size_t k = 0; k < paths_.size(); ++k) {
            if (const uint32_t code = MoveToTrash(paths_[k])) {
                ShowDeleteFailure(code, paths_, k);
                return HResultFromError(code);
            }
        }
        return S_OK;
    }

    std::vector<TItemIdList> items_;
    std::vector<std::string> paths_;
};

}  // namespace

void SetShellOpenHandler(TOpenHandler handler) { OpenHandler() = std::move(handler); }

std::unique_ptr<IContextMenu> ItemsContextMenu(const std::vector<TItemIdList>& items) {
    return std::make_unique<TItemsContextMenu>(items);
}

int FindVerb(IContextMenu& menu, const std::string& verb) {
    constexpr uint32_t First = 1000, Last = 32767;
    std::vector<TMenuCommand> commands;
    menu.QueryContextMenu(commands, First, Last, 0x104);
    for (const TMenuCommand& command : commands) {
        std::string text;
        if (command.Id >= First && menu.GetCommandString(command.Id - First, false, text) && SameText(text, verb))
            return static_cast<int>(command.Id - First);
    }
    return -1;
}

HRESULT InvokeCommand(IContextMenu& menu, uint32_t offset, const std::string& verb,
                      std::optional<Qt::KeyboardModifiers> keys) {
    TInvokeInfo info;
    if (!verb.empty()) {
        const int found = FindVerb(menu, verb);
        if (found < 0) return E_FAIL;
        info.Offset = static_cast<uint32_t>(found);
    } else {
        info.Offset = offset;
    }
    const Qt::KeyboardModifiers modifiers = keys ? *keys : QGuiApplication::queryKeyboardModifiers();
    info.Shift = modifiers & Qt::ShiftModifier;
    info.Control = modifiers & Qt::ControlModifier;
    return menu.InvokeCommand(info);
}

bool NewFolder(const WideString& parent, WideString& name) {
    const std::string folder = IncludeTrailingPathDelimiter(FileNameFromWide(parent.empty() ? GetCurrentDirectoryW() : parent));
    const auto showFailure = [](uint32_t code, const std::string& failedName) {
        TDialogService::Instance().ShowMessage(Inserted(res::SUnableToCreateFolder, {SysErrorMessage(code), ShownFileNameText(failedName)}), {},
                                               TMsgDlgType::mtWarning);
    };
    // Named in the language in effect, as the locale writes names.
    const auto named = [](uint16_t text) { return WideToLocale(Utf8ToUtf16(resStr(text))); };
    const std::pair<std::string, std::string> series[] = {{named(res::SNewFolder), " ("}, {named(res::SNewFolderShort), ""}};
    for (const auto& [base, separator] : series) {
        for (int number = 1; number <= 50; ++number) {
            std::string candidate = base;
            if (number > 1) candidate += separator + std::to_string(number) + (separator.empty() ? "" : ")");
            const uint32_t code = CreateFolder(folder + candidate);
            if (code == 0) {
                name = WideFromFileName(candidate);
                return true;
            }
            // Any failure but "already exists" ends the whole attempt with one box.
            if (code != ERROR_ALREADY_EXISTS) {
                showFailure(code, candidate);
                return false;
            }
        }
    }
    showFailure(ERROR_ALREADY_EXISTS, series[0].first);
    return false;
}

std::vector<TSendToEntry> SendToEntries() {
    std::vector<TSendToEntry> entries;
    const std::string folder = SendToFolder();
    DIR* dir = opendir(folder.c_str());
    if (!dir) return entries;
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        struct stat info {};
        const std::string path = folder + "/" + name;
        if (name[0] == '.' || lstat(path.c_str(), &info) != 0 || S_ISDIR(info.st_mode)) continue;
        const TItemIdList list = *IdListFromPath(path);
        entries.push_back({path, ShownFileName(ChangeFileExt(name, "")), IconIndex(&list, 0)});
    }
    closedir(dir);
    std::sort(entries.begin(), entries.end(), [](const TSendToEntry& a, const TSendToEntry& b) {
        return CompareNames(Utf16ToUtf8(a.Text), Utf16ToUtf8(b.Text)) < 0;
    });
    return entries;
}

namespace {

// What a Send-To entry stands for: a link file (".lnk") its target, anything
// else itself (a folder, a program, or a link of the file system to one).
std::string SendToTarget(const std::string& entry) {
    if (!SameText(ExtractFileExt(entry), ".lnk") || IsFolder(entry)) return entry;
    THyShortcut shortcut;
    return Succeeded(shortcut.Load(WideFromFileName(entry))) ? FileNameFromWide(shortcut.Target) : std::string();
}

bool IsProgram(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(path.c_str(), X_OK) == 0;
}

}  // namespace

HRESULT SendTo(const TSendToEntry& entry, std::shared_ptr<IDataObject> dataObject) {
    const std::string targetPath = SendToTarget(entry.Path);
    // A program takes what is dropped on it as the files to open.
    if (IsProgram(targetPath)) {
        const std::vector<std::string> names = dataObject ? DroppedFileNames(*dataObject) : std::vector<std::string>();
        if (names.empty()) return S_FALSE;
        return StartProgram(targetPath, names) ? S_OK : E_FAIL;
    }
    if (!IsFolder(targetPath)) return E_FAIL;
    TFolderDropTarget target(targetPath);
    uint32_t effect = DROPEFFECT_COPY;
    target.DragEnter(dataObject, MK_LBUTTON, {}, effect);
    effect = DROPEFFECT_COPY;
    target.DragOver(MK_LBUTTON, {}, effect);
    if (effect == DROPEFFECT_NONE) {
        target.DragLeave();
        return S_FALSE;
    }
    effect = DROPEFFECT_COPY;
    return target.Drop(std::move(dataObject), MK_LBUTTON, {}, effect);
}

int SendToKey(const std::vector<TSendToEntry>& entries, int highlighted, char16_t letter, bool& execute) {
    const char16_t upper = QChar(letter).toUpper().unicode();
    const auto begins = [&](const TSendToEntry& entry) {
        return !entry.Text.empty() && QChar(entry.Text[0]).toUpper().unicode() == upper;
    };
    const int count = static_cast<int>(entries.size());
    int chosen = -1, matches = 0;
    for (int step = 1; step <= count; ++step) {
        const int index = (std::max(highlighted, -1) + step) % count;
        if (!begins(entries[static_cast<size_t>(index)])) continue;
        if (chosen < 0) chosen = index;
        ++matches;
    }
    execute = matches == 1;
    return chosen;
}

void SetWindowFlagBits(QWidget* window, Qt::WindowFlags bits, bool on) {
    if (!window) return;
    const Qt::WindowFlags flags = on ? (window->windowFlags() | bits) : (window->windowFlags() & ~bits);
    if (flags != window->windowFlags()) window->setWindowFlags(flags);
}

QWidget* OwnerFormWindow(QWidget* control) { return control ? control->window() : nullptr; }

bool ScrollStep(QAbstractScrollArea* control, int bar, TScrollCode code) {
    QScrollBar* scrollBar = bar == 0 ? control->horizontalScrollBar() : control->verticalScrollBar();
    if (scrollBar->maximum() <= scrollBar->minimum()) return false;
    static constexpr QAbstractSlider::SliderAction Actions[] = {
        QAbstractSlider::SliderSingleStepSub, QAbstractSlider::SliderSingleStepAdd,
        QAbstractSlider::SliderPageStepSub, QAbstractSlider::SliderPageStepAdd};
    const int before = scrollBar->value();
    scrollBar->triggerAction(Actions[code]);
    return scrollBar->value() != before;
}

bool ScrollWheel(QAbstractScrollArea* control, int bar, bool down) {
    const int steps = bar == 0 ? 1 : std::max(1, QApplication::wheelScrollLines());
    bool moved = false;
    for (int step = 0; step < steps; ++step) moved = ScrollStep(control, bar, down ? SB_LINEDOWN : SB_LINEUP) || moved;
    return moved;
}

}  // namespace kestrune::shell
