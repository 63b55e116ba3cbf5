// LibraryWatcher: keeps the library of the music folders current while the
// program runs. The program starts on what the library cache holds; the
// watcher then rescans the folders in the background and swaps the new
// library into the player on the main thread (Player::replaceLibrary, which
// raises the library events). The user interface never waits for a scan.
//
//   LibraryWatcher watcher(player, profile_dir, folders);
//   watcher.start();     // watch the folders, rescan them once
//   watcher.rescan();    // "Rescan library"
//
// It watches the folders and their subfolders. A change starts a settle
// delay that gathers a burst of changes (a copied album) into one rescan of
// the folders that changed. Where the system's limit of watches is reached,
// the log says so once and nothing is watched: the library is then rescanned
// at start and on demand only. Folder watches see files come, go and be
// replaced; a file rewritten in place (some tag editors do that) shows up at
// the next rescan of its folder.
//
// A rescan that rereads changed files also raises the track-information
// event, so that views of the tags refresh.
#ifndef VOSTREL_DESKTOP_LIBRARY_WATCHER_H_
#define VOSTREL_DESKTOP_LIBRARY_WATCHER_H_

#include <atomic>
#include <filesystem>
#include <memory>
#include <set>
#include <thread>
#include <vector>

#include <QElapsedTimer>
#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>

#include "library/library_cache.h"
#include "library/library_scan.h"
#include "player/player.h"

namespace desktop {

class LibraryWatcher : public QObject {
  Q_OBJECT

 public:
  static constexpr int kSettleMs = 1000;
  // A stream of changes that never settles still rescans this often.
  static constexpr int kLongestWaitMs = 10000;

  // `folders` as the library source gives them (absolute); the cache is
  // `profile_dir`/library.db.
  LibraryWatcher(player::Player& player, std::filesystem::path profile_dir,
                 std::vector<std::filesystem::path> folders, QObject* parent = nullptr);
  // Stops a running scan (what it read stays in the cache) and waits for it.
  ~LibraryWatcher() override;

  LibraryWatcher(const LibraryWatcher&) = delete;
  LibraryWatcher& operator=(const LibraryWatcher&) = delete;

  // What the first scan does with the library it read: at start-up the
  // player holds the cache's tracks of these folders, and only a scan that
  // found changes swaps; for folders just chosen the player holds another
  // library, and the first scan's library goes in whatever it found.
  enum class FirstScan { kKeepUnlessChanged, kReplaceLibrary };

  // Watches the folders and rescans them all in the background.
  void start(FirstScan first = FirstScan::kKeepUnlessChanged);
  // Rescans all folders in the background; while a scan runs, another one
  // follows it.
  void rescan();

  const std::vector<std::filesystem::path>& folders() const { return folders_; }
  bool scanning() const { return worker_.joinable(); }
  // False once the watch limit was reached (and before start()).
  bool watching() const { return !limit_reached_ && !watcher_.directories().isEmpty(); }
  // The thread the last scan ran on.
  std::thread::id lastScanThread() const { return last_thread_; }

  // For tests: a shorter settle delay, and a watch limit of `count`
  // folders in place of the system's.
  void setSettleDelay(int milliseconds) { settle_ms_ = milliseconds; }
  void setWatchLimitForTesting(std::size_t count) { watch_limit_ = count; }

 signals:
  // A scan finished and its library is in the player (when it changed).
  void scanFinished(const library::ScanCounts& counts);
  // A scan started (true) or ended, whether or not it succeeded (false).
  void scanningChanged(bool scanning);

 private:
  struct Outcome;

  // Watches those of `folders` not watched yet, unless the limit was
  // reached.
  void watchFolders(const std::vector<std::string>& folders);
  void folderChanged(const QString& path);
  // Scans the due folders in the background, unless a scan runs (it starts
  // them when it is done).
  void startDue();
  void finishScan(Outcome& outcome);

  player::Player& player_;
  std::filesystem::path profile_dir_;
  std::vector<std::filesystem::path> folders_;
  QFileSystemWatcher watcher_;
  QTimer settle_;
  QElapsedTimer first_change_;
  int settle_ms_ = kSettleMs;
  std::size_t watch_limit_ = static_cast<std::size_t>(-1);
  bool limit_reached_ = false;
  std::set<std::filesystem::path> due_;  // music folders waiting for a scan
  bool full_scan_due_ = false;           // start or Rescan library: the next scan keeps snapshots
  bool replace_due_ = false;             // the next scan's library goes in, changed or not
  // One cache for the session, used by one scanning thread at a time: it
  // hands unchanged tracks out again without decoding them.
  std::unique_ptr<library::LibraryCache> cache_;
  std::thread worker_;
  std::atomic<bool> cancel_{false};
  std::thread::id last_thread_;
};

}  // namespace desktop

#endif  // VOSTREL_DESKTOP_LIBRARY_WATCHER_H_
