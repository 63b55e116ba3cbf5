// PlaylistTabs: the player's playlists as tabs, one table view each. The
// current tab is the active playlist; the playing one carries a play icon.
// Users create, rename (double-click the tab), close and reorder (drag the
// tab) playlists, remove items (Delete), reorder items by dragging them and
// play an item by double-clicking it. The view's selection is the player's
// selection. Every change goes through the player, whose events bring the
// tabs and tables up to date, whoever made the change.
#ifndef VOSTREL_DESKTOP_PLAYLIST_TABS_H_
#define VOSTREL_DESKTOP_PLAYLIST_TABS_H_

#include <cstddef>
#include <vector>

#include <QTabWidget>

#include "player/player.h"

class QTableView;

namespace desktop {

class PlaylistModel;
class PlayerSignals;

class PlaylistTabs : public QTabWidget {
  Q_OBJECT

 public:
  PlaylistTabs(player::Player& player, PlayerSignals& player_signals, QWidget* parent = nullptr);

  QTableView* view(std::size_t playlist) const;
  PlaylistModel* model(std::size_t playlist) const;

  // User commands on the player.
  void newPlaylist();
  void renamePlaylist(std::size_t playlist, const QString& name);
  void closePlaylist(std::size_t playlist);
  void removeSelectedItems();
  // Asks for a new name for the playlist of tab `index`.
  void askRename(int index);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void playlistEvent(const player::PlaylistChange& change);
  void playbackChanged();
  // Makes the current tab's playlist the active one when they differ.
  void activateCurrent();
  void addTab(std::size_t playlist);
  void renumber();
  void updateIcons();
  // Copies the player's selection of `playlist` into its view.
  void showSelection(std::size_t playlist);
  // Copies the view's selection of `playlist` into the player.
  void takeSelection(std::size_t playlist);
  // Tells the player which item of `playlist` has the keyboard focus.
  void takeFocus(std::size_t playlist);
  void showTabMenu(const QPoint& position);
  void showItemMenu(std::size_t playlist, const QPoint& position);

  player::Player& player_;
  std::vector<QTableView*> views_;  // by playlist index
  bool syncing_ = false;            // a change this widget is making itself
  bool taking_selection_ = false;
  bool moving_tab_ = false;         // the user dragged a tab: the player follows   // handing the view's selection to the player
};

}  // namespace desktop

#endif  // VOSTREL_DESKTOP_PLAYLIST_TABS_H_
