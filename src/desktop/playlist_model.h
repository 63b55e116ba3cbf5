// PlaylistModel: one playlist of the player as a table. Its columns are
// chosen by the user (see playlist_columns.h); the playing item is shown bold with a play icon. Rows are dragged within the
// view to reorder them, or with Ctrl to copy them, and tree nodes and files
// are dropped on it (see playlist_drop.h); the player performs the change
// (and announces it).
//
// The model follows the player's events through the playlist tabs, which
// call the notify* methods after the player has changed. It shows its own
// copy of the playlist's track handles, brought up to date inside each
// notification, so that views always see the rows they were told about.
#ifndef VOSTREL_DESKTOP_PLAYLIST_MODEL_H_
#define VOSTREL_DESKTOP_PLAYLIST_MODEL_H_

#include <cstddef>
#include <vector>

#include <QAbstractTableModel>

#include "desktop/playlist_columns.h"
#include "player/player.h"

namespace desktop {

class PlaylistDrop;

class PlaylistModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  PlaylistModel(player::Player& player, std::size_t playlist, std::vector<PlaylistColumn> columns,
                QObject* parent = nullptr);

  std::size_t playlist() const { return playlist_; }
  // The playlist moved to another index (no change of its items).
  void setPlaylist(std::size_t playlist) { playlist_ = playlist; }

  const std::vector<PlaylistColumn>& columns() const { return columns_; }
  // Shows these columns instead (a reset of the model).
  void setColumns(std::vector<PlaylistColumn> columns);
  // The text of `column` for the track at `row`.
  QString text(int row, int column) const;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  Qt::DropActions supportedDropActions() const override { return Qt::MoveAction | Qt::CopyAction; }
  QStringList mimeTypes() const override;
  QMimeData* mimeData(const QModelIndexList& indexes) const override;
  // Drops `data` before `row`; on an item (row -1, the item as parent):
  // before that item; elsewhere (row -1, no parent): at the end. Returns
  // false even when it dropped: the view must not remove the source rows of
  // a move the player has already made.
  bool dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                    const QModelIndex& parent) override;
  // What drops do; without one, drops are refused.
  void setDrop(PlaylistDrop* drop) { drop_ = drop; }

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
  void compileColumns();

  std::vector<PlaylistColumn> columns_;
  std::vector<host::TitleFormatScriptPtr> scripts_;  // by column; nullptr for joined fields and "#"
  std::vector<host::FieldId> fields_;                // by column

  PlaylistDrop* drop_ = nullptr;
};

}  // namespace desktop

#endif  // VOSTREL_DESKTOP_PLAYLIST_MODEL_H_
