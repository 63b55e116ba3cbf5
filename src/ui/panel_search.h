// PanelSearch: the search field above a tree panel's tree, and the timing
// of what typing into it does.
//
// The text goes to the panel about 150 ms after the last keystroke
// (tree::Panel::setSearchText runs the nodes that have run again). A
// keystroke while that search still runs interrupts it: its result would be
// out of date, and the newest text is applied as soon as the run has
// unwound. A search waits while another statement of the panel runs.
// Esc clears the field (the whole library comes back) and hands the focus
// to the tree; Down and Return hand it over as well.
#ifndef VOSTREL_UI_PANEL_SEARCH_H_
#define VOSTREL_UI_PANEL_SEARCH_H_

#include <QLineEdit>
#include <QTimer>
#include <functional>

namespace tree {
class Panel;
}

namespace ui {

inline constexpr int kSearchDelayMs = 150;
inline constexpr const char* kSearchPlaceholder = "Search artist, album, title...";

class PanelSearch : public QLineEdit {
  Q_OBJECT

 public:
  // `run` applies a text to the panel, inside the caller's guards (it may
  // let events through, and the panel may be closed meanwhile).
  PanelSearch(tree::Panel& panel, std::function<void(const QString& text)> run, QWidget* parent = nullptr);

  // Applies the text now if the panel is idle, else as soon as it is.
  void applyNow();
  QTimer& timer() { return timer_; }

 signals:
  // The user wants to go on in the tree (Esc, Down, Return).
  void leaveRequested();

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void edited();

  tree::Panel& panel_;
  std::function<void(const QString& text)> run_;
  QTimer timer_;
};

}  // namespace ui

#endif  // VOSTREL_UI_PANEL_SEARCH_H_
