#include "app/scan_command.h"

#include <CLI/CLI.hpp>

#include <array>
#include <atomic>
#include <cstdio>
#include <ostream>

#include "app/cli.h"
#include "app/option_values.h"
#include "library/library_cache.h"

namespace app {
namespace {

std::string plural(std::size_t count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

}  // namespace

CLI::App* addScanCommand(CLI::App& cli, ScanCommand& command) {
  CLI::App* scan = cli.add_subcommand("scan", "Update the library cache of the music folders");
  scan->add_option("--threads", command.threads, "Read with N threads (default: by the processors)")
      ->type_name("N")
      ->check(numberCheck("--threads", 1, 64));
  return scan;
}

std::string scanSummary(std::size_t folders, const library::ScanResult& result) {
  const library::ScanCounts& counts = result.counts;
  std::array<char, 32> seconds{};
  std::snprintf(seconds.data(), seconds.size(), "%.2f", counts.seconds);
  std::string line = "Scanned " + plural(folders, "music folder", "music folders") + " in " + seconds.data() +
                     " s: " + std::to_string(counts.added) + " added, " + std::to_string(counts.changed) +
                     " changed, " + std::to_string(counts.removed) + " removed, " + std::to_string(counts.unchanged) +
                     " unchanged, " + std::to_string(counts.unreadable) + " unreadable";
  if (!result.unavailable_folders.empty()) {
    line += "; unavailable: ";
    for (std::size_t i = 0; i < result.unavailable_folders.size(); ++i) {
      if (i > 0) line += ", ";
      line += result.unavailable_folders[i];
    }
  }
  if (!result.unreadable_folders.empty()) {
    line += "; cannot be read: ";
    for (std::size_t i = 0; i < result.unreadable_folders.size(); ++i) {
      if (i > 0) line += ", ";
      line += result.unreadable_folders[i].folder + " (" + result.unreadable_folders[i].reason + ")";
    }
  }
  return line;
}

int runScanCommand(CommandEnv& env, const GlobalOptions& global, const ScanCommand& command) {
  player::Player* live = env.livePlayer();
  std::optional<profile::Profile> own_profile;
  std::optional<profile::SettingsStore> own_settings;
  if (live == nullptr) {
    own_profile.emplace(profile::Profile::open(global.profile));
    own_settings.emplace(openSettings(global, *own_profile));
  }
  const profile::Profile& profile = live != nullptr ? live->profile() : *own_profile;
  const profile::SettingsStore& settings = live != nullptr ? live->settings() : *own_settings;
  // The desktop program scans the folders it shows, whatever the settings
  // say (it may have been started with --library).
  const std::optional<library::LibrarySource> live_source = env.liveLibrarySource();
  const library::LibrarySource source = live_source ? *live_source : chooseLibrarySource(global, settings);
  if (!source.isFolders()) {
    if (live_source) {
      env.err() << "No music folders to scan: the desktop program that runs on this profile shows the library "
                   "file "
                << source.file.string() << ". Choose music folders on the Library page of its preferences.\n";
    } else {
      env.err() << "No music folders to scan: the library is the file " << source.file.string()
                << ". Give the folders with --library DIR (repeatable), or choose them on the Library "
                   "page of the preferences.\n";
    }
    return kExitBadInput;
  }

  std::atomic<bool> cancel{false};
  const auto interrupts = env.catchInterrupts();
  const bool show_progress = env.errIsTerminal();
  bool progress_shown = false;
  library::ScanOptions options;
  options.threads = command.threads;
  options.cancel = &cancel;
  options.progress = [&](const library::ScanProgress& progress) {
    if (env.takeInterrupt()) cancel = true;
    if (!show_progress || progress.to_read == 0) return;
    env.err() << "\rReading " << progress.read << " of " << progress.to_read << " new or changed files ("
              << progress.files << " found)..." << std::flush;
    progress_shown = true;
  };
  library::LibraryCache cache(profile.dir());
  library::ScanResult result = library::scanMusicFolders(cache, source.folders, options);
  if (progress_shown) env.err() << "\r\033[K" << std::flush;
  for (const std::string& notice : result.notices) env.err() << notice << '\n';
  env.out() << scanSummary(source.folders.size(), result) << '\n';
  if (live != nullptr) live->replaceLibrary(std::move(result.library));
  if (result.cancelled || env.takeInterrupt()) {
    env.err() << "Interrupted (Ctrl+C): the files read so far are kept; the next scan reads the rest.\n";
    return kExitFailed;
  }
  return kExitOk;
}

}  // namespace app
