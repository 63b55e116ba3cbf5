// The tree's process-wide owners: the overall result-node count and the list
// of open panels.
#include <algorithm>

#include "tree/open_panels.h"
#include "tree/overall_node_count.h"
#include "tree/panel.h"
#include "tree/query_node.h"

namespace tree {

OverallNodeCount& OverallNodeCount::instance() {
  static OverallNodeCount count;
  return count;
}

OpenPanels& OpenPanels::instance() {
  static OpenPanels panels;
  return panels;
}

void OpenPanels::add(Panel* panel) {
  if (std::find(panels_.begin(), panels_.end(), panel) == panels_.end()) panels_.push_back(panel);
}

void OpenPanels::remove(Panel* panel) { std::erase(panels_, panel); }

bool OpenPanels::showsRoot(int32_t root_id) const {
  return std::any_of(panels_.begin(), panels_.end(),
                     [root_id](const Panel* panel) { return panel->rootNodeId() == root_id; });
}

void OpenPanels::markStale(uint32_t kind) const {
  for (Panel* panel : panels_) {
    for (QueryNode* node : panel->queries()) {
      if ((node->tablesRead() & kind) != 0) node->setStale(true);
    }
  }
}

void OpenPanels::followedTrackChanged() const {
  markStale(kReadsFollowedTrack);
  // A run lets user input through, which may close panels: walk a copy and
  // skip the panels that went meanwhile.
  const std::vector<Panel*> panels = panels_;
  for (Panel* panel : panels) {
    if (std::find(panels_.begin(), panels_.end(), panel) != panels_.end()) panel->followedTrackChanged();
  }
}

}  // namespace tree
