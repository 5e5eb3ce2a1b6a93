// The view classes under the shell tree and list: a tree view and a report
// list that hand their context requests to the control, the list's header
// sort mark, a framed group and pane, and the image combo's item.
#pragma once

#include <QFrame>
#include <QHeaderView>
#include <QPersistentModelIndex>
#include <QStyleOptionHeader>
#include <QTreeView>

#include <functional>

class QMenu;

namespace kestrune::shell {

// Context menus of both views: the handler may move the point or take the menu away.
using TContextMenuEvent = std::function<void(const QModelIndex& index, QPoint& position, QMenu*& menu)>;

// What both views share: a context request goes to the control's virtual
// operation for the item under it (the current one from the keyboard).
class THyContextView : public QTreeView {
public:
    explicit THyContextView(QWidget* parent);
    // The control's own menu, shown when no handler takes it away.
    QMenu* PopupMenu = nullptr;

protected:
    // A right click asks for the menu when the button is let go; moved with
    // the button held, it starts a drag instead.
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    // Starts a drag with the right button; false when the control drags nothing.
    virtual bool StartRightDrag() { return false; }
    // The drop target's item is drawn as selected.
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    virtual QModelIndex DropHighlight() const { return {}; }
    // Raises the event and shows what menu remains.
    virtual void DoContextPopup(const QModelIndex& index, QPoint position);
    virtual void RaiseContextEvent(const QModelIndex& index, QPoint& position, QMenu*& menu) = 0;

private:
    bool rightDown_ = false;
    QPoint rightPressedAt_;
    // The menu asked for while the right button is down.
    bool contextPending_ = false;
    QPersistentModelIndex pendingIndex_;
    QPoint pendingPosition_;
};

class THyCustomTreeView : public THyContextView {
public:
    explicit THyCustomTreeView(QWidget* parent);
    TContextMenuEvent OnNodeContextMenu;
    // A check box before every node (the model keeps the states); the view is laid out anew.
    bool Checkboxes() const { return checkboxes_; }
    void SetCheckboxes(bool on);

protected:
    void RaiseContextEvent(const QModelIndex& index, QPoint& position, QMenu*& menu) override;

private:
    bool checkboxes_ = false;
};

enum THyLvHeaderSortDisplayMode { hylvNone = 0, hylvLeftAlign = 1, hylvRightOfText = 2, hylvRightAlign = 3 };

// The report header's sort mark: the system's own beside the text (also
// what plain text items get), or a triangle the control draws itself at the
// left or right edge of the sorted column.
class THySortHeader : public QHeaderView {
public:
    explicit THySortHeader(QWidget* parent);
    // The 0-based column (-1: none).
    void SetMark(int column, bool ascending, THyLvHeaderSortDisplayMode mode);
    // Every item is drawn by the control: the marks placed at the left or right edge.
    bool OwnerDrawn() const { return mode_ == hylvLeftAlign || mode_ == hylvRightAlign; }
    // The system's mark on a section: up ascending, down descending; none for
    // the other sections and when the control draws the items.
    QStyleOptionHeader::SortIndicator SystemMark(int section) const;
    // Where the control draws its triangle in a section's rectangle; empty
    // when it draws none there (also when the section is too narrow).
    QRect MarkRect(int section, const QRect& rect) const;

protected:
    void initStyleOptionForIndex(QStyleOptionHeader* option, int logicalIndex) const override;
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;

private:
    int column_ = -1;
    bool ascending_ = true;
    THyLvHeaderSortDisplayMode mode_ = hylvRightOfText;
};

enum THotTrackStyle : uint8_t { htHandPoint = 1, htUnderlineCold = 2, htUnderlineHot = 4 };

// The list in report style: rows without a tree, with the sort mark in its header.
class THyCustomListView : public THyContextView {
public:
    explicit THyCustomListView(QWidget* parent);
    TContextMenuEvent OnItemContextMenu;
    // Rows follow the mouse: a hand over them (htHandPoint), the row under
    // the mouse underlined (htUnderlineHot) or the others (htUnderlineCold).
    void SetHotTrack(bool on, uint8_t styles);
    // Hand point and underlined hot rows: one click opens, as on a web page.
    bool SingleClickOpens() const { return hotTrack_ && hotTrackStyles_ == (htHandPoint | htUnderlineHot); }
    THyLvHeaderSortDisplayMode HeaderSortDisplayMode() const { return sortDisplay_; }
    void SetHeaderSortDisplayMode(THyLvHeaderSortDisplayMode mode);
    // Marks the 0-based column (-1: none) in the header.
    void ShowSortMark(int column, bool ascending);
    THySortHeader& SortHeader() const { return *sortHeader_; }

protected:
    void RaiseContextEvent(const QModelIndex& index, QPoint& position, QMenu*& menu) override;
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void SetHotRow(int row);

    THySortHeader* sortHeader_;
    bool hotTrack_ = false;
    uint8_t hotTrackStyles_ = 0;
    int hotRow_ = -1;
    THyLvHeaderSortDisplayMode sortDisplay_ = hylvRightOfText;
    int sortMarkColumn_ = -1;
    bool sortAscending_ = true;
};

enum THyFrameStyle {
    hyfsNone, hyfsGroup, hyfsLowered, hyfsRaised, hyfsDint, hyfsBump, hyfsSingle,
    hyfsHorzLine, hyfsHorzEdge, hyfsVertLine, hyfsVertEdge
};
// The room a frame style takes from each side: left, top, right, bottom.
QMargins FrameInsets(THyFrameStyle style);

// A container drawn with one of the frame styles and, except in the group
// style, its caption inside.
class THyGroup : public QFrame {
public:
    explicit THyGroup(QWidget* parent, THyFrameStyle style = hyfsGroup);
    THyFrameStyle FrameStyle() const { return style_; }
    void SetFrameStyle(THyFrameStyle style);
    void SetCaption(const QString& caption);
    QString Caption() const { return caption_; }
    // The group style shows its caption as a display text: narrowed, then read as UTF-7.
    QString DisplayedCaption() const;
    int FrameSpace = 2;
    Qt::Alignment Alignment = Qt::AlignHCenter;
    bool DefaultDrawing = true;
    std::function<void(QPainter&)> OnPaint;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    THyFrameStyle style_;
    QString caption_;
};

// A lowered pane with a smallest size and a number of its own.
class THyPane : public THyGroup {
public:
    explicit THyPane(QWidget* parent) : THyGroup(parent, hyfsLowered) {}
    int MinSize = 20;
    int Index = 0;
};

// An image combo box's item: its text, image and indent.
struct THyImageComboItem {
    QString Caption;
    int ImageIndex = -1;
    int Indent = 0;
};

}  // namespace kestrune::shell
