// HeaderSorting: sorting a playlist from its table. A click on a column's
// header sorts the playlist by what that column shows, in the natural,
// case-insensitive order of the library tree; a second click on it reverses
// the order. The sort is a change of the playlist that the player makes
// (undoable and saved), not a view of it; the header's arrow shows the last
// sort until the items change otherwise.
#ifndef VOSTREL_DESKTOP_PLAYLIST_SORTING_H_
#define VOSTREL_DESKTOP_PLAYLIST_SORTING_H_

#include <QObject>
#include <string>
#include <vector>

#include "player/player.h"

class QTableView;

namespace desktop {

class HeaderSorting : public QObject {
  Q_OBJECT

 public:
  // REQUIRES: `view` shows a PlaylistModel; the sorting is its child.
  HeaderSorting(player::Player& player, QTableView& view);

  // The sorting of `view`, or nullptr.
  static HeaderSorting* of(const QTableView* view);

  // Sorts by `column` as a click on its header does: ascending, or
  // descending when the last sort was by this column ascending.
  void sortBy(int column);
  void sort(int column, Qt::SortOrder order);

  // What each item shows in `column`, in item order.
  std::vector<std::string> keys(int column) const;

 private:
  void forget();

  player::Player& player_;
  QTableView& view_;
  int column_ = -1;  // of the last sort, while it stands
  Qt::SortOrder order_ = Qt::AscendingOrder;
  bool sorting_ = false;
};

}  // namespace desktop

#endif  // VOSTREL_DESKTOP_PLAYLIST_SORTING_H_
