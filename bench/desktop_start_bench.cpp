// Start of the desktop program up to a visible main window with its panel
// tree, on a large library file, against reading that library file alone
// (the part of the start no window can avoid). Offscreen; one run per
// start, since a start is what a user waits for.
//
//   python3 tools/make_library.py --tracks 300000 --out /tmp/lib300k.json
//   QT_QPA_PLATFORM=offscreen build/bench/desktop_start_bench /tmp/lib300k.json
#include <chrono>
#include <cstdio>
#include <filesystem>

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>

#include "component/registration.h"
#include "db/open_steps.h"
#include "desktop/desktop_app.h"
#include "desktop/desktop_ui.h"
#include "desktop/main_window.h"
#include "desktop/panel_docks.h"
#include "library/library_file.h"
#include "library_tables/library_tables.h"
#include "profile/profile.h"
#include "profile/settings_store.h"
#include "tree/panel.h"

namespace {

using Clock = std::chrono::steady_clock;

double seconds(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double>(to - from).count();
}

struct StartTimes {
  double library = 0;  // reading the library file
  double player = 0;   // the player over it (playlists matched)
  double window = 0;   // component start, main window, panels with their trees
  double shown = 0;    // until the window is exposed and painted
  double total() const { return library + player + window + shown; }
};

StartTimes startOnce(const std::filesystem::path& library, const QString& profile_dir, std::size_t* panel_items) {
  db::setSchemaReady(false);
  library_tables::resetProcessState();
  StartTimes times;
  const auto t0 = Clock::now();
  library::LibraryFile file = library::loadLibraryFile(library);
  const auto t1 = Clock::now();
  profile::Profile profile(profile_dir.toStdString());
  profile::SettingsStore settings(profile.settingsFile());
  auto player = std::make_unique<player::Player>(std::move(profile), std::move(settings), std::move(file));
  const auto t2 = Clock::now();
  desktop::DesktopApp app(std::move(player), library, std::nullopt);
  app.ui().show_message = [](const QString& text, const QString&, bool) {
    std::fprintf(stderr, "message: %s\n", qPrintable(text));
  };
  app.start();
  const auto t3 = Clock::now();
  if (!QTest::qWaitForWindowExposed(&app.mainWindow())) std::fprintf(stderr, "the window was not exposed\n");
  QCoreApplication::processEvents();
  const auto t4 = Clock::now();
  *panel_items = app.panel(1) != nullptr ? app.panel(1)->control().itemCount() : 0;
  times.library = seconds(t0, t1);
  times.player = seconds(t1, t2);
  times.window = seconds(t2, t3);
  times.shown = seconds(t3, t4);
  app.requestQuit();
  app.shutDown();
  return times;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication qt(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: desktop_start_bench LIBRARY_FILE\n");
    return 2;
  }
  component::installDatabaseSteps();
  const std::filesystem::path library = argv[1];
  QTemporaryDir profile;
  std::printf("%-12s %9s %9s %9s %9s %9s %7s %s\n", "start", "library", "player", "window", "shown", "total",
              "ratio", "panel items");
  for (const char* name : {"first", "second", "third"}) {
    std::size_t items = 0;
    const StartTimes t = startOnce(library, profile.path(), &items);
    std::printf("%-12s %8.3fs %8.3fs %8.3fs %8.3fs %8.3fs %6.2fx %zu\n", name, t.library, t.player, t.window, t.shown,
                t.total(), t.total() / t.library, items);
  }
  return 0;
}
