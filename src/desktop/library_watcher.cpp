#include "desktop/library_watcher.h"

#include <memory>
#include <string>
#include <utility>

#include <QFileInfo>

namespace desktop {
namespace {

// Whether `path` is `folder` or lies below it.
bool isWithin(const std::filesystem::path& path, const std::filesystem::path& folder) {
  const std::string inner = path.lexically_normal().generic_string();
  std::string outer = folder.lexically_normal().generic_string();
  while (outer.size() > 1 && outer.back() == '/') outer.pop_back();
  return inner == outer || (inner.size() > outer.size() && inner.compare(0, outer.size(), outer) == 0 &&
                            (outer.back() == '/' || inner[outer.size()] == '/'));
}

// The folders below `roots`, without following links to folders.
std::vector<std::string> foldersBelow(const std::vector<std::filesystem::path>& roots) {
  std::vector<std::string> found;
  for (const std::filesystem::path& root : roots) {
    std::error_code ec;
    std::filesystem::recursive_directory_iterator it(root, std::filesystem::directory_options::skip_permission_denied,
                                                     ec);
    for (; !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
      std::error_code type_error;
      if (!it->is_directory(type_error) || it->is_symlink(type_error)) continue;
      // One that cannot be read cannot be watched either, which is no sign
      // of the limit of watched folders: the scan names it.
      std::error_code list_error;
      std::filesystem::directory_iterator(it->path(), list_error);
      if (!list_error) found.push_back(it->path().string());
    }
  }
  return found;
}

}  // namespace

struct LibraryWatcher::Outcome {
  library::ScanResult result;
  std::string error;
  std::vector<std::string> folders;  // below the music folders, to watch
  std::thread::id thread;
};

LibraryWatcher::LibraryWatcher(player::Player& player, std::filesystem::path profile_dir,
                               std::vector<std::filesystem::path> folders, QObject* parent)
    : QObject(parent), player_(player), profile_dir_(std::move(profile_dir)), folders_(std::move(folders)) {
  settle_.setSingleShot(true);
  connect(&settle_, &QTimer::timeout, this, &LibraryWatcher::startDue);
  connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, &LibraryWatcher::folderChanged);
}

LibraryWatcher::~LibraryWatcher() {
  cancel_ = true;
  if (worker_.joinable()) worker_.join();
}

void LibraryWatcher::start(FirstScan first) {
  replace_due_ = first == FirstScan::kReplaceLibrary;
  // The music folders themselves at once; their subfolders once the first
  // scan has walked them.
  std::vector<std::string> tops;
  for (const std::filesystem::path& folder : folders_) tops.push_back(folder.string());
  watchFolders(tops);
  rescan();
}

void LibraryWatcher::rescan() {
  settle_.stop();
  due_.insert(folders_.begin(), folders_.end());
  full_scan_due_ = true;
  startDue();
}

void LibraryWatcher::watchFolders(const std::vector<std::string>& folders) {
  if (limit_reached_) return;
  const QStringList watched = watcher_.directories();
  QStringList added;
  for (const std::string& folder : folders) {
    const QString path = QString::fromStdString(folder);
    if (watched.contains(path) || added.contains(path) || !QFileInfo(path).isDir()) continue;
    const bool ok = static_cast<std::size_t>(watched.size() + added.size()) < watch_limit_ && watcher_.addPath(path);
    if (!ok) {
      // Watching some folders and not others would miss changes at random:
      // watch none, and say so.
      limit_reached_ = true;
      if (!watcher_.directories().isEmpty()) watcher_.removePaths(watcher_.directories());
      player_.consoleLine(
          "[vostrel] The system's limit of watched folders is reached: changes in the music folders show after "
          "\"Rescan library\" (View menu) or at the next start.");
      return;
    }
    added.push_back(path);
  }
}

void LibraryWatcher::folderChanged(const QString& path) {
  const std::filesystem::path changed = path.toStdString();
  for (const std::filesystem::path& folder : folders_) {
    if (isWithin(changed, folder)) due_.insert(folder);
  }
  if (due_.empty()) return;
  // Restarted by every change of a burst, up to the longest wait.
  if (!settle_.isActive()) first_change_.start();
  if (first_change_.elapsed() + settle_ms_ <= kLongestWaitMs) settle_.start(settle_ms_);
}

void LibraryWatcher::startDue() {
  if (scanning() || due_.empty()) return;
  std::vector<std::filesystem::path> roots(due_.begin(), due_.end());
  due_.clear();
  cancel_ = false;
  const bool keep_snapshots = std::exchange(full_scan_due_, false);
  worker_ = std::thread([this, roots = std::move(roots), all = folders_, dir = profile_dir_, keep_snapshots] {
    auto outcome = std::make_shared<Outcome>();
    outcome->thread = std::this_thread::get_id();
    try {
      if (cache_ == nullptr) cache_ = std::make_unique<library::LibraryCache>(dir);
      library::ScanOptions options;
      options.cancel = &cancel_;
      options.keep_snapshots = keep_snapshots;
      outcome->result = library::scanMusicFolders(*cache_, roots, options);
      // A scan of some folders: the library is still all of them.
      if (roots.size() != all.size()) outcome->result.library = library::loadCachedLibrary(*cache_, all);
    } catch (const std::exception& e) {
      outcome->error = e.what();
    }
    outcome->folders = foldersBelow(all);
    // Runs on the main thread; dropped if the watcher is gone by then.
    QMetaObject::invokeMethod(this, [this, outcome] { finishScan(*outcome); }, Qt::QueuedConnection);
  });
  emit scanningChanged(true);
}

void LibraryWatcher::finishScan(Outcome& outcome) {
  worker_.join();
  last_thread_ = outcome.thread;
  if (!outcome.error.empty()) {
    player_.consoleLine("[vostrel] The music folders could not be scanned: " + outcome.error);
  } else {
    for (const std::string& notice : outcome.result.notices) player_.consoleLine("[vostrel] " + notice);
    const library::ScanCounts& counts = outcome.result.counts;
    if (std::exchange(replace_due_, false) || counts.added + counts.changed + counts.removed > 0) {
      player_.replaceLibrary(std::move(outcome.result.library));
      if (counts.changed > 0) player_.notifyTrackInfoChanged();
      player_.consoleLine("[vostrel] Library scan: " + std::to_string(counts.added) + " added, " +
                          std::to_string(counts.changed) + " changed, " + std::to_string(counts.removed) +
                          " removed, " + std::to_string(counts.unchanged) + " unchanged");
    }
    emit scanFinished(counts);
  }
  watchFolders(outcome.folders);
  emit scanningChanged(false);
  if (!settle_.isActive()) startDue();
}

}  // namespace desktop
