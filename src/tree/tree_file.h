// Tree files: a folder or query node with everything stored below it, as a
// JSON document that can be imported into any profile. The document holds no
// ids; docs/tree-files.md describes the format.
//
//   {"format": "vostrel-tree", "version": 1,
//    "node": {"type": "folder", "label": "Mine", "expanded": false,
//             "attributes": {"use_parent": true}, "children": [...]}}
//
// This file only converts between text and TreeFileNode; tree_sharing.h
// takes nodes out of a panel and puts them into one.
#ifndef VOSTREL_TREE_TREE_FILE_H_
#define VOSTREL_TREE_TREE_FILE_H_

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "tree/node_attributes.h"
#include "tree/query_definition.h"

namespace tree {

inline constexpr const char* kTreeFileFormat = "vostrel-tree";
inline constexpr int kTreeFileVersion = 1;
// Stored nodes have 8-bit levels: the deepest a node can sit below the root.
inline constexpr unsigned kMaxNodeLevel = 255;

// One stored node of a tree file. A folder has children; a query node has
// its definition (whose level options are numbered 1, 2, ... in list order).
// With attributes.use_parent set, the icon and colours come from wherever
// the node is put, so the file does not carry them.
struct TreeFileNode {
  NodeType type = NodeType::kFolder;  // kFolder or kQuery
  std::string label;
  bool expanded = false;
  NodeAttributes attributes;
  QueryDefinition query;               // query nodes
  std::vector<TreeFileNode> children;  // folders

  bool operator==(const TreeFileNode&) const = default;
};

// A file that cannot be imported. what() is the whole message, naming the
// file and the place in it:
//   Cannot import "mine.json": $.node.children[2].label: expected a string, found a number
class TreeFileError : public std::runtime_error {
 public:
  TreeFileError(const std::string& file, const std::string& path, const std::string& detail);
  // "$.node.children[2].label", or "" for an error of the whole text.
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// The document for `node` and everything below it, indented by two spaces
// and ending in a newline. The same node always gives the same bytes.
std::string writeTreeFile(const TreeFileNode& node);

// Reads a document that writeTreeFile made (or a person wrote by its rules).
// `file` names the source in messages. The node will sit at `parent_level`
// + 1: a node that would lie below kMaxNodeLevel, or a query node with more
// result levels than fit below it, is refused. Throws TreeFileError for a
// syntax error, a wrong format name or version, a missing or unknown key, a
// value of the wrong type or out of range, and for such a depth.
TreeFileNode readTreeFile(std::string_view text, const std::string& file, unsigned parent_level = 0);

}  // namespace tree

#endif  // VOSTREL_TREE_TREE_FILE_H_
