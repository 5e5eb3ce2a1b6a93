#include "shell/UHyShellData.h"

#include "platform/ProgramStrings.h"
#include "platform/Registry.h"
#include "platform/ResCodePages.h"
#include "shell/UHyShConsts.h"
#include "shell/UHyShellUtils.h"

#include <sys/stat.h>

namespace kestrune::shell {

namespace {

uint32_t AttributesOf(IShellFolder* folder, const TItemIdList& item, uint32_t mask) {
    if (!folder || !ole::Succeeded(folder->GetAttributesOf(std::span<const TItemIdList>(&item, 1), mask))) return 0;
    return mask;
}

}  // namespace

THyShTreeData::THyShTreeData(THyShTreeData* parent, const TItemIdList& list) : parent_(parent) {
    if (parent_) {
        relative_ = list;
    } else {
        relative_ = list.itemCount() == 0 ? list : list.last();
        absolute_ = list;
    }
}

const TItemIdList& THyShTreeData::AbsoluteIdList() {
    if (!absolute_) absolute_ = parent_->AbsoluteIdList().combine(relative_);
    return *absolute_;
}

std::shared_ptr<IShellFolder> THyShTreeData::Folder() {
    if (!folderBound_) {
        folderBound_ = true;
        if (AbsoluteIdList().isEmpty()) {
            folder_ = DesktopFolder();
        } else if (const auto parent = ParentFolder()) {
            parent->BindToObject(relative_, folder_);
        }
    }
    return folder_;
}

std::shared_ptr<IShellFolder> THyShTreeData::ParentFolder() {
    if (parent_) return parent_->Folder();
    if (!rootParentFolder_) {
        std::optional<TItemIdList> parentList;
        TItemIdList last;
        SplitIdList(AbsoluteIdList(), rootParentFolder_, parentList, last);
    }
    return rootParentFolder_;
}

uint32_t THyShTreeData::Attributes() {
    const std::vector<std::string>& removable = THyDeviceChangeHandler::Instance().RemovableRoots();
    const uint32_t mask = removable.empty() ? TreeAttributeMask
                                            : TreeAttributeRequest(FileNameFromWide(PathOfIdList(AbsoluteIdList())),
                                                                   TreeAttributeMask, removable);
    return AttributesOf(ParentFolder().get(), relative_, mask);
}

bool THyShTreeData::CanRename() {
    if (AbsoluteIdList().isEmpty() || !ParentFolder()) return false;
    return (AttributesOf(ParentFolder().get(), relative_, RenameAttributeMask) & SFGAO_CANRENAME) != 0;
}

WideString THyShTreeData::DisplayName() { return GetDisplayName(ParentFolder().get(), relative_, 0); }

WideString THyShTreeData::InFolderName() { return GetDisplayName(ParentFolder().get(), relative_, 1); }

void THyShTreeData::SetIdList(const TItemIdList& list) {
    folder_.reset();
    folderBound_ = false;
    relative_ = list;
    absolute_ = parent_ ? parent_->AbsoluteIdList().combine(list) : list;
}

void THyShListData::SetRelativeIdList(const TItemIdList& relative) {
    relative_ = relative;
    absolute_.reset();
    name_.reset();
    attributes_.reset();
    iconIndex_.reset();
    detailsLoaded_ = false;
}

int THyShListData::IconIndex() {
    if (!iconIndex_) iconIndex_ = shell::IconIndex(&AbsoluteIdList(), 0);
    return *iconIndex_;
}

const TItemIdList& THyShListData::AbsoluteIdList() {
    if (!absolute_) absolute_ = owner_.FolderIdList().combine(relative_);
    return *absolute_;
}

WideString THyShListData::DisplayName() {
    if (!name_) name_ = GetDisplayName(owner_.ShellFolder().get(), relative_, 1);
    return *name_;
}

uint32_t THyShListData::Attributes() {
    if (!attributes_) attributes_ = AttributesOf(owner_.ShellFolder().get(), relative_, ListAttributeMask);
    return *attributes_;
}

bool THyShListData::IsShortcut() {
    const std::string extension = ExtractFileExt(FileNameFromWide(GetPathName()));
    return SameText(extension, ".lnk");
}

bool THyShListData::IsFolder(bool filesCanBeFolders) {
    const uint32_t attributes = Attributes();
    return (attributes & SFGAO_FOLDER) &&
           (filesCanBeFolders || WindowsMajorVersion < 6 || !(attributes & SFGAO_STREAM));
}

WideString THyShListData::Details(int column) {
    if (column == 0) return {};
    if (const auto details = owner_.ShellDetails()) {
        TShellDetails cell;
        return ole::Succeeded(details->GetDetailsOf(&relative_, column, cell)) ? Utf8ToUtf16(cell.Text) : WideString();
    }
    if (!detailsLoaded_) {
        texts_ = DetailTexts(AbsoluteIdList(), Attributes());
        detailsLoaded_ = true;
    }
    switch (column) {
        case 1: return texts_.Size;
        case 2: return texts_.Type;
        case 3: return texts_.Date;
        default: return {};
    }
}

WideString THyShListData::GetPathName() { return PathOfIdList(AbsoluteIdList()); }

TDetailTexts DetailTexts(const TItemIdList& absolute, uint32_t attributes) {
    TDetailTexts texts;
    const std::optional<std::string> path = PathFromIdList(absolute);
    struct stat info {};
    if (!path || path->size() <= 1 || stat(path->c_str(), &info) != 0) {
        texts.Type = Utf8ToUtf16(resStr(res::SSystemFolder));
        return texts;
    }
    const bool folder = S_ISDIR(info.st_mode);
    if (!folder) texts.Size = Utf8ToUtf16(FormatKilobytes(static_cast<uint64_t>(info.st_size), resStr(res::SKilobytes)));
    // The creation time stands in when the last-write time is zero.
    const int64_t written = info.st_mtime != 0 ? info.st_mtime : info.st_ctime;
    texts.Date = Utf8ToUtf16(FormatShortDateTime(written));
    texts.Type = (attributes & SFGAO_FILESYSTEM) ? Utf8ToUtf16(FileTypeName(*path, folder)) : Utf8ToUtf16(resStr(res::SSystemFolder));
    return texts;
}

TExplorerColours ReadExplorerColours() {
    TExplorerColours colours;
    TRegistry registry;
    const auto readColour = [&](const char* name, QColor& colour) {
        // A colour value is blue-green-red from the low byte up.
        if (registry.GetDataType(name) != TRegDataType::rdInteger) return;
        const auto value = static_cast<uint32_t>(registry.ReadInteger(name));
        colour = QColor(static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF),
                        static_cast<int>((value >> 16) & 0xFF));
    };
    try {
        if (registry.OpenKeyReadOnly("\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Advanced") &&
            registry.GetDataType("ShowCompColor") == TRegDataType::rdInteger)
            colours.ShowColours = registry.ReadInteger("ShowCompColor") != 0;
        if (registry.OpenKeyReadOnly("\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer")) {
            readColour("AltColor", colours.Compressed);
            readColour("AltEncryptionColor", colours.Encrypted);
        }
    } catch (const ERegistryException&) {
        // An unreadable store leaves the defaults.
    }
    return colours;
}

const TExplorerColours& ExplorerColours() {
    static const TExplorerColours colours = ReadExplorerColours();
    return colours;
}

std::optional<QColor> ExplorerColourOf(uint32_t attributes) {
    const TExplorerColours& colours = ExplorerColours();
    if (!colours.ShowColours) return std::nullopt;
    if (attributes & SFGAO_ENCRYPTED) return colours.Encrypted;
    if (attributes & SFGAO_COMPRESSED) return colours.Compressed;
    return std::nullopt;
}

namespace {

constexpr uint16_t scShift = 0x2000, scCtrl = 0x4000, scAlt = 0x8000;
constexpr int FirstKey = 8, LastKey = 597;

std::string KeyText(int key) {
    static const std::pair<int, const char*> named[] = {
        {8, "BkSp"}, {9, "Tab"}, {13, "Enter"}, {27, "Esc"}, {32, "Space"}, {33, "PgUp"}, {34, "PgDn"},
        {35, "End"}, {36, "Home"}, {37, "Left"}, {38, "Up"}, {39, "Right"}, {40, "Down"}, {45, "Ins"}, {46, "Del"}};
    for (const auto& [code, text] : named)
        if (code == key) return text;
    if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z')) return std::string(1, static_cast<char>(key));
    if (key >= 96 && key <= 105) return std::string(1, static_cast<char>('0' + key - 96));
    if (key >= 112 && key <= 135) return "F" + std::to_string(key - 111);
    return "#" + std::to_string(key);
}

}  // namespace

uint16_t TextToShortCut(std::string_view text) {
    uint16_t modifiers = 0;
    for (bool found = true; found;) {
        found = false;
        for (const auto& [prefix, bit] : {std::pair<std::string_view, uint16_t>{"Shift+", scShift}, {"^", scCtrl},
                                          {"Ctrl+", scCtrl}, {"Alt+", scAlt}}) {
            if (StartsText(prefix, text)) {
                modifiers = static_cast<uint16_t>(modifiers | bit);
                text.remove_prefix(prefix.size());
                found = true;
            }
        }
    }
    for (int key = FirstKey; key <= LastKey; ++key)
        if (SameText(KeyText(key), text)) return static_cast<uint16_t>(key | modifiers);
    return 0;
}

std::string ShortCutToText(uint16_t shortcut) {
    std::string text;
    if (shortcut & scShift) text += "Shift+";
    if (shortcut & scCtrl) text += "Ctrl+";
    if (shortcut & scAlt) text += "Alt+";
    return text + KeyText(shortcut & 0x1FFF);
}

const std::array<uint16_t, kcCount>& KeyCommands() {
    static const std::array<uint16_t, kcCount> commands = {
        TextToShortCut("Ctrl+A"), TextToShortCut("Del"), TextToShortCut("Ctrl+C"), TextToShortCut("Ctrl+X"),
        TextToShortCut("Ctrl+V"), TextToShortCut("F5"),  TextToShortCut("F2")};
    return commands;
}

}  // namespace kestrune::shell
