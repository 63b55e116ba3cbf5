// A tree panel's tree files: "Export..." and "Import..." in the context menu
// and .json files dropped on the panel. The file format and the import's
// checks and transaction are the core's (tree/tree_sharing.h); this file
// only asks for files, reads and writes them, and shows what happened.
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMimeData>
#include <QPointer>
#include <QSaveFile>
#include <QTimer>
#include <QUrl>

#include "host/host.h"
#include "tree/tree_sharing.h"
#include "ui/node_calls.h"
#include "ui/panel_tree_view.h"
#include "ui/tree_model.h"
#include "ui/tree_panel.h"

namespace ui {

namespace {

constexpr const char* kFileFilter = "Tree files (*.json);;All files (*)";
// Tree files are small; a larger file is not one.
constexpr qint64 kTreeFileLimit = qint64{64} << 20;

std::string_view caption() { return host::kComponentFileName; }

// The local .json files among dragged data; empty when anything else is
// among them.
QStringList treeFiles(const QMimeData* data) {
  QStringList files;
  if (data == nullptr || !data->hasUrls()) return files;
  for (const QUrl& url : data->urls()) {
    if (!url.isLocalFile() || !url.toLocalFile().endsWith(QStringLiteral(".json"), Qt::CaseInsensitive)) return {};
    files.push_back(url.toLocalFile());
  }
  return files;
}

// A file name for the export of a node labelled `label`: the characters
// that file systems refuse become "_".
QString suggestedName(const std::string& label) {
  QString name = QString::fromStdString(label).trimmed();
  for (QChar& c : name) {
    if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c == QLatin1Char(':') || c.unicode() < 0x20) {
      c = QLatin1Char('_');
    }
  }
  if (name.isEmpty() || name.startsWith(QLatin1Char('.'))) name.prepend(QStringLiteral("tree"));
  return name + QStringLiteral(".json");
}

}  // namespace

bool TreePanel::exportTree(tree::TreeNode& node, const QString& path) {
  const std::string text = tree::writeTreeFile(tree::captureNode(node));
  // The old file stays whole until the new one is complete.
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(text.data(), static_cast<qint64>(text.size())) < 0 ||
      !file.commit()) {
    host_.popupMessage(
        "Cannot write \"" + QFileInfo(path).fileName().toStdString() + "\": " + file.errorString().toStdString(),
        caption());
    return false;
  }
  return true;
}

bool TreePanel::importTree(const QString& path, tree::TreeNode& parent) {
  const std::string name = QFileInfo(path).fileName().toStdString();
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    host_.popupMessage("Cannot import \"" + name + "\": " + file.errorString().toStdString(), caption());
    return false;
  }
  if (file.size() > kTreeFileLimit) {
    host_.popupMessage("Cannot import \"" + name + "\": it is larger than any tree file (64 MiB)", caption());
    return false;
  }
  const QByteArray bytes = file.readAll();
  std::string error;
  tree::TreeNode* added =
      tree::importTreeText(*panel_, parent, std::string_view(bytes.constData(), bytes.size()), name, &error);
  if (added == nullptr) {
    host_.popupMessage(error, caption());
    return false;
  }
  // The new node in sight: its folder opened, the node selected.
  if (parent.type() == tree::NodeType::kFolder) panel_->expandNode(parent, true);
  panel_->control().select(added->item());
  view_->scrollTo(model_->indexOf(added->item()));
  return true;
}

void TreePanel::exportAsked(tree::TreeNode& node) {
  if (node.type() != tree::NodeType::kFolder && node.type() != tree::NodeType::kQuery) return;
  const QString name = suggestedName(node.label());
  const QString path = file_chooser_ ? file_chooser_(this, true, name)
                                     : QFileDialog::getSaveFileName(this, QStringLiteral("Export tree"), name,
                                                                    QString::fromLatin1(kFileFilter));
  if (!path.isEmpty()) exportTree(node, path);
}

void TreePanel::importAsked(tree::TreeNode& parent) {
  if (parent.type() != tree::NodeType::kFolder && parent.type() != tree::NodeType::kRoot) return;
  const QString path = file_chooser_ ? file_chooser_(this, false, {})
                                     : QFileDialog::getOpenFileName(this, QStringLiteral("Import tree"), {},
                                                                    QString::fromLatin1(kFileFilter));
  if (!path.isEmpty()) importTree(path, parent);
}

bool TreePanel::dragEvent(QEvent* event) {
  auto* drag = static_cast<QDropEvent*>(event);
  const QStringList files = treeFiles(drag->mimeData());
  if (files.isEmpty() || queryRunning()) {
    drag->ignore();
    return true;
  }
  if (event->type() != QEvent::Drop) {
    drag->acceptProposedAction();
    return true;
  }
  drag->acceptProposedAction();
  tree::TreeNode* at = nodeAt(drag->position().toPoint());
  if (at == nullptr) return true;
  tree::TreeNode& parent = tree::importParentFor(*at);
  // Found again by item when the drop is over: a message box of the import
  // must not open while the drag still runs, and each import re-sorts items.
  const QPersistentModelIndex index(model_->indexOf(parent.item()));
  const bool on_item = parent.item() != nullptr;
  QTimer::singleShot(0, this, [this, files, index, on_item] {
    QPointer<TreePanel> self(this);
    for (const QString& file : files) {
      if (!self || queryRunning() || (on_item && !index.isValid())) break;
      tree::TreeNode* target = on_item ? TreeModel::itemOf(index)->node() : &panel_->root();
      if (target == nullptr) break;
      CallScope scope(calls_);
      guarded(host_, [&] { importTree(file, *target); });
    }
    if (self) noteSettings();
  });
  return true;
}

}  // namespace ui
