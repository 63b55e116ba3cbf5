// A real file played through Qt Multimedia, silently. Where the machine has
// no audio output (a build server without a sound server) or Qt finds no
// media backend, the test says so and is skipped.
#include <QFileInfo>
#include <QSignalSpy>
#include <QTest>

#include "desktop/multimedia_engine.h"
#include "desktop/support/desktop_fixture.h"

// Under the leak checker: the sound server's client library keeps buffers
// for the life of the process.
extern "C" const char* __lsan_default_suppressions() { return "leak:libpulse.so\n"; }

class RealPlaybackTest : public QObject {
  Q_OBJECT

 private slots:
  void playsACorpusFileSilently() {
    const QString file = QString::fromStdString((desktop_testing::corpusDir() / "sinewave.flac").string());
    if (!QFileInfo(file).isFile()) QSKIP("The audio corpus (tests/data/tag-corpus, or $VOSTREL_TAG_CORPUS) is not here");
    if (!desktop::MultimediaEngine::hasAudioOutput()) {
      QSKIP("This machine has no audio output device (no sound server or card), so nothing can be played");
    }
    desktop::MultimediaEngine engine;
    if (!engine.available()) QSKIP(qPrintable(engine.unavailableReason()));
    engine.setVolume(0.0f);
    QSignalSpy errors(&engine, &desktop::PlaybackEngine::errorOccurred);
    QSignalSpy ends(&engine, &desktop::PlaybackEngine::endOfMedia);
    engine.load(QUrl::fromLocalFile(file));
    engine.play();
    QTRY_VERIFY_WITH_TIMEOUT(engine.position() > 0 || !errors.isEmpty() || !ends.isEmpty(), 10000);
    QVERIFY2(errors.isEmpty(), qPrintable(errors.value(0).value(0).toString()));
    QVERIFY(engine.duration() > 0);
    // Near the end, to see the end reported.
    engine.seek(engine.duration() - 300);
    QTRY_VERIFY_WITH_TIMEOUT(!ends.isEmpty() || !errors.isEmpty(), 10000);
    QVERIFY(errors.isEmpty());
    engine.stop();
    QCOMPARE(engine.position(), 0);
  }
};

QTEST_MAIN(RealPlaybackTest)
#include "real_playback_test.moc"
