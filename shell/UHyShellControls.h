// The shell file list and folder tree: a report list of one folder's items
// (filtered by wildcards, sorted by the folder's columns, kept up to date
// with the disk) and a lazily filled folder tree that can drive the list.
#pragma once

#include "shell/UHyChangeHandler.h"
#include "shell/UHyListRules.h"
#include "shell/UHyShellDragDrop.h"
#include "shell/UHyShellData.h"
#include "shell/UHyShellLocator.h"
#include "shell/UHyThumbnails.h"
#include "shell/UHyTreeList.h"

#include <QAbstractItemModel>
#include <QListView>
#include <QTimer>

#include <functional>
#include <map>
#include <memory>
#include <vector>

class QMenu;

namespace kestrune::shell {

class THyCustomShellTree;
class TShellListModel;

// The owner's part in a shell context menu: before it pops up it may add
// entries (custom identifiers from 100) or cancel it; after a choice it may
// forbid what the control would do with it; while an entry is hovered it
// gets the entry's help text.
template <typename TItem>
struct THyShellMenuEvents {
    std::function<void(QMenu& menu, TItem item, int nextCustomId, bool& cancel)> OnBeforeShellMenuPopup;
    std::function<void(TItem item, uint32_t chosenId, bool& allowDefault)> OnAfterShellMenuSelection;
    std::function<void(const WideString& hint)> OnPopupHint;
};
class TShellTreeModel;
struct TShellTreeNode;

enum THyShellListOption : uint16_t {
    hysloAutoFill = 1 << 0,
    hysloNonFilesystemAncestors = 1 << 1,
    hysloDesignInteractive = 1 << 2,
    hysloDefaultKeyHandling = 1 << 3,
    hysloContextMenus = 1 << 4,
    hysloDontChangeFolder = 1 << 5,
    hysloDontGoBelowBase = 1 << 6,
    hysloDynamicRefresh = 1 << 7,
    hysloHideFoldersWhenLinkedToTree = 1 << 8,
    hysloOleDrag = 1 << 9,
    hysloOleDrop = 1 << 10,
    hysloFolderContextMenu = 1 << 11,
    hysloShowHidden = 1 << 12,
    hysloFilesCanBeFolders = 1 << 13,
    hysloIconOverlays = 1 << 14,
};
constexpr uint16_t DefaultListOptions = 32411;

enum THyShellViewStyle { svsIcon, svsSmallIcon, svsList, svsReport, svsThumbnails };

// Change-refresh delays, with and without the focus; the tree's hand-over delay.
constexpr int RefreshDelayFocused = 400;
constexpr int RefreshDelayUnfocused = 2000;
constexpr int SelectionHandOverDelay = 500;
// Waits after a rename and a new folder before the refresh.
constexpr int RenameRefreshDelay = 1000;
constexpr int NewFolderDelay = 1000;
constexpr int NewFolderDesktopDelay = 2100;

// The column widths last saved by a list, shared by every list.
std::vector<uint8_t>& ColumnWidthStream();

// The row of a list menu: the focused row, -1 for none.
class THyCustomShellList : public THyCustomListView, public IShListOwner, public THyShellMenuEvents<int> {
public:
    explicit THyCustomShellList(QWidget* parent);
    ~THyCustomShellList() override;

    // IShListOwner
    const TItemIdList& FolderIdList() const override { return folderIdList_; }
    std::shared_ptr<IShellFolder> ShellFolder() const override { return shellFolder_; }
    std::shared_ptr<IShellDetails> ShellDetails() const override;

    THyShellLocator Folder;
    // Size, frame and overlay of the thumbnail view's pictures.
    THyShellThumbnails Thumbnails;
    // The row's thumbnail (made once, kept until the next fill).
    QPixmap ThumbnailOf(THyShListData& row);
    uint16_t Options() const { return options_; }
    void SetOptions(uint16_t options);
    const WideString& FileFilter() const { return fileFilter_; }
    void SetFileFilter(const WideString& filter);
    int SortColumn() const { return sortColumn_; }
    void SetSortColumn(int column);
    THyShellViewStyle ViewStyle() const { return viewStyle_; }
    // Report is this view itself; the icon and list styles show the same rows
    // and selection in a list view laid over it.
    void SetViewStyle(THyShellViewStyle style);
    QListView* IconView() const { return iconView_; }
    THyCustomShellTree* LinkedTree() const { return linkedTree_; }

    void RefreshFolder();
    void RefreshChanges();
    void GoUp(int levels);
    int ItemCount() const;
    THyShListData* ItemData(int index) const;
    THyShListData* GetSelectedData() const;
    // The rows' item records, for the model's users.
    TShellListModel& Model() const { return *model_; }
    // Runs a verb of the context menu on the selected rows.
    HRESULT InvokeSelectionVerb(const std::string& verb);
    // Edits the label of the row with that display name.
    bool EditItemNamed(const WideString& name);
    // The row whose label the edit-request message (WM_USER+102) puts into editing.
    WideString PendingEditName;
    // Starts the delayed refresh now, when it is waiting.
    void RunPendingTimerWork();
    bool RefreshWaiting() const { return refreshTimer_.isActive(); }
    // The wait of the last change message: shorter while the list has the focus.
    int RefreshDelay() const { return refreshTimer_.interval(); }

    std::function<void(const TItemIdList& parent, const TItemIdList& item, uint32_t attributes, bool& allowAdd)> OnAddItem;
    std::function<void(int row, bool selected)> OnSelectItem;
    std::function<void()> OnClick;
    std::function<void()> OnDblClick;
    std::function<void(bool& handled)> OnDblClickOpen;
    std::function<void()> OnFillStart;
    std::function<void()> OnFillComplete;
    std::function<void()> OnFolderChanged;
    std::function<void(int row, WideString& text)> OnEditedW;
    // A row that vanished in a difference refresh, before it goes (a full fill empties the list without it).
    std::function<void(int row, THyShListData& data)> OnDeleteItem;
    TOleDragStartEvent OnOleDragStart;
    TOleDragCompleteEvent OnOleDragComplete;
    TOleDropEvent OnOleDrag;
    TOleDropEvent OnOleDrop;
    // Set by the first drag out of the list, and kept.
    bool DragStarted() const { return dragStarted_; }
    TShellControlDropTarget* DropTarget() const { return dropTarget_.get(); }

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void RaiseContextEvent(const QModelIndex& index, QPoint& position, QMenu*& menu) override;
    void DoContextPopup(const QModelIndex& index, QPoint position) override;
    void selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) override;
    void startDrag(Qt::DropActions actions) override;
    QModelIndex DropHighlight() const override { return dropTarget_ ? dropTarget_->Highlighted() : QModelIndex(); }
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class THyCustomShellTree;
    void MakeIconView();
    void ThumbnailsChanged();
    QModelIndexList SelectedRows() const;
    void RegisterDropTarget(bool on);
    std::shared_ptr<ole::IDropTarget> DropTargetAt(QPoint point, QModelIndex& item);
    friend class TShellListModel;
    void FolderLocatorChanged();
    void FillItems();
    // The folder's items; none when the enumeration cannot start or ends silently.
    std::vector<TItemIdList> Enumerate();
    bool DoAddItem(THyShListData& data);
    void SetUpColumns();
    void SaveColumnWidths();
    void Sort();
    void StartChangeWatch();
    void FolderChangeMessage();
    void RefreshTimerFired();
    void OpenSelection();
    bool RenameRow(int row, const QString& text);
    void ShowShellMenu(QPoint position);
    std::vector<TItemIdList> SelectedIdLists() const;
    void AfterVerb();
    // Before a cut: only the selected rows the shell lets move are drawn dimmed.
    void MarkCutRows();
    bool Editing() const { return state() == QAbstractItemView::EditingState; }

    std::unique_ptr<TShellListModel> model_;
    std::shared_ptr<IShellFolder> shellFolder_;
    TItemIdList folderIdList_;
    mutable bool detailsLookedUp_ = false;
    mutable std::shared_ptr<IShellDetails> shellDetails_;
    bool saveColumnWidths_ = false;
    uint16_t options_ = DefaultListOptions;
    WideString fileFilter_;
    THyShellViewStyle viewStyle_ = svsReport;
    QListView* iconView_ = nullptr;
    std::map<std::string, QPixmap> thumbnails_;
    int sortColumn_ = 1;
    int changeLock_ = 0;
    bool ignoreNextChange_ = false;
    bool refreshPending_ = false;
    bool draggingOut_ = false;
    bool dragStarted_ = false;
    std::unique_ptr<TShellControlDropTarget> dropTarget_;
    QElapsedTimer dragScroll_;
    // The window exists once first shown: fills wait for it.
    bool created_ = false;
    QTimer refreshTimer_;
    std::unique_ptr<TChangeHandlerThread> watcher_;
    THyCustomShellTree* linkedTree_ = nullptr;
    TDirectoryCols directoryCols_;
};

class THyShellList : public THyCustomShellList {
public:
    using THyCustomShellList::THyCustomShellList;
};

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
    HRESULT InvokeNodeVerb(const QModelIndex& node, const std::string& verb);
    // Runs the waiting hand-over or refresh now.
    void RunPendingTimerWork();
    int PendingJob() const { return delayTimer_.isActive() ? delayJob_ : 0; }
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
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void DoContextPopup(const QModelIndex& index, QPoint position) override;
    void startDrag(Qt::DropActions actions) override;
    QModelIndex DropHighlight() const override { return dropTarget_ ? dropTarget_->Highlighted() : QModelIndex(); }

private:
    friend class TShellTreeModel;
    void RegisterDropTarget(bool on);
    friend class THyCustomShellList;
    enum TJob { jobNone = 0, jobHandOver = 1, jobRefresh = 2 };
    void BaseFolderChanged();
    void SelectedFolderChanged();
    // A node for an item of the parent's folder; none when it is left out (result: the attribute failure).
    std::unique_ptr<TShellTreeNode> MakeNode(IShellFolder& folder, TShellTreeNode& parent, const TItemIdList& item,
                                             HRESULT& result);
    std::vector<TItemIdList> EnumerateNode(TShellTreeNode& node);
    // Fills the node (none: builds the root node first).
    void FillNode(TShellTreeNode* node);
    void RefreshNode(TShellTreeNode& node, TShellTreeNode*& remembered);
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
    void WatchFilledNodes(TShellTreeNode& node);
    bool RenameNode(TShellTreeNode& node, const QString& text);
    void ShowNodeMenu(const QModelIndex& node, QPoint position);
    void EditChildNamed(const QModelIndex& parent, const WideString& name);
    bool Editing() const { return state() == QAbstractItemView::EditingState; }

    std::unique_ptr<TShellTreeModel> model_;
    TShellTreeNode* lastAddedNode_ = nullptr;
    uint16_t options_ = DefaultTreeOptions;
    THyCustomShellList* shellList_ = nullptr;
    QTimer delayTimer_;
    TJob delayJob_ = jobNone;
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
