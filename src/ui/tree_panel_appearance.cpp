// How a tree panel looks: its edge, colours and font from the panel
// settings, and where the tree and the "Query active" label lie in it.
#include <QLabel>
#include <QResizeEvent>

#include "ui/panel_attributes.h"
#include "ui/panel_hint.h"
#include "ui/panel_search.h"
#include "ui/panel_tree_view.h"
#include "ui/tree_panel.h"
#include "ui/ui_host.h"

namespace ui {

namespace {

// Margin between the panel's edge and the tree.
constexpr int kMargin = 2;

}  // namespace

void TreePanel::applySettings(const tree::PanelSettings* old, bool redraw) {
  const tree::PanelSettings& s = panel_->settings();
  if (old == nullptr || old->edge_style != s.edge_style) {
    switch (s.edge_style) {
      case tree::kEdgeGrey:
        setFrameStyle(QFrame::Box | QFrame::Plain);
        setLineWidth(1);
        break;
      case tree::kEdgeSunken:
        setFrameStyle(QFrame::Panel | QFrame::Sunken);
        setLineWidth(2);
        break;
      default: setFrameStyle(QFrame::NoFrame); break;
    }
    layoutChildren();
  }
  QPalette own = palette();
  own.setColor(QPalette::Window, toQColor(s.back));
  own.setColor(QPalette::WindowText, QColor(160, 160, 160));  // the grey edge
  setPalette(own);
  QPalette tree_palette = view_->palette();
  tree_palette.setColor(QPalette::Base, toQColor(s.back));
  tree_palette.setColor(QPalette::Window, toQColor(s.back));
  tree_palette.setColor(QPalette::Text, toQColor(s.text));
  view_->setPalette(tree_palette);
  QPalette label_palette = label_->palette();
  label_palette.setColor(QPalette::Window, toQColor(s.back_selected));
  label_palette.setColor(QPalette::WindowText, toQColor(s.text_selected));
  label_->setPalette(label_palette);
  view_->setLineColour(toQColor(s.line));
  if (old == nullptr || old->font != s.font) {
    const QFont font = toQFont(s.font, ui_host_.uiFont());
    view_->setFont(font);
    label_->setFont(font);
    layoutChildren();
  }
  if (redraw) {
    update();
    view_->viewport()->update();
  }
}

void TreePanel::uiAttributesChanged() {
  const tree::PanelSettings old = panel_->settings();
  panel_->setUiAttributes(uiAttributes(ui_host_));
  applySettings(&old, true);
  noteSettings();
}

void TreePanel::layoutChildren() {
  const QRect client = contentsRect();
  QRect tree = client.adjusted(kMargin, kMargin, -kMargin, -kMargin);
  const int search_height = search_->sizeHint().height();
  search_->setGeometry(tree.left(), tree.top(), tree.width(), search_height);
  tree.setTop(tree.top() + search_height + kMargin);
  if (hint_ != nullptr) {
    // The hint above the tree, as high as its wrapped text needs. In a panel
    // too narrow to read it, it would wrap a word a line and push the tree
    // down: it waits until the panel is wider.
    const bool readable = tree.width() >= hint_->readableWidth();
    hint_->setVisible(readable);
    if (readable) {
      const int height = hint_->heightForWidth(tree.width());
      hint_->setGeometry(tree.left(), tree.top(), tree.width(), height);
      tree.setTop(tree.top() + height + kMargin);
    }
  }
  view_->setGeometry(tree);
  const int height = label_->sizeHint().height();
  label_->setGeometry(client.left() + kMargin, client.bottom() + 1 - kMargin - height, client.width() - 2 * kMargin,
                      height);
}

void TreePanel::resizeEvent(QResizeEvent* event) {
  QFrame::resizeEvent(event);
  layoutChildren();
}

}  // namespace ui
