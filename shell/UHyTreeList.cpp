#include "shell/UHyTreeList.h"

#include "shell/UHyUnicode.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionFrame>

namespace kestrune::shell {

THyContextView::THyContextView(QWidget* parent) : QTreeView(parent) {}

void THyContextView::contextMenuEvent(QContextMenuEvent* event) {
    QModelIndex index;
    QPoint position;
    if (event->reason() == QContextMenuEvent::Keyboard) {
        // The menu key (sent to the view itself): the current item, at the centre of its text.
        index = currentIndex();
        position = index.isValid() ? visualRect(index).center() : viewport()->mapFrom(this, event->pos());
    } else {
        // A click reaches the view through its viewport, in the viewport's coordinates.
        position = event->pos();
        index = indexAt(position);
    }
    event->accept();
    if (event->reason() == QContextMenuEvent::Mouse && rightDown_) {
        contextPending_ = true;
        pendingIndex_ = index;
        pendingPosition_ = position;
        return;
    }
    DoContextPopup(index, position);
}

void THyContextView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        rightDown_ = true;
        rightPressedAt_ = event->position().toPoint();
    }
    QTreeView::mousePressEvent(event);
}

void THyContextView::mouseMoveEvent(QMouseEvent* event) {
    const bool dragging = rightDown_ && (event->buttons() & Qt::RightButton) &&
                          (event->position().toPoint() - rightPressedAt_).manhattanLength() >= QApplication::startDragDistance();
    if (!dragging) return QTreeView::mouseMoveEvent(event);
    rightDown_ = false;
    contextPending_ = false;
    event->accept();
    StartRightDrag();
}

void THyContextView::mouseReleaseEvent(QMouseEvent* event) {
    QTreeView::mouseReleaseEvent(event);
    if (event->button() != Qt::RightButton) return;
    rightDown_ = false;
    if (!contextPending_) return;
    contextPending_ = false;
    DoContextPopup(pendingIndex_, pendingPosition_);
}

void THyContextView::drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    const QModelIndex highlight = DropHighlight();
    if (!highlight.isValid() || highlight.row() != index.row() || highlight.parent() != index.parent())
        return QTreeView::drawRow(painter, option, index);
    QStyleOptionViewItem marked(option);
    marked.state |= QStyle::State_Selected;
    QTreeView::drawRow(painter, marked, index);
}

void THyContextView::DoContextPopup(const QModelIndex& index, QPoint position) {
    QMenu* menu = PopupMenu;
    RaiseContextEvent(index, position, menu);
    if (menu) menu->exec(viewport()->mapToGlobal(position));
}

THyCustomTreeView::THyCustomTreeView(QWidget* parent) : THyContextView(parent) {
    setHeaderHidden(true);
    setUniformRowHeights(true);
}

void THyCustomTreeView::SetCheckboxes(bool on) {
    if (on == checkboxes_) return;
    checkboxes_ = on;
    doItemsLayout();
    viewport()->update();
}

void THyCustomTreeView::RaiseContextEvent(const QModelIndex& index, QPoint& position, QMenu*& menu) {
    if (OnNodeContextMenu) OnNodeContextMenu(index, position, menu);
}

namespace {

// The triangle's corners, pointing up or down inside rect, clockwise from the top left.
QPolygon Triangle(const QRect& rect, bool up) {
    const int apexX = rect.left() + rect.width() / 2;
    if (up) return QPolygon({QPoint(apexX, rect.top()), QPoint(rect.right(), rect.bottom()), QPoint(rect.left(), rect.bottom())});
    return QPolygon({QPoint(rect.left(), rect.top()), QPoint(rect.right(), rect.top()), QPoint(apexX, rect.bottom())});
}

// A raised triangle: filled with the button face, lit by its highlight, its left edge in shadow.
void DrawMark(QPainter& painter, const QPalette& palette, const QRect& rect, bool up) {
    const QPolygon corners = Triangle(rect, up);
    painter.save();
    painter.setPen(Qt::NoPen);
    painter.setBrush(palette.button());
    painter.drawPolygon(corners);
    // The corners run clockwise from the top left: the last edge is the left one.
    painter.setPen(palette.light().color());
    painter.drawLine(corners[0], corners[1]);
    painter.drawLine(corners[1], corners[2]);
    painter.setPen(palette.shadow().color());
    painter.drawLine(corners[2], corners[0]);
    painter.restore();
}

}  // namespace

THySortHeader::THySortHeader(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {
    setSortIndicatorShown(false);
}

void THySortHeader::SetMark(int column, bool ascending, THyLvHeaderSortDisplayMode mode) {
    column_ = column;
    ascending_ = ascending;
    mode_ = mode;
    viewport()->update();
}

QStyleOptionHeader::SortIndicator THySortHeader::SystemMark(int section) const {
    if (OwnerDrawn() || section != column_ || column_ < 0) return QStyleOptionHeader::None;
    return ascending_ ? QStyleOptionHeader::SortUp : QStyleOptionHeader::SortDown;
}

QRect THySortHeader::MarkRect(int section, const QRect& rect) const {
    if (!OwnerDrawn() || section != column_ || column_ < 0) return {};
    // Of odd height, fitting the text's; twice as wide less one.
    const int height = std::max(3, fontMetrics().height() / 3) | 1, width = 2 * height - 1, margin = 6;
    if (rect.width() <= 2 * width) return {};
    const int top = rect.top() + (rect.height() - height) / 2;
    const int left = mode_ == hylvLeftAlign ? rect.left() + margin : rect.right() - margin - width;
    return {left, top, width, height};
}

void THySortHeader::initStyleOptionForIndex(QStyleOptionHeader* option, int logicalIndex) const {
    QHeaderView::initStyleOptionForIndex(option, logicalIndex);
    option->sortIndicator = SystemMark(logicalIndex);
}

void THySortHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
    const QRect mark = MarkRect(logicalIndex, rect);
    if (mark.isEmpty()) return QHeaderView::paintSection(painter, rect, logicalIndex);
    QStyleOptionHeader option;
    initStyleOption(&option);
    initStyleOptionForIndex(&option, logicalIndex);
    option.rect = rect;
    style()->drawControl(QStyle::CE_HeaderSection, &option, painter, this);
    // The text keeps its alignment in the room the mark leaves, cut short with an ellipsis.
    QRect text = rect.adjusted(4, 0, -4, 0);
    if (mode_ == hylvLeftAlign) text.setLeft(mark.right() + 4);
    else text.setRight(mark.left() - 4);
    option.rect = text;
    option.text = fontMetrics().elidedText(option.text, Qt::ElideRight, text.width());
    style()->drawControl(QStyle::CE_HeaderLabel, &option, painter, this);
    DrawMark(*painter, palette(), mark, ascending_);
}

THyCustomListView::THyCustomListView(QWidget* parent) : THyContextView(parent), sortHeader_(new THySortHeader(this)) {
    setHeader(sortHeader_);
    sortHeader_->setSectionsMovable(true);
    // Column clicks sort by the column.
    sortHeader_->setSectionsClickable(true);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
}

void THyCustomListView::RaiseContextEvent(const QModelIndex& index, QPoint& position, QMenu*& menu) {
    if (OnItemContextMenu) OnItemContextMenu(index, position, menu);
}

void THyCustomListView::SetHotTrack(bool on, uint8_t styles) {
    hotTrack_ = on;
    hotTrackStyles_ = styles;
    setMouseTracking(on);
    if (on && (styles & htHandPoint)) viewport()->setCursor(Qt::PointingHandCursor);
    else viewport()->unsetCursor();
    SetHotRow(-1);
}

void THyCustomListView::SetHotRow(int row) {
    if (row == hotRow_) return;
    hotRow_ = row;
    viewport()->update();
}

void THyCustomListView::mouseMoveEvent(QMouseEvent* event) {
    THyContextView::mouseMoveEvent(event);
    if (hotTrack_) SetHotRow(indexAt(event->position().toPoint()).row());
}

void THyCustomListView::leaveEvent(QEvent* event) {
    THyContextView::leaveEvent(event);
    SetHotRow(-1);
}

void THyCustomListView::drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    const bool hot = index.row() == hotRow_;
    if (!hotTrack_ || !(hotTrackStyles_ & (hot ? htUnderlineHot : htUnderlineCold)))
        return THyContextView::drawRow(painter, option, index);
    QStyleOptionViewItem underlined(option);
    underlined.font.setUnderline(true);
    THyContextView::drawRow(painter, underlined, index);
}

void THyCustomListView::SetHeaderSortDisplayMode(THyLvHeaderSortDisplayMode mode) {
    sortDisplay_ = mode;
    ShowSortMark(sortMarkColumn_, sortAscending_);
}

void THyCustomListView::ShowSortMark(int column, bool ascending) {
    sortMarkColumn_ = column;
    sortAscending_ = ascending;
    sortHeader_->SetMark(column, ascending, sortDisplay_);
}

QMargins FrameInsets(THyFrameStyle style) {
    switch (style) {
        case hyfsLowered:
        case hyfsRaised: return {2, 2, 2, 2};
        case hyfsDint:
        case hyfsBump:
        case hyfsSingle: return {1, 1, 1, 1};
        case hyfsHorzLine: return {0, 2, 0, 0};
        case hyfsHorzEdge: return {0, 2, 0, 2};
        case hyfsVertLine: return {2, 0, 0, 0};
        case hyfsVertEdge: return {2, 0, 2, 0};
        default: return {};
    }
}

THyGroup::THyGroup(QWidget* parent, THyFrameStyle style) : QFrame(parent), style_(style) {
    setContentsMargins(FrameInsets(style));
}

void THyGroup::SetFrameStyle(THyFrameStyle style) {
    style_ = style;
    setContentsMargins(FrameInsets(style));
    update();
}

QString THyGroup::DisplayedCaption() const { return QString::fromStdU16String(DisplayText(caption_.toStdU16String())); }

void THyGroup::SetCaption(const QString& caption) {
    caption_ = caption;
    update();
}

void THyGroup::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    const QRect area = rect();
    const QPen light(palette().light().color()), dark(palette().dark().color());
    const auto box = [&](const QRect& r, const QPen& topLeft, const QPen& bottomRight) {
        painter.setPen(topLeft);
        painter.drawLine(r.topLeft(), r.topRight());
        painter.drawLine(r.topLeft(), r.bottomLeft());
        painter.setPen(bottomRight);
        painter.drawLine(r.bottomLeft(), r.bottomRight());
        painter.drawLine(r.topRight(), r.bottomRight());
    };
    switch (style_) {
        case hyfsGroup: {
            QStyleOptionGroupBox option;
            option.initFrom(this);
            option.text = DisplayedCaption();
            option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
            style()->drawComplexControl(QStyle::CC_GroupBox, &option, &painter, this);
            break;
        }
        case hyfsLowered: box(area, dark, light); box(area.adjusted(1, 1, -1, -1), QPen(palette().shadow().color()), QPen(palette().midlight().color())); break;
        case hyfsRaised: box(area, light, dark); box(area.adjusted(1, 1, -1, -1), QPen(palette().midlight().color()), QPen(palette().shadow().color())); break;
        // Etched: a sunken line and a raised one inside it; bumped: the other way round.
        case hyfsDint: box(area, dark, light); box(area.adjusted(1, 1, -1, -1), light, dark); break;
        case hyfsBump: box(area, light, dark); box(area.adjusted(1, 1, -1, -1), dark, light); break;
        case hyfsSingle: box(area, QPen(palette().windowText().color()), QPen(palette().windowText().color())); break;
        case hyfsHorzLine:
        case hyfsHorzEdge:
            painter.setPen(dark);
            painter.drawLine(0, 0, width(), 0);
            painter.setPen(light);
            painter.drawLine(0, 1, width(), 1);
            break;
        case hyfsVertLine:
        case hyfsVertEdge:
            painter.setPen(dark);
            painter.drawLine(0, 0, 0, height());
            painter.setPen(light);
            painter.drawLine(1, 0, 1, height());
            break;
        case hyfsNone: break;
    }
    if (style_ != hyfsGroup && DefaultDrawing && !caption_.isEmpty()) {
        const QRect text = contentsRect().adjusted(FrameSpace, 0, -FrameSpace, 0);
        painter.setPen(palette().windowText().color());
        painter.drawText(text, static_cast<int>(Alignment | Qt::AlignVCenter),
                         fontMetrics().elidedText(caption_, Qt::ElideRight, text.width()));
    }
    if (OnPaint) OnPaint(painter);
}

}  // namespace kestrune::shell
