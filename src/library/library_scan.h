// Music folders: scanning them into the library cache, and the library
// the cache holds for them.
//
//   LibraryCache cache(profile.dir());                  // DIR/library.db
//   LibraryFile quick = loadCachedLibrary(cache, folders);   // at start
//   ScanResult scan = scanMusicFolders(cache, folders, {});  // then
//   player.replaceLibrary(std::move(scan.library));          // main thread
//   for (const std::string& line : scan.notices) log(line);
//
// A scan walks the folders (recursively, not into symbolic links to
// folders), stats every file, reads with TagLib only those that are new or
// whose size, modification time or status-change time changed, and forgets
// the files that are gone.
//
// Why no change is missed: a folder is listed unless it is as the last
// scan found it, so files added, removed or renamed (a new location, the
// old one gone) and folders added or removed show in the listing. Adding,
// removing or renaming an entry moves the folder's modification and
// status-change times; a folder whose times and inode are those the cache
// recorded when it was last listed holds the same entries, and its files
// are stated by the names the cache knows, its folders entered by theirs.
// A folder is recorded so only when its times were older than the scan by
// the step below (an entry added within the same step would leave them as
// they were), when it held nothing but files and folders (a link may lead
// elsewhere without it changing), when every file in it has a row (one
// that could not be opened is found again only by listing) and when it
// could be listed in full. A file written in place changes its
// status-change time, which no program can set back, even where it puts
// the modification time back. Timestamps move in steps, though, so a file
// written again within the step in which a scan looked at it could keep the
// time recorded; a file whose status-change time lies within two seconds
// of the scan is therefore recorded as too recent to tell, and the next
// scan reads it again (and counts it unchanged when it finds the same
// track). Where a file system keeps no real status-change time (FAT),
// size and modification time are all there is. Files that are not tracks (see tag_reader.h) are remembered as
// unreadable, so that a rescan does not read them again until they change;
// a file that could not be opened at all is not remembered, and so is
// tried again at every scan (one failed open each) until it can be read.
// A music folder that is missing or is empty where it held files (an
// unmounted disk) is left as it is in the cache: its tracks stay in the
// library, and the notices say once that it is unavailable (and once that
// it is back). A folder that cannot be listed, a music folder or one below
// it (no permission, a disk error), keeps the tracks found in it before in
// the same way, is named in the result at every scan, and the notices say
// once that it cannot be read (and once that it can again). A cancelled
// scan takes no file as gone.
//
// The calling thread reads the cache's rows of the folder first (the walk
// states the files of the folders that stay by them); then the walk lists
// and stats on `threads` threads of its own while the calling thread, where
// the cache has handed out none of the folder's tracks yet (a command's, a
// fresh start's), loads them: an unchanged folder then costs the rows and
// the larger of the two, and its tracks are those loaded. A file found
// with the size and times of its row is marked in place, not copied.
//
// Reading runs on a pool of `threads` worker threads, each building
// finished, immutable track records; the calling thread writes them to the
// cache in transactions of a few hundred files, so that a scan that is
// killed keeps what it wrote and leaves the cache consistent. A scan may
// run on any thread: it touches no Player and only the cache given to it
// (whose connection that thread must own for the time of the scan).
//
// A scan that changed a folder's tracks (or found its snapshot missing or
// damaged) leaves a snapshot of them in the cache, which the next start
// copies in one piece instead of decoding the rows; at 300,000 tracks it
// costs the scan about a second and some 110 MB of writing.
//
// The library of a list of folders is every cached track below any of
// them, in the order of the folders and, within one, by path. A folder that
// lies inside another listed one adds nothing of its own.
//
// In the desktop program: app::chooseLibrarySource(options, settings) says
// whether the library is music folders (LibrarySource::isFolders, and
// which); app::openPlayer(options, /*rescan=*/false) starts from the cache.
// Keep one LibraryCache on the scanning thread for the session: it hands
// unchanged tracks out again without decoding them, so that rescans cost
// little more than listing the folders. Hand the result to
// Player::replaceLibrary on the main thread. A track's file is
// uriFilePath(track.path()) (file_uri.h).
#ifndef VOSTREL_LIBRARY_LIBRARY_SCAN_H_
#define VOSTREL_LIBRARY_LIBRARY_SCAN_H_

#include <atomic>
#include <chrono>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "library/library_cache.h"
#include "library/library_file.h"

namespace library {

// What a scan found. Tracks: added (new files), changed (reread), removed
// (gone), unchanged (taken from the cache); unreadable counts the files
// below the folders that are not tracks (not audio, or damaged beyond
// reading), known before or found now.
struct ScanCounts {
  std::size_t added = 0;
  std::size_t changed = 0;
  std::size_t removed = 0;
  std::size_t unchanged = 0;
  std::size_t unreadable = 0;
  // Folders listed; the others stayed as they were, and their files were
  // stated by the names the cache knows.
  std::size_t folders_listed = 0;
  double seconds = 0;  // wall time of the whole scan
};

// How far a scan is: files read so far out of those it has to read (new
// and changed ones), after the folders were walked.
struct ScanProgress {
  std::size_t read = 0;
  std::size_t to_read = 0;
  std::size_t files = 0;  // files found below the folders
};

struct ScanOptions {
  // Reading threads; 0 picks defaultScanThreads().
  unsigned threads = 0;
  // Called on the scanning thread now and then (at most about ten times a
  // second, and once when reading is done); may be empty.
  std::function<void(const ScanProgress&)> progress;
  // When set and it becomes true, the scan stops soon: what was read is
  // kept in the cache, and the result says cancelled.
  const std::atomic<bool>* cancel = nullptr;
  // Whether the folders' snapshots are written anew when the scan changed
  // something. A snapshot makes the next start fast but costs a write of
  // about 110 MB at 300,000 tracks, so the desktop's rescans after a change
  // in a watched folder leave it to the next full scan.
  bool keep_snapshots = true;
  // How shortly before the scan a file may have changed for its
  // status-change time to be too recent to tell a later change (see
  // above). Tests that change files at once after a scan make it 0.
  std::chrono::nanoseconds recent = std::chrono::seconds(2);
};

// A folder a scan could not list, and why ("Permission denied").
struct UnreadableFolder {
  std::string folder;
  std::string reason;
  bool operator==(const UnreadableFolder&) const = default;
};

struct ScanResult {
  LibraryFile library;                           // the tracks below the folders, as loadCachedLibrary gives them
  ScanCounts counts;
  std::vector<std::string> unavailable_folders;  // of this scan, as given: missing or unmounted
  // Of this scan: music folders (as given) and folders below them that
  // could not be listed, in the order of the folders and below one by
  // location.
  std::vector<UnreadableFolder> unreadable_folders;
  // Lines for the log: a folder that became unavailable or unreadable, or
  // available or readable again; a damaged cache that was started afresh.
  std::vector<std::string> notices;
  bool cancelled = false;
};

// The reading threads a scan uses by default: the processors, at least 2
// (reading waits for the disk) and at most 8.
unsigned defaultScanThreads();

// Scans `folders` (absolute or relative to the working folder) into
// `cache` and returns the library they now hold. Throws DataError when
// the cache cannot be written.
ScanResult scanMusicFolders(LibraryCache& cache, const std::vector<std::filesystem::path>& folders,
                            const ScanOptions& options);

// The tracks the cache holds below `folders`, without looking at the disk.
// Throws DataError when the cache cannot be read.
LibraryFile loadCachedLibrary(LibraryCache& cache, const std::vector<std::filesystem::path>& folders);

}  // namespace library

#endif  // VOSTREL_LIBRARY_LIBRARY_SCAN_H_
