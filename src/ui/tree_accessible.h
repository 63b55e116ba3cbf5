// The accessible face of a tree panel's view, for screen readers and test
// robots: the view is a tree whose items nest as its nodes do, and every
// item offers what a user does to a node with the mouse and the keys:
// expand or collapse it, click it, open its menu, make it current. The node
// the panel has selected is exposed as selected (and focused while the view
// has the focus), since the view itself selects nothing.
#ifndef VOSTREL_UI_TREE_ACCESSIBLE_H_
#define VOSTREL_UI_TREE_ACCESSIBLE_H_

#include <QString>

class QAccessibleInterface;
class QModelIndex;
class QObject;

namespace ui {

class PanelTreeView;

// The names of the item actions that Qt has no standard name for.
QString expandActionName();
QString collapseActionName();

// The accessible interface of a PanelTreeView (nullptr for other objects):
// an accessibility factory.
QAccessibleInterface* treeViewAccessible(const QString& class_name, QObject* object);

// Tells assistive tools that `index` became the view's current item.
void announceCurrentItem(PanelTreeView& view, const QModelIndex& index);

}  // namespace ui

#endif  // VOSTREL_UI_TREE_ACCESSIBLE_H_
