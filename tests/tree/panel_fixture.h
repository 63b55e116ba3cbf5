// PanelFixture: a panel over a fresh profile with the tree schema, plus
// helpers that make query nodes over native tables and print result trees.
#ifndef VOSTREL_TESTS_TREE_PANEL_FIXTURE_H_
#define VOSTREL_TESTS_TREE_PANEL_FIXTURE_H_

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "db/database.h"
#include "db/open_steps.h"
#include "support/fake_host.h"
#include "tree/folder_node.h"
#include "tree/panel.h"
#include "tree/query_node.h"
#include "tree/query_result_node.h"
#include "tree/tree_schema.h"

namespace tree_testing {

class PanelFixture : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Runs `sql` on the panel's connection.
  void exec(const std::string& sql) { panel->database().Execute(sql); }
  // Runs `sql` as another program could, with the program's own tables open
  // to DROP and ALTER (which the connection refuses to the user's SQL).
  void damage(const std::string& sql) {
    const db::OwnSchemaChange unguarded(panel->database());
    exec(sql);
  }
  // The first column of the first row as text ("-" for NULL, "(no row)").
  std::string scalar(const std::string& sql);
  // All rows, cells joined by ",", rows ended by ";" (NULL as "-").
  std::string rows(const std::string& sql);

  // A new stored query node below `parent` (the root when nullptr) with one
  // level option per name in `levels`. Both helpers throw (failing the test,
  // not crashing the binary) when the node cannot be attached.
  tree::QueryNode* addQuery(const std::string& sql, std::vector<std::string> levels,
                            tree::TreeNode* parent = nullptr, const std::string& label = "Q");
  tree::FolderNode* addFolder(const std::string& label, tree::TreeNode* parent = nullptr);

  // The result tree below `node`: "A{x{1,2},y{1}},B{x{1}}".
  static std::string dump(const tree::TreeNode& node);
  // The first result node with this label, depth first, or nullptr.
  static tree::QueryResultNode* find(const tree::TreeNode& node, const std::string& label);
  // Console lines written since the last call.
  std::vector<std::string> takeConsole();

  testing_support::TempDir dir;
  testing_support::FakeHost host{dir.path()};
  std::unique_ptr<tree::Panel> panel;
  std::vector<bool> label_events;  // "Query active" shown (true) / hidden
};

}  // namespace tree_testing

#endif  // VOSTREL_TESTS_TREE_PANEL_FIXTURE_H_
