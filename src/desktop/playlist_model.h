// PlaylistModel: one playlist of the player as a table. Its columns are
// title-formatting expressions ("#", artist, title, album, length); the
// playing item is shown bold with a play icon. Rows are dragged within the
// view to reorder them, which the player performs (and announces).
//
// The model follows the player's events through the playlist tabs, which
// call the notify* methods after the player has changed. It shows its own
// copy of the playlist's track handles, brought up to date inside each
// notification, so that views always see the rows they were told about.
#ifndef VOSTREL_DESKTOP_PLAYLIST_MODEL_H_
#define VOSTREL_DESKTOP_PLAYLIST_MODEL_H_

#include <array>
#include <cstddef>

#include <QAbstractTableModel>

#include "player/player.h"

namespace desktop {

class PlaylistModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  static constexpr int kColumnCount = 5;
  // The MIME type of dragged rows: their indexes as text, comma-separated.
  static constexpr const char* kRowsMimeType = "application/x-vostrel-playlist-rows";

  PlaylistModel(player::Player& player, std::size_t playlist, QObject* parent = nullptr);

  std::size_t playlist() const { return playlist_; }
  // The playlist moved to another index (no change of its items).
  void setPlaylist(std::size_t playlist) { playlist_ = playlist; }

  // The header texts and the expressions behind them.
  static const std::array<const char*, kColumnCount>& headers();
  static const std::array<const char*, kColumnCount>& expressions();

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  Qt::DropActions supportedDropActions() const override { return Qt::MoveAction; }
  QStringList mimeTypes() const override;
  QMimeData* mimeData(const QModelIndexList& indexes) const override;
  // Moves the dragged rows before `row` through the player. Returns false
  // even when it moved them: the view must not remove the source rows of a
  // move the player has already made.
  bool dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                    const QModelIndex& parent) override;

  // The player changed the playlist.
  void notifyInserted(std::size_t first, std::size_t count);
  void notifyRemoved(std::size_t first, std::size_t count);
  void notifyReset();
  // The playing item may have changed.
  void notifyPlayback();

 private:
  player::Player& player_;
  std::size_t playlist_;
  host::TrackList items_;
  std::array<host::TitleFormatScriptPtr, kColumnCount> scripts_;
};

}  // namespace desktop

#endif  // VOSTREL_DESKTOP_PLAYLIST_MODEL_H_
