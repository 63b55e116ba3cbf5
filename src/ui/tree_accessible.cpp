#include "ui/tree_accessible.h"

#include <QAccessibleWidget>
#include <QHash>
#include <QMetaObject>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QWindow>
#include <algorithm>

#include "tree/query_node.h"
#include "tree/tree_item.h"
#include "ui/panel_tree_view.h"
#include "ui/tree_model.h"
#include "ui/tree_panel.h"

namespace ui {

namespace {

TreePanel* panelOf(QWidget* view) {
  for (QWidget* up = view; up != nullptr; up = up->parentWidget()) {
    if (auto* panel = qobject_cast<TreePanel*>(up)) return panel;
  }
  return nullptr;
}

class TreeViewAccessible;

// One node of the tree. It holds a persistent index, so that it goes
// invalid when its node leaves the tree.
class TreeItemAccessible : public QAccessibleInterface, public QAccessibleActionInterface {
 public:
  TreeItemAccessible(PanelTreeView* view, const QModelIndex& index) : view_(view), index_(index) {}

  const QPersistentModelIndex& index() const { return index_; }

  bool isValid() const override { return view_ != nullptr && index_.isValid() && index_.model() == view_->model(); }
  QObject* object() const override { return nullptr; }
  QWindow* window() const override { return view_ != nullptr ? view_->window()->windowHandle() : nullptr; }
  QAccessibleInterface* parent() const override;
  QAccessibleInterface* child(int index) const override;
  int childCount() const override {
    if (!isValid() || !view_->isExpanded(index_)) return 0;
    return view_->model()->rowCount(index_);
  }
  int indexOfChild(const QAccessibleInterface* child) const override;
  QAccessibleInterface* childAt(int, int) const override { return nullptr; }
  QString text(QAccessible::Text t) const override {
    if (!isValid()) return {};
    if (t == QAccessible::Name) return index_.data(Qt::DisplayRole).toString();
    if (t == QAccessible::Description) {
      const tree::TreeNode* node = TreeModel::itemOf(index_)->node();
      if (node != nullptr && node->type() == tree::NodeType::kQuery) {
        return queryNodeTips(static_cast<const tree::QueryNode&>(*node)).join(QLatin1Char('\n'));
      }
    }
    return {};
  }
  void setText(QAccessible::Text, const QString&) override {}
  QRect rect() const override {
    if (!isValid()) return {};
    QRect area = view_->visualRect(index_);
    area.moveTopLeft(view_->viewport()->mapToGlobal(area.topLeft()));
    return area;
  }
  QAccessible::Role role() const override { return QAccessible::TreeItem; }
  QAccessible::State state() const override;
  void* interface_cast(QAccessible::InterfaceType type) override {
    return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this) : nullptr;
  }

  // QAccessibleActionInterface.
  QStringList actionNames() const override;
  void doAction(const QString& name) override;
  QStringList keyBindingsForAction(const QString& name) const override;

 private:
  const tree::TreeItem* item() const { return TreeModel::itemOf(index_); }

  QPointer<PanelTreeView> view_;
  QPersistentModelIndex index_;
};

// The view: a tree whose children are the top-level nodes. Item interfaces
// are made on demand and kept until the view goes.
class TreeViewAccessible : public QAccessibleWidget {
 public:
  explicit TreeViewAccessible(PanelTreeView* view) : QAccessibleWidget(view, QAccessible::Tree) {}
  ~TreeViewAccessible() override {
    for (QAccessible::Id id : std::as_const(items_)) QAccessible::deleteAccessibleInterface(id);
  }

  PanelTreeView* view() const { return static_cast<PanelTreeView*>(widget()); }

  // The interface of the item at `index`.
  QAccessibleInterface* itemFor(const QModelIndex& index) const {
    if (!index.isValid()) return nullptr;
    void* key = index.internalPointer();
    if (const auto found = items_.constFind(key); found != items_.constEnd()) {
      auto* known = static_cast<TreeItemAccessible*>(QAccessible::accessibleInterface(*found));
      if (known != nullptr && known->isValid() && known->index() == index) return known;
      // An item freed since, whose address a new one took.
      QAccessible::deleteAccessibleInterface(*found);
      items_.erase(found);
    }
    if (items_.size() >= purge_at_) purge();
    auto* made = new TreeItemAccessible(view(), index);
    items_.insert(key, QAccessible::registerAccessibleInterface(made));
    return made;
  }

  int childCount() const override { return view()->model() != nullptr ? view()->model()->rowCount() : 0; }
  QAccessibleInterface* child(int index) const override {
    if (index < 0 || index >= childCount()) return nullptr;
    return itemFor(view()->model()->index(index, 0));
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    if (child == nullptr || child->role() != QAccessible::TreeItem) return -1;
    const QModelIndex index = static_cast<const TreeItemAccessible*>(child)->index();
    return index.isValid() && !index.parent().isValid() ? index.row() : -1;
  }
  QAccessibleInterface* childAt(int x, int y) const override {
    const QModelIndex at = view()->indexAt(view()->viewport()->mapFromGlobal(QPoint(x, y)));
    return itemFor(at);
  }
  QAccessibleInterface* focusChild() const override {
    if (!view()->hasFocus()) return nullptr;
    return itemFor(view()->currentIndex());
  }

 private:
  // Forgets the items that left the tree.
  void purge() const {
    for (auto it = items_.begin(); it != items_.end();) {
      QAccessibleInterface* known = QAccessible::accessibleInterface(*it);
      if (known != nullptr && known->isValid()) {
        ++it;
      } else {
        if (known != nullptr) QAccessible::deleteAccessibleInterface(*it);
        it = items_.erase(it);
      }
    }
    purge_at_ = std::max<qsizetype>(256, items_.size() * 2);
  }

  mutable QHash<void*, QAccessible::Id> items_;
  mutable qsizetype purge_at_ = 256;
};

TreeViewAccessible* viewAccessible(PanelTreeView* view) {
  return dynamic_cast<TreeViewAccessible*>(QAccessible::queryAccessibleInterface(view));
}

QAccessibleInterface* TreeItemAccessible::parent() const {
  TreeViewAccessible* tree = view_ != nullptr ? viewAccessible(view_) : nullptr;
  if (tree == nullptr) return nullptr;
  const QModelIndex up = index_.parent();
  return up.isValid() ? tree->itemFor(up) : tree;
}

QAccessibleInterface* TreeItemAccessible::child(int index) const {
  if (index < 0 || index >= childCount()) return nullptr;
  TreeViewAccessible* tree = viewAccessible(view_);
  return tree != nullptr ? tree->itemFor(view_->model()->index(index, 0, index_)) : nullptr;
}

int TreeItemAccessible::indexOfChild(const QAccessibleInterface* child) const {
  if (child == nullptr || child->role() != QAccessible::TreeItem) return -1;
  const QModelIndex index = static_cast<const TreeItemAccessible*>(child)->index();
  return index.isValid() && index.parent() == index_ ? index.row() : -1;
}

QAccessible::State TreeItemAccessible::state() const {
  QAccessible::State state;
  if (!isValid()) {
    state.invalid = true;
    return state;
  }
  state.focusable = true;
  state.selectable = true;
  if (item()->showsExpander()) {
    state.expandable = true;
    state.expanded = item()->expanded();
    state.collapsed = !item()->expanded();
  }
  const auto* model = static_cast<const TreeModel*>(view_->model());
  if (model->control().selection() == item()) {
    state.selected = true;
    state.focused = view_->hasFocus();
  }
  if (!view_->isVisible()) state.invisible = true;
  if (!view_->viewport()->rect().intersects(view_->visualRect(index_))) state.offscreen = true;
  return state;
}

QStringList TreeItemAccessible::actionNames() const {
  if (!isValid()) return {};
  QStringList names;
  if (item()->showsExpander()) names << (item()->expanded() ? collapseActionName() : expandActionName());
  if (item()->node() != nullptr) names << pressAction() << showMenuAction();
  names << setFocusAction();
  return names;
}

void TreeItemAccessible::doAction(const QString& name) {
  TreePanel* panel = isValid() ? panelOf(view_) : nullptr;
  if (panel == nullptr) return;
  const QPersistentModelIndex index = index_;
  if (name == expandActionName() || name == collapseActionName()) {
    panel->setNodeExpanded(index, name == expandActionName());
  } else if (name == setFocusAction()) {
    panel->selectNode(index);
    view_->setFocus(Qt::OtherFocusReason);
  } else if (name == pressAction() || name == showMenuAction()) {
    // Later, from the event loop: the tool that asked gets its answer
    // before a long action or a menu's own loop starts.
    const bool menu = name == showMenuAction();
    QMetaObject::invokeMethod(
        panel,
        [panel = QPointer<TreePanel>(panel), index, menu] {
          if (panel == nullptr || !index.isValid()) return;
          if (menu) {
            panel->showNodeMenu(index);
          } else {
            panel->clickNode(index);
          }
        },
        Qt::QueuedConnection);
  }
}

QStringList TreeItemAccessible::keyBindingsForAction(const QString& name) const {
  if (name == expandActionName()) return {QStringLiteral("Right")};
  if (name == collapseActionName()) return {QStringLiteral("Left")};
  if (name == pressAction()) return {QStringLiteral("Space")};
  if (name == showMenuAction()) return {QStringLiteral("Menu"), QStringLiteral("Shift+F10")};
  return {};
}

}  // namespace

QString expandActionName() { return QStringLiteral("Expand"); }
QString collapseActionName() { return QStringLiteral("Collapse"); }

QAccessibleInterface* treeViewAccessible(const QString& class_name, QObject* object) {
  if (class_name != QLatin1String(PanelTreeView::staticMetaObject.className())) return nullptr;
  auto* view = qobject_cast<PanelTreeView*>(object);
  return view != nullptr ? new TreeViewAccessible(view) : nullptr;
}

void announceCurrentItem(PanelTreeView& view, const QModelIndex& index) {
  if (!QAccessible::isActive()) return;
  TreeViewAccessible* tree = viewAccessible(&view);
  QAccessibleInterface* item = tree != nullptr ? tree->itemFor(index) : nullptr;
  if (item == nullptr) return;
  QAccessibleEvent focus(item, QAccessible::Focus);
  QAccessible::updateAccessibility(&focus);
  QAccessibleEvent selection(item, QAccessible::Selection);
  QAccessible::updateAccessibility(&selection);
}

}  // namespace ui
