// Tree files: the context menu of a folder with Export... and Import...,
// the tree after a shared file was imported into a folder of its own, and
// the message for a file that cannot be imported.
#include <QMessageBox>
#include <filesystem>
#include <fstream>

#include "desktop/desktop_app.h"
#include "desktop/desktop_ui.h"
#include "scenes.h"
#include "shooter.h"
#include "tree/folder_node.h"
#include "tree/panel.h"

namespace shots {

namespace {

tree::FolderNode* findFolder(tree::Panel& panel, const std::string& label) {
  for (tree::FolderNode* folder : panel.folders()) {
    if (folder->label() == label) return folder;
  }
  return nullptr;
}

}  // namespace

void shootTreeFiles(Scene& scene) {
  ui::TreePanel& panel = scene.panel;
  tree::FolderNode* statistics = findFolder(panel.panel(), "Statistics");
  if (statistics == nullptr) return;
  const std::filesystem::path folder = std::filesystem::temp_directory_path() / "vostrel-shots-trees";
  std::filesystem::create_directories(folder);
  // The long result list of "Album" out of the way while these are taken.
  tree::FolderNode* library = findFolder(panel.panel(), "Library");
  if (library != nullptr) panel.panel().control().setExpanded(library->item(), false);
  settle();
  scene.shooter.menu(panel, statistics, "tree_file_menu");

  // Statistics shared as a file and imported into a folder "From a friend".
  const QString file = QString::fromStdString((folder / "Statistics.json").string());
  panel.exportTree(*statistics, file);
  tree::Panel& tree_panel = panel.panel();
  auto made = std::make_unique<tree::FolderNode>(&tree_panel, tree_panel.nodeForItem(nullptr));
  made->setLabel("From a friend");
  tree::TreeNode* shared = tree_panel.attach(std::move(made), true);
  if (shared == nullptr) return;
  if (panel.importTree(file, *shared)) {
    tree::TreeNode* imported = shared->item()->child(0)->node();
    panel.panel().expandNode(*imported, true);
  }
  settle();
  scene.shooter.save("tree_file_imported", scene.window.grab());

  // A file of a newer version: the message as the window shows it.
  std::ofstream(folder / "From the future.json")
      << R"({"format": "vostrel-tree", "version": 2, "node": {"type": "folder"}})"
      << "\n";
  desktop::DesktopUi& ui = scene.app.ui();
  const auto shown = ui.show_message;
  ui.show_message = [&](const QString& text, const QString& caption, bool) {
    QMessageBox box(QMessageBox::Information, caption, text, QMessageBox::Ok, &scene.window);
    box.show();
    settle();
    scene.shooter.save("tree_file_error", box.grab());
  };
  panel.importTree(QString::fromStdString((folder / "From the future.json").string()), *shared);
  ui.show_message = shown;

  tree_panel.deleteNode(*shared);
  if (library != nullptr) panel.panel().control().setExpanded(library->item(), true);
  std::filesystem::remove_all(folder);
}

}  // namespace shots
