// OverallNodeCount: the number of result nodes that exist in all panels of
// the process, bounded by the advanced setting "Overall node limit for all
// panels". Runs add one per node they make; a run and a query node going
// away take off the node's previous result count.
#ifndef VOSTREL_TREE_OVERALL_NODE_COUNT_H_
#define VOSTREL_TREE_OVERALL_NODE_COUNT_H_

#include <cstdint>

namespace tree {

class OverallNodeCount {
 public:
  static OverallNodeCount& instance();

  uint64_t value() const { return value_; }
  uint64_t add(uint64_t count) { return value_ += count; }
  // Never goes below 0.
  void subtract(uint64_t count) { value_ = count > value_ ? 0 : value_ - count; }

 private:
  OverallNodeCount() = default;
  uint64_t value_ = 0;
};

}  // namespace tree

#endif  // VOSTREL_TREE_OVERALL_NODE_COUNT_H_
