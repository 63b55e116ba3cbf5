// Evaluation of a compiled script for one track.
//
// Everything is written straight into the output string: an argument is
// evaluated onto the end of the output, the function reads it there and
// replaces it by its result. So evaluation allocates nothing but the output
// (whose capacity the caller reuses) and one thread-local scratch string
// that only holds a result while it is being assembled.
//
// Every evaluation step also yields a truth value: a field is true when it
// has a value, a sequence when any of its items is true, literal text never.
// Functions define their own (see help/titleformat.html).
#ifndef VOSTREL_PLAYER_TITLEFORMAT_EVALUATOR_H_
#define VOSTREL_PLAYER_TITLEFORMAT_EVALUATOR_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "host/track.h"
#include "player/titleformat/functions.h"
#include "player/titleformat/script.h"

namespace player::titleformat {

class Evaluator {
 public:
  Evaluator(const Script& script, const host::Track& track, std::string& out)
      : script_(script), track_(track), info_(track.hasInfo() ? &track : nullptr), out_(out) {}
  Evaluator(const Evaluator&) = delete;
  Evaluator& operator=(const Evaluator&) = delete;

  // Evaluates the script into the output (cleared first). Returns false,
  // leaving the output empty, when generated text would pass
  // kMaxGeneratedBytes.
  bool run();

 private:
  // evaluator.cpp: sequences, fields and special fields.
  bool sequence(Span span);
  bool item(const Node& node);
  bool bracket(const Node& node);
  bool field(host::FieldId id);
  bool special(Special code);
  // The field with `id` among the tags, then the technical fields; nullptr
  // when absent or without values.
  host::FieldPtr findField(host::FieldId id) const;
  void appendValues(const host::InfoField& field, std::string_view separator);

  // calls.cpp: one member per group of functions.
  bool call(const Node& node);
  bool callCondition(const Node& node, Function f);
  bool callCompare(const Node& node, Function f);
  bool callCase(const Node& node, Function f);
  bool callCut(const Node& node, Function f);
  bool callPad(const Node& node, Function f);
  bool callRepeat(const Node& node);
  bool callReplace(const Node& node);
  bool callStrstr(const Node& node);
  bool callStripPrefix(const Node& node);
  bool callFirstAlphaChar(const Node& node);
  bool callPath(const Node& node, Function f);
  bool callMeta(const Node& node, Function f);
  bool callNumber(const Node& node, Function f);

  // Evaluates argument `i` of `call` onto the output; returns its truth.
  bool arg(const Node& call, uint32_t i) { return sequence(script_.arg(call, i)); }
  // Evaluates argument `i` as a number and takes it off the output again.
  int64_t numberArg(const Node& call, uint32_t i, bool* truth = nullptr);
  // The output from byte `from` on, or between two offsets. Valid until the
  // output changes.
  std::string_view tail(std::size_t from) const { return std::string_view(out_).substr(from); }
  std::string_view slice(std::size_t from, std::size_t to) const {
    return std::string_view(out_).substr(from, to - from);
  }
  // Replaces the output from `mark` on by `piece`, a view into that tail.
  void keepPiece(std::size_t mark, std::string_view piece);
  // Replaces the output from `mark` on by the scratch string.
  void replaceTailWithScratch(std::size_t mark);
  // Whether the output may grow by `count` pieces of `unit` bytes; marks the
  // evaluation failed when not.
  bool mayGrow(uint64_t count, uint64_t unit);

  const Script& script_;
  const host::Track& track_;
  const host::Track* info_;  // nullptr: the track has no info record
  std::string& out_;
  bool failed_ = false;
};

// The thread's scratch string: holds a result while a function assembles
// it. Never held across the evaluation of an argument.
std::string& scratch();

}  // namespace player::titleformat

#endif  // VOSTREL_PLAYER_TITLEFORMAT_EVALUATOR_H_
