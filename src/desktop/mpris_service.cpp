#include "desktop/mpris_service.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QFileInfo>
#include <algorithm>

#include "desktop/cover_loader.h"
#include "desktop/mpris_adaptors.h"
#include "desktop/playback_controller.h"
#include "host/track.h"

namespace desktop {
namespace {

constexpr const char* kNoTrack = "/org/mpris/MediaPlayer2/TrackList/NoTrack";

QString fromView(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

// The values of a tag field (none when the track lacks it).
QStringList fieldValues(const host::Track& track, const char* name) {
  QStringList values;
  const host::FieldId id = host::findField(name);
  if (id == host::kNoField) return values;
  if (host::FieldPtr field = track.findMeta(id)) {
    for (std::string_view value : field->values()) values.push_back(fromView(value));
  }
  return values;
}

}  // namespace

std::unique_ptr<MprisService> MprisService::publish(PlaybackController& playback, std::function<void()> raise,
                                                    std::function<void()> quit, QDBusConnection bus) {
  if (!bus.isConnected()) bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return nullptr;
  std::unique_ptr<MprisService> service(new MprisService(playback, bus, std::move(raise), std::move(quit)));
  if (!bus.registerObject(QString::fromLatin1(kObjectPath), service.get(), QDBusConnection::ExportAdaptors)) {
    return nullptr;
  }
  // A second program (on another profile) takes a name of its own.
  QString name = QString::fromLatin1(kServiceName);
  if (!bus.registerService(name)) {
    name += QStringLiteral(".instance%1").arg(QCoreApplication::applicationPid());
    if (!bus.registerService(name)) return nullptr;
  }
  service->service_ = name;
  return service;
}

MprisService::MprisService(PlaybackController& playback, QDBusConnection bus, std::function<void()> raise,
                           std::function<void()> quit)
    : playback_(playback), bus_(std::move(bus)), raise_(std::move(raise)), quit_(std::move(quit)) {
  new MprisRootAdaptor(*this);
  auto* player = new MprisPlayerAdaptor(*this);
  connect(&playback_, &PlaybackController::stateChanged, this, [this] {
    announce({{QStringLiteral("PlaybackStatus"), playbackStatus()}, {QStringLiteral("CanSeek"), canSeek()}});
  });
  connect(&playback_, &PlaybackController::trackChanged, this, [this] {
    if (covers_ != nullptr && playback_.track() != nullptr) covers_->request(fromView(playback_.track()->path()));
    announce({{QStringLiteral("Metadata"), metadata()},
              {QStringLiteral("CanGoNext"), playback_.canGoNext()},
              {QStringLiteral("CanGoPrevious"), playback_.canGoPrevious()},
              {QStringLiteral("CanSeek"), canSeek()}});
  });
  connect(&playback_, &PlaybackController::orderChanged, this, [this] {
    announce({{QStringLiteral("LoopStatus"), loopStatus()},
              {QStringLiteral("Shuffle"), shuffle()},
              {QStringLiteral("CanGoNext"), playback_.canGoNext()},
              {QStringLiteral("CanGoPrevious"), playback_.canGoPrevious()}});
  });
  connect(&playback_, &PlaybackController::volumeChanged, this,
          [this](double volume) { announce({{QStringLiteral("Volume"), volume}}); });
  connect(&playback_, &PlaybackController::seeked, player,
          [player](qint64 position) { emit player->Seeked(position * 1000); });
}

MprisService::~MprisService() {
  if (!service_.isEmpty()) bus_.unregisterService(service_);
  bus_.unregisterObject(QString::fromLatin1(kObjectPath));
}

void MprisService::setCovers(CoverLoader* covers) {
  if (covers_ != nullptr) disconnect(covers_, nullptr, this, nullptr);
  covers_ = covers;
  if (covers_ == nullptr) return;
  connect(covers_, &CoverLoader::coverReady, this, [this](const QString& location, const QString& file) {
    const host::TrackHandle& track = playback_.track();
    if (!file.isEmpty() && track != nullptr && fromView(track->path()) == location) {
      announce({{QStringLiteral("Metadata"), metadata()}});
    }
  });
  if (playback_.track() != nullptr) covers_->request(fromView(playback_.track()->path()));
}

void MprisService::raise() const {
  if (raise_) raise_();
}

void MprisService::quit() const {
  if (quit_) quit_();
}

QString MprisService::playbackStatus() const {
  switch (playback_.state()) {
    case PlaybackController::State::kPlaying:
      return QStringLiteral("Playing");
    case PlaybackController::State::kPaused:
      return QStringLiteral("Paused");
    case PlaybackController::State::kStopped:
      break;
  }
  return QStringLiteral("Stopped");
}

QVariantMap MprisService::metadata() const {
  QVariantMap data;
  const host::TrackHandle& track = playback_.track();
  if (track == nullptr) {
    data.insert(QStringLiteral("mpris:trackid"), QVariant::fromValue(QDBusObjectPath(QString::fromLatin1(kNoTrack))));
    return data;
  }
  const player::Player& player = playback_.player();
  const QString id = QStringLiteral("/org/vostrel/track/%1/%2").arg(player.playingPlaylist()).arg(player.playingItem());
  data.insert(QStringLiteral("mpris:trackid"), QVariant::fromValue(QDBusObjectPath(id)));
  data.insert(QStringLiteral("mpris:length"), static_cast<qlonglong>(playback_.duration()) * 1000);
  const QUrl url = PlaybackController::trackUrl(*track);
  const QStringList titles = fieldValues(*track, "title");
  data.insert(QStringLiteral("xesam:title"), titles.isEmpty() ? QFileInfo(url.path()).fileName() : titles.front());
  const QStringList artists = fieldValues(*track, "artist");
  if (!artists.isEmpty()) data.insert(QStringLiteral("xesam:artist"), artists);
  const QStringList albums = fieldValues(*track, "album");
  if (!albums.isEmpty()) data.insert(QStringLiteral("xesam:album"), albums.front());
  data.insert(QStringLiteral("xesam:url"), QString::fromLatin1(url.toEncoded()));
  const QString cover = covers_ != nullptr ? covers_->cachedFile(fromView(track->path())) : QString();
  if (!cover.isEmpty())
    data.insert(QStringLiteral("mpris:artUrl"), QString::fromLatin1(QUrl::fromLocalFile(cover).toEncoded()));
  return data;
}

QString MprisService::loopStatus() const {
  switch (playback_.order()) {
    case player::PlaybackOrder::kRepeatPlaylist:
      return QStringLiteral("Playlist");
    case player::PlaybackOrder::kRepeatTrack:
      return QStringLiteral("Track");
    default:
      return QStringLiteral("None");
  }
}

void MprisService::setLoopStatus(const QString& status) {
  if (status == QLatin1String("Playlist")) {
    playback_.setOrder(player::PlaybackOrder::kRepeatPlaylist);
  } else if (status == QLatin1String("Track")) {
    playback_.setOrder(player::PlaybackOrder::kRepeatTrack);
  } else if (status == QLatin1String("None") && !shuffle()) {
    playback_.setOrder(player::PlaybackOrder::kDefault);
  }
}

bool MprisService::shuffle() const {
  return playback_.order() == player::PlaybackOrder::kShuffleTracks ||
         playback_.order() == player::PlaybackOrder::kShuffleAlbums;
}

void MprisService::setShuffle(bool on) {
  if (on == shuffle()) return;
  playback_.setOrder(on ? player::PlaybackOrder::kShuffleTracks : player::PlaybackOrder::kDefault);
}

bool MprisService::canSeek() const {
  return playback_.state() != PlaybackController::State::kStopped && playback_.duration() > 0;
}

void MprisService::announce(const QVariantMap& changed) {
  QDBusMessage signal = QDBusMessage::createSignal(QString::fromLatin1(kObjectPath),
                                                   QStringLiteral("org.freedesktop.DBus.Properties"),
                                                   QStringLiteral("PropertiesChanged"));
  signal << QString::fromLatin1(kPlayerInterface) << changed << QStringList();
  bus_.send(signal);
}

// ---- the adaptors ----

MprisRootAdaptor::MprisRootAdaptor(MprisService& service) : QDBusAbstractAdaptor(&service), service_(service) {}

void MprisRootAdaptor::Raise() { service_.raise(); }
void MprisRootAdaptor::Quit() { service_.quit(); }

MprisPlayerAdaptor::MprisPlayerAdaptor(MprisService& service) : QDBusAbstractAdaptor(&service), service_(service) {}

QString MprisPlayerAdaptor::playbackStatus() const { return service_.playbackStatus(); }
QVariantMap MprisPlayerAdaptor::metadata() const { return service_.metadata(); }
double MprisPlayerAdaptor::volume() const { return service_.playback().volume(); }
void MprisPlayerAdaptor::setVolume(double volume) { service_.playback().setVolume(volume); }
QString MprisPlayerAdaptor::loopStatus() const { return service_.loopStatus(); }
void MprisPlayerAdaptor::setLoopStatus(const QString& status) { service_.setLoopStatus(status); }
bool MprisPlayerAdaptor::shuffle() const { return service_.shuffle(); }
void MprisPlayerAdaptor::setShuffle(bool shuffle) { service_.setShuffle(shuffle); }
qlonglong MprisPlayerAdaptor::position() const { return service_.playback().position() * 1000; }
bool MprisPlayerAdaptor::canGoNext() const { return service_.playback().canGoNext(); }
bool MprisPlayerAdaptor::canGoPrevious() const { return service_.playback().canGoPrevious(); }
bool MprisPlayerAdaptor::canSeek() const { return service_.canSeek(); }

void MprisPlayerAdaptor::Next() { service_.playback().next(); }
void MprisPlayerAdaptor::Previous() { service_.playback().previous(); }
void MprisPlayerAdaptor::Pause() { service_.playback().pause(); }
void MprisPlayerAdaptor::PlayPause() { service_.playback().playPause(); }
void MprisPlayerAdaptor::Stop() { service_.playback().stop(); }
void MprisPlayerAdaptor::Play() { service_.playback().play(); }

void MprisPlayerAdaptor::Seek(qlonglong offset) {
  PlaybackController& playback = service_.playback();
  if (playback.state() == PlaybackController::State::kStopped) return;
  const qint64 target = playback.position() + offset / 1000;
  if (target >= playback.duration()) {
    playback.next();
  } else {
    playback.seek(target);
  }
}

void MprisPlayerAdaptor::SetPosition(const QDBusObjectPath& track, qlonglong position) {
  const QVariant playing = service_.metadata().value(QStringLiteral("mpris:trackid"));
  if (playing.value<QDBusObjectPath>() != track) return;
  const qint64 target = position / 1000;
  if (target < 0 || target > service_.playback().duration()) return;
  service_.playback().seek(target);
}

}  // namespace desktop
