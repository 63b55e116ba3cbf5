// MprisService: the program as a media player on the D-Bus session bus, so
// that media keys and the desktop's media controls work. It publishes
// /org/mpris/MediaPlayer2 with the interfaces org.mpris.MediaPlayer2 (Raise,
// Quit, identity) and org.mpris.MediaPlayer2.Player (Play, Pause,
// PlayPause, Stop, Next, Previous, Seek, SetPosition; PlaybackStatus,
// Metadata, Position, Volume, LoopStatus, Shuffle and the Can* properties), and announces
// changes with org.freedesktop.DBus.Properties.PropertiesChanged.
//
//   auto mpris = MprisService::publish(playback, raise_window, quit);
//   // nullptr without a session bus: the program goes on without it
//
// The bus name is org.mpris.MediaPlayer2.vostrel, or, when another
// instance holds that, org.mpris.MediaPlayer2.vostrel.instance<pid>.
#ifndef VOSTREL_DESKTOP_MPRIS_SERVICE_H_
#define VOSTREL_DESKTOP_MPRIS_SERVICE_H_

#include <functional>
#include <memory>

#include <QDBusConnection>
#include <QObject>
#include <QVariantMap>

namespace desktop {

class CoverLoader;
class PlaybackController;

class MprisService : public QObject {
  Q_OBJECT

 public:
  static constexpr const char* kObjectPath = "/org/mpris/MediaPlayer2";
  static constexpr const char* kServiceName = "org.mpris.MediaPlayer2.vostrel";
  static constexpr const char* kRootInterface = "org.mpris.MediaPlayer2";
  static constexpr const char* kPlayerInterface = "org.mpris.MediaPlayer2.Player";

  // Publishes on `bus` (the session bus when not connected); nullptr when
  // there is no bus or the object cannot be registered.
  static std::unique_ptr<MprisService> publish(PlaybackController& playback, std::function<void()> raise,
                                               std::function<void()> quit,
                                               QDBusConnection bus = QDBusConnection(QString()));
  ~MprisService() override;

  MprisService(const MprisService&) = delete;
  MprisService& operator=(const MprisService&) = delete;

  QString serviceName() const { return service_; }
  PlaybackController& playback() { return playback_; }
  void raise() const;
  void quit() const;

  // "Playing", "Paused" or "Stopped".
  QString playbackStatus() const;
  // The playing track: mpris:trackid, mpris:length (microseconds),
  // xesam:title, xesam:artist (a list), xesam:album, xesam:url, and
  // mpris:artUrl (a file:// URI of the cover's cached copy) once the cover
  // has been read. Only the track id (the "no track" path) while stopped.
  QVariantMap metadata() const;
  // Where covers come from: their reading starts with each track, and the
  // metadata is announced again when the cover is there.
  void setCovers(CoverLoader* covers);
  bool canSeek() const;
  // The playback order as MPRIS sees it: LoopStatus "None", "Track" or
  // "Playlist", and Shuffle (either shuffle order). Turning shuffle on picks
  // Shuffle tracks; a loop status ends a shuffle, except "None".
  QString loopStatus() const;
  void setLoopStatus(const QString& status);
  bool shuffle() const;
  void setShuffle(bool on);

 private:
  MprisService(PlaybackController& playback, QDBusConnection bus, std::function<void()> raise,
               std::function<void()> quit);
  // Sends PropertiesChanged for the player interface.
  void announce(const QVariantMap& changed);

  PlaybackController& playback_;
  QDBusConnection bus_;
  std::function<void()> raise_;
  std::function<void()> quit_;
  QString service_;
  CoverLoader* covers_ = nullptr;
};

}  // namespace desktop

#endif  // VOSTREL_DESKTOP_MPRIS_SERVICE_H_
