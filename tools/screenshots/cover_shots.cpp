// The cover dock while a track with a cover plays, and the track's
// properties with its cover. The tracks are made up, in a temporary album
// folder whose cover.png is painted here; no audio is needed for that.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QTemporaryDir>
#include <functional>

#include "desktop/cover_dock.h"
#include "desktop/cover_loader.h"
#include "desktop/desktop_app.h"
#include "desktop/main_window.h"
#include "desktop/playback_controller.h"
#include "desktop/track_properties_dialog.h"
#include "host/track_builder.h"
#include "library/file_uri.h"
#include "player/player.h"
#include "scenes.h"
#include "shooter.h"
#include "still_engine.h"

namespace shots {
namespace {

// An album cover: dusk over hills, the album's name at the top.
QImage paintCover(const QString& album, const QString& artist) {
  QImage image(600, 600, QImage::Format_RGB32);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  QLinearGradient sky(0, 0, 0, 600);
  sky.setColorAt(0, QColor(28, 36, 82));
  sky.setColorAt(0.55, QColor(214, 110, 96));
  sky.setColorAt(1, QColor(250, 196, 120));
  painter.fillRect(image.rect(), sky);
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(255, 226, 160));
  painter.drawEllipse(QPointF(400, 330), 70, 70);
  const QColor hills[] = {QColor(60, 48, 92), QColor(38, 30, 64)};
  for (int i = 0; i < 2; ++i) {
    QPainterPath path(QPointF(0, 600));
    path.lineTo(0, 400 + i * 70);
    path.cubicTo(180, 330 + i * 60, 330, 470 + i * 40, 600, 380 + i * 80);
    path.lineTo(600, 600);
    painter.setBrush(hills[i]);
    painter.drawPath(path);
  }
  painter.setPen(QColor(255, 244, 230));
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPixelSize(54);
  font.setBold(true);
  painter.setFont(font);
  painter.drawText(QRect(0, 50, 600, 70), Qt::AlignCenter, album.toUpper());
  font.setPixelSize(28);
  font.setBold(false);
  painter.setFont(font);
  painter.drawText(QRect(0, 120, 600, 40), Qt::AlignCenter, artist);
  return image;
}

void waitFor(const std::function<bool()>& done) {
  QElapsedTimer timer;
  timer.start();
  while (!done() && timer.elapsed() < 5000) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
  settle();
}

}  // namespace

void shootCovers(Scene& scene) {
  QTemporaryDir music;
  const QString album = QStringLiteral("Lanterns"), artist = QStringLiteral("Copper Tide");
  const QString folder = music.path() + "/" + artist + "/" + album;
  QDir().mkpath(folder);
  paintCover(album, artist).save(folder + "/cover.png");
  const char* titles[] = {"Harbour Lights", "Evening Train", "Paper Boats", "Slow Tide"};
  host::TrackList tracks;
  for (int i = 0; i < 4; ++i) {
    host::TrackBuilder builder;
    builder.setPath(library::fileUri(
        QString("%1/%2 %3.flac").arg(folder).arg(i + 1, 2, 10, QChar('0')).arg(titles[i]).toStdString()));
    builder.setLength(200.0 + i * 17);
    builder.addMeta("title", titles[i]);
    builder.addMeta("artist", artist.toStdString());
    builder.addMeta("album", album.toStdString());
    builder.addMeta("tracknumber", std::to_string(i + 1));
    builder.addMeta("date", "2019");
    tracks.push_back(builder.build());
  }
  player::Player& player = scene.player;
  const std::size_t before = player.activePlaylist();
  const std::size_t list = player.createPlaylist("Lanterns");
  player.insertItems(list, 0, tracks, false);
  player.setActivePlaylist(list);
  desktop::PlaybackController& playback = scene.app.playback();
  playback.setEngine(std::make_unique<StillEngine>());
  player.playItem(list, 1);
  playback.seek(StillEngine::kPosition);
  desktop::CoverDock& dock = scene.window.coverDock();
  waitFor([&dock] { return dock.view().hasCover(); });
  scene.shooter.save("cover_dock", scene.window.grab());

  desktop::TrackPropertiesDialog dialog(*tracks[1], &scene.window.covers(), &scene.window);
  dialog.show();
  waitFor([&dialog] { return dialog.cover()->hasCover(); });
  scene.shooter.save("properties_cover", dialog.grab());
  dialog.close();

  playback.stop();
  // The scenes after this one see the playlists as they were.
  player.removePlaylist(list);
  if (before != host::kNoPlaylist) player.setActivePlaylist(before);
  settle();
}

}  // namespace shots
