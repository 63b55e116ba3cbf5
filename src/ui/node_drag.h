// Dragging a tree node out of a panel. A query node or a query result node
// can be dragged; the drag carries its identity (this process, the panel
// window and the node's place in the panel's tree) and its label as text.
// Whoever takes the drop asks for the node's tracks, which are collected as
// the node's playlist actions collect them (its tracks statement).
//
//   if (ui::carriesNode(*mime)) {
//     if (auto node = ui::takeDroppedNode(*mime)) insert(node->tracks, node->name);
//   }
#ifndef VOSTREL_UI_NODE_DRAG_H_
#define VOSTREL_UI_NODE_DRAG_H_

#include <optional>
#include <string>

#include "host/host.h"

class QMimeData;

namespace tree {
class TreeNode;
}

namespace ui {

class TreePanel;

inline constexpr const char* kNodeMimeType = "application/x-vostrel-tree-node";

// Whether `node` has tracks to drag (query and result nodes).
bool canDragNode(const tree::TreeNode& node);
// The drag data of `node` shown in `panel`. REQUIRES: canDragNode(node).
QMimeData* nodeMimeData(const TreePanel& panel, const tree::TreeNode& node);
// Whether `data` names a node (of any process).
bool carriesNode(const QMimeData& data);

struct DroppedNode {
  host::TrackList tracks;
  std::string name;  // the node's label
};
// The tracks of the node `data` names. nullopt when it names no node of an
// open panel of this process (the node went, or came from another program),
// when that panel is busy with a query, or when collecting failed (the panel
// has reported why).
std::optional<DroppedNode> takeDroppedNode(const QMimeData& data);

}  // namespace ui

#endif  // VOSTREL_UI_NODE_DRAG_H_
