// PlayerSignals: the player's events as Qt signals, for the windows. It
// listens to the player from construction to destruction.
#ifndef VOSTREL_DESKTOP_PLAYER_SIGNALS_H_
#define VOSTREL_DESKTOP_PLAYER_SIGNALS_H_

#include <QObject>

#include "player/player.h"

namespace desktop {

class PlayerSignals : public QObject, public player::PlayerListener {
  Q_OBJECT

 public:
  explicit PlayerSignals(player::Player& player, QObject* parent = nullptr);
  ~PlayerSignals() override;

  void playlistChanged(const player::PlaylistChange& change) override { emit playlistEvent(change); }
  void libraryChanged(host::LibraryEvent event) override { emit libraryEvent(event); }
  void trackInfoChanged() override { emit trackInfoEvent(); }
  void playbackChanged() override { emit playbackEvent(); }

 signals:
  void playlistEvent(const player::PlaylistChange& change);
  void libraryEvent(host::LibraryEvent event);
  void trackInfoEvent();
  void playbackEvent();

 private:
  player::Player& player_;
};

}  // namespace desktop

#endif  // VOSTREL_DESKTOP_PLAYER_SIGNALS_H_
