#include "ui/support/panel_harness.h"

#include <cstdlib>
#include <filesystem>

#include <QApplication>
#include <QContextMenuEvent>
#include <QTest>

#include "db/open_steps.h"
#include "library_tables/library_tables.h"
#include "tree/tree_schema.h"
#include "ui/icon_list.h"
#include "ui/panel_tree_view.h"
#include "ui/tree_model.h"

namespace ui_testing {

std::string slowQuery() {
  return "WITH RECURSIVE r(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM r WHERE i<400000000) "
         "SELECT 'Value '||i FROM r WHERE i % 100000000 = 0";
}

PanelHarness::PanelHarness() {
  library_tables::resetProcessState();
  db::setSchemaReady(false);
  db::installOpenSteps({&tree::BuildTreeSchema, &library_tables::setUpLibraryTables});
  host.on_pump = [] { QCoreApplication::processEvents(QEventLoop::AllEvents, 20); };
  if (ui::IconList::instance().size() == 0) {
    ui::IconList::instance().load(QString::fromStdString(dataDir() + "/icons.png"), "");
  }
}

PanelHarness::~PanelHarness() {
  db::installOpenSteps({});
  library_tables::resetProcessState();
}

std::string PanelHarness::dataDir() {
  const char* demo = std::getenv("VOSTREL_DEMO");
  if (demo == nullptr) return "data";
  return std::filesystem::path(demo).parent_path().string();
}

std::unique_ptr<ui::TreePanel> PanelHarness::makePanel(std::span<const uint8_t> record) {
  return std::make_unique<ui::TreePanel>(host, ui, record,
                                         [this](const std::string& sql) { console_sql.push_back(sql); });
}

tree::QueryNode* PanelHarness::addQuery(tree::Panel& panel, const std::string& sql, std::vector<std::string> levels,
                                        tree::TreeNode* parent, const std::string& label) {
  if (parent == nullptr) parent = panel.nodeForItem(nullptr);
  auto node = std::make_unique<tree::QueryNode>(&panel, parent);
  node->setLabel(label);
  node->definition().sql_query = sql;
  for (std::size_t i = 0; i < levels.size(); ++i) {
    tree::QueryResultNodeOption option;
    option.name = levels[i];
    option.level = static_cast<uint8_t>(i + 1);
    node->definition().level_options.push_back(option);
  }
  return static_cast<tree::QueryNode*>(panel.attach(std::move(node), true));
}

tree::FolderNode* PanelHarness::addFolder(tree::Panel& panel, const std::string& label, tree::TreeNode* parent) {
  if (parent == nullptr) parent = panel.nodeForItem(nullptr);
  auto node = std::make_unique<tree::FolderNode>(&panel, parent);
  node->setLabel(label);
  return static_cast<tree::FolderNode*>(panel.attach(std::move(node), true));
}

void clickAt(ui::TreePanel& panel, QPoint pos, Qt::MouseButton button, Qt::KeyboardModifiers modifiers) {
  QTest::mousePress(panel.view()->viewport(), button, modifiers, pos);
  QTest::mouseRelease(panel.view()->viewport(), button, modifiers, pos);
}

void contextMenuAt(ui::TreePanel& panel, QPoint pos) {
  QWidget* viewport = panel.view()->viewport();
  QContextMenuEvent event(QContextMenuEvent::Mouse, pos, viewport->mapToGlobal(pos));
  QApplication::sendEvent(viewport, &event);
}

QPoint labelPoint(ui::TreePanel& panel, const tree::TreeNode& node) {
  const QRect row = panel.view()->visualRect(panel.model()->indexOf(node.item()));
  // Icon, gap and a few pixels into the label.
  return {row.left() + 16 + 3 + 6, row.center().y()};
}

}  // namespace ui_testing
