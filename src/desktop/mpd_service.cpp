#include "desktop/mpd_service.h"

#include <cmath>

#include <QSocketNotifier>

#include "desktop/playback_controller.h"
#include "mpd/browse.h"
#include "mpd/dispatcher.h"
#include "mpd/playback.h"
#include "mpd/server.h"
#include "player/player.h"

namespace desktop {

// The protocol's view of the controller.
class MpdService::PlaybackAdapter final : public mpd::Playback {
 public:
  explicit PlaybackAdapter(PlaybackController& playback) : playback_(playback) {}

  bool available() const override { return playback_.engine().available(); }
  std::string unavailableReason() const override { return playback_.engine().unavailableReason().toStdString(); }
  State state() const override {
    switch (playback_.state()) {
      case PlaybackController::State::kPlaying: return State::kPlaying;
      case PlaybackController::State::kPaused: return State::kPaused;
      case PlaybackController::State::kStopped: break;
    }
    return State::kStopped;
  }
  int64_t position() const override { return playback_.position(); }
  int64_t duration() const override { return playback_.duration(); }
  void play() override { playback_.play(); }
  void pause() override { playback_.pause(); }
  void stop() override { playback_.stop(); }
  void seek(int64_t position) override { playback_.seek(position); }
  int volume() const override { return static_cast<int>(std::lround(playback_.volume() * 100)); }
  void setVolume(int volume) override { playback_.setVolume(volume / 100.0); }
  player::PlaybackOrder order() const override { return playback_.order(); }
  void setOrder(player::PlaybackOrder order) override { playback_.setOrder(order); }

 private:
  PlaybackController& playback_;
};

MpdService::MpdService(player::Player& player, tree::Panel& panel, PlaybackController& playback,
                       const std::string& password, QObject* parent)
    : QObject(parent),
      adapter_(std::make_unique<PlaybackAdapter>(playback)),
      browser_(std::make_unique<mpd::Browser>(panel, player)),
      dispatcher_(std::make_unique<mpd::Dispatcher>(player, *adapter_, *browser_, password)),
      server_(std::make_unique<mpd::Server>(*dispatcher_)) {
  connect(&playback, &PlaybackController::stateChanged, this, [this] { dispatcher_->notify(mpd::kPlayer); });
  connect(&playback, &PlaybackController::seeked, this, [this] { dispatcher_->notify(mpd::kPlayer); });
  connect(&playback, &PlaybackController::volumeChanged, this, [this] { dispatcher_->notify(mpd::kMixer); });
  connect(&playback, &PlaybackController::orderChanged, this, [this] { dispatcher_->notify(mpd::kOptions); });
}

MpdService::~MpdService() {
  delete notifier_;
  server_.reset();
  dispatcher_.reset();
}

void MpdService::listen(const std::string& address, uint16_t port) {
  server_->listen(address, port);
  notifier_ = new QSocketNotifier(static_cast<qintptr>(server_->fd()), QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, [this] { server_->process(); });
}

uint16_t MpdService::port() const { return server_->port(); }

std::size_t MpdService::clientCount() const { return server_->connectionCount(); }

}  // namespace desktop
