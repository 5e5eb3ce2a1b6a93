#include "shell/UHyShellControls.h"

#include "platform/DialogService.h"
#include "platform/Guarded.h"
#include "platform/Messages_qt.h"
#include "platform/OleDragDrop_qt.h"
#include "platform/Registry.h"
#include "platform/ResCodePages.h"
#include "platform/SystemErrors.h"
#include "shell/UHyFileMatch.h"
#include "shell/UHyShConsts.h"
#include "shell/UHyShellModels.h"
#include "shell/UHyShellTransfer.h"
#include "shell/UHyShellUtils.h"

#include <QApplication>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QScrollBar>

#include <cstdlib>

namespace kestrune::shell {

namespace {

constexpr uint32_t WM_HY_EDITPENDING = WM_USER + 102;
constexpr uint32_t WM_HY_FIRSTFILL = WM_USER + 103;
constexpr uint32_t DBT_DEVICEARRIVAL = 0x8000;
constexpr uint32_t DBT_DEVICEREMOVECOMPLETE = 0x8004;
constexpr uint32_t FolderAndFileNames = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME;
constexpr uint32_t MenuFirst = 1000, MenuLast = 32767, MenuRename = 1018;
constexpr uint32_t CmfExplore = 4, CmfCanRename = 16, CmfExtendedVerbs = 0x100;

// The hourglass while a fill runs, restored however it ends.
struct THourglass {
    THourglass() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~THourglass() { QApplication::restoreOverrideCursor(); }
};

// A counter raised for a scope.
struct TLock {
    explicit TLock(int& counter) : counter_(counter) { ++counter_; }
    ~TLock() { --counter_; }
    int& counter_;
};

bool ShiftDown() { return QGuiApplication::queryKeyboardModifiers() & Qt::ShiftModifier; }

void ShowRenameError(HRESULT result) {
    TDialogService::Instance().ShowMessage(SysErrorMessage(static_cast<uint32_t>(result) & 0xFFFF), {}, TMsgDlgType::mtError);
}

[[noreturn]] void RaiseSystemError(HRESULT code) { throw Exception(SysErrorMessage(static_cast<uint32_t>(code))); }

// Enumerates a folder: false for a silent end (it cannot start, or ends with E_FAIL).
bool EnumerateFolder(IShellFolder* folder, uint32_t flags, std::vector<TItemIdList>& items,
                     std::initializer_list<HRESULT> silentEnds) {
    std::unique_ptr<IEnumIdList> enumerator;
    if (!folder || !ole::Succeeded(folder->EnumObjects(flags, enumerator)) || !enumerator) return false;
    items.reserve(500);
    for (;;) {
        TItemIdList item;
        const HRESULT result = enumerator->Next(item);
        if (result == ole::S_OK) {
            items.push_back(std::move(item));
        } else if (result == ole::S_FALSE || result == static_cast<HRESULT>(0x80070103)) {
            return true;
        } else if (std::find(silentEnds.begin(), silentEnds.end(), result) != silentEnds.end()) {
            items.clear();
            return false;
        } else {
            RaiseSystemError(result);
        }
    }
}

int FolderOrder(IShellFolder& folder, const TItemIdList& a, const TItemIdList& b) {
    const HRESULT result = folder.CompareIDs(0, a, b);
    return ole::Succeeded(result) ? CompareResult(result) : 0;
}

// The shortcut code of a key event as the command table writes it.
uint16_t ShortCutOf(const QKeyEvent& event, bool withShift) {
    uint16_t key = 0;
    const int qtKey = event.key();
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) key = static_cast<uint16_t>('A' + (qtKey - Qt::Key_A));
    else if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24) key = static_cast<uint16_t>(0x70 + (qtKey - Qt::Key_F1));
    else if (qtKey == Qt::Key_Delete) key = 0x2E;
    else return 0;
    const Qt::KeyboardModifiers modifiers = event.modifiers();
    if (withShift && (modifiers & Qt::ShiftModifier)) key |= 0x2000;
    if (modifiers & Qt::ControlModifier) key |= 0x4000;
    if (modifiers & Qt::AltModifier) key |= 0x8000;
    return key;
}

// The command of the key (Del matches also with Shift held), or kcCount.
THyKeyCommand KeyCommandOf(const QKeyEvent& event) {
    const auto& commands = KeyCommands();
    for (int command = 0; command < kcCount; ++command) {
        const bool shiftFree = command == kcDelete;
        if (commands[static_cast<size_t>(command)] == ShortCutOf(event, !shiftFree))
            return static_cast<THyKeyCommand>(command);
    }
    return kcCount;
}

// The shell menu of items in a popup, with the Send-To entries as a sub-menu
// (identifiers 1 to 99), raising the owner's events; the chosen identifier,
// 0 for none or when the owner cancelled the menu or forbade the choice.
template <typename TItem>
uint32_t TrackShellMenu(IContextMenu& menu, uint32_t flags, QWidget* owner, QPoint screenPoint,
                        const THyShellMenuEvents<TItem>& events, TItem item, std::vector<TMenuCommand>& commands,
                        std::vector<TSendToEntry>& sendTo) {
    constexpr int FirstCustomId = 100;
    menu.QueryContextMenu(commands, MenuFirst, MenuLast, flags);
    QMenu popup(owner);
    for (const TMenuCommand& command : commands)
        popup.addAction(QString::fromStdString(command.Text))->setData(command.Id);
    sendTo = SendToEntries();
    if (!sendTo.empty()) {
        popup.addSeparator();
        QMenu* sub = popup.addMenu("Se&nd To");
        for (size_t k = 0; k < sendTo.size() && k < 99; ++k)
            sub->addAction(QIcon(SystemIcon(sendTo[k].IconIndex, false)), QString::fromStdU16String(sendTo[k].Text))
                ->setData(static_cast<uint32_t>(k + 1));
    }
    bool cancel = false;
    if (events.OnBeforeShellMenuPopup) events.OnBeforeShellMenuPopup(popup, item, FirstCustomId, cancel);
    if (cancel) return 0;
    if (events.OnPopupHint) {
        QObject::connect(&popup, &QMenu::hovered, &popup, [&](QAction* action) {
            const uint32_t id = action->data().toUInt();
            for (const TMenuCommand& command : commands)
                if (command.Id == id) Guarded([&] { events.OnPopupHint(Utf8ToUtf16(command.Help)); });
        });
    }
    const QAction* chosen = popup.exec(screenPoint);
    const uint32_t id = chosen ? chosen->data().toUInt() : 0;
    bool allowDefault = true;
    if (id != 0 && events.OnAfterShellMenuSelection) events.OnAfterShellMenuSelection(item, id, allowDefault);
    return allowDefault ? id : 0;
}

bool IsRenameCommand(const std::vector<TMenuCommand>& commands, uint32_t id) {
    if (id == MenuRename) return true;
    for (const TMenuCommand& command : commands)
        if (command.Id == id) return command.Verb == "rename";
    return false;
}

// The Explorer's remembered column widths, and what the last column setup saw of them.
std::optional<std::vector<uint8_t>> ReadDirectoryCols() {
    TRegistry registry;
    if (!registry.OpenKeyReadOnly("\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer") ||
        !registry.ValueExists("DirectoryCols"))
        return std::nullopt;
    const std::string record = registry.ReadData("DirectoryCols");
    return std::vector<uint8_t>(record.begin(), record.end());
}
TDirectoryCols SavedDirectoryCols;
size_t SavedDirectoryColsSize = 0;

Qt::Alignment AlignmentOf(int format) {
    switch (format) {
        case 1: return Qt::AlignRight;
        case 2: return Qt::AlignHCenter;
        default: return Qt::AlignLeft;
    }
}

// An owner event handed on as it stands when the drop comes, set or not.
TOleDropEvent Forward(const TOleDropEvent& event) {
    return [&event](const std::shared_ptr<ole::IDataObject>& object, uint32_t keys, QPoint point, uint32_t& effect,
                    HRESULT& result) {
        if (event) event(object, keys, point, effect, result);
    };
}

}  // namespace

std::vector<uint8_t>& ColumnWidthStream() {
    static std::vector<uint8_t> stream;
    return stream;
}

// ---- the list ---------------------------------------------------------------------------

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
            return std::make_shared<TFolderDropTarget>(Utf16ToUtf8(record->GetPathName()));
        }
    } else if (draggingOut_) {
        return nullptr;  // rows dragged out and back onto their own folder stay where they are
    }
    const auto path = PathFromIdList(folderIdList_);
    return path ? std::make_shared<TFolderDropTarget>(*path) : nullptr;
}

void THyCustomShellList::startDrag(Qt::DropActions) {
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
        dropped = RunShellDrag(*this, dataObject, AllowedDragEffects(*shellFolder_, items), OnOleDragStart,
                               OnOleDragComplete) == ole::DRAGDROP_S_DROP;
    }
    const bool refresh = dropped || refreshPending_;
    refreshPending_ = false;
    if (refresh) RefreshChanges();
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
    const std::string key = Utf16ToUtf8(row.GetPathName());
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
            widths.push_back(7 * heading.CxChar);
        }
        saveColumnWidths_ = PathFromIdList(folderIdList_).has_value();
        fromStream = saveColumnWidths_ && !ColumnWidthStream().empty();
    } else {
        const TDirectoryCols cols = DirectoryColsFrom(ReadDirectoryCols());
        columns = {{"Name", Qt::AlignLeft}, {"Size", Qt::AlignRight}, {"Type", Qt::AlignLeft}, {"Modified", Qt::AlignLeft}};
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
    refreshTimer_.start(hasFocus() ? RefreshDelayFocused : RefreshDelayUnfocused);
}

void THyCustomShellList::RefreshTimerFired() {
    refreshTimer_.stop();
    if (linkedTree_) {
        const TLock lock(changeLock_);
        linkedTree_->RunPendingTimerWork();
    }
    RefreshChanges();
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
    TItemIdList renamed;
    HRESULT result;
    {
        const THourglass hourglass;
        ignoreNextChange_ = true;
        result = shellFolder_->SetNameOf(record->RelativeIdList(), Utf16ToUtf8(name), renamed);
        if (ole::Succeeded(result)) record->SetRelativeIdList(renamed);
    }
    refreshPending_ = false;
    if (!ole::Succeeded(result)) {
        ignoreNextChange_ = false;
        ShowRenameError(result);
        return false;
    }
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

HRESULT THyCustomShellList::InvokeSelectionVerb(const std::string& verb) {
    const std::vector<TItemIdList> items = SelectedIdLists();
    if (items.empty()) return ole::E_FAIL;
    const auto menu = ItemsContextMenu(items);
    return InvokeCommand(*menu, 0, verb);
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
            if (ole::Succeeded(shortcut.Load(record->GetPathName())) && DirectoryExists(Utf16ToUtf8(shortcut.Target)))
                folder = IdListFromPath(Utf16ToUtf8(shortcut.Target));
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
                InvokeSelectionVerb("delete");
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
    const uint32_t id = TrackShellMenu<int>(*menu, flags, this, viewport()->mapToGlobal(position), *this,
                                            focused ? currentIndex().row() : -1, commands, sendTo);
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

// ---- the tree ---------------------------------------------------------------------------

namespace {

constexpr uint32_t TreeAttributes = 0xF60BA000u | SFGAO_STREAM;

// Marks a node filled however its fill ends.
struct TFilledOnExit {
    TShellTreeModel& Model;
    TShellTreeNode& Node;
    ~TFilledOnExit() { Model.Filled(Node); }
};

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

void THyCustomShellTree::startDrag(Qt::DropActions) {
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
        dropped = RunShellDrag(*this, dataObject, AllowedDragEffects(*parentFolder, {node->Data->RelativeIdList()}),
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
    node->Text = QString::fromStdU16String(GetDisplayName(&folder, item, 1));
    const bool isFolder = attributes & SFGAO_FOLDER, hasSubfolders = attributes & SFGAO_HASSUBFOLDER;
    node->HasButton = options_ & hystoIncludeNonFolders ? isFolder || hasSubfolders : isFolder && hasSubfolders;
    node->Ghosted = attributes & SFGAO_GHOSTED;
    return node;
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
        const WideString name = root->Data->DisplayName();
        root->Text = name.empty() ? QString("Desktop") : QString::fromStdU16String(name);
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
    delayJob_ = job;
    delayTimer_.start(delay);
}

void THyCustomShellTree::TimerFired() {
    const TJob job = delayJob_;
    delayTimer_.stop();
    delayJob_ = jobNone;
    if (job == jobHandOver) HandOver();
    else if (job == jobRefresh) RefreshTree();
}

void THyCustomShellTree::RunPendingTimerWork() {
    if (delayTimer_.isActive()) TimerFired();
}

void THyCustomShellTree::RefreshNode(TShellTreeNode& node, TShellTreeNode*& remembered) {
    if (node.Filled && !node.Children.empty() && isExpanded(model_->IndexOf(&node))) {
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
    for (const auto& child : node.Children) RefreshNode(*child, remembered);
}

void THyCustomShellTree::AddNodes(TShellTreeNode& parent, std::vector<std::unique_ptr<TShellTreeNode>> nodes) {
    std::vector<TShellTreeNode*> added;
    for (const auto& node : nodes) added.push_back(node.get());
    model_->AddChildren(parent, std::move(nodes));
    for (TShellTreeNode* node : added) {
        lastAddedNode_ = node;
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
    if (!watcher_) watcher_ = std::make_unique<TChangeHandlerThread>(this, WM_HY_FOLDERCHANGE);
    const std::vector<std::string> drives = WatchedDriveRoots(MountedFileSystems(), RemovableDevice);
    if (drives == watchedDrives_) return;
    watchedDrives_ = drives;
    watcher_->RemoveAllWatches();
    for (const std::string& drive : drives) {
        int slot = -1;
        watcher_->AddWatch(drive, WatchFilter(), slot, true);
    }
    WatchFilledNodes(model_->Top());
}

uint32_t THyCustomShellTree::WatchFilter() const {
    return FILE_NOTIFY_CHANGE_DIR_NAME | (options_ & hystoIncludeNonFolders ? FILE_NOTIFY_CHANGE_FILE_NAME : 0);
}

// A drive is watched below its root only up to a budget of folders here, so
// each folder the tree has filled is watched on its own as well: what the
// tree shows follows the disk however deep it lies.
void THyCustomShellTree::WatchNode(TShellTreeNode& node) {
    if (!(options_ & hystoDynamicRefresh) || !watcher_ || !node.Data) return;
    const WideString path = PathOfIdList(node.Data->AbsoluteIdList());
    int slot = -1;
    if (!path.empty()) watcher_->AddWatch(Utf16ToUtf8(path), WatchFilter(), slot, false);
}

void THyCustomShellTree::WatchFilledNodes(TShellTreeNode& node) {
    if (node.Filled) WatchNode(node);
    for (const auto& child : node.Children) WatchFilledNodes(*child);
}

bool THyCustomShellTree::event(QEvent* event) {
    const TMessage* message = MessageOf(event);
    if (!message) return THyCustomTreeView::event(event);
    Guarded([&] {
        if (message->Msg == WM_HY_FOLDERCHANGE) {
            if (ignoreNextChange_ || inShellOperation_) ignoreNextChange_ = false;
            else RestartTimer(jobRefresh, hasFocus() ? RefreshDelayFocused : RefreshDelayUnfocused);
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
    HRESULT result;
    {
        const THourglass hourglass;
        const TLock lock(changeLock_);
        ignoreNextChange_ = true;
        result = parentFolder->SetNameOf(node.Data->RelativeIdList(), Utf16ToUtf8(name), renamed);
        if (ole::Succeeded(result)) {
            node.Data = std::make_unique<THyShTreeData>(node.Parent->Data.get(), renamed);
            RebaseChildren(node);
            node.Text = QString::fromStdU16String(GetDisplayName(parentFolder.get(), renamed, 1));
            if (model_->Node(currentIndex()) == &node) {
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
    if (rebuildPending_) {
        rebuildPending_ = false;
        QTimer::singleShot(0, this, [this] { Guarded([this] { RefreshTree(); }); });
    }
    return ole::Succeeded(result);
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

HRESULT THyCustomShellTree::InvokeNodeVerb(const QModelIndex& index, const std::string& verb) {
    TShellTreeNode* node = model_->Node(index);
    if (node == &model_->Top() || node->Parent == &model_->Top()) return 1;
    const auto menu = ItemsContextMenu({node->Data->AbsoluteIdList()});
    const HRESULT result = InvokeCommand(*menu, 0, verb);
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
        else InvokeNodeVerb(currentIndex(), Verbs[command]);
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
        TrackShellMenu<QModelIndex>(*menu, flags, this, viewport()->mapToGlobal(position), *this, index, commands, sendTo);
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
