// Browser: the music directory that clients browse. Its top level holds
// the panel's tree (a folder, query or result node is a directory named by
// its label) and kFilesDirectory, which holds the library's files by their
// folders ("[Files]/music/rock/a.flac" is /music/rock/a.flac).
//
// A "/" in a label is written U+2215 (DIVISION SLASH, "∕"), so that every
// "/" of a path separates two labels; a line break is written as a space.
// A query node is run when a client looks into it and it has not run yet
// (or it is stale and refreshes on use). A node without child nodes lists
// its tracks as files, in the node's order.
#ifndef VOSTREL_MPD_BROWSE_H_
#define VOSTREL_MPD_BROWSE_H_

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "host/track.h"

namespace player {
class Player;
}
namespace tree {
class Panel;
class TreeItem;
class TreeNode;
}  // namespace tree

namespace mpd {

// A label as a path component.
std::string escapeLabel(std::string_view label);

class Browser {
 public:
  // Both must outlive the browser.
  Browser(tree::Panel& panel, const player::Player& player);
  ~Browser();
  Browser(const Browser&) = delete;
  Browser& operator=(const Browser&) = delete;

  // lsinfo: "directory:" lines and songs right below `path` ("" or "/": the
  // top). Throws Ack (kNoExist) for a path that names nothing.
  void listInfo(std::string_view path, uint32_t tags, std::string& out);
  // listall (`info` false: names only) and listallinfo: everything below
  // `path`, running the query nodes on the way.
  void listAll(std::string_view path, bool info, uint32_t tags, std::string& out);
  // The tracks a path names: a directory's, in order, or one file's. Files
  // may also be named by a file:// URI or an absolute path. Throws Ack
  // (kNoExist).
  host::TrackList tracks(std::string_view path);

  // The library changed: the files are indexed again when next asked for.
  void libraryChanged();

 private:
  struct FileIndex;
  // The node item at `path` below the top (nullptr: the top); throws Ack.
  tree::TreeItem* findItem(std::string_view path);
  // Runs a query node that has not run (or is stale and refreshes on use).
  void prepare(tree::TreeNode& node);
  void listItem(tree::TreeItem* item, const std::string& path, bool recursive, bool info, uint32_t tags,
                std::string& out);
  void nodeTracks(tree::TreeNode& node, host::TrackList& tracks);
  void listFiles(std::string_view relative, bool recursive, bool info, uint32_t tags, std::string& out);
  const FileIndex& files();
  // Throws Ack while a statement of the panel runs.
  void checkIdle() const;

  tree::Panel& panel_;
  const player::Player& player_;
  std::unique_ptr<FileIndex> files_;
};

}  // namespace mpd

#endif  // VOSTREL_MPD_BROWSE_H_
