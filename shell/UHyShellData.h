// The shell tree's and list's per-item records (item ID lists, bound folders,
// cached names and detail texts), the Explorer colours of compressed and
// encrypted items, and the controls' keyboard command table.
#pragma once

#include "platform/ShellNamespace.h"
#include "shell/UHyShellLocator.h"
#include "shell/UHyUnicode.h"

#include <QColor>

#include <array>
#include <memory>
#include <optional>

namespace kestrune::shell {

constexpr uint32_t TreeAttributeMask = 0xF40F2037u | SFGAO_STREAM;
// With ghosted, which a row's insertion asks for too.
constexpr uint32_t ListAttributeMask = 0x740F2037u | SFGAO_STREAM | SFGAO_GHOSTED;
constexpr uint32_t RenameAttributeMask = 0x40000177u;

class THyShTreeData {
public:
    // With a parent record the list is relative; without, it is the root's absolute list.
    THyShTreeData(THyShTreeData* parent, const TItemIdList& list);
    const TItemIdList& RelativeIdList() const { return relative_; }
    const TItemIdList& AbsoluteIdList();
    // The node's own folder: the desktop for the empty list; none when binding fails.
    std::shared_ptr<IShellFolder> Folder();
    // The folder that holds the node.
    std::shared_ptr<IShellFolder> ParentFolder();
    uint32_t Attributes();
    bool CanRename();
    WideString DisplayName();
    // The name in its folder, with the bytes of a name that are no character kept (the rename editor's text).
    WideString InFolderName();
    // Frees the old lists and folder; the absolute list is rebuilt at once.
    void SetIdList(const TItemIdList& list);

private:
    THyShTreeData* parent_;
    TItemIdList relative_;
    std::optional<TItemIdList> absolute_;
    std::shared_ptr<IShellFolder> folder_;
    bool folderBound_ = false;
    std::shared_ptr<IShellFolder> rootParentFolder_;
};

// A list item's size ("%s KB", files only), type and modification date texts.
struct TDetailTexts {
    WideString Size;
    WideString Type;
    WideString Date;
};
TDetailTexts DetailTexts(const TItemIdList& absolute, uint32_t attributes);

// What a list item record needs of its list.
class IShListOwner {
public:
    virtual ~IShListOwner() = default;
    virtual const TItemIdList& FolderIdList() const = 0;
    virtual std::shared_ptr<IShellFolder> ShellFolder() const = 0;
    virtual std::shared_ptr<IShellDetails> ShellDetails() const = 0;
};

class THyShListData {
public:
    THyShListData(const IShListOwner& owner, const TItemIdList& relative) : owner_(owner), relative_(relative) {}
    const TItemIdList& RelativeIdList() const { return relative_; }
    // Clears the cached absolute list, name and detail texts.
    void SetRelativeIdList(const TItemIdList& relative);
    const TItemIdList& AbsoluteIdList();
    WideString DisplayName();
    uint32_t Attributes();
    bool IsFileSystem() { return (Attributes() & SFGAO_FILESYSTEM) != 0; }
    bool CanRename() { return (Attributes() & SFGAO_CANRENAME) != 0; }
    bool IsShortcut();
    // Archives that are also streams count as files unless the caller allows them as folders.
    bool IsFolder(bool filesCanBeFolders);
    // Column 0 is empty (the name is shown there).
    WideString Details(int column);
    WideString GetPathName();
    // The system icon index, asked for once.
    int IconIndex();
    // Drawn dimmed: cut to the clipboard, or ghosted when inserted.
    bool Cut = false;

private:
    const IShListOwner& owner_;
    TItemIdList relative_;
    std::optional<TItemIdList> absolute_;
    std::optional<WideString> name_;
    std::optional<uint32_t> attributes_;
    std::optional<int> iconIndex_;
    bool detailsLoaded_ = false;
    TDetailTexts texts_;
};

// The image combo's item record.
struct THyShComboData {
    std::shared_ptr<IShellFolder> Folder;
    TItemIdList RelativeIdList;
    TItemIdList AbsoluteIdList;
    std::shared_ptr<IShellFolder> ParentFolder;
};

// Explorer's colours, read once at start-up.
struct TExplorerColours {
    bool ShowColours = false;
    QColor Compressed = QColor(0, 0, 255);
    QColor Encrypted = QColor(0, 128, 0);
};
const TExplorerColours& ExplorerColours();
// Reads the values from the registry (the unit's start-up does this once).
TExplorerColours ReadExplorerColours();
// The item's colour when colours are on and it is encrypted or compressed.
std::optional<QColor> ExplorerColourOf(uint32_t attributes);

// Shortcut codes: the key code plus 0x2000 Shift, 0x4000 Ctrl, 0x8000 Alt.
uint16_t TextToShortCut(std::string_view text);
std::string ShortCutToText(uint16_t shortcut);
enum THyKeyCommand { kcSelectAll, kcDelete, kcCopy, kcCut, kcPaste, kcRefresh, kcRename, kcCount };
// The seven commands' shortcuts, resolved on first use.
const std::array<uint16_t, kcCount>& KeyCommands();

}  // namespace kestrune::shell
