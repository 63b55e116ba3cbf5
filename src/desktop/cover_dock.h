// The cover of the track in view, as a dock of the main window and in the
// track properties.
//
// CoverView draws a picture scaled to fit, keeping its proportions, or a
// neutral placeholder ("No cover") while there is none. CoverDock ("Cover",
// object name "cover_dock") shows the playing track's cover, else that of
// the first selected item of the active playlist, else the placeholder; it
// follows the player's events and asks the CoverLoader, whose answers come
// from its worker thread, so the window never waits for a picture.
#ifndef VOSTREL_DESKTOP_COVER_DOCK_H_
#define VOSTREL_DESKTOP_COVER_DOCK_H_

#include <QDockWidget>
#include <QImage>
#include <QWidget>

#include "host/track.h"

namespace player {
class Player;
}

namespace desktop {

class CoverLoader;
class PlayerSignals;

class CoverView : public QWidget {
  Q_OBJECT

 public:
  explicit CoverView(QWidget* parent = nullptr);

  // Follows `loader` for the cover of the track at `location` (empty: the
  // placeholder); `description` names the track for screen readers.
  void showCoverOf(CoverLoader& loader, const QString& location, const QString& description);
  const QString& location() const { return location_; }
  const QImage& image() const { return image_; }
  bool hasCover() const { return !image_.isNull(); }

  QSize sizeHint() const override { return {240, 240}; }
  bool hasHeightForWidth() const override { return true; }
  int heightForWidth(int width) const override { return width; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void setImage(const QImage& image);

  QString location_;
  QString description_;
  QImage image_;
  QMetaObject::Connection answer_;
};

class CoverDock : public QDockWidget {
  Q_OBJECT

 public:
  CoverDock(player::Player& player, PlayerSignals& player_signals, CoverLoader& loader, QWidget* parent = nullptr);

  CoverView& view() { return *view_; }
  // The track whose cover is shown (nullptr: none).
  host::TrackHandle track() const;
  // Looks again at what plays and what is selected.
  void update();

 private:
  player::Player& player_;
  CoverLoader& loader_;
  CoverView* view_;
};

}  // namespace desktop

#endif  // VOSTREL_DESKTOP_COVER_DOCK_H_
