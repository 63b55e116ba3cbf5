#include "ui/node_drag.h"

#include <vector>

#include <QApplication>
#include <QMimeData>

#include "tree/panel.h"
#include "tree/query_node.h"
#include "tree/query_result_node.h"
#include "tree/tree_item.h"
#include "ui/tree_panel.h"

namespace ui {
namespace {

// "pid window-address row row ...": the rows lead from the top of the
// panel's tree to the node's item.
QByteArray identity(const TreePanel& panel, const tree::TreeNode& node) {
  std::vector<std::size_t> rows;
  for (const tree::TreeItem* item = node.item(); item != nullptr; item = item->parent()) rows.push_back(item->row());
  QByteArray text = QByteArray::number(QCoreApplication::applicationPid()) + ' ' +
                    QByteArray::number(reinterpret_cast<quintptr>(&panel));
  for (auto row = rows.rbegin(); row != rows.rend(); ++row) text += ' ' + QByteArray::number(qulonglong(*row));
  return text;
}

TreePanel* openPanel(quintptr address) {
  for (QWidget* widget : QApplication::allWidgets()) {
    if (reinterpret_cast<quintptr>(widget) == address) return qobject_cast<TreePanel*>(widget);
  }
  return nullptr;
}

}  // namespace

bool canDragNode(const tree::TreeNode& node) {
  return node.item() != nullptr &&
         (node.type() == tree::NodeType::kQuery || node.type() == tree::NodeType::kQueryResult);
}

QMimeData* nodeMimeData(const TreePanel& panel, const tree::TreeNode& node) {
  auto* data = new QMimeData;
  data->setData(QString::fromLatin1(kNodeMimeType), identity(panel, node));
  data->setText(QString::fromStdString(node.label()));
  return data;
}

bool carriesNode(const QMimeData& data) { return data.hasFormat(QString::fromLatin1(kNodeMimeType)); }

std::optional<DroppedNode> takeDroppedNode(const QMimeData& data) {
  const QList<QByteArray> parts = data.data(QString::fromLatin1(kNodeMimeType)).split(' ');
  if (parts.size() < 3 || parts[0].toLongLong() != QCoreApplication::applicationPid()) return std::nullopt;
  TreePanel* window = openPanel(static_cast<quintptr>(parts[1].toULongLong()));
  if (window == nullptr) return std::nullopt;
  tree::Panel& panel = window->panel();
  if (panel.queryActive() || window->queryRunning()) return std::nullopt;
  const tree::TreeItem* item = panel.control().top();
  for (qsizetype i = 2; i < parts.size(); ++i) {
    bool ok = false;
    const qulonglong row = parts[i].toULongLong(&ok);
    if (!ok || row >= item->childCount()) return std::nullopt;
    item = item->child(static_cast<std::size_t>(row));
  }
  tree::TreeNode* node = item->node();
  if (node == nullptr || !canDragNode(*node)) return std::nullopt;

  tree::QueryNode* query = nullptr;
  std::vector<std::string> path;
  if (node->type() == tree::NodeType::kQuery) {
    query = static_cast<tree::QueryNode*>(node);
  } else {
    query = tree::resultPath(static_cast<const tree::QueryResultNode&>(*node), path);
  }
  DroppedNode dropped;
  dropped.name = node->label();
  // The window may close while the statement lets events through; its
  // panel stays until this call is done.
  const std::shared_ptr<void> hold = window->holdPanel();
  panel.showQueryActive();
  bool complete = false;
  try {
    complete = query->collectTracks(path, dropped.tracks);
  } catch (const std::exception&) {
    complete = false;
  }
  panel.hideQueryActive();
  if (!complete) return std::nullopt;
  return dropped;
}

}  // namespace ui
