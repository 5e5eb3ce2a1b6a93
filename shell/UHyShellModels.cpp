#include "shell/UHyShellModels.h"

#include "platform/Guarded.h"
#include "platform/ResCodePages.h"
#include "shell/UHyShellControls.h"
#include "shell/UHyShellUtils.h"

#include <QGuiApplication>
#include <QIcon>
#include <QPalette>

#include <algorithm>
#include <numeric>

namespace kestrune::shell {

namespace {

QString ToQString(const WideString& text) { return QString::fromStdU16String(ShownFileName(text)); }

// The rename editor gets a name's bytes that are no character as they are
// carried (U+DC80..U+DCFF), which it shows as U+FFFD: a name left as it was,
// or edited around them, goes back to its own bytes.
QString EditedText(const WideString& name) { return QString::fromStdU16String(name); }

QVariant IconOf(const TItemIdList& absolute, bool open, int overlay) {
    return QIcon(OverlaidIcon(IconIndex(&absolute, open ? SHGFI_OPENICON : 0), overlay));
}

// Dimmed items are drawn in the disabled text colour, else in the shell's colours.
QVariant ColourOf(uint32_t attributes, bool dimmed) {
    if (dimmed) return QGuiApplication::palette().color(QPalette::Disabled, QPalette::Text);
    const auto colour = ExplorerColourOf(attributes);
    return colour ? QVariant(*colour) : QVariant();
}

}  // namespace

// ---- the list's rows --------------------------------------------------------------------

int TShellListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int TShellListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

THyShListData* TShellListModel::Row(int row) const {
    return row >= 0 && static_cast<size_t>(row) < rows_.size() ? rows_[static_cast<size_t>(row)].get() : nullptr;
}

QVariant TShellListModel::data(const QModelIndex& index, int role) const {
    THyShListData* row = Row(index.row());
    if (!row) return {};
    switch (role) {
        case Qt::DisplayRole: return ToQString(index.column() == 0 ? row->DisplayName() : row->Details(index.column()));
        case Qt::EditRole: return EditedText(index.column() == 0 ? row->DisplayName() : row->Details(index.column()));
        case Qt::DecorationRole:
            if (index.column() != 0) return {};
            if (list_.ViewStyle() == svsThumbnails) return QIcon(list_.ThumbnailOf(*row));
            return QIcon(OverlaidIcon(row->IconIndex(),
                                      list_.Options() & hysloIconOverlays ? OverlayOfAttributes(row->Attributes()) : 0));
        case Qt::TextAlignmentRole:
            return static_cast<size_t>(index.column()) < columns_.size()
                       ? QVariant(static_cast<int>(columns_[static_cast<size_t>(index.column())].Align | Qt::AlignVCenter))
                       : QVariant();
        case Qt::ForegroundRole: return ColourOf(row->Attributes(), row->Cut);
        default: return {};
    }
}

QVariant TShellListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || static_cast<size_t>(section) >= columns_.size()) return {};
    const TColumn& column = columns_[static_cast<size_t>(section)];
    if (role == Qt::DisplayRole) return column.Caption;
    if (role == Qt::TextAlignmentRole) return static_cast<int>(column.Align | Qt::AlignVCenter);
    return {};
}

Qt::ItemFlags TShellListModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    THyShListData* row = Row(index.row());
    if (row && index.column() == 0 && row->CanRename()) flags |= Qt::ItemIsEditable;
    return flags;
}

bool TShellListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || !Row(index.row())) return false;
    if (!list_.RenameRow(index.row(), value.toString())) return false;
    emit dataChanged(index, index.siblingAtColumn(columnCount() - 1));
    return true;
}

void TShellListModel::SetColumns(std::vector<TColumn> columns) {
    // The same columns with new captions keep the rows and their selection.
    if (!columns.empty() && columns.size() == columns_.size()) {
        columns_ = std::move(columns);
        emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
        return;
    }
    beginResetModel();
    columns_ = std::move(columns);
    endResetModel();
}

void TShellListModel::Clear() {
    beginResetModel();
    rows_.clear();
    endResetModel();
}

void TShellListModel::Append(std::vector<std::unique_ptr<THyShListData>> rows) {
    if (rows.empty()) return;
    const int first = rowCount();
    beginInsertRows({}, first, first + static_cast<int>(rows.size()) - 1);
    rows_.reserve(rows_.size() + rows.size());
    for (auto& row : rows) rows_.push_back(std::move(row));
    endInsertRows();
}

void TShellListModel::Remove(const std::vector<size_t>& rows) {
    // From the end, one run of neighbouring rows at a time.
    for (size_t k = rows.size(); k > 0;) {
        const size_t last = rows[--k];
        size_t first = last;
        while (k > 0 && rows[k - 1] + 1 == first) first = rows[--k];
        beginRemoveRows({}, static_cast<int>(first), static_cast<int>(last));
        rows_.erase(rows_.begin() + static_cast<long>(first), rows_.begin() + static_cast<long>(last) + 1);
        endRemoveRows();
    }
}

void TShellListModel::RowsChanged(const QList<int>& roles) {
    if (!rows_.empty()) emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1), roles);
}

void TShellListModel::Sort(const std::function<bool(THyShListData&, THyShListData&)>& less) {
    std::vector<size_t> order(rows_.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return less(*rows_[a], *rows_[b]); });
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<int> newRow(order.size());
    std::vector<std::unique_ptr<THyShListData>> sorted(rows_.size());
    for (size_t k = 0; k < order.size(); ++k) {
        newRow[order[k]] = static_cast<int>(k);
        sorted[k] = std::move(rows_[order[k]]);
    }
    rows_ = std::move(sorted);
    QModelIndexList from = persistentIndexList(), to;
    for (const QModelIndex& index : from) to.append(this->index(newRow[static_cast<size_t>(index.row())], index.column()));
    changePersistentIndexList(from, to);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

// ---- the tree's nodes -------------------------------------------------------------------

int TShellTreeNode::Row() const {
    if (!Parent) return 0;
    const auto& siblings = Parent->Children;
    for (size_t k = 0; k < siblings.size(); ++k)
        if (siblings[k].get() == this) return static_cast<int>(k);
    return -1;
}

TShellTreeNode* TShellTreeModel::Node(const QModelIndex& index) const {
    return index.isValid() ? static_cast<TShellTreeNode*>(index.internalPointer()) : const_cast<TShellTreeNode*>(&top_);
}

QModelIndex TShellTreeModel::IndexOf(const TShellTreeNode* node) const {
    if (!node || node == &top_) return {};
    return createIndex(node->Row(), 0, const_cast<TShellTreeNode*>(node));
}

QModelIndex TShellTreeModel::index(int row, int column, const QModelIndex& parent) const {
    const TShellTreeNode* node = Node(parent);
    if (column != 0 || row < 0 || static_cast<size_t>(row) >= node->Children.size()) return {};
    return createIndex(row, 0, node->Children[static_cast<size_t>(row)].get());
}

QModelIndex TShellTreeModel::parent(const QModelIndex& child) const {
    const TShellTreeNode* node = Node(child);
    return node == &top_ ? QModelIndex() : IndexOf(node->Parent);
}

int TShellTreeModel::rowCount(const QModelIndex& parent) const {
    return static_cast<int>(Node(parent)->Children.size());
}

QVariant TShellTreeModel::data(const QModelIndex& index, int role) const {
    TShellTreeNode* node = Node(index);
    if (node == &top_) return {};
    switch (role) {
        case Qt::DisplayRole: return node->Text;
        case Qt::EditRole: return EditedText(node->Data->InFolderName());
        // The selected folder shows as open.
        case Qt::DecorationRole:
            return IconOf(node->Data->AbsoluteIdList(), tree_.currentIndex().internalPointer() == node, node->Overlay);
        case Qt::ForegroundRole: return ColourOf(node->Data->Attributes(), node->Ghosted);
        case Qt::CheckStateRole: return tree_.Checkboxes() ? QVariant(node->Checked ? Qt::Checked : Qt::Unchecked) : QVariant();
        default: return {};
    }
}

Qt::ItemFlags TShellTreeModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags flags = QAbstractItemModel::flags(index);
    TShellTreeNode* node = Node(index);
    if (node != &top_ && node->Parent != &top_ && node->Data->CanRename()) flags |= Qt::ItemIsEditable;
    if (tree_.Checkboxes()) flags |= Qt::ItemIsUserCheckable;
    return flags;
}

bool TShellTreeModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    TShellTreeNode* node = Node(index);
    if (node == &top_) return false;
    if (role == Qt::CheckStateRole && tree_.Checkboxes()) {
        node->Checked = value.toInt() == Qt::Checked;
        emit dataChanged(index, index, {Qt::CheckStateRole});
        return true;
    }
    return role == Qt::EditRole && tree_.RenameNode(*node, value.toString());
}

bool TShellTreeModel::hasChildren(const QModelIndex& parent) const {
    const TShellTreeNode* node = Node(parent);
    if (node == &top_) return !node->Children.empty();
    return node->Filled ? !node->Children.empty() : node->HasButton;
}

bool TShellTreeModel::canFetchMore(const QModelIndex& parent) const {
    const TShellTreeNode* node = Node(parent);
    return node != &top_ && node->HasButton && !node->Filled;
}

// The view asks when the user expands a node: a fill that fails shows its error there.
void TShellTreeModel::fetchMore(const QModelIndex& parent) {
    TShellTreeNode* node = Node(parent);
    if (node != &top_ && !node->Filled) Guarded([&] { tree_.FillNode(node); });
}

void TShellTreeModel::Clear() {
    beginResetModel();
    top_.Children.clear();
    endResetModel();
}

void TShellTreeModel::AddChildren(TShellTreeNode& parent, std::vector<std::unique_ptr<TShellTreeNode>> children) {
    if (children.empty()) return;
    const int first = static_cast<int>(parent.Children.size());
    beginInsertRows(IndexOf(&parent), first, first + static_cast<int>(children.size()) - 1);
    for (auto& child : children) {
        child->Parent = &parent;
        parent.Children.push_back(std::move(child));
    }
    endInsertRows();
    SortChildren(parent);
}

void TShellTreeModel::RemoveChild(TShellTreeNode& parent, size_t row) {
    beginRemoveRows(IndexOf(&parent), static_cast<int>(row), static_cast<int>(row));
    parent.Children.erase(parent.Children.begin() + static_cast<long>(row));
    endRemoveRows();
}

void TShellTreeModel::SortChildren(TShellTreeNode& parent) {
    auto& children = parent.Children;
    if (children.size() < 2) return;
    const std::shared_ptr<IShellFolder> folder =
        parent.Data ? parent.Data->Folder() : nullptr;
    if (!folder) return;
    std::vector<size_t> order(children.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        const HRESULT result = folder->CompareIDs(0, children[a]->Data->RelativeIdList(), children[b]->Data->RelativeIdList());
        return ole::Succeeded(result) && CompareResult(result) < 0;
    });
    if (std::is_sorted(order.begin(), order.end())) return;
    const QModelIndex parentIndex = IndexOf(&parent);
    emit layoutAboutToBeChanged({QPersistentModelIndex(parentIndex)}, QAbstractItemModel::VerticalSortHint);
    QModelIndexList from = persistentIndexList(), to;
    std::vector<int> newRow(order.size());
    std::vector<std::unique_ptr<TShellTreeNode>> sorted(children.size());
    for (size_t k = 0; k < order.size(); ++k) {
        newRow[order[k]] = static_cast<int>(k);
        sorted[k] = std::move(children[order[k]]);
    }
    children = std::move(sorted);
    for (const QModelIndex& index : from) {
        to.append(Node(index)->Parent == &parent ? createIndex(newRow[static_cast<size_t>(index.row())], 0, index.internalPointer())
                                                 : index);
    }
    changePersistentIndexList(from, to);
    emit layoutChanged({QPersistentModelIndex(parentIndex)}, QAbstractItemModel::VerticalSortHint);
}

void TShellTreeModel::NodeChanged(TShellTreeNode& node) {
    const QModelIndex index = IndexOf(&node);
    emit dataChanged(index, index);
}

void TShellTreeModel::ButtonChanged(TShellTreeNode& node) {
    NodeChanged(node);
    tree_.ButtonChanged(IndexOf(&node));
}

void TShellTreeModel::Filled(TShellTreeNode& node) {
    node.Filled = true;
    if (node.Children.empty() && node.HasButton) {
        node.HasButton = false;
        ButtonChanged(node);
    }
}

}  // namespace kestrune::shell
