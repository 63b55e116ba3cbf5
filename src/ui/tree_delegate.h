// TreeDelegate: paints one item of a panel's tree. The icon comes first,
// then the item's text area filled with the node's background colour, then
// the label: in the node's text colour, or on a highlight rectangle (the
// label widened by 2 pixels to the left and 5 to the right) in the selected
// colours while the tree has the focus and in the inactive selected colours
// while it has not. A result node whose level shows an item count gets
// "(n)" or "[n]" in front, the count centred in a box as wide as the
// parent's widest count, and the label 8 pixels after the bracket. The
// right edge of the painted label is stored on the node: tooltips and the
// click rules use it. A query node whose results may be out of date is
// painted in italics.
#ifndef VOSTREL_UI_TREE_DELEGATE_H_
#define VOSTREL_UI_TREE_DELEGATE_H_

#include <functional>

#include <QStyledItemDelegate>

namespace tree {
class Panel;
class TreeNode;
}  // namespace tree

namespace ui {

// Pixels between the icon and the item's text area.
inline constexpr int kIconGap = 3;

class TreeDelegate : public QStyledItemDelegate {
  Q_OBJECT

 public:
  // `hasFocus` tells whether the tree has the keyboard focus.
  TreeDelegate(tree::Panel& panel, std::function<bool()> hasFocus, QObject* parent = nullptr);

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

  // The font a node is painted with: `base`, in italics for a stale query
  // node that has results.
  static QFont nodeFont(const tree::TreeNode& node, const QFont& base);

 private:
  tree::Panel& panel_;
  std::function<bool()> has_focus_;
};

}  // namespace ui

#endif  // VOSTREL_UI_TREE_DELEGATE_H_
