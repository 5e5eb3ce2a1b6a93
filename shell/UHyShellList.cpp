#include "shell/UHyShellList.h"

#include "platform/Guarded.h"
#include "platform/Messages_qt.h"
#include "platform/OleDragDrop_qt.h"
#include "platform/ProgramStrings.h"
#include "platform/Registry.h"
#include "platform/ResCodePages.h"
#include "platform/SystemErrors.h"
#include "shell/UHyFileMatch.h"
#include "shell/UHyShConsts.h"
#include "shell/UHyShellModels.h"
#include "shell/UHyShellTree.h"
#include "shell/UHyShellUtils.h"

#include <QHeaderView>
#include <QScrollBar>

#include <cstdlib>

namespace kestrune::shell {

namespace {

// Beside a heading's text: the section's margins and the sort mark.
constexpr int HeadingRoom = 24;
constexpr uint32_t FolderAndFileNames = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME;

// The Explorer's remembered column widths, and what the last column setup saw of them.
std::optional<std::vector<uint8_t>> ReadDirectoryCols() {
    TRegistry registry;
    if (!registry.OpenKeyReadOnly("\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer") ||
        !registry.ValueExists("DirectoryCols"))
        return std::nullopt;
    const std::string record = registry.ReadData("DirectoryCols");
    return std::vector<uint8_t>(record.begin(), record.end());
}
QString Shown(uint16_t text) { return QString::fromStdString(resStr(text)); }

TDirectoryCols SavedDirectoryCols;
size_t SavedDirectoryColsSize = 0;

Qt::Alignment AlignmentOf(int format) {
    switch (format) {
        case 1: return Qt::AlignRight;
        case 2: return Qt::AlignHCenter;
        default: return Qt::AlignLeft;
    }
}

}  // namespace

std::vector<uint8_t>& ColumnWidthStream() {
    static std::vector<uint8_t> stream;
    return stream;
}

THyCustomShellList::THyCustomShellList(QWidget* parent)
    : THyCustomListView(parent), model_(std::make_unique<TShellListModel>(*this)) {
    resize(250, 153);
    setModel(model_.get());
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::SelectedClicked);
    Folder.OnChange = [this] { FolderLocatorChanged(); };
    Thumbnails.OnChange = [this] { Guarded([this] { ThumbnailsChanged(); }); };
    refreshTimer_.setSingleShot(true);
    connect(&refreshTimer_, &QTimer::timeout, this, [this] { Guarded([this] { RefreshTimerFired(); }); });
    connect(header(), &QHeaderView::sectionClicked, this,
            [this](int section) { Guarded([&] { SetSortColumn(SortColumnAfterClick(sortColumn_, section + 1)); }); });
    THyDeviceChangeHandler::Instance().Register(this, [this](uint32_t, uintptr_t wParam, intptr_t) {
        if ((wParam == DBT_DEVICEARRIVAL || wParam == DBT_DEVICEREMOVECOMPLETE) &&
            WhichSpecialFolder(folderIdList_) == CsidlOfSpecialFolder(17) && isVisible())
            Guarded([this] { RefreshFolder(); });
    });
    setDragEnabled(options_ & hysloOleDrag);
    dropTarget_ = std::make_unique<TShellControlDropTarget>(
        *this, TShellControlDropTarget::THooks{
                   [this](QPoint point, uint32_t, QModelIndex& item) { return DropTargetAt(point, item); },
                   [this](QPoint point) { DragEdgeScroll(*this, point, dragScroll_); },
                   Forward(OnOleDrag), Forward(OnOleDrop),
                   [this] { Guarded([this] { RefreshChanges(); }); }});
}

void THyCustomShellList::RegisterDropTarget(bool on) {
    if (on) ole::RegisterDragDrop(viewport(), dropTarget_.get());
    else ole::RevokeDragDrop(viewport());
}

// A folder row takes what is dropped on it; elsewhere the shown folder does.
std::shared_ptr<ole::IDropTarget> THyCustomShellList::DropTargetAt(QPoint point, QModelIndex& item) {
    const QModelIndex index = indexAt(point).siblingAtColumn(0);
    if (THyShListData* record = model_->Row(index.row()); record && index.isValid()) {
        if (record->IsFolder(options_ & hysloFilesCanBeFolders)) {
            item = index;
            return std::make_shared<TFolderDropTarget>(FileNameFromWide(record->GetPathName()));
        }
    } else if (draggingOut_) {
        return nullptr;  // rows dragged out and back onto their own folder stay where they are
    }
    const auto path = PathFromIdList(folderIdList_);
    return path ? std::make_shared<TFolderDropTarget>(*path) : nullptr;
}

void THyCustomShellList::startDrag(Qt::DropActions) { StartShellDrag(Qt::LeftButton); }

bool THyCustomShellList::StartRightDrag() {
    if (!(options_ & hysloOleDrag)) return false;
    StartShellDrag(Qt::RightButton);
    return true;
}

void THyCustomShellList::StartShellDrag(Qt::MouseButton button) {
    if (!(options_ & hysloOleDrag) || !shellFolder_) return;
    std::vector<TItemIdList> items;
    for (const QModelIndex& index : SelectedRows()) items.push_back(model_->Row(index.row())->RelativeIdList());
    if (items.empty()) return;
    const auto dataObject = std::make_shared<TDataObject_shlv>(folderIdList_, items);
    draggingOut_ = true;
    dragStarted_ = true;
    bool dropped = false;
    {
        const struct TEnd {
            bool& DraggingOut;
            ~TEnd() { DraggingOut = false; }
        } end{draggingOut_};
        dropped = RunShellDrag(*this, button, dataObject, AllowedDragEffects(*shellFolder_, items), OnOleDragStart,
                               OnOleDragComplete) == ole::DRAGDROP_S_DROP;
    }
    RunWaitingRefresh(dropped);
}

// A refresh asked for during a drag out of the list or a label edit: a
// folder chosen meanwhile (the tree moved on) is filled, the same folder
// compared with the disk.
void THyCustomShellList::RunWaitingRefresh(bool changed) {
    const bool refresh = changed || refreshPending_;
    refreshPending_ = false;
    if (!ShowsFolder()) RefreshFolder();
    else if (refresh) RefreshChanges();
}

// However the edit ends (Enter, Esc, a click elsewhere, a name refused), what waited for it runs.
void THyCustomShellList::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
    THyCustomListView::closeEditor(editor, hint);
    if (!Editing()) Guarded([this] { RunWaitingRefresh(false); });
}

// The window is made when first shown: the first fill then runs from the message loop.
void THyCustomShellList::showEvent(QShowEvent* event) {
    THyCustomListView::showEvent(event);
    if (created_) return;
    created_ = true;
    RegisterDropTarget(options_ & hysloOleDrop);
    if ((options_ & hysloAutoFill) && ItemCount() == 0) PostMessage(this, WM_HY_FIRSTFILL, 0, 0);
}

THyCustomShellList::~THyCustomShellList() {
    if (linkedTree_) linkedTree_->shellList_ = nullptr;
    if (created_ && (options_ & hysloOleDrop)) RegisterDropTarget(false);
    THyDeviceChangeHandler::Instance().Unregister(this);
    if (model_->columnCount() > 0 && saveColumnWidths_) SaveColumnWidths();
    watcher_.reset();
    setModel(nullptr);
}

std::shared_ptr<IShellDetails> THyCustomShellList::ShellDetails() const {
    if (!detailsLookedUp_) {
        shellDetails_ = GetShellDetails(shellFolder_);
        detailsLookedUp_ = true;
    }
    return shellDetails_;
}

void THyCustomShellList::SetOptions(uint16_t options) {
    const uint16_t changed = options_ ^ options;
    options_ = options;
    setDragEnabled(options & hysloOleDrag);
    if ((changed & hysloOleDrop) && created_) RegisterDropTarget(options & hysloOleDrop);
    if (changed & hysloDynamicRefresh) {
        if (options & hysloDynamicRefresh) StartChangeWatch();
        else if (watcher_) watcher_->RemoveAllWatches();
    }
    if ((changed & (hysloHideFoldersWhenLinkedToTree | hysloShowHidden | hysloIconOverlays)) && shellFolder_)
        RefreshChanges();
}

void THyCustomShellList::SetFileFilter(const WideString& filter) {
    fileFilter_ = filter;
    if (options_ & hysloAutoFill) RefreshFolder();
}

void THyCustomShellList::SetSortColumn(int column) {
    ShowSortMark(column == 0 ? -1 : std::abs(column) - 1, column > 0);
    if (column == sortColumn_) return;
    sortColumn_ = column;
    Sort();
}

void THyCustomShellList::SetViewStyle(THyShellViewStyle style) {
    viewStyle_ = style;
    if (style == svsReport) {
        if (iconView_) iconView_->hide();
        return;
    }
    if (!iconView_) MakeIconView();
    const bool icons = style == svsIcon || style == svsThumbnails;
    iconView_->setViewMode(icons ? QListView::IconMode : QListView::ListMode);
    iconView_->setFlow(style == svsList ? QListView::TopToBottom : QListView::LeftToRight);
    iconView_->setWrapping(true);
    const int size = style == svsThumbnails ? std::max(Thumbnails.Width(), Thumbnails.Height()) : icons ? 32 : 16;
    iconView_->setIconSize(QSize(size, size));
    iconView_->setGridSize(icons ? QSize(size + 48, size + 36) : QSize());
    iconView_->setGeometry(rect());
    iconView_->show();
    iconView_->scrollToTop();
}

QPixmap THyCustomShellList::ThumbnailOf(THyShListData& row) {
    const std::string key = FileNameFromWide(row.GetPathName());
    auto found = thumbnails_.find(key);
    if (found == thumbnails_.end()) {
        const QImage picture = DrawThumbnail(Thumbnails, QSize(Thumbnails.Width(), Thumbnails.Height()), *shellFolder_,
                                             row.RelativeIdList(), row.IconIndex());
        found = thumbnails_.emplace(key, QPixmap::fromImage(picture)).first;
    }
    return found->second;
}

void THyCustomShellList::ThumbnailsChanged() {
    if (viewStyle_ != svsThumbnails) return;
    thumbnails_.clear();
    SetViewStyle(svsThumbnails);
    if (options_ & hysloAutoFill) RefreshFolder();
}

void THyCustomShellList::MakeIconView() {
    iconView_ = new QListView(this);
    iconView_->setObjectName("IconView");
    iconView_->setModel(model_.get());
    iconView_->setSelectionModel(selectionModel());
    iconView_->setResizeMode(QListView::Adjust);
    iconView_->setMovement(QListView::Static);
    iconView_->setEditTriggers(editTriggers());
    iconView_->setContextMenuPolicy(Qt::CustomContextMenu);
    iconView_->installEventFilter(this);
    connect(iconView_, &QListView::customContextMenuRequested, this,
            [this](QPoint point) { DoContextPopup(iconView_->indexAt(point), point); });
    connect(iconView_, &QListView::doubleClicked, this, [this] {
        Guarded([this] { OpenSelection(); });
        if (OnDblClick) Guarded(OnDblClick);
    });
}

void THyCustomShellList::resizeEvent(QResizeEvent* event) {
    THyCustomListView::resizeEvent(event);
    if (iconView_) iconView_->setGeometry(rect());
}

// Keys typed in the icon view are the list's.
bool THyCustomShellList::eventFilter(QObject* watched, QEvent* event) {
    if (watched == iconView_ && event->type() == QEvent::KeyPress && (options_ & hysloDefaultKeyHandling)) {
        keyPressEvent(static_cast<QKeyEvent*>(event));
        return event->isAccepted();
    }
    return THyCustomListView::eventFilter(watched, event);
}

int THyCustomShellList::ItemCount() const { return model_->rowCount(); }

THyShListData* THyCustomShellList::ItemData(int index) const { return model_->Row(index); }

// The selected rows' first cells: the icon view selects only those, the report whole rows.
QModelIndexList THyCustomShellList::SelectedRows() const {
    QModelIndexList rows;
    for (const QModelIndex& index : selectionModel()->selectedIndexes())
        if (index.column() == 0) rows.append(index);
    return rows;
}

THyShListData* THyCustomShellList::GetSelectedData() const {
    const QModelIndexList rows = SelectedRows();
    return rows.isEmpty() ? nullptr : model_->Row(rows.front().row());
}

void THyCustomShellList::FolderLocatorChanged() {
    if (changeLock_ < 1) {
        const TLock lock(changeLock_);
        if (linkedTree_) linkedTree_->SetSelectedFolder(Folder);
        RefreshFolder();
    }
    if (OnFolderChanged) OnFolderChanged();
}

void THyCustomShellList::RefreshFolder() {
    if (!created_) return;
    if (draggingOut_ || Editing()) {
        refreshPending_ = true;
        return;
    }
    const THourglass hourglass;
    clearSelection();
    model_->Clear();
    thumbnails_.clear();
    const TItemIdList* list = Folder.GetPidl();
    folderIdList_ = list ? *list : TItemIdList();
    shellFolder_ = BindFolder(folderIdList_);
    if (!shellFolder_) RaiseSystemError(HResultFromError(3));
    FillItems();
    Sort();
    if (ItemCount() > 0) selectionModel()->setCurrentIndex(model_->index(0, 0), QItemSelectionModel::NoUpdate);
    if (iconView_ && viewStyle_ != svsReport) {
        iconView_->scrollToTop();
        iconView_->horizontalScrollBar()->setValue(0);
    }
    if (options_ & hysloDynamicRefresh) StartChangeWatch();
}

std::vector<TItemIdList> THyCustomShellList::Enumerate() {
    std::vector<TItemIdList> items;
    const uint32_t flags = SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | (options_ & hysloShowHidden ? SHCONTF_INCLUDEHIDDEN : 0);
    EnumerateFolder(shellFolder_.get(), flags, items, {ole::E_FAIL});
    return items;
}

void THyCustomShellList::FillItems() {
    if (OnFillStart) OnFillStart();
    detailsLookedUp_ = false;
    shellDetails_.reset();
    SetUpColumns();
    std::vector<TItemIdList> items = Enumerate();
    std::vector<std::unique_ptr<THyShListData>> rows;
    rows.reserve(items.size());
    for (TItemIdList& item : items) {
        auto record = std::make_unique<THyShListData>(*this, item);
        if (DoAddItem(*record)) rows.push_back(std::move(record));
    }
    model_->Append(std::move(rows));
    if (OnFillComplete) OnFillComplete();
}

bool THyCustomShellList::DoAddItem(THyShListData& record) {
    const uint32_t attributes = record.Attributes();
    if (!(options_ & hysloNonFilesystemAncestors) && !(attributes & (SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR)))
        return false;
    if ((options_ & hysloHideFoldersWhenLinkedToTree) && linkedTree_ && (attributes & SFGAO_FOLDER) &&
        (attributes & SFGAO_FILESYSTEM))
        return false;
    bool allow = record.IsFolder(options_ & hysloFilesCanBeFolders);
    if (!allow) {
        const WideString parsing = GetDisplayName(shellFolder_.get(), record.RelativeIdList(), 2);
        const size_t separator = parsing.find_last_of(u'/');
        allow = MatchesMaskList(separator == WideString::npos ? parsing : parsing.substr(separator + 1), fileFilter_, 0);
    }
    if (OnAddItem) OnAddItem(folderIdList_, record.RelativeIdList(), attributes, allow);
    record.Cut = attributes & SFGAO_GHOSTED;
    return allow;
}

void THyCustomShellList::SetUpColumns() {
    if (model_->columnCount() > 0 && saveColumnWidths_) SaveColumnWidths();
    std::vector<TShellListModel::TColumn> columns;
    std::vector<int32_t> widths;
    bool fromStream = false;
    if (const auto details = ShellDetails()) {
        TShellDetails heading;
        for (int column = 0; ole::Succeeded(details->GetDetailsOf(nullptr, column, heading)); ++column) {
            columns.push_back({QString::fromStdString(heading.Text), AlignmentOf(heading.Format)});
            // A heading longer in the language shown than its column ("Änderungsdatum") is not cut.
            widths.push_back(std::max(7 * heading.CxChar, header()->fontMetrics().horizontalAdvance(columns.back().Caption) +
                                                              HeadingRoom));
        }
        saveColumnWidths_ = PathFromIdList(folderIdList_).has_value();
        fromStream = saveColumnWidths_ && !ColumnWidthStream().empty();
    } else {
        const TDirectoryCols cols = DirectoryColsFrom(ReadDirectoryCols());
        columns = {{Shown(res::SColumnName), Qt::AlignLeft}, {Shown(res::SColumnSize), Qt::AlignRight},
                   {Shown(res::SColumnType), Qt::AlignLeft}, {Shown(res::SColumnModified), Qt::AlignLeft}};
        const auto defaults = cols.Widths();
        widths.assign(defaults.begin(), defaults.end());
        fromStream = SavedDirectoryColsSize != 0 && cols.SameAs(SavedDirectoryCols) && !ColumnWidthStream().empty();
        SavedDirectoryCols = cols;
        SavedDirectoryColsSize = cols.Size;
        saveColumnWidths_ = true;
    }
    if (fromStream) {
        const std::vector<int32_t> stored = ReadColumnWidths(ColumnWidthStream(), columns.size());
        std::copy(stored.begin(), stored.end(), widths.begin());
    }
    model_->SetColumns(std::move(columns));
    for (size_t column = 0; column < widths.size(); ++column)
        header()->resizeSection(static_cast<int>(column), std::max(widths[column], 0));
    const int sortColumn = SortColumnWithin(sortColumn_, model_->columnCount());
    sortColumn_ = sortColumn;
    ShowSortMark(sortColumn == 0 ? -1 : std::abs(sortColumn) - 1, sortColumn > 0);
}

void THyCustomShellList::SaveColumnWidths() {
    std::vector<int32_t> widths;
    for (int column = 0; column < model_->columnCount(); ++column) widths.push_back(header()->sectionSize(column));
    ColumnWidthStream() = WriteColumnWidths(widths);
}

void THyCustomShellList::Sort() {
    if (sortColumn_ == 0 || !shellFolder_) return;
    const int column = std::abs(sortColumn_) - 1;
    IShellFolder& folder = *shellFolder_;
    model_->Sort([&](THyShListData& a, THyShListData& b) {
        const HRESULT result = folder.CompareIDs(column, a.RelativeIdList(), b.RelativeIdList());
        return SortOrder(sortColumn_, ole::Succeeded(result) ? CompareResult(result) : 0) < 0;
    });
}

void THyCustomShellList::RefreshChanges() {
    if (draggingOut_ || Editing()) {
        refreshPending_ = true;
        return;
    }
    if (ItemCount() == 0) {
        RefreshFolder();
        return;
    }
    const THourglass hourglass;
    if (OnFillStart) OnFillStart();
    std::vector<TItemIdList> shown;
    shown.reserve(static_cast<size_t>(ItemCount()));
    for (int row = 0; row < ItemCount(); ++row) shown.push_back(model_->Row(row)->RelativeIdList());
    // A folder that can no longer be read (deleted meanwhile) has no items left to show.
    const std::vector<TItemIdList> found = Enumerate();
    IShellFolder& folder = *shellFolder_;
    const TListDifference difference =
        DifferenceOf(shown, found, [&](const TItemIdList& a, const TItemIdList& b) { return FolderOrder(folder, a, b); });
    if (OnDeleteItem)
        for (size_t row : difference.Vanished) OnDeleteItem(static_cast<int>(row), *model_->Row(static_cast<int>(row)));
    model_->Remove(difference.Vanished);
    std::vector<std::unique_ptr<THyShListData>> rows;
    for (size_t entry : difference.Appeared) {
        auto record = std::make_unique<THyShListData>(*this, found[entry]);
        if (DoAddItem(*record)) rows.push_back(std::move(record));
    }
    // New rows go to the end, as the desktop's file windows add them, until the next sort or fill.
    model_->Append(std::move(rows));
    if (OnFillComplete) OnFillComplete();
}

void THyCustomShellList::StartChangeWatch() {
    refreshTimer_.stop();
    changeDelay_.Answered();
    if (!watcher_) watcher_ = std::make_unique<TChangeHandlerThread>(this, WM_HY_FOLDERCHANGE);
    else watcher_->RemoveAllWatches();
    if (const auto path = PathFromIdList(folderIdList_)) {
        int slot = -1;
        watcher_->AddWatch(*path, FolderAndFileNames, slot, false);
    }
}

void THyCustomShellList::FolderChangeMessage() {
    if (ignoreNextChange_ || draggingOut_) {
        ignoreNextChange_ = false;
        return;
    }
    refreshTimer_.start(changeDelay_.Next(hasFocus() ? RefreshDelayFocused : RefreshDelayUnfocused));
}

void THyCustomShellList::RefreshTimerFired() {
    refreshTimer_.stop();
    changeDelay_.Answered();
    if (linkedTree_) {
        const TLock lock(changeLock_);
        linkedTree_->RunPendingTimerWork();
    }
    // The tree's work may have moved the list to another folder (the shown one
    // was deleted): that folder is filled, not the old one compared again.
    if (ShowsFolder()) RefreshChanges();
    else RefreshFolder();
}

bool THyCustomShellList::ShowsFolder() {
    const TItemIdList* wanted = Folder.GetPidl();
    return (wanted ? *wanted : TItemIdList()) == folderIdList_;
}

void THyCustomShellList::RunPendingTimerWork() {
    if (refreshTimer_.isActive()) RefreshTimerFired();
}

void THyCustomShellList::GoUp(int levels) {
    if (options_ & hysloDontChangeFolder) return;
    if (linkedTree_) {
        linkedTree_->SelectParent(levels);
    } else if (const size_t count = folderIdList_.itemCount(); count > 0) {
        const TItemIdList up = folderIdList_.leading(count > static_cast<size_t>(levels) ? count - static_cast<size_t>(levels) : 0);
        Folder.SetPidl(&up);
    }
}

void THyCustomShellList::changeEvent(QEvent* event) {
    THyCustomListView::changeEvent(event);
    if (event->type() != QEvent::LanguageChange || !created_) return;
    Guarded([this] {
        SetUpColumns();
        for (int row = 0; row < ItemCount(); ++row) model_->Row(row)->SetRelativeIdList(model_->Row(row)->RelativeIdList());
        model_->RowsChanged({});
    });
}

bool THyCustomShellList::event(QEvent* event) {
    const TMessage* message = MessageOf(event);
    if (!message) return THyCustomListView::event(event);
    Guarded([&] {
        if (message->Msg == WM_HY_FOLDERCHANGE) FolderChangeMessage();
        else if (message->Msg == WM_HY_FIRSTFILL && (options_ & hysloAutoFill) && ItemCount() == 0) RefreshFolder();
        else if (message->Msg == WM_HY_EDITPENDING) EditItemNamed(PendingEditName);
    });
    return true;
}

bool THyCustomShellList::EditItemNamed(const WideString& name) {
    for (int row = 0; row < ItemCount(); ++row) {
        if (model_->Row(row)->DisplayName() != name) continue;
        setFocus();
        const QModelIndex index = model_->index(row, 0);
        setCurrentIndex(index);
        edit(index);
        return true;
    }
    return false;
}

bool THyCustomShellList::RenameRow(int row, const QString& text) {
    THyShListData* record = model_->Row(row);
    WideString name = text.toStdU16String();
    if (OnEditedW) OnEditedW(row, name);
    if (name == record->DisplayName()) return false;  // a name left as it was renames nothing
    if (!NameCanBeWritten(name)) return false;
    TItemIdList renamed;
    HRESULT result;
    {
        const THourglass hourglass;
        ignoreNextChange_ = true;
        result = shellFolder_->SetNameOf(record->RelativeIdList(), FileNameFromWide(name), renamed);
        if (ole::Succeeded(result)) record->SetRelativeIdList(renamed);
    }
    if (!ole::Succeeded(result)) {
        ignoreNextChange_ = false;
        ShowRenameError(result);
        return false;
    }
    refreshPending_ = false;
    // A selected item is now another file: what was taken from the old name follows.
    if (OnSelectItem && selectionModel()->isRowSelected(row)) Guarded([&] { OnSelectItem(row, true); });
    // The rename's own change was swallowed; what else changed shows a moment later.
    QTimer::singleShot(RenameRefreshDelay, this, [this] { Guarded([this] { RefreshChanges(); }); });
    return true;
}

std::vector<TItemIdList> THyCustomShellList::SelectedIdLists() const {
    std::vector<TItemIdList> items;
    for (const QModelIndex& index : SelectedRows())
        items.push_back(model_->Row(index.row())->AbsoluteIdList());
    return items;
}

void THyCustomShellList::MarkCutRows() {
    for (int row = 0; row < ItemCount(); ++row) model_->Row(row)->Cut = false;
    for (const QModelIndex& index : SelectedRows()) {
        THyShListData& record = *model_->Row(index.row());
        uint32_t attributes = SFGAO_CANMOVE;
        const TItemIdList& item = record.RelativeIdList();
        record.Cut = ole::Succeeded(shellFolder_->GetAttributesOf(std::span<const TItemIdList>(&item, 1), attributes)) &&
                     (attributes & SFGAO_CANMOVE);
    }
    model_->RowsChanged();
}

HRESULT THyCustomShellList::InvokeSelectionVerb(const std::string& verb, std::optional<Qt::KeyboardModifiers> keys) {
    const std::vector<TItemIdList> items = SelectedIdLists();
    if (items.empty()) return ole::E_FAIL;
    const auto menu = ItemsContextMenu(items);
    return InvokeCommand(*menu, 0, verb, keys);
}

void THyCustomShellList::OpenSelection() {
    RunPendingTimerWork();
    if (linkedTree_) linkedTree_->RunPendingTimerWork();
    const QModelIndexList selected = SelectedRows();
    bool handled = false;
    if (selected.size() < 2) {
        THyShListData* record = model_->Row(currentIndex().row());
        if (!record) return;
        std::optional<TItemIdList> folder;
        if (record->IsFolder(options_ & hysloFilesCanBeFolders)) {
            folder = record->AbsoluteIdList();
        } else if (record->IsShortcut()) {
            THyShortcut shortcut;
            if (ole::Succeeded(shortcut.Load(record->GetPathName())) && DirectoryExists(FileNameFromWide(shortcut.Target)))
                folder = IdListFromPath(FileNameFromWide(shortcut.Target));
        }
        if (folder) {
            if (options_ & hysloDontChangeFolder) return;
            if (linkedTree_) {
                THyShellLocator locator;
                locator.SetPidl(&*folder);
                linkedTree_->SetSelectedFolder(locator);
            } else {
                Folder.SetPidl(&*folder);
            }
            return;
        }
    }
    if (OnDblClickOpen) OnDblClickOpen(handled);
    if (!handled) InvokeSelectionVerb("open");
}

void THyCustomShellList::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (!(options_ & hysloDefaultKeyHandling) || Editing()) {
        // Enter on a folder row is the list's own: it does not reach the window's default button.
        THyShListData* focused = model_->Row(currentIndex().row());
        if (enter && !Editing() && focused && focused->IsFolder(options_ & hysloFilesCanBeFolders)) return event->accept();
        return THyCustomListView::keyPressEvent(event);
    }
    if (event->key() == Qt::Key_Backspace) return Guarded([this] { GoUp(1); }), event->accept();
    if (enter) return Guarded([this] { OpenSelection(); }), event->accept();
    const THyKeyCommand command = KeyCommandOf(*event);
    if (command == kcCount) return THyCustomListView::keyPressEvent(event);
    event->accept();
    Guarded([&] {
        switch (command) {
            case kcSelectAll: selectAll(); break;
            case kcRefresh: RefreshFolder(); break;
            case kcRename: edit(currentIndex().siblingAtColumn(0)); break;
            case kcCopy: InvokeSelectionVerb("copy"); break;
            case kcCut:
                MarkCutRows();
                InvokeSelectionVerb("cut");
                break;
            case kcPaste: {
                const auto menu = ItemsContextMenu({folderIdList_});
                InvokeCommand(*menu, 0, "paste");
                RefreshChanges();
                break;
            }
            case kcDelete:
                InvokeSelectionVerb("delete", event->modifiers());
                RefreshChanges();
                break;
            default: break;
        }
    });
}

void THyCustomShellList::mouseReleaseEvent(QMouseEvent* event) {
    THyCustomListView::mouseReleaseEvent(event);
    if (event->button() != Qt::LeftButton) return;
    if (OnClick) Guarded(OnClick);
    // Once a drag has started, a click no longer opens.
    if (SingleClickOpens() && !dragStarted_ && indexAt(event->position().toPoint()).isValid())
        Guarded([this] { OpenSelection(); });
}

void THyCustomShellList::mouseDoubleClickEvent(QMouseEvent* event) {
    THyCustomListView::mouseDoubleClickEvent(event);
    if (event->button() != Qt::LeftButton || !indexAt(event->pos()).isValid()) return;
    Guarded([this] { OpenSelection(); });
    if (OnDblClick) Guarded(OnDblClick);
}

void THyCustomShellList::selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) {
    THyCustomListView::selectionChanged(selected, deselected);
    if (!OnSelectItem) return;
    for (const QModelIndex& index : deselected.indexes())
        if (index.column() == 0) Guarded([&] { OnSelectItem(index.row(), false); });
    for (const QModelIndex& index : selected.indexes())
        if (index.column() == 0) Guarded([&] { OnSelectItem(index.row(), true); });
}

void THyCustomShellList::RaiseContextEvent(const QModelIndex& index, QPoint& position, QMenu*& menu) {
    THyCustomListView::RaiseContextEvent(index, position, menu);
}

void THyCustomShellList::DoContextPopup(const QModelIndex& index, QPoint position) {
    if (!(options_ & hysloContextMenus) || draggingOut_) return THyCustomListView::DoContextPopup(index, position);
    if (!selectionModel()->hasSelection()) return;
    Guarded([&] { ShowShellMenu(position); });
}

void THyCustomShellList::ShowShellMenu(QPoint position) {
    const std::vector<TItemIdList> items = SelectedIdLists();
    const auto menu = ItemsContextMenu(items);
    THyShListData* focused = model_->Row(currentIndex().row());
    const bool canRename = focused && focused->IsFileSystem() && editTriggers() != QAbstractItemView::NoEditTriggers;
    const uint32_t flags = CmfExplore | (canRename ? CmfCanRename : 0) | (ShiftDown() ? CmfExtendedVerbs : 0);
    std::vector<TMenuCommand> commands;
    std::vector<TSendToEntry> sendTo;
    const uint32_t id = TrackShellMenu(*menu, flags, this, viewport()->mapToGlobal(position),
                                       MenuHooksOf<int>(*this, focused ? currentIndex().row() : -1), commands, sendTo);
    if (id == 0) return;
    if (IsRenameCommand(commands, id)) {
        edit(currentIndex().siblingAtColumn(0));
    } else if (id >= MenuFirst) {
        InvokeCommand(*menu, id - MenuFirst);
        AfterVerb();
    } else if (id <= sendTo.size()) {
        std::vector<TItemIdList> relative;
        for (const TItemIdList& item : items) relative.push_back(item.last());
        SendTo(sendTo[id - 1], std::make_shared<TDataObject_shtv>(folderIdList_, relative));
    }
}

// A verb may have changed the folder: the watch shows most of it, the refresh the rest at once.
void THyCustomShellList::AfterVerb() { RefreshChanges(); }

}  // namespace kestrune::shell
