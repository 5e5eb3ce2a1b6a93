#include "shell/UHyShellUtils.h"

#include "platform/Guarded.h"
#include "platform/Messages_qt.h"
#include "platform/ResCodePages.h"
#include "shell/UHyShConsts.h"

#include <QApplication>
#include <QCoreApplication>
#include <QPainter>
#include <QStyle>
#include <QSocketNotifier>
#include <QTimerEvent>

#include <algorithm>
#include <array>
#include <fstream>
#include <fcntl.h>
#include <unistd.h>

namespace kestrune::shell {

namespace {

bool AbsentOrEmpty(const TItemIdList* list) { return !list || list->isEmpty(); }

}  // namespace

size_t IdListSize(const TItemIdList* list) { return list ? list->size() : 0; }

TItemIdList CopyIdList(const TItemIdList* list) { return list ? *list : TItemIdList(); }

TItemIdList CombineIdLists(const TItemIdList* first, const TItemIdList* second) {
    return CopyIdList(first).combine(CopyIdList(second));
}

int CompareIdListsRaw(const TItemIdList* a, const TItemIdList* b) {
    const size_t sizeA = IdListSize(a), sizeB = IdListSize(b);
    for (size_t i = 0; i < std::min(sizeA, sizeB); ++i)
        if (a->bytes()[i] != b->bytes()[i]) return int{a->bytes()[i]} - int{b->bytes()[i]};
    return static_cast<int>(sizeA) - static_cast<int>(sizeB);
}

int CompareIdLists(const TItemIdList* a, const TItemIdList* b) {
    if (AbsentOrEmpty(a) && AbsentOrEmpty(b)) return 0;
    if (AbsentOrEmpty(a) || AbsentOrEmpty(b)) return -1;
    const HRESULT result = DesktopFolder()->CompareIDs(0, *a, *b);
    return ole::Succeeded(result) ? CompareResult(result) : CompareFailed;
}

std::shared_ptr<IShellFolder> BindFolder(const TItemIdList& absolute) { return BindAbsolute(absolute); }

HRESULT ParsePath(std::u16string_view path, TItemIdList& list) {
    return DesktopFolder()->ParseDisplayName(FileNameFromWide(path), list);
}

bool SplitIdList(const TItemIdList& absolute, std::shared_ptr<IShellFolder>& parentFolder,
                 std::optional<TItemIdList>& parentList, TItemIdList& lastItem) {
    lastItem = absolute.last();
    if (absolute.itemCount() <= 1) {
        parentFolder = DesktopFolder();
        parentList.reset();
        return true;
    }
    parentList = absolute.parent();
    parentFolder = BindAbsolute(*parentList);
    return parentFolder != nullptr;
}

WideString GetDisplayName(IShellFolder* folder, const TItemIdList& item, int kind) {
    static constexpr uint32_t Kinds[] = {SHGDN_NORMAL, SHGDN_INFOLDER, SHGDN_FORPARSING};
    if (kind < 0 || kind > 2) return {};
    std::shared_ptr<IShellFolder> desktop;
    if (!folder) folder = (desktop = DesktopFolder()).get();
    std::string name;
    return ole::Succeeded(folder->GetDisplayNameOf(item, Kinds[kind], name)) ? WideFromFileName(name) : WideString();
}

WideString PathOfIdList(const TItemIdList& absolute) {
    const std::optional<std::string> path = PathFromIdList(absolute);
    return path ? WideFromFileName(*path) : WideString();
}

int CsidlOfSpecialFolder(int index) {
    if (index <= 0 || index >= SpecialFolderCount) return -1;
    if (index <= 15) return index - 1;
    if (index <= 40) return index;  // 16 .. 40
    static constexpr int Rest[] = {43, 45, 46, 47, 48, 49, 53, 54, 55, 56, 57, 58, 59, 61, 62};
    return Rest[index - 41];
}

HRESULT SpecialFolderIdList(int index, TItemIdList& list) {
    const int csidl = CsidlOfSpecialFolder(index);
    return csidl < 0 ? ole::E_INVALIDARG : SpecialFolderLocation(csidl, list);
}

WideString SpecialFolderPath(int index) {
    TItemIdList list;
    return ole::Succeeded(SpecialFolderIdList(index, list)) ? PathOfIdList(list) : WideString();
}

int WhichSpecialFolder(const TItemIdList& absolute) {
    for (int index = 1; index < SpecialFolderCount; ++index) {
        TItemIdList list;
        if (ole::Succeeded(SpecialFolderIdList(index, list)) && CompareIdLists(&list, &absolute) == 0) return index;
    }
    return 0;
}

bool DesktopDirectorySplit(TItemIdList& parentList, TItemIdList& lastItem) {
    TItemIdList list;
    if (!ole::Succeeded(SpecialFolderLocation(CSIDL_DESKTOPDIRECTORY, list)) || list.isEmpty()) return false;
    parentList = list.parent();
    lastItem = list.last();
    return true;
}

int IconIndex(const TItemIdList* absolute, uint32_t flags) {
    const TItemIdList list = CopyIdList(absolute);
    if (list.isEmpty()) return siFolder;
    TItemIdList computer;
    SpecialFolderLocation(CSIDL_DRIVES, computer);
    if (list == computer) return siComputer;
    TItemIdList home;
    SpecialFolderLocation(CSIDL_PROFILE, home);
    if (CompareIdLists(&list, &home) == 0) return siHome;
    if (list.itemCount() == 2 && list.itemData(0)[0] == ComputerItemKind) return siDrive;
    uint32_t attributes = SFGAO_FOLDER;
    DesktopFolder()->GetAttributesOf(std::span<const TItemIdList>(&list, 1), attributes);
    if (!(attributes & SFGAO_FOLDER)) return siFile;
    return (flags & SHGFI_OPENICON) ? siFolderOpen : siFolder;
}

QPixmap SystemIcon(int index, bool large) {
    static constexpr QStyle::StandardPixmap Icons[] = {QStyle::SP_FileIcon,     QStyle::SP_DirIcon,
                                                       QStyle::SP_DirOpenIcon,  QStyle::SP_ComputerIcon,
                                                       QStyle::SP_DirHomeIcon,  QStyle::SP_DriveHDIcon};
    const int size = large ? 32 : 16;
    if (!qApp || index < 0 || index >= static_cast<int>(std::size(Icons))) return QPixmap(size, size);
    return QApplication::style()->standardIcon(Icons[index]).pixmap(size, size);
}

QPixmap SystemOverlay(int overlay, bool large) {
    const int size = large ? 32 : 16;
    QPixmap mark(size, size);
    mark.fill(Qt::transparent);
    if (overlay != 1 && overlay != 2) return mark;
    QPainter painter(&mark);
    const QRect corner(0, size / 2, size / 2, size / 2);
    painter.fillRect(corner, Qt::white);
    painter.setPen(Qt::black);
    painter.drawRect(corner.adjusted(0, 0, -1, -1));
    // A shared item's mark is a hand-like bar; a link's is an arrow.
    if (overlay == 2) painter.drawLine(corner.bottomLeft() + QPoint(2, -2), corner.topRight() + QPoint(-2, 2));
    else painter.drawLine(corner.left() + 2, corner.center().y(), corner.right() - 2, corner.center().y());
    return mark;
}

int OverlayIndex(IShellFolder& parent, const TItemIdList& item) {
    uint32_t attributes = SFGAO_SHARE | SFGAO_LINK;
    if (!ole::Succeeded(parent.GetAttributesOf(std::span<const TItemIdList>(&item, 1), attributes))) return 0;
    return OverlayOfAttributes(attributes);
}

int OverlayOfAttributes(uint32_t attributes) {
    if (attributes & SFGAO_SHARE) return 1;
    return (attributes & SFGAO_LINK) ? 2 : 0;
}

QPixmap OverlaidIcon(int index, int overlay) {
    QPixmap icon = SystemIcon(index, false);
    if (overlay == 0) return icon;
    QPainter painter(&icon);
    painter.drawPixmap(0, 0, SystemOverlay(overlay, false));
    return icon;
}

uint32_t TreeAttributeRequest(const std::string& path, uint32_t mask, const std::vector<std::string>& removableRoots) {
    const bool removableRoot = std::find(removableRoots.begin(), removableRoots.end(), path) != removableRoots.end();
    return removableRoot ? mask & ~SFGAO_READONLY : mask;
}

bool NetworkDriveReady(char16_t) { return true; }

std::vector<std::string> WatchedDriveRoots(const std::vector<TMount>& mounts,
                                           const std::function<bool(const std::string& source)>& removable) {
    std::vector<std::string> roots;
    for (const TMount& mount : mounts) {
        if (mount.FsType == "iso9660" || mount.FsType == "udf" || removable(mount.Source)) continue;
        roots.push_back(mount.MountPoint);
    }
    return roots;
}

bool RemovableDevice(const std::string& source) {
    constexpr std::string_view prefix = "/dev/";
    if (source.rfind(prefix, 0) != 0 || source.find("..") != std::string::npos) return false;
    // A partition's flag is its disk's, one folder up.
    const std::string device = "/sys/class/block/" + source.substr(prefix.size());
    for (const char* flag : {"/removable", "/../removable"}) {
        std::ifstream in(device + flag);
        char value = 0;
        if (in.get(value)) return value == '1';
    }
    return false;
}

namespace {
int DriveValidationSuppressed = 0;
}

void ValidateDrives() {}

void SuppressDriveValidation(bool suppress) { DriveValidationSuppressed += suppress ? 1 : -1; }

HRESULT THyShortcut::Load(std::u16string_view path) {
    Fields.TargetIdList.clear();
    const std::string file = FileNameFromWide(path);
    const HRESULT result = LoadShortcut(file, Fields);
    if (ole::Succeeded(result)) Target = WideFromFileName(ResolvedShortcutTarget(file, Fields));
    return result;
}

int THyIdListArray::Count() const { return list_ ? static_cast<int>(list_->itemCount()) : 0; }

const TItemIdList* THyIdListArray::Leading(int count, int less) {
    if (!list_) return nullptr;
    scratch_ = std::make_unique<TItemIdList>(list_->leading(static_cast<size_t>(std::max(0, count - less))));
    return scratch_.get();
}

const TItemIdList* THyIdListArray::Item(int k) {
    scratch_.reset();
    if (k < 0 || k >= Count()) return nullptr;
    scratch_ = std::make_unique<TItemIdList>(list_->item(static_cast<size_t>(k)));
    return scratch_.get();
}

int THyPidlList::Compare(const TItemIdList& a, const TItemIdList& b) const {
    if (!folder_) return CompareIdListsRaw(&a, &b);
    return CompareResult(folder_->CompareIDs(0, a, b));
}

size_t THyPidlList::Find(const TItemIdList& list, bool& found) const {
    size_t low = 0, high = entries_.size();
    while (low < high) {
        const size_t middle = (low + high) / 2;
        if (Compare(entries_[middle].List, list) < 0) low = middle + 1;
        else high = middle;
    }
    found = low < entries_.size() && Compare(entries_[low].List, list) == 0;
    return low;
}

int THyPidlList::Add(const TItemIdList& list, uint32_t data) {
    if (!sorted_) {
        entries_.push_back({list, data});
        return Count() - 1;
    }
    bool found = false;
    const size_t at = Find(list, found);
    if (found && Duplicates == TDuplicates::dupIgnore) return static_cast<int>(at);
    if (found && Duplicates == TDuplicates::dupError) throw EHyPidlListError(SDuplicatePidl);
    entries_.insert(entries_.begin() + static_cast<ptrdiff_t>(at), {list, data});
    return static_cast<int>(at);
}

int THyPidlList::IndexOf(const TItemIdList& list) const {
    if (sorted_) {
        bool found = false;
        const size_t at = Find(list, found);
        return found ? static_cast<int>(at) : -1;
    }
    for (size_t i = 0; i < entries_.size(); ++i)
        if (Compare(entries_[i].List, list) == 0) return static_cast<int>(i);
    return -1;
}

void THyPidlList::Delete(int index) { entries_.erase(entries_.begin() + index); }

void THyPidlList::Clear() { entries_.clear(); }

void THyPidlList::SetSorted(bool sorted) {
    if (sorted && !sorted_)
        std::stable_sort(entries_.begin(), entries_.end(),
                         [this](const TEntry& a, const TEntry& b) { return Compare(a.List, b.List) < 0; });
    sorted_ = sorted;
}

namespace {
bool ShuttingDown = false;
constexpr size_t FreesPerLook = 500;
constexpr auto IdleBudget = std::chrono::milliseconds(250);
}  // namespace

TShellMemFreeOnIdle& TShellMemFreeOnIdle::Instance() {
    static TShellMemFreeOnIdle* instance = [] {
        auto* created = new TShellMemFreeOnIdle();
        if (QCoreApplication::instance()) created->setParent(QCoreApplication::instance());
        return created;
    }();
    return *instance;
}

TShellMemFreeOnIdle::~TShellMemFreeOnIdle() {
    ShuttingDown = true;
    queue_.clear();
}

void TShellMemFreeOnIdle::Queue(std::unique_ptr<TItemIdList> list) {
    queue_.push_back(std::move(list));
    if (timer_ == 0 && QCoreApplication::instance()) timer_ = startTimer(0);
}

bool TShellMemFreeOnIdle::OnIdle() {
    const auto start = clock_();
    for (size_t freed = 1; !queue_.empty(); ++freed) {
        queue_.pop_back();
        if (freed % FreesPerLook == 0 && !queue_.empty() && clock_() - start > IdleBudget) return false;
    }
    return true;
}

void TShellMemFreeOnIdle::timerEvent(QTimerEvent* event) {
    if (event->timerId() != timer_) return;
    if (OnIdle()) {
        killTimer(timer_);
        timer_ = 0;
    }
}

void ShellFreeDeferred(std::unique_ptr<TItemIdList> list) {
    if (!list || ShuttingDown) return;
    TShellMemFreeOnIdle::Instance().Queue(std::move(list));
}

namespace {
constexpr uintptr_t DBT_DEVICEARRIVAL = 0x8000;
constexpr uintptr_t DBT_DEVICEREMOVECOMPLETE = 0x8004;

std::string ReadAll(int fd) {
    std::string text;
    std::array<char, 4096> buffer{};
    lseek(fd, 0, SEEK_SET);
    for (ssize_t got; (got = read(fd, buffer.data(), buffer.size())) > 0;) text.append(buffer.data(), static_cast<size_t>(got));
    return text;
}
}  // namespace

THyDeviceChangeHandler& THyDeviceChangeHandler::Instance() {
    static auto* instance = new THyDeviceChangeHandler();
    return *instance;
}

THyDeviceChangeHandler::THyDeviceChangeHandler() : mounts_(MountedFileSystems()) {
    NoteRemovableRoots();
    // The kernel marks the mount table as changed with an exceptional condition.
    const int fd = open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC);
    if (fd < 0) return;
    auto* notifier = new QSocketNotifier(fd, QSocketNotifier::Exception, this);
    QObject::connect(notifier, &QSocketNotifier::activated, this,
                     [this, fd] { Guarded([&] { MountsChanged(ParseMountInfo(ReadAll(fd))); }); });
}

void THyDeviceChangeHandler::Register(const void* owner, THandler handler) {
    handlers_.emplace_back(owner, std::move(handler));
}

void THyDeviceChangeHandler::Unregister(const void* owner) {
    std::erase_if(handlers_, [owner](const auto& entry) { return entry.first == owner; });
}

void THyDeviceChangeHandler::MountsChanged(const std::vector<TMount>& mounts) {
    const auto missingFrom = [](const std::vector<TMount>& from, const TMount& mount) {
        return std::find(from.begin(), from.end(), mount) == from.end();
    };
    for (const TMount& mount : mounts)
        if (missingFrom(mounts_, mount)) PostMessage(this, WM_DEVICECHANGE, DBT_DEVICEARRIVAL, 0);
    for (const TMount& mount : mounts_)
        if (missingFrom(mounts, mount)) PostMessage(this, WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE, 0);
    mounts_ = mounts;
    NoteRemovableRoots();
}

void THyDeviceChangeHandler::NoteRemovableRoots() {
    removableRoots_.clear();
    for (const TMount& mount : mounts_)
        if (IsRemovable(mount.Source)) removableRoots_.push_back(mount.MountPoint);
}

bool THyDeviceChangeHandler::event(QEvent* event) {
    const TMessage* message = MessageOf(event);
    if (!message) return QObject::event(event);
    if (message->Msg == WM_DEVICECHANGE) {
        PostMessage(this, WM_HY_DEVICECHANGE, message->WParam, message->LParam);
    } else if (message->Msg == WM_HY_DEVICECHANGE) {
        const auto handlers = handlers_;  // a handler may unregister itself
        // clang 14 cannot capture a structured binding in a lambda.
        for (const auto& entry : handlers)
            Guarded([&] { entry.second(message->Msg, message->WParam, message->LParam); });
    }
    return true;
}

WideString FormatMessageW(std::u16string_view format, const std::vector<WideString>& strings) {
    if (strings.size() > 49) throw Exception(STooManySubstitutions);
    WideString text;
    for (size_t at = 0; at < format.size();) {
        const char16_t c = format[at++];
        if (c != u'%' || at >= format.size()) {
            text += c;
            continue;
        }
        const char16_t next = format[at];
        if (next == u'0') break;
        if (next == u'n') {
            text += u"\r\n";
            ++at;
            continue;
        }
        if (next < u'1' || next > u'9') {
            text += next;  // "%%", "%!", "%." ... stand for the character
            ++at;
            continue;
        }
        size_t number = static_cast<size_t>(next - u'0');
        if (++at < format.size() && format[at] >= u'0' && format[at] <= u'9')
            number = number * 10 + static_cast<size_t>(format[at++] - u'0');
        if (at < format.size() && format[at] == u'!') {
            const size_t end = format.find(u'!', at + 1);
            at = end == std::u16string_view::npos ? format.size() : end + 1;
        }
        if (number <= strings.size()) text += strings[number - 1];
    }
    return text;
}

}  // namespace kestrune::shell
