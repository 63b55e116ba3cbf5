// Finding the node a command names: by path (see tree_output.h) or by the
// stored id that `tree --ids` shows, with a hint when a path only misses by
// letter case.
#ifndef VOSTREL_APP_NODE_LOOKUP_H_
#define VOSTREL_APP_NODE_LOOKUP_H_

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace tree {
class Panel;
class TreeNode;
}  // namespace tree

namespace app {

// What names a node: a path, or an id given with --id in its place.
struct NodeRef {
  std::string path;
  std::optional<int32_t> id;

  // "Mine/Rock" or "--id 12", for messages.
  std::string describe() const;
};

// The stored node (folder or query, or the root) with this id, or nullptr.
tree::TreeNode* findNodeById(tree::Panel& panel, int32_t id);

// A path whose labels are `labels`, each written with "\/" and "\\".
std::string joinNodePath(std::span<const std::string> labels);

// The path of the node that `path` names when letter case is ignored, as far
// as the loaded tree reaches (nothing is refreshed); empty when there is
// none.
std::string caseInsensitiveMatch(tree::Panel& panel, std::string_view path);

// The node `ref` names. When there is none, says so on `err` ("No node at
// PATH", with a hint for a case mismatch, or "No node with id N") and
// returns nullptr.
tree::TreeNode* resolveNode(tree::Panel& panel, const NodeRef& ref, std::ostream& err);

}  // namespace app

#endif  // VOSTREL_APP_NODE_LOOKUP_H_
