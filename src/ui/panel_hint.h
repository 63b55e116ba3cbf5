// PanelHint: the short note at the top of a tree panel that tells a new user
// how the tree works, with a button that closes it. Closing it is for good:
// the panel asks the UI host to remember that, and every panel hides its
// hint.
//
//   auto* hint = new PanelHint(panel);
//   connect(hint, &PanelHint::closeRequested, ...);
#ifndef VOSTREL_UI_PANEL_HINT_H_
#define VOSTREL_UI_PANEL_HINT_H_

#include <QFrame>

class QLabel;
class QToolButton;

namespace ui {

// The hint's text.
inline constexpr const char* kTreeHintText =
    "Click a node to send its tracks to a playlist. F5 runs a query node and shows its levels. "
    "Right-click for more.";

class PanelHint : public QFrame {
  Q_OBJECT

 public:
  explicit PanelHint(QWidget* parent = nullptr);

  // The narrowest width at which the text still reads as lines rather than
  // a column of single words; a narrower panel leaves the hint out.
  int readableWidth() const;

  QLabel* label() const { return label_; }
  QToolButton* closeButton() const { return close_; }

 signals:
  // The user pressed the close button (by mouse or keyboard).
  void closeRequested();

 private:
  QLabel* label_ = nullptr;
  QToolButton* close_ = nullptr;
};

}  // namespace ui

#endif  // VOSTREL_UI_PANEL_HINT_H_
