// The shell file list: a report list of one folder's items, filtered by
// wildcards, sorted by the folder's columns, kept up to date with the disk,
// with the shell's menus, renaming in place and drag and drop.
#pragma once

#include "shell/UHyChangeHandler.h"
#include "shell/UHyListRules.h"
#include "shell/UHyShellControlBase.h"
#include "shell/UHyShellLocator.h"
#include "shell/UHyThumbnails.h"
#include "shell/UHyTreeList.h"

#include <QListView>
#include <QTimer>

#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace kestrune::shell {

class THyCustomShellTree;
class TShellListModel;

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
    // Runs a verb of the context menu on the selected rows (keys: Shift and Ctrl of the key that asked).
    HRESULT InvokeSelectionVerb(const std::string& verb, std::optional<Qt::KeyboardModifiers> keys = std::nullopt);
    // Edits the label of the row with that display name.
    bool EditItemNamed(const WideString& name);
    // The row whose label the edit-request message (WM_USER+102) puts into editing.
    WideString PendingEditName;
    // The rows are those of Folder (it has not been set to another folder since the last fill).
    bool ShowsFolder();
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
    // A language switch sets the column heads and the items' texts again.
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void RaiseContextEvent(const QModelIndex& index, QPoint& position, QMenu*& menu) override;
    void DoContextPopup(const QModelIndex& index, QPoint position) override;
    void selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) override;
    void startDrag(Qt::DropActions actions) override;
    bool StartRightDrag() override;
    QModelIndex DropHighlight() const override { return dropTarget_ ? dropTarget_->Highlighted() : QModelIndex(); }
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;

private:
    friend class THyCustomShellTree;
    void StartShellDrag(Qt::MouseButton button);
    void RunWaitingRefresh(bool changed);
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
    TChangeDelay changeDelay_;
    std::unique_ptr<TChangeHandlerThread> watcher_;
    THyCustomShellTree* linkedTree_ = nullptr;
    TDirectoryCols directoryCols_;
};

class THyShellList : public THyCustomShellList {
public:
    using THyCustomShellList::THyCustomShellList;
};

}  // namespace kestrune::shell
