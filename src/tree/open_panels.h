// OpenPanels: the process-wide list of open panels, in order of creation.
// A Panel enters it when it is made and leaves it when it is destroyed; the
// library and playlist change notifications walk it.
#ifndef VOSTREL_TREE_OPEN_PANELS_H_
#define VOSTREL_TREE_OPEN_PANELS_H_

#include <cstdint>
#include <vector>

namespace tree {

class Panel;

class OpenPanels {
 public:
  static OpenPanels& instance();

  const std::vector<Panel*>& panels() const { return panels_; }
  void add(Panel* panel);
  void remove(Panel* panel);
  // Whether an open panel shows the tree whose root row is `root_id`.
  bool showsRoot(int32_t root_id) const;
  // Marks stale every query node of every panel that read a table of
  // `kind` (bits as QueryNode::tablesRead()).
  void markStale(uint32_t kind) const;
  // The playing or focused track changed: marks the nodes that read it
  // stale, then lets every panel re-run what its option asks for.
  void followedTrackChanged() const;

 private:
  OpenPanels() = default;
  std::vector<Panel*> panels_;
};

}  // namespace tree

#endif  // VOSTREL_TREE_OPEN_PANELS_H_
