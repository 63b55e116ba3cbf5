// NodeAttributes: the icon and the six colours of a node or of a result
// level, and whether they are inherited from the parent. Also the node type
// codes stored in vos_TreeItem.tri_node_type.
//
// Colours are 0x00BBGGRR values; icons index the shared icon list, where 194
// is the folder icon every new node starts with.
#ifndef VOSTREL_TREE_NODE_ATTRIBUTES_H_
#define VOSTREL_TREE_NODE_ATTRIBUTES_H_

#include <cstdint>

namespace tree {

using Colour = uint32_t;

inline constexpr uint16_t kDefaultIcon = 194;

enum class NodeType : uint8_t {
  kNone = 0,
  kRoot = 1,
  kFolder = 2,
  kQuery = 3,
  kQueryResult = 4,
};

struct NodeAttributes {
  uint16_t icon = kDefaultIcon;
  Colour text = 0;
  Colour back = 0;
  Colour text_selected = 0;
  Colour back_selected = 0;
  Colour text_selected_inactive = 0;
  Colour back_selected_inactive = 0;
  // Take the icon and the colours from the parent.
  bool use_parent = true;

  // Copies the six colours and the icon of `from` (not the flag).
  void inheritFrom(const NodeAttributes& from) {
    text = from.text;
    back = from.back;
    text_selected = from.text_selected;
    back_selected = from.back_selected;
    text_selected_inactive = from.text_selected_inactive;
    back_selected_inactive = from.back_selected_inactive;
    icon = from.icon;
  }
  bool operator==(const NodeAttributes&) const = default;
};

}  // namespace tree

#endif  // VOSTREL_TREE_NODE_ATTRIBUTES_H_
