// PlaylistTabs: the player's playlists as tabs, one table view each. The
// current tab is the active playlist; the playing one carries a play icon.
// Users create, rename (double-click the tab), close and reorder (drag the
// tab) playlists, remove items (Delete), reorder items by dragging them,
// drop rows, tree nodes and files on a table, a tab or the "+" button, and
// play an item by double-clicking it. The view's selection is the player's
// selection. Every change goes through the player, whose events bring the
// tabs and tables up to date, whoever made the change.
#ifndef VOSTREL_DESKTOP_PLAYLIST_TABS_H_
#define VOSTREL_DESKTOP_PLAYLIST_TABS_H_

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include <QTabWidget>

#include "desktop/playlist_columns.h"
#include "desktop/playlist_drop.h"
#include "player/player.h"
#include "profile/layout.h"

class QDropEvent;
class QMenu;
class QUrl;
class QTableView;
class QTimer;
class QToolButton;

namespace desktop {

class CoverLoader;
class PlaylistModel;
class PlayerSignals;

class PlaylistTabs : public QTabWidget {
  Q_OBJECT

 public:
  PlaylistTabs(player::Player& player, PlayerSignals& player_signals, QWidget* parent = nullptr);

  QTableView* view(std::size_t playlist) const;
  PlaylistModel* model(std::size_t playlist) const;
  // What drops on the tables, the tabs and the new-playlist button do.
  PlaylistDrop& drop() { return drop_; }
  // The "+" button: a new playlist; drop onto it for a playlist of what was
  // dragged.
  QToolButton& newPlaylistButton() const { return *add_; }

  // User commands on the player.
  void newPlaylist();
  void renamePlaylist(std::size_t playlist, const QString& name);
  void closePlaylist(std::size_t playlist);
  void removeSelectedItems();
  // Asks for a new name for the playlist of tab `index`.
  void askRename(int index);

  // The columns of every table, in display order with their widths (as the
  // current table shows them) and visibility.
  std::vector<profile::PlaylistColumnLayout> columnLayout() const;
  // Shows these columns (the defaults for an empty list); entries that name
  // no column are dropped.
  void setColumnLayout(std::vector<profile::PlaylistColumnLayout> layout);
  // Shows or hides the standard column `id` (added at the end when the
  // layout lacks it).
  void setColumnVisible(const std::string& id, bool visible);
  // Adds a custom column at the end. False, with `error` set, when the
  // expression does not compile or the title is blank.
  bool addCustomColumn(const QString& title, const QString& expression, QString* error);
  // Removes the column at display position `index` (custom columns only).
  void removeColumn(int index);
  // The header's context menu for the column at display position `section`
  // (-1: none): the standard columns to show or hide, "Add custom
  // column...", "Remove column" for a custom one, "Fit columns to contents".
  QMenu* headerMenu(int section);
  // Widens or narrows the shown columns of the current table to what its
  // first rows hold.
  void fitColumns();

  // The row menu of `playlist`, for the row at `row` (-1: none) and the
  // selection: Play, Remove, Crop, Copy, Open containing folder, Properties,
  // and the header's menu as Columns.
  QMenu* itemMenu(std::size_t playlist, int row);
  // Keeps only the selected items (nothing happens without a selection).
  void cropToSelection(std::size_t playlist);
  // Puts the selected items' files on the clipboard: paths as text, one a
  // line, and a text/uri-list for file managers.
  void copySelection(std::size_t playlist);
  // Opens the folder of the item's file in the file manager.
  void openContainingFolder(std::size_t playlist, std::size_t item);
  void showProperties(std::size_t playlist, std::size_t item);
  // How folders are opened (QDesktopServices::openUrl unless told).
  using UrlOpener = std::function<bool(const QUrl& url)>;
  void setUrlOpener(UrlOpener opener) { open_url_ = std::move(opener); }
  // Where the properties view reads covers from (none: no cover shown).
  void setCoverLoader(CoverLoader* covers) { covers_ = covers; }
  // Scrolls every table to its top, the playing playlist's to its playing
  // item, and fits columns never sized to the current table (done once the
  // program has started and its window is laid out).
  void showStartPosition();

 signals:
  // The columns, their order or widths changed (for the layout to be saved).
  void columnsChanged();

 public:

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
  // Drags over and drops on the tab bar (into the tab's playlist, at its
  // end) and the new-playlist button. True when `event` was one of them.
  bool tabDragEvent(QObject* watched, QEvent* event);
  // The columns the models show: every layout entry, hidden ones too.
  std::vector<PlaylistColumn> shownColumns() const;
  void setUpHeader(QTableView& table);
  // Brings `table`'s header to the layout: order, widths, hidden columns.
  void applyColumns(QTableView& table, bool fit);
  void applyColumnsEverywhere();
  // Gives `table`'s header the layout's widths and hidden columns.
  void applyWidths(QTableView& table);
  // Fits the columns of `table` (with `only_unsized`: those the user never
  // sized) to its first rows; all tables take the widths.
  void fitTable(QTableView& table, bool only_unsized);
  // Fits the shown table again when its width changed while every width is
  // the fit's own (see fitted_).
  void refitAfterResize();
  // Takes the order and widths the user gave `table`'s header.
  void takeColumns(QTableView& table);
  void askCustomColumn();

  player::Player& player_;
  PlaylistDrop drop_;
  QToolButton* add_ = nullptr;
  std::vector<QTableView*> views_;  // by playlist index
  bool syncing_ = false;            // a change this widget is making itself
  bool taking_selection_ = false;
  bool applying_columns_ = false;
  bool start_pending_ = false;  // showStartPosition() waits for a table on screen
  // Every shown column has the width a fit gave it, none the user's: the
  // widths follow the view's width (a window made larger after the first
  // fit would otherwise leave all the new room to the last column).
  bool fitted_ = false;
  QTimer* refit_ = nullptr;
  std::vector<profile::PlaylistColumnLayout> columns_;
  UrlOpener open_url_;
  CoverLoader* covers_ = nullptr;
  bool moving_tab_ = false;         // the user dragged a tab: the player follows   // handing the view's selection to the player
};

}  // namespace desktop

#endif  // VOSTREL_DESKTOP_PLAYLIST_TABS_H_
