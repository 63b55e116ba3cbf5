// The media-player service on the session bus, called from a second
// connection as a desktop's media controls would. It needs a session bus:
// the suite runs it under dbus-run-session (desktop.mpris_private_bus).
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QImage>
#include <QTest>
#include <filesystem>

#include "desktop/main_window.h"
#include "desktop/mpris_service.h"
#include "desktop/playback_controller.h"
#include "desktop/support/desktop_fixture.h"

using desktop::MprisService;
using desktop_testing::DesktopFixture;

// Collects the PropertiesChanged signals of the player interface.
class ChangeRecorder : public QObject {
  Q_OBJECT

 public:
  QStringList statuses;  // every PlaybackStatus announced
  QStringList titles;    // every xesam:title announced
  QStringList art_urls;  // every mpris:artUrl announced

 public slots:
  void propertiesChanged(const QString& interface, const QVariantMap& changed, const QStringList&) {
    if (interface != QLatin1String(MprisService::kPlayerInterface)) return;
    if (changed.contains("PlaybackStatus")) statuses << changed.value("PlaybackStatus").toString();
    if (changed.contains("Metadata")) {
      const auto metadata = qdbus_cast<QVariantMap>(changed.value("Metadata").value<QDBusArgument>());
      if (metadata.contains("xesam:title")) titles << metadata.value("xesam:title").toString();
      if (metadata.contains("mpris:artUrl")) art_urls << metadata.value("mpris:artUrl").toString();
    }
  }
};

class MprisTest : public QObject {
  Q_OBJECT

 private:
  // Calls run asynchronously: the service answers from this thread's loop.
  QDBusMessage call(const QString& interface, const QString& method, const QVariantList& arguments = {}) {
    QDBusMessage message = QDBusMessage::createMethodCall(service_, MprisService::kObjectPath, interface, method);
    message.setArguments(arguments);
    QDBusPendingCall pending = client_.asyncCall(message);
    if (!QTest::qWaitFor([&] { return pending.isFinished(); }, 5000)) return {};
    return pending.reply();
  }
  QVariant property(const QString& name) {
    const QDBusMessage reply =
        call("org.freedesktop.DBus.Properties", "Get", {QString(MprisService::kPlayerInterface), name});
    if (reply.type() != QDBusMessage::ReplyMessage) return {};
    return reply.arguments().value(0).value<QDBusVariant>().variant();
  }
  QVariantMap metadata() { return qdbus_cast<QVariantMap>(property("Metadata").value<QDBusArgument>()); }
  void send(const QString& method, const QVariantList& arguments = {}) {
    const QDBusMessage reply = call(MprisService::kPlayerInterface, method, arguments);
    QVERIFY2(reply.type() == QDBusMessage::ReplyMessage, qPrintable(method + ": " + reply.errorMessage()));
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
  }

  QDBusConnection client_{QString()};
  QString service_;

 private slots:
  void initTestCase() {
    if (!QDBusConnection::sessionBus().isConnected()) {
      QSKIP("No D-Bus session bus here; desktop.mpris_private_bus runs these tests under dbus-run-session");
    }
    client_ = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "mpris_test_client");
    QVERIFY(client_.isConnected());
  }

  void mediaControls() {
    DesktopFixture fixture;
    desktop::DesktopApp& app = fixture.start();
    QVERIFY(app.mpris() != nullptr);
    service_ = app.mpris()->serviceName();
    QVERIFY(service_.startsWith("org.mpris.MediaPlayer2.vostrel"));
    QVERIFY(client_.interface()->isServiceRegistered(service_));
    player::Player& player = app.player();
    const std::size_t queue = player.createPlaylist("Queue");
    player.insertItems(queue, 0, player.library(), false);
    player.setActivePlaylist(queue);
    ChangeRecorder recorder;
    QVERIFY(client_.connect(service_, MprisService::kObjectPath, "org.freedesktop.DBus.Properties",
                            "PropertiesChanged", &recorder,
                            SLOT(propertiesChanged(QString, QVariantMap, QStringList))));

    QCOMPARE(property("PlaybackStatus").toString(), QStringLiteral("Stopped"));
    QCOMPARE(metadata().value("mpris:trackid").value<QDBusObjectPath>().path(),
             QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack"));

    send("Play");
    QCOMPARE(property("PlaybackStatus").toString(), QStringLiteral("Playing"));
    const QVariantMap first = metadata();
    QCOMPARE(first.value("xesam:title").toString(), QStringLiteral("One"));
    QCOMPARE(first.value("xesam:artist").toStringList(), QStringList({"Alpha"}));
    QCOMPARE(first.value("xesam:album").toString(), QStringLiteral("First"));
    QCOMPARE(first.value("mpris:length").toLongLong(), 215'400'000LL);
    QCOMPARE(first.value("xesam:url").toString(), QStringLiteral("file:///music/Alpha/First/01%20One.flac"));
    QVERIFY(property("CanGoNext").toBool());
    QVERIFY(!property("CanGoPrevious").toBool());

    send("Pause");
    QCOMPARE(property("PlaybackStatus").toString(), QStringLiteral("Paused"));
    send("PlayPause");
    QCOMPARE(property("PlaybackStatus").toString(), QStringLiteral("Playing"));
    send("Next");
    QCOMPARE(metadata().value("xesam:title").toString(), QStringLiteral("Two"));
    send("Next");
    // A field with the letter case of its file still counts.
    QCOMPARE(metadata().value("xesam:artist").toStringList(), QStringList({"Beta"}));
    send("Previous");
    QCOMPARE(metadata().value("xesam:title").toString(), QStringLiteral("Two"));

    // Seeking, in microseconds.
    send("Seek", {qlonglong(30'000'000)});
    QCOMPARE(fixture.engine().calls.last(), QStringLiteral("seek 30000"));
    QCOMPARE(property("Position").toLongLong(), 30'000'000LL);
    const QDBusObjectPath id = metadata().value("mpris:trackid").value<QDBusObjectPath>();
    send("SetPosition", {QVariant::fromValue(QDBusObjectPath("/org/vostrel/track/other")), qlonglong(5'000'000)});
    QCOMPARE(fixture.engine().calls.last(), QStringLiteral("seek 30000"));
    send("SetPosition", {QVariant::fromValue(id), qlonglong(5'000'000)});
    QCOMPARE(fixture.engine().calls.last(), QStringLiteral("seek 5000"));
    // Past the end: the next track.
    send("Seek", {qlonglong(500'000'000)});
    QCOMPARE(metadata().value("xesam:title").toString(), QStringLiteral("Três"));

    // Volume is read and written through the properties interface.
    const QDBusMessage set = call("org.freedesktop.DBus.Properties", "Set",
                                  {QString(MprisService::kPlayerInterface), QString("Volume"),
                                   QVariant::fromValue(QDBusVariant(0.25))});
    QCOMPARE(set.type(), QDBusMessage::ReplyMessage);
    QCOMPARE(fixture.engine().volume(), 0.25f);
    QCOMPARE(property("Volume").toDouble(), 0.25);

    send("Stop");
    QCOMPARE(property("PlaybackStatus").toString(), QStringLiteral("Stopped"));
    QVERIFY(player.playingPlaylist() == host::kNoPlaylist);

    QTRY_COMPARE(recorder.statuses, QStringList({"Playing", "Paused", "Playing", "Stopped"}));
    QCOMPARE(recorder.titles, QStringList({"One", "Two", "Três", "Two", "Três"}));
  }

  // Next goes on from the last track exactly where the order goes on; a
  // shuffle stops after its last step, wherever that is in the playlist.
  void canGoNextFollowsTheOrder_data() {
    QTest::addColumn<int>("order");
    QTest::addColumn<QString>("loopStatus");
    QTest::addColumn<bool>("shuffle");
    QTest::addColumn<bool>("goesOnAfterLast");
    using player::PlaybackOrder;
    QTest::newRow("default") << int(PlaybackOrder::kDefault) << "None" << false << false;
    QTest::newRow("repeat playlist") << int(PlaybackOrder::kRepeatPlaylist) << "Playlist" << false << true;
    QTest::newRow("repeat track") << int(PlaybackOrder::kRepeatTrack) << "Track" << false << true;
    QTest::newRow("shuffle tracks") << int(PlaybackOrder::kShuffleTracks) << "None" << true << false;
    QTest::newRow("shuffle albums") << int(PlaybackOrder::kShuffleAlbums) << "None" << true << false;
  }

  void canGoNextFollowsTheOrder() {
    QFETCH(int, order);
    QFETCH(QString, loopStatus);
    QFETCH(bool, shuffle);
    QFETCH(bool, goesOnAfterLast);
    DesktopFixture fixture;
    desktop::DesktopApp& app = fixture.start();
    QVERIFY(app.mpris() != nullptr);
    service_ = app.mpris()->serviceName();
    player::Player& player = app.player();
    const std::size_t queue = player.createPlaylist("Queue");
    player.insertItems(queue, 0, player.library(), false);
    const std::size_t count = player.playlistItemCount(queue);
    QVERIFY(count >= 3);
    app.playback().setOrder(static_cast<player::PlaybackOrder>(order));
    QCOMPARE(property("LoopStatus").toString(), loopStatus);
    QCOMPARE(property("Shuffle").toBool(), shuffle);

    player.playItem(queue, 0);
    QVERIFY(property("CanGoNext").toBool());
    if (shuffle) {
      // Every item once, then no further.
      std::size_t steps = 1;
      while (property("CanGoNext").toBool() && steps <= count) {
        send("Next");
        ++steps;
      }
      QCOMPARE(steps, count);
      QVERIFY(player.playingItem() != player::Player::kNoItem);
      QVERIFY(!property("CanGoNext").toBool());
    } else {
      player.playItem(queue, count - 1);
      QCOMPARE(property("CanGoNext").toBool(), goesOnAfterLast);
      send("Next");
      QCOMPARE(player.playingItem() != player::Player::kNoItem, goesOnAfterLast);
    }
  }

  // The order and the volume set over the bus are the program's.
  void orderAndVolumeFromTheBus() {
    DesktopFixture fixture;
    desktop::DesktopApp& app = fixture.start();
    QVERIFY(app.mpris() != nullptr);
    service_ = app.mpris()->serviceName();
    auto set = [this](const QString& name, const QVariant& value) {
      const QDBusMessage reply = call("org.freedesktop.DBus.Properties", "Set",
                                      {QString(MprisService::kPlayerInterface), name,
                                       QVariant::fromValue(QDBusVariant(value))});
      QCOMPARE(reply.type(), QDBusMessage::ReplyMessage);
    };
    set("Shuffle", true);
    QCOMPARE(app.player().playbackOrder(), player::PlaybackOrder::kShuffleTracks);
    set("LoopStatus", QString("None"));  // the shuffle stays
    QCOMPARE(app.player().playbackOrder(), player::PlaybackOrder::kShuffleTracks);
    set("LoopStatus", QString("Track"));
    QCOMPARE(app.player().playbackOrder(), player::PlaybackOrder::kRepeatTrack);
    QVERIFY(!property("Shuffle").toBool());
    set("Volume", 0.4);
    QCOMPARE(app.playback().volume(), 0.4);
    set("Volume", 3.0);
    QCOMPARE(property("Volume").toDouble(), 1.0);
  }

  void identityAndRaise() {
    DesktopFixture fixture;
    desktop::DesktopApp& app = fixture.start();
    service_ = app.mpris()->serviceName();
    const QDBusMessage reply =
        call("org.freedesktop.DBus.Properties", "GetAll", {QString(MprisService::kRootInterface)});
    QCOMPARE(reply.type(), QDBusMessage::ReplyMessage);
    const auto all = qdbus_cast<QVariantMap>(reply.arguments().value(0).value<QDBusArgument>());
    QCOMPARE(all.value("Identity").toString(), QStringLiteral("Vostrel"));
    QCOMPARE(all.value("CanRaise").toBool(), true);
    app.mainWindow().showMinimized();
    QCOMPARE(call(MprisService::kRootInterface, "Raise").type(), QDBusMessage::ReplyMessage);
    QVERIFY(!app.mainWindow().isMinimized());
  }

  // The cover's cached copy, once read, as a file:// URI; announced again
  // when it arrives after the track. A track without a cover has none.
  void theArtUrlNamesTheCachedCover() {
    const std::filesystem::path corpus = desktop_testing::corpusDir();
    if (corpus.empty()) QSKIP("The tag corpus is not here");
    DesktopFixture fixture;
    testing_support::TempDir music;
    std::filesystem::create_directories(music.path() / "a");
    std::filesystem::create_directories(music.path() / "b");
    const auto with = music.path() / "a" / "itunes10.mp3", without = music.path() / "b" / "bladeenc.mp3";
    std::filesystem::copy_file(corpus / "itunes10.mp3", with);
    std::filesystem::copy_file(corpus / "bladeenc.mp3", without);
    desktop::DesktopApp& app = fixture.start();
    service_ = app.mpris()->serviceName();
    player::Player& player = app.player();
    const std::size_t list = player.createPlaylist("Covers");
    player.insertItems(list, 0,
                       {testing_support::makeTrack("file://" + with.string()),
                        testing_support::makeTrack("file://" + without.string())},
                       false);
    player.setActivePlaylist(list);
    ChangeRecorder recorder;
    QVERIFY(client_.connect(service_, MprisService::kObjectPath, "org.freedesktop.DBus.Properties", "PropertiesChanged",
                            &recorder, SLOT(propertiesChanged(QString, QVariantMap, QStringList))));
    send("Play");
    QTRY_COMPARE(recorder.art_urls.size(), 1);
    const QUrl url(recorder.art_urls.front());
    QCOMPARE(url.scheme(), QStringLiteral("file"));
    const QString covers = QString::fromStdString((fixture.cacheDir() / "vostrel" / "covers").string());
    QVERIFY2(url.toLocalFile().startsWith(covers + "/"), qPrintable(url.toString()));
    QVERIFY(!QImage(url.toLocalFile()).isNull());
    QCOMPARE(metadata().value("mpris:artUrl").toString(), recorder.art_urls.front());
    send("Next");
    QCOMPARE(metadata().value("xesam:url").toString(),
             QString::fromLatin1(QUrl::fromLocalFile(QString::fromStdString(without.string())).toEncoded()));
    QTest::qWait(200);
    QVERIFY(!metadata().contains("mpris:artUrl"));
  }

  void theNameIsGivenUpWithTheProgram() {
    QString name;
    {
      DesktopFixture fixture;
      name = fixture.start().mpris()->serviceName();
      QVERIFY(client_.interface()->isServiceRegistered(name));
    }
    QTRY_VERIFY(!client_.interface()->isServiceRegistered(name));
  }
};

QTEST_MAIN(MprisTest)
#include "mpris_test.moc"
