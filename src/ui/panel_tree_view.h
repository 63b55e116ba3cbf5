// PanelTreeView: the QTreeView of a tree panel. It draws the tree lines and
// the expand buttons in the panel's line colour, and leaves every decision
// about clicks, keys and expansion to its panel (the panel filters its
// events): the user cannot expand an item without the panel.
#ifndef VOSTREL_UI_PANEL_TREE_VIEW_H_
#define VOSTREL_UI_PANEL_TREE_VIEW_H_

#include <QColor>
#include <QTreeView>

namespace ui {

class PanelTreeView : public QTreeView {
  Q_OBJECT

 public:
  explicit PanelTreeView(QWidget* parent = nullptr);

  void setLineColour(const QColor& colour);
  QColor lineColour() const { return line_colour_; }
  // Lays the items out now rather than at the next event.
  void layoutNow() { executeDelayedItemsLayout(); }
  // Whether `pos` (viewport coordinates) lies on the expand button of the
  // item at that height.
  bool onExpandButton(const QPoint& pos) const;
  // The depth of `index` below the top level (0 for top-level items).
  static int depthOf(const QModelIndex& index);

 protected:
  // Tells assistive tools about the new current item in terms of the
  // panel's accessible tree (see tree_accessible.h).
  void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
  void drawBranches(QPainter* painter, const QRect& rect, const QModelIndex& index) const override;

 private:
  QColor line_colour_{160, 160, 160};
};

}  // namespace ui

#endif  // VOSTREL_UI_PANEL_TREE_VIEW_H_
