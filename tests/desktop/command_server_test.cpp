// The desktop program's command server with the plain-socket client that
// commands use: output and exit status round trips, Ctrl+C, the queue, the
// raise request, malformed frames, and when the client gives up on it.
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

#include <QLocalSocket>
#include <QTest>

#include "app/forward_client.h"
#include "desktop/command_server.h"
#include "profile/profile_lock.h"
#include "support/fake_host.h"

namespace {

// A command sent from another thread, as a separate process would.
struct Client {
  std::thread thread;
  std::atomic<bool> done{false};
  std::optional<int> status;
  std::ostringstream out;
  std::ostringstream err;

  void send(const std::filesystem::path& socket, profile::CommandRequest request, pid_t holder = 0) {
    thread = std::thread([this, socket, request = std::move(request), holder] {
      status = app::forwardCommand(socket, holder, request, out, err);
      done = true;
    });
  }
  bool finish() {
    const bool ended = QTest::qWaitFor([this] { return done.load(); }, 5000);
    if (thread.joinable()) thread.join();
    return ended;
  }
  ~Client() {
    if (thread.joinable()) thread.join();
  }
};

profile::CommandRequest request(std::vector<std::string> args) {
  profile::CommandRequest r;
  r.args = std::move(args);
  r.cwd = "/some/where";
  return r;
}

}  // namespace

class CommandServerTest : public QObject {
  Q_OBJECT

 private:
  testing_support::TempDir dir_;
  std::filesystem::path socket_;
  std::unique_ptr<desktop::CommandServer> server_;
  desktop::CommandServer::Runner runner_;
  int runs_ = 0;
  int raises_ = 0;
  bool busy_ = false;
  QStringList log_;

  void listen() {
    desktop::CommandServer::Hooks hooks;
    hooks.run = [this](const profile::CommandRequest& r, desktop::CommandReply& reply) {
      ++runs_;
      return runner_(r, reply);
    };
    hooks.raise = [this] { ++raises_; };
    hooks.busy = [this] { return busy_; };
    hooks.log = [this](const QString& line) { log_ << line; };
    server_ = std::make_unique<desktop::CommandServer>(std::move(hooks));
    QString error;
    QVERIFY2(server_->listen(socket_, &error), qPrintable(error));
  }

 private slots:
  void init() {
    socket_ = dir_.path() / "desktop.sock";
    runs_ = raises_ = 0;
    busy_ = false;
    log_.clear();
    listen();
  }
  void cleanup() { server_.reset(); }

  void outputAndStatusComeBackInOrder() {
    const std::string big(200000, 'x');  // several chunks
    runner_ = [&](const profile::CommandRequest& r, desktop::CommandReply& reply) {
      if (r.args != std::vector<std::string>{"sql", "-"} || r.cwd != "/some/where" || !r.stdout_is_terminal ||
          r.input != "SELECT 1") {
        return 99;
      }
      reply.write(profile::FrameType::kStdout, "first\n");
      reply.write(profile::FrameType::kStderr, "a warning\n");
      reply.write(profile::FrameType::kStdout, big);
      return 3;
    };
    profile::CommandRequest sent = request({"sql", "-"});
    sent.stdout_is_terminal = true;
    sent.input = "SELECT 1";
    Client client;
    client.send(socket_, sent);
    QVERIFY(client.finish());
    QCOMPARE(client.status, std::optional<int>(3));
    QVERIFY(client.out.str() == "first\n" + big);
    QCOMPARE(client.err.str(), std::string("a warning\n"));
  }

  void ctrlCInterruptsTheRunningCommand() {
    runner_ = [](const profile::CommandRequest&, desktop::CommandReply& reply) {
      // Ctrl+C may come before the client catches it: press it until the
      // request arrives.
      for (int i = 0; i < 50; ++i) {
        ::kill(::getpid(), SIGINT);
        if (QTest::qWaitFor([&] { return reply.takeAbort(); }, 100)) {
          reply.write(profile::FrameType::kStderr, "stopped\n");
          return 130;
        }
      }
      return 0;
    };
    app::InterruptSignal keep_sigint_harmless;
    Client client;
    client.send(socket_, request({"sql", "SELECT 1"}));
    QVERIFY(client.finish());
    QCOMPARE(client.status, std::optional<int>(130));
    QCOMPARE(client.err.str(), std::string("stopped\n"));
  }

  void aCommandWaitsWhileTheProgramIsBusy() {
    runner_ = [](const profile::CommandRequest&, desktop::CommandReply&) { return 0; };
    busy_ = true;
    Client client;
    client.send(socket_, request({"playlists"}));
    QTRY_COMPARE(server_->queued(), std::size_t{1});
    QTest::qWait(1300);
    QCOMPARE(runs_, 0);
    busy_ = false;
    QVERIFY(client.finish());
    QCOMPARE(client.status, std::optional<int>(0));
    QCOMPARE(runs_, 1);
    // The sender said once that it waits.
    QCOMPARE(client.err.str(),
             std::string("Waiting for the desktop program to finish what it is doing (a query, a dialog or a menu)...\n"));
  }

  void aQueuedCommandThatNeverRanLetsTheClientRunItItself() {
    runner_ = [](const profile::CommandRequest&, desktop::CommandReply&) { return 0; };
    busy_ = true;
    Client client;
    client.send(socket_, request({"playlists"}));
    QTRY_COMPARE(server_->queued(), std::size_t{1});
    server_.reset();  // the program ends before it ran the command
    QVERIFY(client.finish());
    QCOMPARE(client.status, std::nullopt);
    QCOMPARE(runs_, 0);
  }

  void aClientDoesNotTrustAnotherProcess() {
    runner_ = [](const profile::CommandRequest&, desktop::CommandReply&) { return 0; };
    Client wrong_holder;
    wrong_holder.send(socket_, request({"playlists"}), ::getpid() + 1);
    QVERIFY(wrong_holder.finish());
    QCOMPARE(wrong_holder.status, std::nullopt);
    Client nobody_listens;
    nobody_listens.send(dir_.path() / "other.sock", request({"playlists"}));
    QVERIFY(nobody_listens.finish());
    QCOMPARE(nobody_listens.status, std::nullopt);
    QCOMPARE(runs_, 0);
  }

  void aSecondStartRaisesTheWindow() {
    // The server listens where the profile's holder would, and the holder
    // is this process.
    server_.reset();
    const std::filesystem::path profile = dir_.path() / "profile";
    std::filesystem::create_directories(profile);
    const profile::ProfileLock lock = profile::ProfileLock::acquire(profile, profile::kLockKindDesktop, {});
    socket_ = profile::commandSocketPath(profile);
    listen();
    std::optional<int> status;
    std::atomic<bool> done{false};
    std::thread start([&] {
      app::GlobalOptions options;
      options.profile = profile.string();
      status = app::raiseRunningDesktop(options);
      done = true;
    });
    const bool ended = QTest::qWaitFor([&] { return done.load(); }, 5000);
    start.join();
    QVERIFY(ended);
    QCOMPARE(status, std::optional<int>(0));
    QCOMPARE(raises_, 1);
    QCOMPARE(runs_, 0);
  }

  void aSocketFileLeftBehindIsReplacedButNothingElseIs() {
    server_.reset();
    // A socket whose program ended without removing it.
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strcpy(address.sun_path, socket_.c_str());
    ::unlink(socket_.c_str());
    QCOMPARE(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(fd);
    listen();
    runner_ = [](const profile::CommandRequest&, desktop::CommandReply&) { return 5; };
    Client client;
    client.send(socket_, request({"playlists"}));
    QVERIFY(client.finish());
    QCOMPARE(client.status, std::optional<int>(5));

    server_.reset();
    QVERIFY(!std::filesystem::exists(socket_));  // removed when it stops listening
    const std::filesystem::path file = dir_.path() / "not-a-socket";
    { std::ofstream(file) << "keep me"; }
    desktop::CommandServer other({});
    QString error;
    QVERIFY(!other.listen(file, &error));
    QVERIFY2(error.contains(QStringLiteral("is not a socket")), qPrintable(error));
    QVERIFY(std::filesystem::is_regular_file(file));
  }

  void malformedFramesEndTheConnectionWithAMessage() {
    runner_ = [](const profile::CommandRequest&, desktop::CommandReply&) { return 0; };
    const std::string requestFrame =
        profile::encodeFrame(profile::FrameType::kRequest, profile::encodeRequest(request({"tree"})));
    const struct {
      const char* name;
      std::string bytes;
    } cases[] = {
        {"unknown type", std::string("Z\0\0\0\0", 5)},
        {"too long", std::string("Q\xff\xff\xff\xff", 5)},
        {"bad request", profile::encodeFrame(profile::FrameType::kRequest, "nonsense")},
        {"a reply frame", profile::encodeFrame(profile::FrameType::kExit, profile::encodeExitStatus(0))},
        {"two requests", requestFrame + requestFrame},
    };
    busy_ = true;  // a good request stays queued, so that a second one is seen
    for (const auto& c : cases) {
      log_.clear();
      QLocalSocket socket;
      socket.connectToServer(QString::fromStdString(socket_.string()));
      QVERIFY2(socket.waitForConnected(1000), c.name);
      socket.write(c.bytes.data(), static_cast<qint64>(c.bytes.size()));
      QByteArray reply;
      QVERIFY2(QTest::qWaitFor(
                   [&] {
                     reply += socket.readAll();
                     return socket.state() == QLocalSocket::UnconnectedState;
                   },
                   5000),
               c.name);
      reply += socket.readAll();
      profile::FrameReader reader;
      reader.feed(std::string_view(reply.constData(), static_cast<std::size_t>(reply.size())));
      std::vector<profile::Frame> frames;
      while (auto frame = reader.next()) frames.push_back(*frame);
      QVERIFY2(frames.size() == 2, c.name);
      QVERIFY2(frames[0].payload.find("refused the command") != std::string::npos, c.name);
      QCOMPARE(profile::decodeExitStatus(frames[1].payload), 2);
      QCOMPARE(log_.size(), 1);
    }
    QCOMPARE(server_->queued(), std::size_t{0});
    QCOMPARE(runs_, 0);
  }
};

QTEST_MAIN(CommandServerTest)
#include "command_server_test.moc"
