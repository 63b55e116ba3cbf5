#include "app/desktop_start.h"

#include <cstdlib>
#include <iostream>

#include "app/cli.h"
#include "app/forward_client.h"

#ifdef VOSTREL_HAVE_GUI
#include <QApplication>
#include <QIcon>

#include "app/desktop_commands.h"
#include "desktop/desktop_app.h"
#include "profile/data_error.h"
#include "profile/resources.h"
#endif

namespace app {
namespace {

bool isSet(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && value[0] != '\0';
}

}  // namespace

bool displayAvailable() { return isSet("DISPLAY") || isSet("WAYLAND_DISPLAY") || isSet("QT_QPA_PLATFORM"); }

#ifdef VOSTREL_HAVE_GUI

int runDesktop(const GlobalOptions& global, int argc, char** argv) {
  try {
    if (const std::optional<int> status = raiseRunningDesktop(global)) return *status;
  } catch (const profile::DataError&) {
    // The lock below says what is wrong with the profile.
  }
  if (!displayAvailable()) {
    std::cerr << "vostrel: no display to show the desktop program on (DISPLAY and WAYLAND_DISPLAY are not set); "
                 "run \"vostrel --help\" for the commands.\n";
    return kExitFailed;
  }
  QApplication qt(argc, argv);
  QApplication::setApplicationName(QStringLiteral("vostrel"));
  QApplication::setApplicationDisplayName(QStringLiteral("Vostrel"));
  // The desktop entry's name, by which the desktop finds the icon and name
  // of the running program.
  QApplication::setDesktopFileName(QStringLiteral(VOSTREL_APP_ID));
  QApplication::setQuitOnLastWindowClosed(false);
  const QString icon_file = QString::fromStdString((profile::resourceDir("data") / "vostrel.png").string());
  QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("vostrel"), QIcon(icon_file)));

  std::optional<profile::ProfileLock> lock;
  std::unique_ptr<player::Player> player;
  std::filesystem::path library_path;
  std::vector<std::filesystem::path> music_folders;
  try {
    lock.emplace(lockProfile(global, profile::kLockKindDesktop));
    // Music folders come from the cache; the rescan runs in the background.
    player = openPlayer(global, /*rescan=*/false);
    const library::LibrarySource source = chooseLibrarySource(global, player->settings());
    library_path = source.isFolders() ? source.folders.front() : source.file;
    music_folders = source.folders;
  } catch (const profile::ProfileBusy& e) {
    std::cerr << profileBusyMessage(e, global.wait_seconds) << "\n";
    return kExitFailed;
  } catch (const profile::DataError& e) {
    std::cerr << e.what() << "\n";
    return kExitBadInput;
  }
  desktop::DesktopApp app(std::move(player), library_path, std::move(lock));
  app.setMusicFolders(std::move(music_folders));
  app.start();
  DesktopCommands commands(app);
  commands.listen();
  const int status = QApplication::exec();
  app.shutDown();
  return status;
}

#else

int runDesktop(const GlobalOptions&, int, char**) {
  std::cerr << "The desktop program is not part of this build; run \"vostrel --help\" for the commands.\n";
  return kExitBadInput;
}

#endif

}  // namespace app
