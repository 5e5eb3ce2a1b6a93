// The item models under the shell list and tree: the list's rows carry their
// item records and keep them (and so their identity) across difference
// refreshes; the tree's nodes are filled when first expanded.
#pragma once

#include "shell/UHyShellData.h"

#include <QAbstractItemModel>

#include <functional>
#include <memory>
#include <vector>

namespace kestrune::shell {

class THyCustomShellList;
class THyCustomShellTree;

class TShellListModel : public QAbstractTableModel {
public:
    struct TColumn {
        QString Caption;
        Qt::Alignment Align = Qt::AlignLeft;
    };
    explicit TShellListModel(THyCustomShellList& list) : list_(list) {}

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

    THyShListData* Row(int row) const;
    const std::vector<TColumn>& Columns() const { return columns_; }
    void SetColumns(std::vector<TColumn> columns);
    void Clear();
    void Append(std::vector<std::unique_ptr<THyShListData>> rows);
    // Removes rows by ascending index.
    void Remove(const std::vector<size_t>& rows);
    // Every row is drawn again: their cut state (the default) or, with no roles named, everything changed.
    void RowsChanged(const QList<int>& roles = {Qt::ForegroundRole});
    // Orders the rows by less, keeping every row's identity.
    void Sort(const std::function<bool(THyShListData&, THyShListData&)>& less);

private:
    THyCustomShellList& list_;
    std::vector<std::unique_ptr<THyShListData>> rows_;
    std::vector<TColumn> columns_;
};

struct TShellTreeNode {
    std::unique_ptr<THyShTreeData> Data;
    TShellTreeNode* Parent = nullptr;
    std::vector<std::unique_ptr<TShellTreeNode>> Children;
    QString Text;
    bool HasButton = false;
    bool Filled = false;
    // Collapsed since it was filled: its children are compared with the disk when it opens.
    bool Stale = false;
    bool Ghosted = false;
    bool Checked = false;
    // The mark over the icon: 1 shared, 2 a link, 0 none.
    int Overlay = 0;
    int Row() const;
};

class TShellTreeModel : public QAbstractItemModel {
public:
    explicit TShellTreeModel(THyCustomShellTree& tree) : tree_(tree) {}

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& = {}) const override { return 1; }
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

    // The invisible node above the root node.
    TShellTreeNode& Top() { return top_; }
    TShellTreeNode* Node(const QModelIndex& index) const;
    QModelIndex IndexOf(const TShellTreeNode* node) const;
    void Clear();
    // Adds children to the node and orders all of them by their folder.
    void AddChildren(TShellTreeNode& parent, std::vector<std::unique_ptr<TShellTreeNode>> children);
    void RemoveChild(TShellTreeNode& parent, size_t row);
    void SortChildren(TShellTreeNode& parent);
    void NodeChanged(TShellTreeNode& node);
    // The node gained or lost its expand button.
    void ButtonChanged(TShellTreeNode& node);
    // After a fill: a node without children loses its button.
    void Filled(TShellTreeNode& node);

private:
    THyCustomShellTree& tree_;
    TShellTreeNode top_;
};

}  // namespace kestrune::shell
