// PanelHarness: what a widget test of the tree panel needs: a temporary
// profile with the tree schema and the library tables, a fake host whose
// event pump runs the Qt event loop, a fake UI host, the icon strip, and
// helpers that make nodes and wait for runs.
#ifndef VOSTREL_TESTS_UI_SUPPORT_PANEL_HARNESS_H_
#define VOSTREL_TESTS_UI_SUPPORT_PANEL_HARNESS_H_

#include <memory>
#include <span>
#include <string>
#include <vector>

#include "support/fake_host.h"
#include "ui/support/fake_ui_host.h"
#include "tree/folder_node.h"
#include "tree/panel.h"
#include "tree/query_node.h"
#include "ui/tree_panel.h"

namespace ui_testing {

// A statement that keeps the connection busy for seconds.
std::string slowQuery();

class PanelHarness {
 public:
  PanelHarness();
  ~PanelHarness();

  // A panel over the harness's profile; not yet loaded.
  std::unique_ptr<ui::TreePanel> makePanel(std::span<const uint8_t> record = {});

  // A stored query node below `parent` (the root when nullptr) with one
  // level option per name.
  static tree::QueryNode* addQuery(tree::Panel& panel, const std::string& sql, std::vector<std::string> levels,
                                   tree::TreeNode* parent = nullptr, const std::string& label = "Q");
  static tree::FolderNode* addFolder(tree::Panel& panel, const std::string& label, tree::TreeNode* parent = nullptr);

  // The path of data/ in the source tree.
  static std::string dataDir();

  testing_support::TempDir dir;
  testing_support::FakeHost host{dir.path()};
  FakeUiHost ui;
  // What the panels sent to the console.
  std::vector<std::string> console_sql;
};

// Sends a mouse press (and release) to the view's viewport at `pos`.
void clickAt(ui::TreePanel& panel, QPoint pos, Qt::MouseButton button = Qt::LeftButton,
             Qt::KeyboardModifiers modifiers = Qt::NoModifier);
// Sends a mouse context-menu event to the viewport at `pos`.
void contextMenuAt(ui::TreePanel& panel, QPoint pos);
// The centre of the row of `node`'s label, in viewport coordinates.
QPoint labelPoint(ui::TreePanel& panel, const tree::TreeNode& node);

}  // namespace ui_testing

#endif  // VOSTREL_TESTS_UI_SUPPORT_PANEL_HARNESS_H_
