// TransportBar: the playback controls of the main window. A tool bar with
// Play, Pause, Stop, Previous and Next, a seek bar and the time, the
// playback order and the volume; the same actions, and the orders as a
// submenu, fill the Playback menu.
//
// The seek bar follows the position while nobody holds it; dragging it
// seeks when it is let go, clicking beside the handle seeks at once.
#ifndef VOSTREL_DESKTOP_TRANSPORT_BAR_H_
#define VOSTREL_DESKTOP_TRANSPORT_BAR_H_

#include <QToolBar>

class QAction;
class QActionGroup;
class QComboBox;
class QLabel;
class QMenu;
class QSlider;

namespace desktop {

class PlaybackController;

class TransportBar : public QToolBar {
  Q_OBJECT

 public:
  TransportBar(PlaybackController& playback, QWidget* parent = nullptr);

  // Adds the transport actions to `menu`.
  void fillMenu(QMenu& menu);

  QAction* playAction() const { return play_; }
  QAction* pauseAction() const { return pause_; }
  QAction* stopAction() const { return stop_; }
  QAction* nextAction() const { return next_; }
  QAction* previousAction() const { return previous_; }
  // Play or pause (Ctrl+P and the media keys), and seeking by
  // kSeekStepMs; in the Playback menu, not in the bar.
  QAction* playPauseAction() const { return play_pause_; }
  QAction* seekForwardAction() const { return seek_forward_; }
  QAction* seekBackAction() const { return seek_back_; }
  static constexpr qint64 kSeekStepMs = 5000;
  QSlider& seekBar() const { return *seek_; }
  QLabel& timeLabel() const { return *time_; }
  QComboBox& orderBox() const { return *order_box_; }
  // The orders' checkable actions, in menu order.
  QActionGroup& orderActions() const { return *orders_; }
  // 0 to 100.
  QSlider& volumeSlider() const { return *volume_; }

 private:
  void update();
  void showPosition(qint64 position);
  void showOrder();

  PlaybackController& playback_;
  QAction* play_;
  QAction* pause_;
  QAction* stop_;
  QAction* previous_;
  QAction* next_;
  QAction* play_pause_;
  QAction* seek_forward_;
  QAction* seek_back_;
  QSlider* seek_;
  QLabel* time_;
  QActionGroup* orders_;
  QComboBox* order_box_;
  QSlider* volume_;
};

}  // namespace desktop

#endif  // VOSTREL_DESKTOP_TRANSPORT_BAR_H_
