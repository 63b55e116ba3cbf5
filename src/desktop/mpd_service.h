// MpdService: the music server for MPD clients on the program's event loop.
// It serves the player, one tree panel and the playback controller (see
// mpd/dispatcher.h), watches the server's descriptor with a socket notifier
// and tells idle clients what the controller changed (play state, volume,
// playback order).
//
//   MpdService service(player, panel, playback, password);
//   service.listen("127.0.0.1", 6600);   // throws mpd::ServerError
#ifndef VOSTREL_DESKTOP_MPD_SERVICE_H_
#define VOSTREL_DESKTOP_MPD_SERVICE_H_

#include <cstdint>
#include <memory>
#include <string>

#include <QObject>

class QSocketNotifier;

namespace mpd {
class Browser;
class Dispatcher;
class Server;
}  // namespace mpd
namespace player {
class Player;
}
namespace tree {
class Panel;
}

namespace desktop {

class PlaybackController;

class MpdService : public QObject {
  Q_OBJECT

 public:
  // All must outlive the service.
  MpdService(player::Player& player, tree::Panel& panel, PlaybackController& playback, const std::string& password,
             QObject* parent = nullptr);
  ~MpdService() override;

  // Listens; throws mpd::ServerError saying why it cannot.
  void listen(const std::string& address, uint16_t port);
  uint16_t port() const;
  std::size_t clientCount() const;

 private:
  class PlaybackAdapter;

  std::unique_ptr<PlaybackAdapter> adapter_;
  std::unique_ptr<mpd::Browser> browser_;
  std::unique_ptr<mpd::Dispatcher> dispatcher_;
  std::unique_ptr<mpd::Server> server_;
  QSocketNotifier* notifier_ = nullptr;
};

}  // namespace desktop

#endif  // VOSTREL_DESKTOP_MPD_SERVICE_H_
