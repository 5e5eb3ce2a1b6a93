#include "shell/UHyShellTree.h"

#include "platform/Guarded.h"
#include "platform/Messages_qt.h"
#include "platform/OleDragDrop_qt.h"
#include "platform/ProgramStrings.h"
#include "platform/ResCodePages.h"
#include "platform/SystemErrors.h"
#include "shell/UHyShConsts.h"
#include "shell/UHyShellModels.h"
#include "shell/UHyShellUtils.h"

#include <QTimer>

namespace kestrune::shell {

namespace {

constexpr uint32_t TreeAttributes = 0xF60BA000u | SFGAO_STREAM;

// Marks a node filled however its fill ends.
struct TFilledOnExit {
    TShellTreeModel& Model;
    TShellTreeNode& Node;
    ~TFilledOnExit() { Model.Filled(Node); }
};

// A node's text: its name as shown; the desktop's when the shell gives none.
QString NodeText(const WideString& name) {
    return name.empty() ? QString::fromStdString(resStr(res::SDesktop)) : QString::fromStdU16String(ShownFileName(name));
}

bool IsBelow(const TShellTreeNode* node, const TShellTreeNode* ancestor) {
    for (; node; node = node->Parent)
        if (node == ancestor) return true;
    return false;
}

WideString LastPathPart(const WideString& path) {
    const size_t separator = path.find_last_of(u'/');
    return separator == WideString::npos ? path : path.substr(separator + 1);
}

}  // namespace

THyCustomShellTree::THyCustomShellTree(QWidget* parent)
    : THyCustomTreeView(parent), model_(std::make_unique<TShellTreeModel>(*this)) {
    resize(177, 153);
    setModel(model_.get());
    setRootIsDecorated(false);
    setEditTriggers(QAbstractItemView::SelectedClicked);
    BaseFolder.OnChange = [this] { BaseFolderChanged(); };
    SelectedFolder.OnChange = [this] { SelectedFolderChanged(); };
    delayTimer_.setSingleShot(true);
    connect(&delayTimer_, &QTimer::timeout, this, [this] { Guarded([this] { TimerFired(); }); });
    connect(this, &QTreeView::expanded, this, [this](const QModelIndex& node) { Guarded([&] { NodeExpanded(node); }); });
    connect(this, &QTreeView::collapsed, this, [this](const QModelIndex& index) {
        if (TShellTreeNode* node = model_->Node(index); node != &model_->Top() && node->Filled) node->Stale = true;
    });
    THyDeviceChangeHandler::Instance().Register(this, [this](uint32_t, uintptr_t wParam, intptr_t) {
        if (wParam == DBT_DEVICEARRIVAL || wParam == DBT_DEVICEREMOVECOMPLETE) Guarded([this] { RefreshTree(); });
    });
    setDragEnabled(options_ & hystoOleDrag);
    dropTarget_ = std::make_unique<TShellControlDropTarget>(
        *this, TShellControlDropTarget::THooks{
                   [this](QPoint point, uint32_t, QModelIndex& item) -> std::shared_ptr<ole::IDropTarget> {
                       item = indexAt(point);
                       THyShTreeData* record = NodeData(item);
                       return record ? NodeDropTarget(record) : nullptr;
                   },
                   [this](QPoint point) {
                       DragEdgeScroll(*this, point, dragScroll_);
                       DragHover(point);
                   },
                   Forward(OnOleDrag), Forward(OnOleDrop),
                   [this] { Guarded([this] { RefreshTree(); }); }});
}

void THyCustomShellTree::RegisterDropTarget(bool on) {
    if (on) ole::RegisterDragDrop(viewport(), dropTarget_.get());
    else ole::RevokeDragDrop(viewport());
}

void THyCustomShellTree::DragHover(QPoint point) {
    const THoverMetrics hover = HoverMetrics();
    const QRect rest(dragHoverPoint_ - QPoint(hover.Width / 2, hover.Height / 2), QSize(hover.Width, hover.Height));
    if (!dragHoverTime_.isValid() || !rest.contains(point)) {
        dragHoverPoint_ = point;
        dragHoverTime_.start();
        return;
    }
    if (dragHoverTime_.elapsed() <= hover.TimeMs) return;
    const QModelIndex node = indexAt(point);
    if (node.isValid() && model_->hasChildren(node) && !isExpanded(node)) {
        const TLock lock(changeLock_);
        expand(node);
    }
    dragHoverTime_.start();
}

void THyCustomShellTree::startDrag(Qt::DropActions) { StartShellDrag(Qt::LeftButton); }

bool THyCustomShellTree::StartRightDrag() {
    if (!(options_ & hystoOleDrag)) return false;
    StartShellDrag(Qt::RightButton);
    return true;
}

void THyCustomShellTree::StartShellDrag(Qt::MouseButton button) {
    TShellTreeNode* node = model_->Node(currentIndex());
    // The root cannot be dragged.
    if (!(options_ & hystoOleDrag) || node == &model_->Top() || node->Parent == &model_->Top()) return;
    const std::shared_ptr<IShellFolder> parentFolder = node->Data->ParentFolder();
    if (!parentFolder) return;
    const TItemIdList absolute = node->Data->AbsoluteIdList();
    const auto dataObject = std::make_shared<TDataObject_shtv>(absolute.parent(), std::vector<TItemIdList>{absolute.last()});
    inShellOperation_ = true;
    bool dropped = false;
    {
        const struct TEnd {
            bool& InShellOperation;
            ~TEnd() { InShellOperation = false; }
        } end{inShellOperation_};
        dropped = RunShellDrag(*this, button, dataObject, AllowedDragEffects(*parentFolder, {node->Data->RelativeIdList()}),
                               OnOleDragStart, OnOleDragComplete) == ole::DRAGDROP_S_DROP;
    }
    const bool refresh = dropped || rebuildPending_;
    rebuildPending_ = false;
    if (refresh) RefreshTree();
}

void THyCustomShellTree::showEvent(QShowEvent* event) {
    THyCustomTreeView::showEvent(event);
    if (created_) return;
    created_ = true;
    RegisterDropTarget(options_ & hystoOleDrop);
    if (rebuildPending_ || ((options_ & hystoAutoFill) && model_->Top().Children.empty()))
        PostMessage(this, WM_HY_FIRSTFILL, 0, 0);
}

THyCustomShellTree::~THyCustomShellTree() {
    THyDeviceChangeHandler::Instance().Unregister(this);
    if (shellList_) shellList_->linkedTree_ = nullptr;
    if (created_ && (options_ & hystoOleDrop)) RegisterDropTarget(false);
    const TLock lock(changeLock_);
    watcher_.reset();
    setModel(nullptr);
}

void THyCustomShellTree::SetOptions(uint16_t options) {
    const uint16_t changed = options_ ^ options;
    options_ = options;
    setDragEnabled(options & hystoOleDrag);
    if ((changed & hystoOleDrop) && created_) RegisterDropTarget(options & hystoOleDrop);
    if (changed & hystoDynamicRefresh) {
        watchedDrives_.clear();
        if (options & hystoDynamicRefresh) StartDriveWatch();
        else if (watcher_) watcher_->RemoveAllWatches();
    }
}

void THyCustomShellTree::SetShellList(THyCustomShellList* list) {
    if (shellList_) shellList_->linkedTree_ = nullptr;
    shellList_ = list;
    if (!list) return;
    list->linkedTree_ = this;
    const TLock lock(changeLock_);
    list->Folder.Assign(&SelectedFolder);
}

THyShTreeData* THyCustomShellTree::NodeData(const QModelIndex& node) const {
    TShellTreeNode* found = model_->Node(node);
    return found == &model_->Top() ? nullptr : found->Data.get();
}

std::unique_ptr<TShellTreeNode> THyCustomShellTree::MakeNode(IShellFolder& folder, TShellTreeNode& parent,
                                                             const TItemIdList& item, HRESULT& result) {
    uint32_t attributes = TreeAttributes;
    result = folder.GetAttributesOf(std::span<const TItemIdList>(&item, 1), attributes);
    if (!ole::Succeeded(result)) return nullptr;
    result = ole::S_OK;
    if (!(options_ & hystoVirtualFolders) && !(attributes & (SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR))) return nullptr;
    bool allow = true;
    if (OnAddItem) OnAddItem(parent.Data->AbsoluteIdList(), item, attributes, allow);
    if (!allow) return nullptr;
    auto node = std::make_unique<TShellTreeNode>();
    node->Data = std::make_unique<THyShTreeData>(parent.Data.get(), item);
    node->Text = NodeText(GetDisplayName(&folder, item, 1));
    node->HasButton = ButtonFor(attributes);
    node->Ghosted = attributes & SFGAO_GHOSTED;
    node->Overlay = OverlayOfAttributes(attributes);
    return node;
}

bool THyCustomShellTree::ButtonFor(uint32_t attributes) const {
    const bool isFolder = attributes & SFGAO_FOLDER, hasSubfolders = attributes & SFGAO_HASSUBFOLDER;
    return options_ & hystoIncludeNonFolders ? isFolder || hasSubfolders : isFolder && hasSubfolders;
}

std::vector<TItemIdList> THyCustomShellTree::EnumerateNode(TShellTreeNode& node) {
    std::vector<TItemIdList> items;
    const std::shared_ptr<IShellFolder> folder = node.Data->Folder();
    const uint32_t flags = SHCONTF_FOLDERS | (options_ & hystoIncludeNonFolders ? SHCONTF_NONFOLDERS : 0) |
                           (options_ & hystoShowHidden ? SHCONTF_INCLUDEHIDDEN : 0);
    EnumerateFolder(folder.get(), flags, items,
                    {ole::E_FAIL, static_cast<HRESULT>(0x800704C7), static_cast<HRESULT>(0x80040E4E)});
    return items;
}

void THyCustomShellTree::FillNode(TShellTreeNode* node) {
    if (OnFillStart) OnFillStart();
    const struct TComplete {
        THyCustomShellTree& Tree;
        ~TComplete() {
            if (Tree.OnFillComplete) Tree.OnFillComplete();
        }
    } complete{*this};
    TShellTreeNode* parent = node;
    if (!parent) {
        auto root = std::make_unique<TShellTreeNode>();
        const TItemIdList* base = BaseFolder.GetPidl();
        root->Data = std::make_unique<THyShTreeData>(nullptr, base ? *base : TItemIdList());
        root->Text = NodeText(root->Data->DisplayName());
        root->HasButton = true;
        parent = root.get();
        std::vector<std::unique_ptr<TShellTreeNode>> roots;
        roots.push_back(std::move(root));
        AddNodes(model_->Top(), std::move(roots));
    }
    {
        const TFilledOnExit filled{*model_, *parent};
        const std::shared_ptr<IShellFolder> folder = parent->Data->Folder();
        if (!folder) return;
        std::vector<std::unique_ptr<TShellTreeNode>> children;
        HRESULT result = ole::S_OK;
        for (const TItemIdList& item : EnumerateNode(*parent))
            if (auto child = MakeNode(*folder, *parent, item, result)) children.push_back(std::move(child));
        AddNodes(*parent, std::move(children));
    }
    WatchNode(*parent);
    if (!node && !AutoExpand) expand(model_->IndexOf(parent));
}

void THyCustomShellTree::RebuildTree() {
    if (inShellOperation_ || Editing() || !created_) {
        rebuildPending_ = true;
        return;
    }
    {
        const THourglass hourglass;
        {
            const TLock lock(changeLock_);
            setCurrentIndex({});
            for (const auto& root : model_->Top().Children) DoDeleteItem(*root);
            model_->Clear();
            lastAddedNode_ = nullptr;
        }
        const TItemIdList* base = BaseFolder.GetPidl();
        if (!BindFolder(base ? *base : TItemIdList())) RaiseSystemError(HResultFromError(3));
        FillNode(nullptr);
        if (SelectedFolder.GetPidl()) SelectedFolderChanged();
        else SelectNode(model_->IndexOf(model_->Top().Children.front().get()));
        RunPendingTimerWork();
    }
    // The watches start afresh with the tree's new nodes.
    watchedDrives_.clear();
    if (options_ & hystoDynamicRefresh) StartDriveWatch();
}

void THyCustomShellTree::BaseFolderChanged() {
    SelectedFolder.Clear();
    if (options_ & hystoAutoFill) {
        rebuilding_ = true;
        RebuildTree();
    }
}

void THyCustomShellTree::SelectNode(const QModelIndex& node) {
    rebuilding_ = true;
    if (currentIndex() == node) {
        rebuilding_ = false;
        if (changeLock_ < 1) HandOver();
    } else {
        setCurrentIndex(node);
    }
    scrollTo(node);
}

void THyCustomShellTree::SelectedFolderChanged() {
    if (model_->Top().Children.empty() || changeLock_ >= 1) return;
    TShellTreeNode* node = model_->Top().Children.front().get();
    const TItemIdList* base = BaseFolder.GetPidl();
    const TItemIdList* target = SelectedFolder.GetPidl();
    const size_t baseDepth = base ? base->itemCount() : 0, depth = target ? target->itemCount() : 0;
    if (depth > baseDepth) {
        const bool lastToo = shellList_ && (shellList_->Options() & hysloHideFoldersWhenLinkedToTree);
        for (size_t level = baseDepth; level < depth; ++level) {
            if (!node->Filled) FillNode(node);
            expand(model_->IndexOf(node));
            const TItemIdList item = target->item(level);
            const std::shared_ptr<IShellFolder> folder = node->Data->Folder();
            if (!folder) break;
            TShellTreeNode* next = nullptr;
            for (const auto& child : node->Children)
                if (FolderOrder(*folder, child->Data->RelativeIdList(), item) == 0) next = child.get();
            if (!next) {
                // A level the enumeration left out (hidden, or not seen yet) is added on the way.
                HRESULT result = ole::S_OK;
                auto added = MakeNode(*folder, *node, item, result);
                if (!added) break;
                next = added.get();
                std::vector<std::unique_ptr<TShellTreeNode>> one;
                one.push_back(std::move(added));
                AddNodes(*node, std::move(one));
            }
            node = next;
        }
        if (lastToo) {
            if (!node->Filled) FillNode(node);
            expand(model_->IndexOf(node));
        }
    } else if (target && !AutoExpand) {
        expand(model_->IndexOf(node));
    }
    SelectNode(model_->IndexOf(node));
}

void THyCustomShellTree::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    THyCustomTreeView::currentChanged(current, previous);
    // The open-folder icon moves with the selection.
    update(previous);
    update(current);
    TShellTreeNode* node = model_->Node(current);
    if (changeLock_ >= 1) {
        if (node != &model_->Top()) SelectedFolder.SetPidl(&node->Data->AbsoluteIdList());
        return;
    }
    if (OnChange) Guarded(OnChange);
    if (node == &model_->Top()) return;
    if (shellList_ && !rebuilding_) RestartTimer(jobHandOver, SelectionHandOverDelay);
    else Guarded([this] { HandOver(); });
    rebuilding_ = false;
}

void THyCustomShellTree::HandOver() {
    TShellTreeNode* node = model_->Node(currentIndex());
    if (node == &model_->Top()) return;
    const TLock lock(changeLock_);
    const TItemIdList list = node->Data->AbsoluteIdList();
    SelectedFolder.SetPidl(&list);
    if (shellList_) shellList_->Folder.SetPidl(&list);
}

void THyCustomShellTree::SetSelectedFolder(THyShellLocator& locator) {
    if (changeLock_ < 1) SelectedFolder.Assign(&locator);
    else if (shellList_ && &shellList_->Folder != &locator) shellList_->Folder.Assign(&locator);
}

WideString THyCustomShellTree::GetSelectedPath() const {
    THyShTreeData* record = NodeData(currentIndex());
    return record ? PathOfIdList(record->AbsoluteIdList()) : WideString();
}

void THyCustomShellTree::SetSelectedPath(const WideString& path) {
    if (changeLock_ < 1) SelectedFolder.SetPath(path);
}

void THyCustomShellTree::SelectParent(int levels) {
    TShellTreeNode* node = model_->Node(currentIndex());
    if (node == &model_->Top()) return;
    for (; levels > 0 && node->Parent != &model_->Top(); --levels) node = node->Parent;
    SelectNode(model_->IndexOf(node));
}

void THyCustomShellTree::RestartTimer(TJob job, int delay) {
    // A hand-over does not drop a refresh that was waiting: it runs with it.
    refreshOwed_ = refreshOwed_ || (delayJob_ == jobRefresh && delayTimer_.isActive());
    delayJob_ = job;
    delayTimer_.start(delay);
}

void THyCustomShellTree::TimerFired() {
    const TJob job = delayJob_;
    const bool refresh = job == jobRefresh || refreshOwed_;
    delayTimer_.stop();
    delayJob_ = jobNone;
    refreshOwed_ = false;
    if (refresh) {
        changeDelay_.Answered();
        RefreshTree();
    }
    if (job == jobHandOver) HandOver();
}

void THyCustomShellTree::RunPendingTimerWork() {
    if (delayTimer_.isActive()) TimerFired();
}

// An open node's children are compared with its folder; so are those of a
// filled node left without children (it cannot be opened, and the first
// folder made in it must still appear). A collapsed node waits until it is
// expanded again, unless its last sub-folder has gone: then it loses its
// button at once. A node never filled is asked again whether it has sub-folders.
void THyCustomShellTree::RefreshNode(TShellTreeNode& node, TShellTreeNode*& remembered) {
    const bool open = node.Children.empty() || isExpanded(model_->IndexOf(&node));
    if (node.Filled && (open || !ButtonFor(node.Data->Attributes()))) RefreshChildren(node, remembered);
    else if (!node.Filled) UpdateButton(node);
    for (const auto& child : node.Children) RefreshNode(*child, remembered);
}

// A folder listed while it had no sub-folders gets its button with its first
// one, and one listed with sub-folders loses it with its last.
void THyCustomShellTree::UpdateButton(TShellTreeNode& node) {
    if (!node.Data || node.Parent == &model_->Top()) return;
    const bool button = ButtonFor(node.Data->Attributes());
    if (button == node.HasButton) return;
    node.HasButton = button;
    model_->ButtonChanged(node);
}

// A changed item repaints its text only: its expand button is drawn in the
// branch area left of it.
void THyCustomShellTree::ButtonChanged(const QModelIndex& node) {
    const QRect row = visualRect(node);
    viewport()->update(QRect(0, row.top(), row.left(), row.height()));
}

void THyCustomShellTree::RefreshChildren(TShellTreeNode& node, TShellTreeNode*& remembered) {
    node.Stale = false;
    const std::shared_ptr<IShellFolder> folder = node.Data->Folder();
    if (!folder) return;
    std::vector<TItemIdList> shown;
    for (const auto& child : node.Children) shown.push_back(child->Data->RelativeIdList());
    const std::vector<TItemIdList> found = EnumerateNode(node);
    const TListDifference difference = DifferenceOf(
        shown, found, [&](const TItemIdList& a, const TItemIdList& b) { return FolderOrder(*folder, a, b); });
    for (size_t k = difference.Vanished.size(); k > 0; --k) {
        const size_t row = difference.Vanished[k - 1];
        if (IsBelow(remembered, node.Children[row].get())) remembered = &node;
        DeleteNode(node, row);
    }
    std::vector<std::unique_ptr<TShellTreeNode>> added;
    HRESULT result = ole::S_OK;
    for (size_t entry : difference.Appeared)
        if (auto child = MakeNode(*folder, node, found[entry], result)) added.push_back(std::move(child));
    AddNodes(node, std::move(added));
}

// A node collapsed after it was filled may have missed changes in its folder
// (they are not looked at while it is closed): it is compared when it opens.
void THyCustomShellTree::NodeExpanded(const QModelIndex& index) {
    TShellTreeNode* node = model_->Node(index);
    if (node == &model_->Top() || !node->Stale || inShellOperation_ || Editing()) return;
    const THourglass hourglass;
    TShellTreeNode* remembered = model_->Node(currentIndex());
    const bool selectionInside = remembered != node && IsBelow(remembered, node);
    {
        const TLock lock(changeLock_);
        if (selectionInside) setCurrentIndex({});
        RefreshChildren(*node, remembered);
    }
    if (selectionInside) SelectNode(model_->IndexOf(remembered));
}

void THyCustomShellTree::AddNodes(TShellTreeNode& parent, std::vector<std::unique_ptr<TShellTreeNode>> nodes) {
    std::vector<TShellTreeNode*> added;
    for (const auto& node : nodes) added.push_back(node.get());
    model_->AddChildren(parent, std::move(nodes));
    for (TShellTreeNode* node : added) {
        lastAddedNode_ = node;
        WatchNode(*node);
        if (OnInsertItem) OnInsertItem(model_->IndexOf(node));
    }
}

void THyCustomShellTree::DoDeleteItem(TShellTreeNode& node) {
    for (const auto& child : node.Children) DoDeleteItem(*child);
    if (node.Data && OnDeleteItem) OnDeleteItem(model_->IndexOf(&node), *node.Data);
    if (lastAddedNode_ == &node) lastAddedNode_ = nullptr;
}

void THyCustomShellTree::DeleteNode(TShellTreeNode& parent, size_t row) {
    DoDeleteItem(*parent.Children[row]);
    model_->RemoveChild(parent, row);
}

QModelIndex THyCustomShellTree::LastAddedNode() const { return model_->IndexOf(lastAddedNode_); }

void THyCustomShellTree::RefreshTree() {
    if (inShellOperation_ || Editing()) {
        rebuildPending_ = true;
        return;
    }
    if (model_->Top().Children.empty()) {
        RebuildTree();
        return;
    }
    const THourglass hourglass;
    if (OnFillStart) OnFillStart();
    TShellTreeNode* remembered = model_->Node(currentIndex());
    {
        const TLock lock(changeLock_);
        setCurrentIndex({});
        for (const auto& root : model_->Top().Children) RefreshNode(*root, remembered);
    }
    if (remembered != &model_->Top()) SelectNode(model_->IndexOf(remembered));
    if (OnFillComplete) OnFillComplete();
}

void THyCustomShellTree::StartDriveWatch() {
    // Every folder the tree has filled is watched too: as many slots as that takes.
    if (!watcher_)
        watcher_ = std::make_unique<TChangeHandlerThread>(this, WM_HY_FOLDERCHANGE, TChangeHandlerThread::Unlimited);
    const std::vector<std::string> drives = WatchedDriveRoots(MountedFileSystems(), RemovableDevice);
    if (drives == watchedDrives_) return;
    watchedDrives_ = drives;
    watcher_->RemoveAllWatches();
    for (const std::string& drive : drives) {
        int slot = -1;
        watcher_->AddWatch(drive, WatchFilter(), slot, true);
    }
    WatchShownNodes(model_->Top());
}

uint32_t THyCustomShellTree::WatchFilter() const {
    return FILE_NOTIFY_CHANGE_DIR_NAME | (options_ & hystoIncludeNonFolders ? FILE_NOTIFY_CHANGE_FILE_NAME : 0);
}

// A drive is watched below its root only up to a budget of folders here, so
// each folder the tree has filled is watched on its own as well: what the
// tree shows follows the disk however deep it lies. So is each folder shown
// and not yet opened, whose first sub-folder gives it its button and whose
// last one takes it away.
void THyCustomShellTree::WatchNode(TShellTreeNode& node) {
    if (!(options_ & hystoDynamicRefresh) || !watcher_ || !node.Data) return;
    const WideString path = PathOfIdList(node.Data->AbsoluteIdList());
    int slot = -1;
    if (!path.empty()) watcher_->AddWatch(FileNameFromWide(path), WatchFilter(), slot, false);
}

void THyCustomShellTree::WatchShownNodes(TShellTreeNode& node) {
    WatchNode(node);
    for (const auto& child : node.Children) WatchShownNodes(*child);
}

void THyCustomShellTree::changeEvent(QEvent* event) {
    THyCustomTreeView::changeEvent(event);
    if (event->type() == QEvent::LanguageChange) Guarded([this] { RenameNodes(model_->Top()); });
}

void THyCustomShellTree::RenameNodes(TShellTreeNode& node) {
    for (const auto& child : node.Children) {
        if (child->Data) child->Text = NodeText(child->Data->DisplayName());
        model_->NodeChanged(*child);
        RenameNodes(*child);
    }
}

bool THyCustomShellTree::event(QEvent* event) {
    const TMessage* message = MessageOf(event);
    if (!message) return THyCustomTreeView::event(event);
    Guarded([&] {
        if (message->Msg == WM_HY_FOLDERCHANGE) {
            if (ignoreNextChange_ || inShellOperation_) ignoreNextChange_ = false;
            else RestartTimer(jobRefresh, changeDelay_.Next(hasFocus() ? RefreshDelayFocused : RefreshDelayUnfocused));
        } else if (message->Msg == WM_HY_FIRSTFILL && model_->Top().Children.empty()) {
            rebuildPending_ = false;
            RebuildTree();
        }
    });
    return true;
}

void THyCustomShellTree::RebaseChildren(TShellTreeNode& node) {
    for (const auto& child : node.Children) {
        child->Data = std::make_unique<THyShTreeData>(node.Data.get(), child->Data->RelativeIdList());
        RebaseChildren(*child);
    }
}

bool THyCustomShellTree::RenameNode(TShellTreeNode& node, const QString& text) {
    WideString name = text.toStdU16String();
    if (OnEditedW) OnEditedW(model_->IndexOf(&node), name);
    const std::shared_ptr<IShellFolder> parentFolder = node.Data->ParentFolder();
    if (!parentFolder) return false;
    TItemIdList renamed;
    HRESULT result = ole::S_FALSE;  // a name left as it was renames nothing
    bool renamedSelection = false;
    if (name != node.Data->InFolderName() && !NameCanBeWritten(name)) return false;
    if (name != node.Data->InFolderName()) {
        const THourglass hourglass;
        const TLock lock(changeLock_);
        ignoreNextChange_ = true;
        result = parentFolder->SetNameOf(node.Data->RelativeIdList(), FileNameFromWide(name), renamed);
        if (ole::Succeeded(result)) {
            node.Data = std::make_unique<THyShTreeData>(node.Parent->Data.get(), renamed);
            RebaseChildren(node);
            node.Text = NodeText(node.Data->InFolderName());
            if (model_->Node(currentIndex()) == &node) {
                renamedSelection = true;
                const TItemIdList list = node.Data->AbsoluteIdList();
                SelectedFolder.SetPidl(&list);
                if (shellList_) shellList_->Folder.SetPidl(&list);
            }
            model_->NodeChanged(node);
            model_->SortChildren(*node.Parent);
        }
    }
    if (!ole::Succeeded(result)) {
        ignoreNextChange_ = false;
        ShowRenameError(result);
    }
    // The selected folder now has another path: what was taken from the old one follows.
    if (renamedSelection && OnChange) Guarded(OnChange);
    if (rebuildPending_) {
        rebuildPending_ = false;
        QTimer::singleShot(0, this, [this] { Guarded([this] { RefreshTree(); }); });
    }
    return result == ole::S_OK;
}

bool THyCustomShellTree::CreateNewFolder() {
    THyShTreeData* record = NodeData(currentIndex());
    const WideString parent = record ? PathOfIdList(record->AbsoluteIdList()) : WideString();
    ignoreNextChange_ = true;
    WideString name;
    if (!NewFolder(parent, name)) {
        ignoreNextChange_ = false;
        return false;
    }
    const bool desktop = !record || record->AbsoluteIdList().isEmpty();
    const QPersistentModelIndex node(currentIndex());
    // The new folder is edited once the tree has seen it.
    QTimer::singleShot(desktop ? NewFolderDesktopDelay : NewFolderDelay, this, [this, node, name] {
        Guarded([&] {
            RefreshTree();
            EditChildNamed(node, name);
        });
    });
    return true;
}

void THyCustomShellTree::EditChildNamed(const QModelIndex& parent, const WideString& name) {
    TShellTreeNode* node = model_->Node(parent);
    if (node == &model_->Top()) return;
    if (!node->Filled) FillNode(node);
    expand(parent);
    const std::shared_ptr<IShellFolder> folder = node->Data->Folder();
    for (const auto& child : node->Children) {
        if (LastPathPart(GetDisplayName(folder.get(), child->Data->RelativeIdList(), 2)) != name) continue;
        const QModelIndex index = model_->IndexOf(child.get());
        scrollTo(index);
        edit(index);
        return;
    }
}

HRESULT THyCustomShellTree::InvokeNodeVerb(const QModelIndex& index, const std::string& verb,
                                           std::optional<Qt::KeyboardModifiers> keys) {
    TShellTreeNode* node = model_->Node(index);
    if (node == &model_->Top() || node->Parent == &model_->Top()) return 1;
    const auto menu = ItemsContextMenu({node->Data->AbsoluteIdList()});
    const HRESULT result = InvokeCommand(*menu, 0, verb, keys);
    RefreshTree();
    return result;
}

void THyCustomShellTree::keyPressEvent(QKeyEvent* event) {
    if (!(options_ & hystoDefaultKeyHandling) || Editing()) return THyCustomTreeView::keyPressEvent(event);
    const THyKeyCommand command = KeyCommandOf(*event);
    static constexpr const char* Verbs[kcCount] = {nullptr, "delete", "copy", "cut", "paste", nullptr, nullptr};
    if (command == kcCount || command == kcSelectAll) return THyCustomTreeView::keyPressEvent(event);
    event->accept();
    Guarded([&] {
        if (command == kcRename) edit(currentIndex());
        else if (command == kcRefresh) RefreshTree();
        else InvokeNodeVerb(currentIndex(), Verbs[command], event->modifiers());
    });
}

void THyCustomShellTree::mouseReleaseEvent(QMouseEvent* event) {
    THyCustomTreeView::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && OnClick && indexAt(event->pos()).isValid()) Guarded(OnClick);
}

void THyCustomShellTree::DoContextPopup(const QModelIndex& index, QPoint position) {
    if (!(options_ & hystoContextMenus)) return THyCustomTreeView::DoContextPopup(index, position);
    Guarded([&] { ShowNodeMenu(index, position); });
}

void THyCustomShellTree::ShowNodeMenu(const QModelIndex& index, QPoint position) {
    TShellTreeNode* node = model_->Node(index);
    if (node == &model_->Top() || node->Data->AbsoluteIdList().isEmpty()) return;
    const TItemIdList absolute = node->Data->AbsoluteIdList();
    const auto menu = ItemsContextMenu({absolute});
    const uint32_t flags = CmfExplore | (editTriggers() != QAbstractItemView::NoEditTriggers ? CmfCanRename : 0) |
                           (ShiftDown() ? CmfExtendedVerbs : 0);
    std::vector<TMenuCommand> commands;
    std::vector<TSendToEntry> sendTo;
    inShellOperation_ = true;
    const struct TAfter {
        THyCustomShellTree& Tree;
        ~TAfter() {
            Tree.inShellOperation_ = false;
            if (Tree.rebuildPending_) {
                Tree.rebuildPending_ = false;
                Guarded([this] { Tree.RefreshTree(); });
            }
        }
    } after{*this};
    const uint32_t id =
        TrackShellMenu(*menu, flags, this, viewport()->mapToGlobal(position), MenuHooksOf<QModelIndex>(*this, index), commands, sendTo);
    if (id == 0) return;
    if (IsRenameCommand(commands, id)) {
        edit(index);
    } else if (id >= MenuFirst) {
        InvokeCommand(*menu, id - MenuFirst);
        rebuildPending_ = true;
    } else if (id <= sendTo.size()) {
        SendTo(sendTo[id - 1], std::make_shared<TDataObject_shtv>(absolute.parent(), std::vector<TItemIdList>{absolute.last()}));
    }
}

}  // namespace kestrune::shell
