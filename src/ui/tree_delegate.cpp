#include "ui/tree_delegate.h"

#include <algorithm>
#include <limits>

#include <QPainter>

#include "tree/panel.h"
#include "tree/query_node.h"
#include "tree/query_result_node.h"
#include "ui/icon_list.h"
#include "ui/panel_attributes.h"
#include "ui/tree_model.h"

namespace ui {

namespace {

// Space the item's own text area keeps after its text.
constexpr int kTextAreaPadding = 4;
// The label starts this far after the text area's left edge...
constexpr int kLabelIndent = 2;
// ...or after the item count's closing bracket.
constexpr int kLabelAfterCount = 8;
constexpr int kCountIndent = 4;

QString qs(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

}  // namespace

TreeDelegate::TreeDelegate(tree::Panel& panel, std::function<bool()> hasFocus, QObject* parent)
    : QStyledItemDelegate(parent), panel_(panel), has_focus_(std::move(hasFocus)) {}

QFont TreeDelegate::nodeFont(const tree::TreeNode& node, const QFont& base) {
  if (node.type() != tree::NodeType::kQuery) return base;
  const auto& query = static_cast<const tree::QueryNode&>(node);
  // A node that never ran has no results to be out of date.
  if (!query.stale() || query.tablesRead() == 0) return base;
  QFont italic = base;
  italic.setItalic(true);
  return italic;
}

void TreeDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
  tree::TreeItem* item = TreeModel::itemOf(index);
  tree::TreeNode* node = item ? item->node() : nullptr;
  const QRect rect = option.rect;
  if (node == nullptr || rect.isEmpty()) return;

  // A result node whose level option is gone is painted with the panel's
  // colours.
  tree::NodeAttributes fallback = panel_.settings().nodeAttributes();
  const tree::NodeAttributes& colours = node->attributes() ? *node->attributes() : fallback;

  painter->save();
  const QFont font = nodeFont(*node, option.font);
  painter->setFont(font);
  const QFontMetrics metrics(font);

  const QImage& icon = IconList::instance().icon(colours.icon);
  if (!icon.isNull()) painter->drawImage(rect.left(), rect.top() + (rect.height() - kIconSize) / 2, icon);
  const int text_left = rect.left() + kIconSize + kIconGap;

  // The item's own text area in the node's background colour.
  const int text_width = metrics.horizontalAdvance(qs(item->text())) + kTextAreaPadding;
  painter->fillRect(QRect(text_left, rect.top(), text_width, rect.height()), toQColor(colours.back));

  const QString label = qs(node->label());
  int label_left = text_left + kLabelIndent;
  const auto* result = node->type() == tree::NodeType::kQueryResult ? static_cast<const tree::QueryResultNode*>(node)
                                                                      : nullptr;
  const tree::QueryResultNodeOption* option_of_level = result ? result->option() : nullptr;
  if (option_of_level != nullptr && (option_of_level->show_item_count == tree::kShowSubitems ||
                                     option_of_level->show_item_count == tree::kShowLeaves)) {
    const bool leaves = option_of_level->show_item_count == tree::kShowLeaves;
    const QString open = leaves ? QStringLiteral("[") : QStringLiteral("(");
    const QString close = leaves ? QStringLiteral("]") : QStringLiteral(")");
    const uint32_t count = leaves ? result->leafCount() : result->subitemCount();
    const tree::TreeNode* parent = node->parent();
    const uint32_t widest = parent ? (leaves ? parent->widestLeafCount() : parent->widestSubitemCount()) : count;
    painter->setPen(toQColor(colours.text));
    const int flags = Qt::AlignVCenter | Qt::TextSingleLine;
    int x = text_left + kCountIndent;
    const int open_width = metrics.horizontalAdvance(open);
    painter->drawText(QRect(x, rect.top(), open_width, rect.height()), flags | Qt::AlignLeft, open);
    x += open_width;
    const int box_width = metrics.horizontalAdvance(QString::number(std::max(widest, count)));
    painter->drawText(QRect(x, rect.top(), box_width, rect.height()), flags | Qt::AlignHCenter, QString::number(count));
    x += box_width;
    const int close_width = metrics.horizontalAdvance(close);
    painter->drawText(QRect(x, rect.top(), close_width, rect.height()), flags | Qt::AlignLeft, close);
    label_left = x + close_width + kLabelAfterCount;
  }

  const QRect label_rect(label_left, rect.top(), metrics.horizontalAdvance(label), rect.height());
  const QRect highlight = label_rect.adjusted(-2, 0, 5, 0);
  const bool selected = item == panel_.control().selection();
  if (selected && has_focus_ && has_focus_()) {
    painter->fillRect(highlight, toQColor(colours.back_selected));
    painter->setPen(toQColor(colours.text_selected));
  } else if (selected) {
    painter->fillRect(highlight, toQColor(colours.back_selected_inactive));
    painter->setPen(toQColor(colours.text_selected_inactive));
  } else {
    painter->setPen(toQColor(colours.text));
  }
  painter->drawText(label_rect, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine, label);
  const int extent = label_rect.left() + label_rect.width();
  node->setLabelExtent(static_cast<uint16_t>(std::clamp(extent, 0, int{std::numeric_limits<uint16_t>::max()})));
  painter->restore();
}

QSize TreeDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
  const tree::TreeItem* item = TreeModel::itemOf(index);
  const QFontMetrics metrics(option.font);
  const int height = std::max(metrics.height(), kIconSize) + 2;
  const int width = kIconSize + kIconGap + (item ? metrics.horizontalAdvance(qs(item->text())) : 0) + 16;
  return {width, height};
}

}  // namespace ui
