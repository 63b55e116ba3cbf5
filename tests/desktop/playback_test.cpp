// Playback in the desktop program, through a fake engine: the transport
// commands at the ends of a playlist, files that cannot be played, pause and
// seek, and what the window shows of it.
#include <QAction>
#include <QActionGroup>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QSlider>
#include <QStatusBar>
#include <QTest>

#include "desktop/main_window.h"
#include "desktop/playback_controller.h"
#include "desktop/playlist_model.h"
#include "desktop/playlist_tabs.h"
#include "desktop/support/desktop_fixture.h"
#include "desktop/transport_bar.h"

using desktop::PlaybackController;
using desktop_testing::DesktopFixture;

namespace {

void settle() {
  for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
}

// A playlist "Queue" of the four library tracks (One, Two, Três, Gone), made
// the active one.
std::size_t makeQueue(player::Player& player) {
  const std::size_t queue = player.createPlaylist("Queue");
  player.insertItems(queue, 0, player.library(), false);
  player.setActivePlaylist(queue);
  return queue;
}

// "Playing 1", "Paused 0" or "Stopped".
QString stateText(PlaybackController& playback) {
  switch (playback.state()) {
    case PlaybackController::State::kPlaying:
      return QStringLiteral("Playing %1").arg(playback.player().playingItem());
    case PlaybackController::State::kPaused:
      return QStringLiteral("Paused %1").arg(playback.player().playingItem());
    case PlaybackController::State::kStopped:
      break;
  }
  return QStringLiteral("Stopped");
}

QStringList loads(const QStringList& calls) {
  QStringList files;
  for (const QString& call : calls) {
    if (call.startsWith("load ")) files << call.mid(5);
  }
  return files;
}

int countLines(const QString& text, const QString& part) {
  int count = 0;
  for (const QString& line : text.split('\n')) count += line.contains(part) ? 1 : 0;
  return count;
}

QString statusBarText(desktop::MainWindow& window) {
  QStringList texts;
  for (QLabel* label : window.statusBar()->findChildren<QLabel*>()) texts << label->text();
  return texts.join(" | ");
}

}  // namespace

class PlaybackTest : public QObject {
  Q_OBJECT

 private slots:
  void transport_data() {
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("after");
    QTest::addColumn<QString>("loaded");
    QTest::newRow("double click plays") << "play 1" << "Playing 1" << "02 Two.flac";
    QTest::newRow("next") << "play 0, next" << "Playing 1" << "01 One.flac,02 Two.flac";
    QTest::newRow("next past the end stops") << "play 3, next" << "Stopped" << "01 Gone.mp3";
    QTest::newRow("previous") << "play 2, previous" << "Playing 1" << "01 Três.flac,02 Two.flac";
    QTest::newRow("previous before the start stops") << "play 0, previous" << "Stopped" << "01 One.flac";
    QTest::newRow("a track's end plays the next") << "play 0, end" << "Playing 1" << "01 One.flac,02 Two.flac";
    QTest::newRow("a repeated end moves on once") << "play 0, end end" << "Playing 1" << "01 One.flac,02 Two.flac";
    QTest::newRow("the last track's end stops") << "play 3, end" << "Stopped" << "01 Gone.mp3";
    QTest::newRow("pause") << "play 0, pause" << "Paused 0" << "01 One.flac";
    QTest::newRow("play resumes without reloading") << "play 0, pause, play" << "Playing 0" << "01 One.flac";
    QTest::newRow("play pause toggles") << "play 2, playpause, playpause" << "Playing 2" << "01 Três.flac";
    QTest::newRow("stop") << "play 2, stop" << "Stopped" << "01 Três.flac";
    QTest::newRow("play starts the active playlist's selection") << "select 2, play" << "Playing 2"
                                                                   << "01 Três.flac";
    QTest::newRow("pause while stopped does nothing") << "pause" << "Stopped" << "";
    QTest::newRow("an end followed by Next moves on once") << "play 0, end next" << "Playing 1"
                                                           << "01 One.flac,02 Two.flac";
  }

  void transport() {
    QFETCH(QString, steps);
    QFETCH(QString, after);
    QFETCH(QString, loaded);
    DesktopFixture fixture;
    desktop::DesktopApp& app = fixture.start();
    player::Player& player = app.player();
    PlaybackController& playback = app.playback();
    const std::size_t queue = makeQueue(player);
    for (const QString& step : steps.split(", ")) {
      const QStringList words = step.split(' ');
      if (words[0] == "play" && words.size() == 2) {
        player.playItem(queue, words[1].toULong());
      } else if (words[0] == "select") {
        std::vector<bool> selected(player.playlistItemCount(queue), false);
        selected[words[1].toULong()] = true;
        player.setSelection(queue, selected);
      } else {
        // Several words: one after the other before the event loop runs.
        for (const QString& word : words) {
          if (word == "play") playback.play();
          if (word == "pause") playback.pause();
          if (word == "playpause") playback.playPause();
          if (word == "stop") playback.stop();
          if (word == "next") playback.next();
          if (word == "previous") playback.previous();
          if (word == "end") fixture.engine().finish();
        }
      }
      settle();
    }
    QCOMPARE(stateText(playback), after);
    QCOMPARE(loads(fixture.engine().calls).join(','), loaded);
    if (after == "Stopped") {
      QVERIFY(playback.track() == nullptr);
      if (!loaded.isEmpty()) QCOMPARE(fixture.engine().calls.last(), QStringLiteral("stop"));
    } else {
      QCOMPARE(playback.track(), player.playlists().at(queue).items.at(player.playingItem()));
    }
  }

  void unplayableFilesAreLoggedAndSkipped() {
    DesktopFixture fixture;
    desktop::DesktopApp& app = fixture.start();
    player::Player& player = app.player();
    const std::size_t queue = makeQueue(player);
    fixture.engine().bad = {"01 One.flac", "01 Três.flac"};
    player.playItem(queue, 0);
    settle();
    QCOMPARE(stateText(app.playback()), QStringLiteral("Playing 1"));
    const QString log = app.mainWindow().log().toPlainText();
    QVERIFY2(log.contains("Cannot play file:///music/Alpha/First/01 One.flac: cannot decode"), qPrintable(log));
    // Two reports of one failure: one line, one step on.
    fixture.engine().fail("gone");
    fixture.engine().fail("gone again");
    settle();
    QCOMPARE(stateText(app.playback()), QStringLiteral("Playing 3"));  // Três is bad as well
    QCOMPARE(countLines(app.mainWindow().log().toPlainText(), "Cannot play"), 3);
  }

  void aPlaylistOfOnlyBadFilesStops() {
    DesktopFixture fixture;
    desktop::DesktopApp& app = fixture.start();
    player::Player& player = app.player();
    const std::size_t queue = makeQueue(player);
    fixture.engine().bad = {"01 One.flac", "02 Two.flac", "01 Três.flac", "01 Gone.mp3"};
    player.playItem(queue, 0);
    QTRY_COMPARE(stateText(app.playback()), QStringLiteral("Stopped"));
    settle();
    QCOMPARE(loads(fixture.engine().calls).size(), 4);
    QCOMPARE(countLines(app.mainWindow().log().toPlainText(), "Cannot play"), 4);
    QCOMPARE(player.playingPlaylist(), host::kNoPlaylist);
  }

  void withoutABackendPlaybackStopsAndSaysSoOnce() {
    DesktopFixture fixture;
    desktop::DesktopApp& app = fixture.start();
    player::Player& player = app.player();
    const std::size_t queue = makeQueue(player);
    fixture.engine().available_ = false;
    player.playItem(queue, 0);
    settle();
    player.playItem(queue, 1);
    settle();
    QCOMPARE(stateText(app.playback()), QStringLiteral("Stopped"));
    QCOMPARE(player.playingItem(), player::Player::kNoItem);
    QVERIFY(loads(fixture.engine().calls).isEmpty());
    QCOMPARE(countLines(app.mainWindow().log().toPlainText(), "Playback is not available: no audio in this test"), 1);
  }

  void statusSeekAndMarker() {
    DesktopFixture fixture;
    desktop::DesktopApp& app = fixture.start();
    player::Player& player = app.player();
    PlaybackController& playback = app.playback();
    desktop::MainWindow& window = app.mainWindow();
    const std::size_t queue = makeQueue(player);
    desktop::PlaylistModel& model = *window.playlistTabs().model(queue);
    auto bold = [&model](int row) { return model.data(model.index(row, 1), Qt::FontRole).value<QFont>().bold(); };
    QVERIFY(statusBarText(window).contains("Stopped"));

    player.playItem(queue, 0);
    settle();
    QVERIFY2(statusBarText(window).contains("Playing: Alpha - One  0:00 / 3:35"), qPrintable(statusBarText(window)));
    QVERIFY(bold(0));
    QVERIFY(!bold(1));
    QSlider& seek = window.transportBar()->seekBar();
    QVERIFY(seek.isEnabled());
    QCOMPARE(seek.maximum(), 215400);

    fixture.engine().advance(65'000);
    QVERIFY(statusBarText(window).contains("Playing: Alpha - One  1:05 / 3:35"));
    QCOMPARE(seek.value(), 65'000);
    QCOMPARE(window.transportBar()->timeLabel().text(), QStringLiteral("1:05 / 3:35"));
    playback.pause();
    QVERIFY(statusBarText(window).contains("Paused: Alpha - One  1:05 / 3:35"));

    // Seeks are kept within the track.
    playback.seek(999'000);
    playback.seek(-5);
    QCOMPARE(fixture.engine().calls.mid(fixture.engine().calls.size() - 2),
             QStringList({"seek 215400", "seek 0"}));
    // A click beside the handle seeks at once.
    seek.triggerAction(QAbstractSlider::SliderPageStepAdd);
    QCOMPARE(fixture.engine().calls.last(), QStringLiteral("seek %1").arg(21'540));

    // The engine's own duration wins over the library's length.
    fixture.engine().duration_ = 200'000;
    emit fixture.engine().durationChanged(200'000);
    QCOMPARE(seek.maximum(), 200'000);

    playback.next();
    settle();
    QVERIFY(!bold(0));
    QVERIFY(bold(1));
    QVERIFY(statusBarText(window).contains("Playing: Alpha - Two"));
    playback.stop();
    settle();
    QVERIFY(statusBarText(window).contains("Stopped"));
    QVERIFY(!bold(1));
    QVERIFY(!seek.isEnabled());
    QVERIFY(window.transportBar()->timeLabel().text().isEmpty());
  }

  void playbackMenu() {
    DesktopFixture fixture;
    desktop::DesktopApp& app = fixture.start();
    player::Player& player = app.player();
    const std::size_t queue = makeQueue(player);
    QMenu* menu = nullptr;
    for (QAction* top : app.mainWindow().menuBar()->actions()) {
      if (top->text().remove('&') == "Playback") menu = top->menu();
    }
    QVERIFY(menu != nullptr);
    QStringList texts;
    for (QAction* action : menu->actions()) {
      if (!action->isSeparator()) texts << action->text().remove('&');
    }
    QCOMPARE(texts, QStringList({"Play or pause", "Play", "Pause", "Stop", "Next", "Previous", "Seek forward 5 s",
                                 "Seek back 5 s", "Order"}));
    // The keys shown in the menu, the media keys among them.
    desktop::TransportBar& bar = *app.mainWindow().transportBar();
    QVERIFY(bar.playPauseAction()->shortcuts().contains(QKeySequence(Qt::CTRL | Qt::Key_P)));
    QVERIFY(bar.playPauseAction()->shortcuts().contains(QKeySequence(Qt::Key_MediaTogglePlayPause)));
    QVERIFY(bar.stopAction()->shortcuts().contains(QKeySequence(Qt::Key_MediaStop)));
    QVERIFY(bar.nextAction()->shortcuts().contains(QKeySequence(Qt::Key_MediaNext)));
    QVERIFY(bar.previousAction()->shortcuts().contains(QKeySequence(Qt::Key_MediaPrevious)));
    QVERIFY(!app.mainWindow().transportBar()->pauseAction()->isEnabled());
    app.mainWindow().transportBar()->playAction()->trigger();
    settle();
    QCOMPARE(player.playingPlaylist(), queue);
    QVERIFY(app.mainWindow().transportBar()->pauseAction()->isEnabled());
    app.mainWindow().transportBar()->nextAction()->trigger();
    settle();
    QCOMPARE(stateText(app.playback()), QStringLiteral("Playing 1"));
  }

  // The order from the menu and the tool bar, the volume from its slider:
  // shown alike in both, and kept for the next start.
  void orderAndVolumeAreChosenShownAndKept() {
    DesktopFixture fixture;
    {
      desktop::DesktopApp& app = fixture.start();
      desktop::TransportBar& bar = *app.mainWindow().transportBar();
      QCOMPARE(bar.orderBox().currentText(), QStringLiteral("Default"));
      QCOMPARE(bar.orderBox().accessibleName(), QStringLiteral("Playback order"));
      QCOMPARE(bar.volumeSlider().accessibleName(), QStringLiteral("Volume"));
      QStringList orders;
      for (QAction* action : bar.orderActions().actions()) orders << action->text();
      QCOMPARE(orders, QStringList({"Default", "Repeat playlist", "Repeat track", "Shuffle tracks", "Shuffle albums"}));
      bar.orderActions().actions()[4]->trigger();
      QCOMPARE(app.player().playbackOrder(), player::PlaybackOrder::kShuffleAlbums);
      QCOMPARE(bar.orderBox().currentText(), QStringLiteral("Shuffle albums"));
      // The box chooses as the menu does.
      bar.orderBox().setFocus();
      QTest::keyClick(&bar.orderBox(), Qt::Key_Up);
      QCOMPARE(app.player().playbackOrder(), player::PlaybackOrder::kShuffleTracks);
      QVERIFY(bar.orderActions().actions()[3]->isChecked());
      bar.volumeSlider().setValue(35);
      QCOMPARE(app.playback().volume(), 0.35);
      fixture.quit();
    }
    desktop::DesktopApp& app = fixture.start();
    QCOMPARE(app.player().playbackOrder(), player::PlaybackOrder::kShuffleTracks);
    QCOMPARE(app.mainWindow().transportBar()->orderBox().currentText(), QStringLiteral("Shuffle tracks"));
    QCOMPARE(app.mainWindow().transportBar()->volumeSlider().value(), 35);
    makeQueue(app.player());
    app.mainWindow().transportBar()->playAction()->trigger();
    settle();
    QCOMPARE(fixture.engine().volume(), 0.35f);
  }

  void formatTime_data() {
    QTest::addColumn<qint64>("milliseconds");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero") << qint64(0) << "0:00";
    QTest::newRow("below a second") << qint64(999) << "0:00";
    QTest::newRow("seconds") << qint64(59'999) << "0:59";
    QTest::newRow("minutes") << qint64(61'000) << "1:01";
    QTest::newRow("below an hour") << qint64(3'599'000) << "59:59";
    QTest::newRow("an hour") << qint64(3'600'000) << "1:00:00";
    QTest::newRow("hours") << qint64(37'815'000) << "10:30:15";
    QTest::newRow("negative") << qint64(-5'000) << "0:00";
  }

  void formatTime() {
    QFETCH(qint64, milliseconds);
    QFETCH(QString, text);
    QCOMPARE(PlaybackController::formatTime(milliseconds), text);
  }

  void trackUrls_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("url");
    QTest::newRow("plain") << "file:///music/a b/01 One.flac" << "file:///music/a%20b/01%20One.flac";
    QTest::newRow("already encoded") << "file:///music/a%20b/%C3%A9.flac" << "file:///music/a%20b/%C3%A9.flac";
    QTest::newRow("non-ASCII") << "file:///music/Três.flac" << "file:///music/Tr%C3%AAs.flac";
    QTest::newRow("a local path") << "/music/100% pure.flac" << "file:///music/100%25%20pure.flac";
  }

  void trackUrls() {
    QFETCH(QString, path);
    QFETCH(QString, url);
    const host::TrackHandle track = testing_support::makeTrack(path.toStdString());
    QCOMPARE(QString::fromLatin1(PlaybackController::trackUrl(*track).toEncoded()), url);
  }
};

QTEST_MAIN(PlaybackTest)
#include "playback_test.moc"
