#include "ui/panel_tree_view.h"

#include <QPainter>

#include "ui/tree_accessible.h"

namespace ui {

namespace {

constexpr int kIndentation = 19;
constexpr int kButtonSize = 9;

}  // namespace

PanelTreeView::PanelTreeView(QWidget* parent) : QTreeView(parent) {
  setIndentation(kIndentation);
  setHeaderHidden(true);
  setRootIsDecorated(true);
  setItemsExpandable(false);  // the panel expands, so that nodes can refuse
  setExpandsOnDoubleClick(false);
  setUniformRowHeights(true);
  // The panel paints the selection of the control; the view only keeps
  // the current item for keyboard navigation.
  setSelectionMode(QAbstractItemView::NoSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setDragEnabled(false);
  setAllColumnsShowFocus(false);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setFrameShape(QFrame::NoFrame);
  setMouseTracking(false);
  setAttribute(Qt::WA_MacShowFocusRect, false);
}

void PanelTreeView::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
  // QTreeView's own announcement counts rows of a flat table (the hidden
  // header first), which the panel's accessible tree does not have.
  QAbstractItemView::currentChanged(current, previous);  // NOLINT(bugprone-parent-virtual-call)
  if (current.isValid() && hasFocus()) announceCurrentItem(*this, current);
}

void PanelTreeView::setLineColour(const QColor& colour) {
  if (colour == line_colour_) return;
  line_colour_ = colour;
  viewport()->update();
}

int PanelTreeView::depthOf(const QModelIndex& index) {
  int depth = 0;
  for (QModelIndex up = index.parent(); up.isValid(); up = up.parent()) ++depth;
  return depth;
}

bool PanelTreeView::onExpandButton(const QPoint& pos) const {
  const QModelIndex at = indexAt(pos);
  if (!at.isValid() || !model()->hasChildren(at)) return false;
  // The whole indentation cell of the item's own level counts: easier to
  // hit than the 9-pixel box.
  const int left = -horizontalOffset() + depthOf(at) * indentation();
  return pos.x() >= left && pos.x() < left + indentation();
}

void PanelTreeView::drawBranches(QPainter* painter, const QRect& rect, const QModelIndex& index) const {
  painter->save();
  const int depth = depthOf(index);
  const int left = rect.left();
  const int top = rect.top();
  const int bottom = rect.bottom();
  const int middle = top + rect.height() / 2;
  const int half = indentation() / 2;
  QPen pen(line_colour_, 1, Qt::DotLine);
  painter->setPen(pen);

  // Lines of the ancestors that have siblings below them.
  QModelIndex ancestor = index.parent();
  for (int level = depth - 1; level >= 0; --level, ancestor = ancestor.parent()) {
    const QModelIndex holder = ancestor.parent();
    if (ancestor.row() + 1 < model()->rowCount(holder)) {
      const int x = left + level * indentation() + half;
      painter->drawLine(x, top, x, bottom);
    }
  }

  // The item's own connector.
  const int x = left + depth * indentation() + half;
  const bool has_next = index.row() + 1 < model()->rowCount(index.parent());
  const bool first_at_top = depth == 0 && index.row() == 0;
  painter->drawLine(x, first_at_top ? middle : top, x, has_next ? bottom : middle);
  painter->drawLine(x, middle, left + (depth + 1) * indentation() - 2, middle);

  if (model()->hasChildren(index)) {
    QRect box(x - kButtonSize / 2, middle - kButtonSize / 2, kButtonSize - 1, kButtonSize - 1);
    painter->fillRect(box.adjusted(0, 0, 1, 1), palette().color(QPalette::Base));
    painter->setPen(QPen(line_colour_, 1, Qt::SolidLine));
    painter->drawRect(box);
    painter->setPen(QPen(palette().color(QPalette::Text), 1));
    painter->drawLine(box.left() + 2, middle, box.right() - 2, middle);
    if (!isExpanded(index)) painter->drawLine(x, box.top() + 2, x, box.bottom() - 2);
  }
  painter->restore();
}

}  // namespace ui
