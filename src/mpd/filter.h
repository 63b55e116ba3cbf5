// Filter: which library tracks find, search, list and count take. Built
// from the request's arguments, in either form clients send:
//
//   find Artist "Miles Davis" Album "Kind of Blue"   (tag/value pairs)
//   find "((Artist == 'Miles Davis') AND (Album contains 'Blue'))"
//
// A tag is one of kTagTypes, "any" (every tag) or "file" (the song's name).
// The pair form compares whole values in `find` and looks for the value
// within them, ignoring case, in `search`. Expressions take ==, !=,
// contains and starts_with, "!" for not and AND; `search` compares ignoring
// case there too.
#ifndef VOSTREL_MPD_FILTER_H_
#define VOSTREL_MPD_FILTER_H_

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "host/track.h"

namespace mpd {

class Filter {
 public:
  // Takes the filter from `args`, leaving the arguments that follow it
  // (sort, window, group) in `rest`. Throws Ack (kArg) for a malformed one.
  static Filter parse(std::span<const std::string> args, bool ignore_case, std::vector<std::string>* rest);

  bool empty() const { return conditions_.empty(); }
  bool matches(const host::Track& track) const;

 private:
  enum class Op { kEquals, kContains, kStartsWith };
  struct Condition {
    int tag = 0;  // index in kTagTypes, or kAny / kFile
    Op op = Op::kEquals;
    bool negate = false;
    std::string value;  // folded when ignoring case
  };
  static constexpr int kAny = -1;
  static constexpr int kFile = -2;

  static int tagOf(std::string_view name);
  void parseExpression(std::string_view text);
  bool holds(const Condition& condition, std::string_view value) const;

  std::vector<Condition> conditions_;
  bool ignore_case_ = false;
};

}  // namespace mpd

#endif  // VOSTREL_MPD_FILTER_H_
