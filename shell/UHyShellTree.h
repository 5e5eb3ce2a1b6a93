// The shell folder tree: the namespace below a base folder as a lazily
// filled tree of folders that follows the disk and can drive a shell list.
#pragma once

#include "shell/UHyShellList.h"

namespace kestrune::shell {

class TShellTreeModel;
struct TShellTreeNode;

enum THyShellTreeOption : uint16_t {
    hystoAutoFill = 1 << 0,
    hystoVirtualFolders = 1 << 1,
    hystoDesignInteractive = 1 << 2,
    hystoDefaultKeyHandling = 1 << 3,
    hystoContextMenus = 1 << 4,
    hystoDynamicRefresh = 1 << 5,
    hystoIncludeNonFolders = 1 << 6,
    hystoOleDrag = 1 << 7,
    hystoOleDrop = 1 << 8,
    hystoShowHidden = 1 << 9,
    hystoIconOverlays = 1 << 10,
};
constexpr uint16_t DefaultTreeOptions = 1979;

class THyCustomShellTree : public THyCustomTreeView, public THyShellMenuEvents<QModelIndex> {
public:
    explicit THyCustomShellTree(QWidget* parent);
    ~THyCustomShellTree() override;

    THyShellLocator BaseFolder;
    THyShellLocator SelectedFolder;
    uint16_t Options() const { return options_; }
    void SetOptions(uint16_t options);
    THyCustomShellList* ShellList() const { return shellList_; }
    void SetShellList(THyCustomShellList* list);
    bool AutoExpand = false;

    void RebuildTree();
    void RefreshTree();
    WideString GetSelectedPath() const;
    void SetSelectedPath(const WideString& path);
    void SetSelectedFolder(THyShellLocator& locator);
    void SelectParent(int levels);
    bool CreateNewFolder();
    // keys: Shift and Ctrl of the key that asked (none: as they are now).
    HRESULT InvokeNodeVerb(const QModelIndex& node, const std::string& verb,
                           std::optional<Qt::KeyboardModifiers> keys = std::nullopt);
    // Runs the waiting hand-over or refresh now.
    void RunPendingTimerWork();
    int PendingJob() const { return delayTimer_.isActive() ? delayJob_ : 0; }
    // The wait of the pending job.
    int PendingDelay() const { return delayTimer_.interval(); }
    THyShTreeData* NodeData(const QModelIndex& node) const;
    TShellTreeModel& Model() const { return *model_; }

    std::function<void(const TItemIdList& parent, const TItemIdList& item, uint32_t attributes, bool& allowAdd)> OnAddItem;
    std::function<void()> OnChange;
    std::function<void()> OnClick;
    std::function<void()> OnFillStart;
    std::function<void()> OnFillComplete;
    std::function<void(const QModelIndex& node, WideString& text)> OnEditedW;
    // Every node added, once it is in the tree; every node deleted (also when the tree is emptied), before it goes.
    std::function<void(const QModelIndex& node)> OnInsertItem;
    std::function<void(const QModelIndex& node, THyShTreeData& data)> OnDeleteItem;
    // The node added last.
    QModelIndex LastAddedNode() const;
    TOleDragStartEvent OnOleDragStart;
    TOleDragCompleteEvent OnOleDragComplete;
    TOleDropEvent OnOleDrag;
    TOleDropEvent OnOleDrop;
    TShellControlDropTarget* DropTarget() const { return dropTarget_.get(); }
    // A drag resting at point: expands the node under it after the hover time.
    void DragHover(QPoint point);

protected:
    bool event(QEvent* event) override;
    // A language switch names the desktop and the places again.
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void DoContextPopup(const QModelIndex& index, QPoint position) override;
    void startDrag(Qt::DropActions actions) override;
    bool StartRightDrag() override;
    QModelIndex DropHighlight() const override { return dropTarget_ ? dropTarget_->Highlighted() : QModelIndex(); }

private:
    friend class TShellTreeModel;
    void RegisterDropTarget(bool on);
    void StartShellDrag(Qt::MouseButton button);
    friend class THyCustomShellList;
    enum TJob { jobNone = 0, jobHandOver = 1, jobRefresh = 2 };
    void BaseFolderChanged();
    void SelectedFolderChanged();
    // A node for an item of the parent's folder; none when it is left out (result: the attribute failure).
    std::unique_ptr<TShellTreeNode> MakeNode(IShellFolder& folder, TShellTreeNode& parent, const TItemIdList& item,
                                             HRESULT& result);
    // Whether a node of these attributes gets an expand button.
    bool ButtonFor(uint32_t attributes) const;
    void UpdateButton(TShellTreeNode& node);
    void RenameNodes(TShellTreeNode& node);
    std::vector<TItemIdList> EnumerateNode(TShellTreeNode& node);
    // Fills the node (none: builds the root node first).
    void FillNode(TShellTreeNode* node);
    void RefreshNode(TShellTreeNode& node, TShellTreeNode*& remembered);
    void RefreshChildren(TShellTreeNode& node, TShellTreeNode*& remembered);
    void NodeExpanded(const QModelIndex& index);
    // Adds nodes under parent (DoInsertItem for each); deletes one (DoDeleteItem for it and below).
    void AddNodes(TShellTreeNode& parent, std::vector<std::unique_ptr<TShellTreeNode>> nodes);
    void DeleteNode(TShellTreeNode& parent, size_t row);
    void DoDeleteItem(TShellTreeNode& node);
    void RebaseChildren(TShellTreeNode& node);
    void SelectNode(const QModelIndex& node);
    void HandOver();
    void RestartTimer(TJob job, int delay);
    void TimerFired();
    void StartDriveWatch();
    uint32_t WatchFilter() const;
    void WatchNode(TShellTreeNode& node);
    // Watches the filled nodes and those without a button.
    void WatchShownNodes(TShellTreeNode& node);
    bool RenameNode(TShellTreeNode& node, const QString& text);
    void ButtonChanged(const QModelIndex& node);
    void ShowNodeMenu(const QModelIndex& node, QPoint position);
    void EditChildNamed(const QModelIndex& parent, const WideString& name);
    bool Editing() const { return state() == QAbstractItemView::EditingState; }

    std::unique_ptr<TShellTreeModel> model_;
    TShellTreeNode* lastAddedNode_ = nullptr;
    uint16_t options_ = DefaultTreeOptions;
    THyCustomShellList* shellList_ = nullptr;
    QTimer delayTimer_;
    TJob delayJob_ = jobNone;
    bool refreshOwed_ = false;
    TChangeDelay changeDelay_;
    bool rebuilding_ = false;
    int changeLock_ = 0;
    bool ignoreNextChange_ = false;
    bool inShellOperation_ = false;
    bool rebuildPending_ = false;
    bool created_ = false;
    std::unique_ptr<TChangeHandlerThread> watcher_;
    std::vector<std::string> watchedDrives_;
    std::unique_ptr<TShellControlDropTarget> dropTarget_;
    QElapsedTimer dragScroll_;
    QPoint dragHoverPoint_;
    QElapsedTimer dragHoverTime_;
};

class THyShellTree : public THyCustomShellTree {
public:
    using THyCustomShellTree::THyCustomShellTree;
};

}  // namespace kestrune::shell
