// Covers in the window: hostile pictures refused quickly, the cache reused
// and repaired, the cover dock following what plays and what is selected,
// and the properties view showing the cover.
#include <QBuffer>
#include <QElapsedTimer>
#include <QImageWriter>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <filesystem>
#include <fstream>

#include "desktop/cover_dock.h"
#include "desktop/cover_loader.h"
#include "desktop/main_window.h"
#include "desktop/playlist_tabs.h"
#include "desktop/support/desktop_fixture.h"
#include "desktop/track_properties_dialog.h"
#include "library/file_uri.h"

using desktop::CoverDecoding;
using desktop::CoverLoader;
using desktop_testing::DesktopFixture;
namespace fs = std::filesystem;

namespace {

QByteArray encoded(const QImage& image, const char* format) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QImageWriter(&buffer, format).write(image);
  return bytes;
}

QImage pattern(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) image.setPixel(x, y, qRgb(x * 255 / width, y * 255 / height, (x ^ y) & 255));
  }
  return image;
}

// A real PNG's header made to claim `width` x `height`, its CRC mended, with
// the small image's data behind it.
QByteArray pngClaiming(int width, int height) {
  QByteArray png = encoded(pattern(16, 16), "png");
  uchar* ihdr = reinterpret_cast<uchar*>(png.data()) + 12;  // "IHDR", then width and height
  for (int i = 0; i < 4; ++i) {
    ihdr[4 + i] = static_cast<uchar>(width >> (24 - 8 * i));
    ihdr[8 + i] = static_cast<uchar>(height >> (24 - 8 * i));
  }
  // CRC-32 of the chunk type and data, as zlib computes it.
  quint32 c = 0xffffffffu;
  for (int i = 0; i < 17; ++i) {
    c ^= ihdr[i];
    for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xedb88320u & (0u - (c & 1u)));
  }
  c ^= 0xffffffffu;
  for (int i = 0; i < 4; ++i) ihdr[17 + i] = static_cast<uchar>(c >> (24 - 8 * i));
  return png;
}

fs::path copyCorpus(const char* name, const fs::path& folder) {
  fs::create_directories(folder);
  const fs::path target = folder / name;
  fs::copy_file(desktop_testing::corpusDir() / name, target, fs::copy_options::overwrite_existing);
  fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::add);
  return target;
}

QString locationOf(const fs::path& file) { return QString::fromStdString(library::fileUri(file)); }

}  // namespace

class CoversTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    if (desktop_testing::corpusDir().empty()) QSKIP("The tag corpus is not here");
  }

  void hostilePictures_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("shown");
    QTest::addColumn<QString>("reason");
    const QByteArray jpeg = encoded(pattern(800, 600), "jpeg");
    QTest::newRow("a photo, scaled") << jpeg << true << "";
    QTest::newRow("a PNG") << encoded(pattern(300, 200), "png") << true << "";
    // WebP comes with qt6-image-formats-plugins, which scripts/setup installs.
    if (QImageWriter::supportedImageFormats().contains("webp")) {
      QTest::newRow("a WebP") << encoded(pattern(300, 200), "webp") << true << "";
    }
    QTest::newRow("50 megapixels") << pngClaiming(10000, 5000) << false << "too large (10000 x 5000";
    QTest::newRow("65535 squared") << pngClaiming(65535, 65535) << false << "too large";
    QTest::newRow("a truncated JPEG") << jpeg.left(jpeg.size() / 2) << false << "cut short";
    QTest::newRow("a truncated PNG") << encoded(pattern(300, 200), "png").left(200) << false << "damaged";
    QTest::newRow("not a picture") << QByteArray("ID3 and other things") << false << "not a picture";
    QTest::newRow("empty") << QByteArray() << false << "not a picture";
  }

  void hostilePictures() {
    QFETCH(QByteArray, bytes);
    QFETCH(bool, shown);
    QFETCH(QString, reason);
    QElapsedTimer timer;
    timer.start();
    QString why;
    const QImage image = CoverDecoding::decode(bytes, &why);
    QVERIFY2(timer.elapsed() < 1000, qPrintable(QString::number(timer.elapsed())));
    QCOMPARE(!image.isNull(), shown);
    if (shown) {
      QVERIFY(image.width() <= CoverDecoding::kSide && image.height() <= CoverDecoding::kSide);
      QVERIFY(why.isEmpty());
    } else {
      QVERIFY2(why.contains(reason), qPrintable(why));
    }
  }

  // The first read stores a scaled copy; later reads take it as it is, and
  // a copy that no longer decodes is made again.
  void theCacheIsReusedAndRepaired() {
    testing_support::TempDir dir;
    const fs::path track = copyCorpus("itunes10.mp3", dir.path() / "music");
    library::CoverCache cache(dir.path() / "covers");
    const QString location = locationOf(track);
    const desktop::CoverResult first = CoverLoader::load(location, cache);
    QVERIFY2(!first.file.isEmpty(), qPrintable(first.refused));
    QVERIFY(first.file.startsWith(QString::fromStdString((dir.path() / "covers").string())));
    QVERIFY(!first.image.isNull());
    const desktop::CoverResult again = CoverLoader::load(location, cache);
    QCOMPARE(again.file, first.file);
    QCOMPARE(again.image, first.image);
    std::ofstream(first.file.toStdString(), std::ios::binary | std::ios::trunc) << "garbage, not a PNG";
    const desktop::CoverResult repaired = CoverLoader::load(location, cache);
    QCOMPARE(repaired.file, first.file);
    QCOMPARE(repaired.image, first.image);
    QCOMPARE(QImage(repaired.file), first.image);
  }

  // The corpus's Ogg file holds a "picture" of 9 bytes that is none: the
  // folder's image is shown instead, and without one the reason is told.
  void aDamagedTagPictureGivesWayToTheFolderImage() {
    testing_support::TempDir dir;
    const fs::path track = copyCorpus("lowercase-fields.ogg", dir.path() / "music");
    library::CoverCache cache(dir.path() / "covers");
    const desktop::CoverResult refused = CoverLoader::load(locationOf(track), cache);
    QVERIFY(refused.file.isEmpty());
    QVERIFY2(refused.refused.contains("not a picture"), qPrintable(refused.refused));
    pattern(40, 30).save(QString::fromStdString((dir.path() / "music" / "Folder.PNG").string()));
    const desktop::CoverResult folder = CoverLoader::load(locationOf(track), cache);
    QVERIFY2(!folder.file.isEmpty(), qPrintable(folder.refused));
    QCOMPARE(folder.image.size(), QSize(40, 30));
  }

  // Requests are answered on the loader's thread, in the background.
  void theLoaderAnswersEveryRequest() {
    testing_support::TempDir dir;
    const fs::path with = copyCorpus("itunes10.mp3", dir.path() / "a");
    const fs::path without = copyCorpus("bladeenc.mp3", dir.path() / "b");
    CoverLoader loader(library::CoverCache(dir.path() / "covers"));
    QSignalSpy ready(&loader, &CoverLoader::coverReady);
    loader.request(locationOf(with));
    loader.request(locationOf(without));
    loader.request(locationOf(with));  // already waiting: one answer
    QTRY_COMPARE(ready.count(), 2);
    bool known = false;
    QVERIFY(!loader.cachedFile(locationOf(with), &known).isEmpty());
    QVERIFY(known);
    QVERIFY(loader.cachedFile(locationOf(without), &known).isEmpty());
    QVERIFY(known);
    loader.cachedFile(locationOf(dir.path() / "never.mp3"), &known);
    QVERIFY(!known);
  }

  // What plays wins; with nothing playing, the first selected item.
  void theDockShowsThePlayingElseTheSelectedCover() {
    DesktopFixture fixture;
    testing_support::TempDir music;
    const fs::path with = copyCorpus("itunes10.mp3", music.path() / "with");
    const fs::path without = copyCorpus("bladeenc.mp3", music.path() / "without");
    desktop::DesktopApp& app = fixture.start();
    player::Player& player = app.player();
    desktop::CoverDock& dock = app.mainWindow().coverDock();
    QVERIFY(!dock.isHidden());
    QCOMPARE(dock.accessibleName(), QStringLiteral("Cover"));
    // View > Cover shows and hides it.
    QVERIFY(!dock.toggleViewAction()->associatedObjects().isEmpty());
    const std::size_t list = player.createPlaylist("Covers");
    player.insertItems(list, 0,
                       {testing_support::makeTrack(library::fileUri(without), {{"title", {"Plain"}}}),
                        testing_support::makeTrack(library::fileUri(with), {{"title", {"Pictured"}}})},
                       false);
    player.setActivePlaylist(list);
    player.setSelection(list, {false, true});
    QTRY_VERIFY(dock.view().hasCover());
    QCOMPARE(dock.view().accessibleDescription(), QStringLiteral("Cover of Pictured"));
    player.setSelection(list, {true, false});
    QTRY_VERIFY(!dock.view().hasCover());
    QCOMPARE(dock.view().location(), locationOf(without));
    player.setSelection(list, {false, true});
    QTRY_VERIFY(dock.view().hasCover());
    player.playItem(list, 0);  // the selected track has a cover, the playing one not
    QCOMPARE(dock.track()->path(), library::fileUri(without));
    QTRY_VERIFY(!dock.view().hasCover());
    QCOMPARE(dock.view().accessibleDescription(), QStringLiteral("No cover"));
    player.playItem(list, 1);
    QTRY_VERIFY(dock.view().hasCover());
    // The copies went to $XDG_CACHE_HOME/vostrel/covers.
    QVERIFY(!fs::is_empty(fixture.cacheDir() / "vostrel" / "covers"));
  }

  void thePropertiesShowTheCover() {
    testing_support::TempDir dir;
    const fs::path with = copyCorpus("silence-44-s.flac", dir.path() / "music");
    CoverLoader loader(library::CoverCache(dir.path() / "covers"));
    const host::TrackHandle track = testing_support::makeTrack(library::fileUri(with));
    desktop::TrackPropertiesDialog dialog(*track, &loader);
    QVERIFY(dialog.cover() != nullptr);
    QTRY_VERIFY(dialog.cover()->hasCover());
    desktop::TrackPropertiesDialog plain(*track);
    QVERIFY(plain.cover() == nullptr);
  }
};

QTEST_MAIN(CoversTest)
#include "covers_test.moc"
