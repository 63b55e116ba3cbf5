// The desktop program's command server with the plain-socket client that
// commands use: output and exit status round trips, Ctrl+C, the queue, the
// raise request, malformed frames, when the client gives up on it, readers
// that stop reading, and what waiting connections may hold.
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

#include <QLocalSocket>
#include <QTest>

#include "app/forward_client.h"
#include "desktop/command_server.h"
#include "profile/profile_lock.h"
#include "desktop/support/raw_client.h"
#include "support/fake_host.h"

namespace {

// A command sent from another thread, as a separate process would.
struct Client {
  std::thread thread;
  std::atomic<bool> done{false};
  std::optional<int> status;
  std::ostringstream out;
  std::ostringstream err;

  // A command the server never starts gives up after `wait_seconds`, so
  // that a test fails rather than hangs.
  void send(const std::filesystem::path& socket, profile::CommandRequest request, pid_t holder = 0,
            double wait_seconds = 10) {
    thread = std::thread([this, socket, request = std::move(request), holder, wait_seconds] {
      status = app::forwardCommand(socket, holder, request, out, err, wait_seconds);
      done = true;
    });
  }
  bool finish() {
    const bool ended = QTest::qWaitFor([this] { return done.load(); }, 5000);
    if (ended && thread.joinable()) thread.join();
    return ended;
  }
  // Lets the server run until the command is done, so that a test that
  // failed before that ends rather than hangs.
  ~Client() {
    if (!thread.joinable()) return;
    (void)QTest::qWaitFor([this] { return done.load(); }, 15000);
    thread.join();
  }
};

std::string requestFrame(const profile::CommandRequest& request) {
  return profile::encodeFrame(profile::FrameType::kRequest, profile::encodeRequest(request));
}

profile::CommandRequest request(std::vector<std::string> args) {
  profile::CommandRequest r;
  r.args = std::move(args);
  r.cwd = "/some/where";
  return r;
}

}  // namespace

using desktop_testing::RawClient;

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
  desktop::CommandServer::Limits limits_;

  void listen() {
    desktop::CommandServer::Hooks hooks;
    hooks.run = [this](const profile::CommandRequest& r, desktop::CommandReply& reply) {
      ++runs_;
      return runner_(r, reply);
    };
    hooks.raise = [this] { ++raises_; };
    hooks.busy = [this] { return busy_; };
    hooks.log = [this](const QString& line) { log_ << line; };
    server_ = std::make_unique<desktop::CommandServer>(std::move(hooks), limits_);
    QString error;
    QVERIFY2(server_->listen(socket_, &error), qPrintable(error));
  }

 private slots:
  void init() {
    socket_ = dir_.path() / "desktop.sock";
    runs_ = raises_ = 0;
    busy_ = false;
    log_.clear();
    limits_ = {};
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
             std::string("Waiting for the desktop program to finish what it is doing (a query, a dialog, a menu or "
                         "another command; up to 10 s)...\n"));
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

  void whatIsLeftInTheSocketsPlaceIsReplacedButAFolderIsNot() {
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

    // A file that is not a socket, left where the socket goes, would keep
    // every command out: it is replaced. A folder is not.
    { std::ofstream(socket_) << "stale"; }
    listen();
    Client after_file;
    after_file.send(socket_, request({"playlists"}));
    QVERIFY(after_file.finish());
    QCOMPARE(after_file.status, std::optional<int>(5));
    server_.reset();
    std::filesystem::create_directory(socket_);
    desktop::CommandServer other({});
    QString error;
    QVERIFY(!other.listen(socket_, &error));
    QVERIFY2(error.contains(QStringLiteral("is a folder")), qPrintable(error));
    QVERIFY(std::filesystem::is_directory(socket_));
    std::filesystem::remove(socket_);
  }

  void ctrlCTakesAQueuedCommandOffTheQueue() {
    runner_ = [](const profile::CommandRequest&, desktop::CommandReply&) { return 0; };
    busy_ = true;
    app::InterruptSignal keep_sigint_harmless;
    Client client;
    client.send(socket_, request({"playlists"}));
    QTRY_COMPARE(server_->queued(), std::size_t{1});
    // The client's handler may not be in place yet: press until it has
    // its answer.
    QVERIFY(QTest::qWaitFor(
        [&] {
          ::kill(::getpid(), SIGINT);
          return client.done.load();
        },
        5000));
    QVERIFY(client.finish());
    QCOMPARE(client.status, std::optional<int>(1));
    QVERIFY2(client.err.str().find("Interrupted (Ctrl+C) before the command ran.") != std::string::npos,
             client.err.str().c_str());
    QCOMPARE(server_->queued(), std::size_t{0});
    busy_ = false;
    QTest::qWait(100);
    QCOMPARE(runs_, 0);
  }

  void commandsQueuedWhileBusyAllRunInTurn() {
    runner_ = [](const profile::CommandRequest& r, desktop::CommandReply& reply) {
      reply.write(profile::FrameType::kStdout, r.args.front());
      return 0;
    };
    busy_ = true;
    Client first;
    first.send(socket_, request({"first"}));
    QTRY_COMPARE(server_->queued(), std::size_t{1});
    Client second;
    second.send(socket_, request({"second"}));
    QTRY_COMPARE(server_->queued(), std::size_t{2});
    busy_ = false;
    // Nothing else arrives: the end of the first starts the second.
    QVERIFY(first.finish());
    QVERIFY(second.finish());
    QCOMPARE(first.out.str(), std::string("first"));
    QCOMPARE(second.out.str(), std::string("second"));
    QCOMPARE(runs_, 2);
  }

  void aCommandGivesUpWhenTheProgramStaysBusyPastItsWait() {
    runner_ = [](const profile::CommandRequest&, desktop::CommandReply&) { return 0; };
    busy_ = true;
    const struct {
      double wait;
      const char* says;
    } cases[] = {
        {0,
         "is busy with a query, a dialog, a menu or another command; try again when it has finished, or wait "
         "with --wait SECONDS."},
        {1.5, "and did not start the command within 1.5 s; try again when it has finished, or wait longer"},
    };
    for (const auto& c : cases) {
      Client client;
      // Should it fail to give up, the command runs at the end.
      const struct Unbusy {
        bool& busy;
        ~Unbusy() { busy = false; }
      } unbusy{busy_};
      busy_ = true;
      client.send(socket_, request({"playlists"}), 0, c.wait);
      QVERIFY(client.finish());
      QCOMPARE(client.status, std::optional<int>(1));
      QVERIFY2(client.err.str().find(c.says) != std::string::npos, client.err.str().c_str());
      // It is no longer in the queue.
      QTRY_COMPARE(server_->queued(), std::size_t{0});
    }
    busy_ = false;
    QTest::qWait(100);
    QCOMPARE(runs_, 0);
  }

  void aSlowReaderHoldsUpItsOwnCommandOnly() {
    // The big command writes up to 64 MiB to a reader that takes nothing
    // until the small command, sent meanwhile, has its answer; then the
    // reader goes away.
    std::atomic<std::size_t> written{0};
    std::size_t written_when_small_ran = 0;
    bool big_stopped = false;
    std::atomic<int> timer_ticks{0};
    int ticks_before_close = 0;
    QTimer window;  // stands for the window's work
    connect(&window, &QTimer::timeout, [&] { ++timer_ticks; });
    window.start(10);
    runner_ = [&](const profile::CommandRequest& r, desktop::CommandReply& reply) {
      if (r.args.front() == "small") {
        written_when_small_ran = written;
        reply.write(profile::FrameType::kStdout, "small\n");
        return 0;
      }
      const std::string chunk(64 << 10, 'x');
      while (written < (64u << 20)) {
        if (reply.takeAbort()) {
          big_stopped = true;
          return 1;
        }
        reply.write(profile::FrameType::kStdout, chunk);
        written += chunk.size();
      }
      return 0;
    };
    RawClient big;
    QVERIFY(big.connect(socket_));
    QVERIFY(big.send(requestFrame(request({"big"}))));
    Client small;
    std::thread sender([&] {
      const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
      while (written < (1u << 20) && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
      }
      small.send(socket_, request({"small"}));
      small.thread.join();
      ticks_before_close = timer_ticks;
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
      big.close();
    });
    const bool ended = QTest::qWaitFor([&] { return runs_ == 2 && !server_->running(); }, 10000);
    sender.join();
    QVERIFY(ended);
    QCOMPARE(small.status, std::optional<int>(0));
    QCOMPARE(small.out.str(), std::string("small\n"));
    // The big command waited with its unread output bounded (4 MiB, and
    // what the socket itself holds), and stopped when its reader left.
    QVERIFY2(written_when_small_ran >= (1u << 20) && written_when_small_ran < (6u << 20),
             qPrintable(QString::number(written_when_small_ran)));
    QVERIFY(written < (6u << 20));
    QVERIFY(big_stopped);
    // The window's work went on while the big command waited.
    QVERIFY2(timer_ticks - ticks_before_close >= 10, qPrintable(QString::number(timer_ticks - ticks_before_close)));
  }

  void connectionsThatWaitAreBounded() {
    server_.reset();
    limits_.waiting = 2;
    limits_.request_timeout = std::chrono::milliseconds(400);
    limits_.request_bytes = 1 << 20;
    listen();
    runner_ = [](const profile::CommandRequest&, desktop::CommandReply&) { return 0; };
    // Two connections that send nothing fill the room; a third is closed
    // unread at once, and the two go when their time is up.
    RawClient idle[3];
    QVERIFY(idle[0].connect(socket_) && idle[1].connect(socket_));
    QTRY_COMPARE(server_->waiting(), std::size_t{2});
    QVERIFY(idle[2].connect(socket_));
    QVERIFY(QTest::qWaitFor([&] { return idle[2].endedWithin(10); }, 300));
    QVERIFY(!idle[0].endedWithin(10));
    QVERIFY(QTest::qWaitFor([&] { return idle[0].endedWithin(10) && idle[1].endedWithin(10); }, 2000));
    QCOMPARE(server_->waiting(), std::size_t{0});
    QVERIFY2(log_.size() == 2 && log_[0].contains(QStringLiteral("did not arrive within 400 ms")),
             qPrintable(log_.join('\n')));

    // A request that would take the waiting requests past their memory is
    // turned away before it is whole; one that fits runs.
    RawClient large;
    QVERIFY(large.connect(socket_));
    profile::CommandRequest big_script = request({"sql", "-"});
    big_script.input = std::string(1100 << 10, ';');
    std::thread sending([&] { large.send(requestFrame(big_script).substr(0, 1090 << 10)); });
    const bool turned_away = QTest::qWaitFor([&] { return large.endedWithin(10); }, 2000);
    sending.join();
    QVERIFY(turned_away);
    QVERIFY2(log_.last().contains(QStringLiteral("more than 1 MiB together")), qPrintable(log_.last()));
    Client fits;
    big_script.input = std::string(900 << 10, ';');
    fits.send(socket_, big_script);
    QVERIFY(fits.finish());
    QCOMPARE(fits.status, std::optional<int>(0));
  }

  void aRequestTooLargeToSendIsRefusedByTheClient() {
    runner_ = [](const profile::CommandRequest&, desktop::CommandReply&) { return 0; };
    profile::CommandRequest huge = request({"sql", "-"});
    huge.input = std::string(profile::kMaxRequestPayload, ';');
    Client client;
    client.send(socket_, huge);
    QVERIFY(client.finish());
    QCOMPARE(client.status, std::optional<int>(2));
    QVERIFY2(client.err.str().find("too large to send to the desktop program") != std::string::npos,
             client.err.str().c_str());
    QCOMPARE(runs_, 0);
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
        {"an abort that carries bytes", std::string("A\x01\0\0\0x", 6)},
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
