// libFuzzer target for the tree file reader: arbitrary text read as a tree
// file to be imported below a node at some level.
//
// Input: one byte choosing the level of the node the file goes below (taken
// modulo 256), followed by the file's text.
//
// The reader may refuse its input only with TreeFileError, and its message
// must name the file. What it accepts must respect the level limits, and must
// survive being written and read again unchanged, giving the same bytes when
// written a second time.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "tree/tree_file.h"

namespace {

constexpr const char* kFile = "fuzz.json";

void require(bool condition) {
  if (!condition) std::abort();
}

// The deepest level below `node`, which sits at `level`; checks the result
// levels of every query node on the way.
unsigned deepest(const tree::TreeFileNode& node, unsigned level) {
  require(node.type == tree::NodeType::kFolder || node.type == tree::NodeType::kQuery);
  if (node.type == tree::NodeType::kQuery) {
    require(node.children.empty());
    require(node.query.level_options.size() <= tree::kMaxNodeLevel - level);
    for (std::size_t i = 0; i < node.query.level_options.size(); ++i) {
      require(node.query.level_options[i].level == i + 1);
    }
  }
  unsigned deepest_level = level;
  for (const tree::TreeFileNode& child : node.children) {
    const unsigned below = deepest(child, level + 1);
    if (below > deepest_level) deepest_level = below;
  }
  return deepest_level;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const unsigned parent_level = data[0];
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  tree::TreeFileNode node;
  try {
    node = tree::readTreeFile(text, kFile, parent_level);
  } catch (const tree::TreeFileError& e) {
    require(std::string_view(e.what()).starts_with("Cannot import \"fuzz.json\": "));
    return 0;
  }
  require(deepest(node, parent_level + 1) <= tree::kMaxNodeLevel);
  const std::string written = tree::writeTreeFile(node);
  tree::TreeFileNode again;
  try {
    again = tree::readTreeFile(written, kFile, parent_level);
  } catch (const tree::TreeFileError&) {
    std::abort();  // what this program wrote must read back
  }
  // Labels and texts that are not valid UTF-8 cannot appear: the parser
  // refuses them, so the written text holds exactly what was read.
  require(again == node);
  require(tree::writeTreeFile(again) == written);
  return 0;
}
