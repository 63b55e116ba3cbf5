// A tree panel's mouse and keys: clicks and double clicks on the tree,
// arrow keys, the panel's shortcuts and tooltips. While a query runs, clicks
// are swallowed and keys other than Esc go to the host.
#include "ui/tree_panel.h"

#include <QApplication>
#include <QDrag>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QToolTip>

#include "ui/node_calls.h"
#include "ui/node_drag.h"
#include "ui/panel_commands.h"
#include "ui/panel_tree_view.h"
#include "ui/tree_model.h"
#include "ui/ui_host.h"

namespace ui {

void TreePanel::toggleExpansion(const QModelIndex& index) {
  tree::TreeItem* item = TreeModel::itemOf(index);
  if (item == nullptr || item->node() == nullptr) return;
  CallScope scope(calls_);
  guarded(host_, [&] { panel_->expandNode(*item->node(), !item->expanded()); });
}

// Event filters: the view's keys, its viewport's mouse, context menu and
// tooltips.
bool TreePanel::eventFilter(QObject* watched, QEvent* event) {
  if (watched == view_) {
    switch (event->type()) {
      case QEvent::ShortcutOverride:
        // Every key comes here first; the panel offers what it does not
        // handle to the host's shortcuts itself.
        event->accept();
        return true;
      case QEvent::KeyPress: return keyPress(static_cast<QKeyEvent*>(event));
      case QEvent::FocusIn: {
        // The view makes its first item current when it gets the focus
        // without one; that selects nothing here.
        syncing_selection_ = true;
        static_cast<QObject*>(view_)->event(event);
        syncing_selection_ = false;
        view_->viewport()->update();
        return true;
      }
      case QEvent::FocusOut: view_->viewport()->update(); return false;
      case QEvent::ContextMenu:  // from the keyboard; the mouse's reach the viewport
        contextMenu(static_cast<QContextMenuEvent*>(event));
        return true;
      default: return false;
    }
  }
  if (watched == view_->viewport()) {
    switch (event->type()) {
      case QEvent::MouseButtonPress: return mousePress(static_cast<QMouseEvent*>(event));
      case QEvent::MouseButtonRelease: return mouseRelease(static_cast<QMouseEvent*>(event));
      case QEvent::MouseButtonDblClick: return mouseDoubleClick(static_cast<QMouseEvent*>(event));
      case QEvent::MouseMove:
        if (pending_click_ && isDrag(static_cast<QMouseEvent*>(event)->position().toPoint())) {
          pending_click_->dragged = true;
        }
        // No drag selection while a run holds a stale picture.
        if (queryRunning()) return true;
        return mouseMove(static_cast<QMouseEvent*>(event));
      case QEvent::ContextMenu: contextMenu(static_cast<QContextMenuEvent*>(event)); return true;
      case QEvent::ToolTip: return toolTip(static_cast<QHelpEvent*>(event));
      case QEvent::DragEnter:
      case QEvent::DragMove:
      case QEvent::Drop: return dragEvent(event);
      default: return false;
    }
  }
  return false;
}

// A press on a label selects its node; the click or middle-click action
// runs when the same button is released over the same node without having
// moved as far as a drag (so that pressing a node and dragging it away does
// not refill a playlist).
bool TreePanel::mousePress(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  pending_click_.reset();
  drag_from_ = QPoint(-1, -1);
  if (event->button() == Qt::RightButton) {
    panel_->control().select(nullptr);
    return true;  // the context menu follows
  }
  if (event->button() != Qt::LeftButton && event->button() != Qt::MiddleButton) return true;
  if (queryRunning()) return true;
  if (event->button() == Qt::LeftButton && view_->onExpandButton(pos)) {
    toggleExpansion(view_->indexAt(pos));
    return true;
  }
  QPointer<TreePanel> self(this);
  tree::TreeNode* node = nodeAt(pos);
  if (node == nullptr) return true;
  if (node->labelExtent() != 0 && pos.x() > node->labelExtent()) {
    // Right of the label: only the left button clears the selection.
    if (event->button() == Qt::LeftButton) panel_->control().select(nullptr);
    return true;
  }
  panel_->control().select(node->item());
  if (event->button() == Qt::LeftButton) drag_from_ = pos;
  if (event->button() == Qt::MiddleButton || !(event->modifiers() & Qt::ControlModifier)) {
    PendingClick pending;
    pending.index = model_->indexOf(node->item());
    pending.button = event->button();
    pending.pos = pos;
    pending_click_ = pending;
  }
  if (!self) return true;
  // The view has seen the new selection already; it only needs the focus.
  view_->setFocus(Qt::MouseFocusReason);
  return true;
}

bool TreePanel::isDrag(const QPoint& pos) const {
  return pending_click_ && (pos - pending_click_->pos).manhattanLength() >= QApplication::startDragDistance();
}

bool TreePanel::mouseRelease(QMouseEvent* event) {
  if (!pending_click_ || event->button() != pending_click_->button) return false;
  const QPoint pos = event->position().toPoint();
  const bool dragged = pending_click_->dragged || isDrag(pos);
  const QPersistentModelIndex pressed = pending_click_->index;
  pending_click_.reset();
  if (dragged || queryRunning()) return true;
  // The same node (empty space stands for the root), released on its label.
  const QModelIndex at = view_->indexAt(pos);
  if (at != QModelIndex(pressed)) return true;
  tree::TreeNode* node = nodeAt(pos);
  if (node == nullptr || (node->labelExtent() != 0 && pos.x() > node->labelExtent())) return true;
  CallScope scope(calls_);
  guarded(host_, [&] {
    if (event->button() == Qt::MiddleButton) {
      node->middleClick();
    } else {
      node->click();
    }
  });
  return true;
}

// A node dragged away from where the left button went down carries its
// tracks (see nodeMimeData); its click never runs.
bool TreePanel::mouseMove(QMouseEvent* event) {
  if (!(event->buttons() & Qt::LeftButton) || drag_from_.x() < 0) return false;
  if ((event->position().toPoint() - drag_from_).manhattanLength() < QApplication::startDragDistance()) return false;
  tree::TreeNode* node = nodeAt(drag_from_);
  drag_from_ = QPoint(-1, -1);
  if (node == nullptr || !canDragNode(*node)) return false;
  auto* drag = new QDrag(view_);
  drag->setMimeData(nodeMimeData(*this, *node));
  drag->exec(Qt::CopyAction);
  return true;
}

bool TreePanel::mouseDoubleClick(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || queryRunning()) return true;
  const QPoint pos = event->position().toPoint();
  const QModelIndex index = view_->indexAt(pos);
  if (!index.isValid()) return true;
  const tree::TreeNode* node = TreeModel::itemOf(index)->node();
  if (node == nullptr) return true;
  const bool on_label = node->labelExtent() == 0 || pos.x() <= node->labelExtent();
  if (view_->onExpandButton(pos) || on_label) toggleExpansion(index);
  return true;
}

bool TreePanel::arrowKey(int key) {
  const QModelIndex current = model_->indexOf(panel_->control().selection());
  if (!current.isValid()) return false;
  tree::TreeItem* item = TreeModel::itemOf(current);
  if (key == Qt::Key_Right) {
    if (!item->showsExpander()) return true;
    if (!item->expanded()) {
      toggleExpansion(current);
    } else if (item->childCount() > 0) {
      panel_->control().select(item->child(0));
    }
    return true;
  }
  if (item->expanded()) {
    toggleExpansion(current);
  } else if (item->parent() != nullptr) {
    panel_->control().select(item->parent());
  }
  return true;
}

bool TreePanel::keyPress(QKeyEvent* event) {
  const int key = event->key();
  const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
  // Ctrl+F even while a query runs: a new search text stops an old search.
  if (key == Qt::Key_F && modifiers == Qt::ControlModifier) {
    focusSearch();
    return true;
  }
  // The menu key reaches the panel as a context-menu event; Shift+F10 is
  // its other name.
  if (key == Qt::Key_F10 && modifiers == Qt::ShiftModifier) {
    keyboardMenu();
    return true;
  }
  const KeyAction action = keyAction(key, modifiers, queryRunning());
  switch (action) {
    case KeyAction::kOfferToHost:
      if (const uint32_t code = hotKeyCode(key, modifiers)) ui_host_.offerKey(code);
      return false;
    case KeyAction::kControlOnly:
      if (key == Qt::Key_Left || key == Qt::Key_Right) return arrowKey(key);
      return false;
    case KeyAction::kAbortQuery: abortQuery(); return true;
    default: break;
  }
  tree::TreeNode* node = panel_->nodeForItem(panel_->control().selection());
  noteSettings();
  if (node == nullptr) return true;
  int command = 0;
  switch (action) {
    case KeyAction::kEdit: command = kCommandEdit; break;
    case KeyAction::kNewQuery: command = kCommandNewQuery; break;
    case KeyAction::kNewFolder: command = kCommandNewFolder; break;
    case KeyAction::kDelete: command = kCommandDelete; break;
    case KeyAction::kRefresh: command = kCommandRefresh; break;
    case KeyAction::kRefreshAll: command = kCommandRefreshAll; break;
    case KeyAction::kClick:
    case KeyAction::kMiddleClick: {
      CallScope scope(calls_);
      guarded(host_, [&] {
        if (action == KeyAction::kClick) {
          node->click();
        } else {
          node->middleClick();
        }
      });
      return true;
    }
    default: return true;
  }
  runCommand(command, *node);
  return true;
}

void TreePanel::setNodeExpanded(const QModelIndex& index, bool expanded) {
  const tree::TreeItem* item = index.isValid() ? TreeModel::itemOf(index) : nullptr;
  if (item == nullptr || queryRunning() || !item->showsExpander() || item->expanded() == expanded) return;
  toggleExpansion(index);
}

void TreePanel::selectNode(const QModelIndex& index) {
  if (!index.isValid() || queryRunning()) return;
  panel_->control().select(TreeModel::itemOf(index));
}

void TreePanel::clickNode(const QModelIndex& index) {
  if (!index.isValid() || queryRunning()) return;
  tree::TreeItem* item = TreeModel::itemOf(index);
  if (item->node() == nullptr) return;
  panel_->control().select(item);
  const QPersistentModelIndex kept(index);
  noteSettings();
  if (!kept.isValid()) return;
  CallScope scope(calls_);
  guarded(host_, [&] { TreeModel::itemOf(kept)->node()->click(); });
}

bool TreePanel::toolTip(QHelpEvent* event) {
  const QString tip = toolTipAt(event->pos());
  if (tip.isEmpty()) {
    QToolTip::hideText();
    event->ignore();
  } else {
    QToolTip::showText(event->globalPos(), tip, view_->viewport());
  }
  return true;
}

}  // namespace ui
