// The folder dialog, every page of the query sheet and the level dialog.
#include <QPushButton>

#include "scenes.h"
#include "shooter.h"
#include "tree/folder_node.h"
#include "tree/query_node.h"
#include "ui/folder_node_dialog.h"
#include "ui/query_node_property_sheet.h"
#include "ui/query_page.h"
#include "ui/query_result_node_dialog.h"

namespace shots {

namespace {

tree::QueryNode* findAlbum(tree::Panel& panel) {
  for (tree::QueryNode* node : panel.queries()) {
    if (node->label() == "Album") return node;
  }
  return nullptr;
}

}  // namespace

void shootNodeDialogs(Scene& scene) {
  tree::QueryNode* album = findAlbum(scene.panel.panel());
  if (album == nullptr) return;

  {
    ui::QueryNodePropertySheetDialog sheet(*album, &scene.window);
    sheet.show();
    settle();
    const char* names[] = {"node_sheet_main", "node_sheet_query", "node_sheet_action", "node_sheet_batch",
                           "node_sheet_advanced"};
    for (int page = 0; page < sheet.pageCount(); ++page) {
      sheet.setCurrentPage(page);
      settle();
      if (page == ui::QueryNodePropertySheetDialog::kQueryPage) {
        sheet.queryPage().previewButton()->click();
        settle();
      }
      scene.shooter.save(names[page], sheet.grab());
    }
    sheet.reject();
  }

  if (album->levelCount() > 0) {
    ui::QueryResultNodeDialog level(*album, 0, &scene.window);
    level.show();
    settle();
    scene.shooter.save("node_level_dialog", level.grab());
    level.reject();
  }

  if (album->parent() != nullptr && album->parent()->type() == tree::NodeType::kFolder) {
    ui::FolderNodeDialog folder(*album->parent(), &scene.window);
    folder.show();
    settle();
    scene.shooter.save("node_folder_dialog", folder.grab());
    folder.reject();
  }
}

}  // namespace shots
