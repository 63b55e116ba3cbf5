// A compiled title-formatting script: the expression as a flat tree.
//
// The parser (parser.cpp) builds it once; the evaluator (evaluator.cpp)
// walks it for every track. Every sequence of items, the top level, the
// inside of a [...] section and each function argument, is a Span of
// consecutive nodes, so a walk touches memory in order and never follows a
// pointer. Field names are resolved to interned ids while compiling.
#ifndef VOSTREL_PLAYER_TITLEFORMAT_SCRIPT_H_
#define VOSTREL_PLAYER_TITLEFORMAT_SCRIPT_H_

#include <cassert>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "host/host.h"

namespace player::titleformat {

// Brackets and function calls may nest this deep; parsing and evaluation
// recurse once per level, so this also bounds the stack they use.
inline constexpr int kMaxDepth = 256;

// Text that $pad, $num, $repeat or $replace would grow beyond this many
// bytes makes the evaluation fail instead of exhausting memory.
inline constexpr std::size_t kMaxGeneratedBytes = std::size_t{1} << 20;

enum class NodeKind : uint8_t {
  kText,     // literal text: text_[a, a + b)
  kField,    // a tag or technical field: FieldId a
  kSpecial,  // a computed field: Special code
  kBracket,  // [...]: nodes_[a, a + b); flags kHasField
  kCall,     // $function(...): Function code, args_[a, a + b), c = FieldId for $meta*
};

// Fields computed from the track rather than read from one tag.
enum class Special : uint8_t {
  kPath,
  kFileName,
  kFileNameExt,
  kDirectoryName,
  kLength,
  kLengthSeconds,
  kAlbumArtist,
  kTrackArtist,
  kTitle,
  kTrackNumber,
  kDiscNumber,
};

struct Span {
  uint32_t first = 0;
  uint32_t count = 0;
};

struct Node {
  NodeKind kind = NodeKind::kText;
  uint8_t code = 0;    // Special or Function, by kind
  uint16_t flags = 0;  // kBracket: kHasField
  uint32_t a = 0;
  uint32_t b = 0;
  uint32_t c = 0;
};

// kBracket flag: the section contains a field reference somewhere inside,
// so it is dropped when none of them has a value.
inline constexpr uint16_t kHasField = 1;

class Script final : public host::TitleFormatScript {
 public:
  Script() = default;
  Script(const Script&) = delete;
  Script& operator=(const Script&) = delete;

  // The top-level sequence.
  Span root() const { return root_; }
  const Node& node(uint32_t index) const {
    assert(index < nodes_.size());
    return nodes_[index];
  }
  // Argument `i` of a kCall node.
  Span arg(const Node& call, uint32_t i) const {
    assert(call.kind == NodeKind::kCall && i < call.b);
    return args_[call.a + i];
  }
  // The literal of a kText node.
  std::string_view text(const Node& n) const {
    assert(n.kind == NodeKind::kText);
    return std::string_view(text_).substr(n.a, n.b);
  }

 private:
  friend class Parser;

  std::vector<Node> nodes_;
  std::vector<Span> args_;
  std::string text_;  // all literals, back to back
  Span root_;
};

}  // namespace player::titleformat

#endif  // VOSTREL_PLAYER_TITLEFORMAT_SCRIPT_H_
