// A real file played through Qt Multimedia, silently. Where the machine has
// no audio output (a build server without a sound server) or Qt finds no
// media backend, the test says so and is skipped.
#include <QDir>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTest>

#include "desktop/multimedia_engine.h"
#include "desktop/support/desktop_fixture.h"

namespace {

// The audio corpus: $VOSTREL_TAG_CORPUS, else shared/tag-corpus beside the
// checkout (or beside the folder of worktrees it sits in).
QString corpusDir() {
  const QString given = qEnvironmentVariable("VOSTREL_TAG_CORPUS");
  if (!given.isEmpty()) return given;
  const QDir data(QString::fromStdString(desktop_testing::testDataDir()));
  for (const char* up : {"../../../shared/tag-corpus", "../../../../shared/tag-corpus"}) {
    const QString dir = QDir::cleanPath(data.absoluteFilePath(QString::fromLatin1(up)));
    if (QFileInfo(dir).isDir()) return dir;
  }
  return {};
}

}  // namespace

class RealPlaybackTest : public QObject {
  Q_OBJECT

 private slots:
  void playsACorpusFileSilently() {
    const QString file = corpusDir() + "/sinewave.flac";
    if (!QFileInfo(file).isFile()) QSKIP("The audio corpus (shared/tag-corpus, or $VOSTREL_TAG_CORPUS) is not here");
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
