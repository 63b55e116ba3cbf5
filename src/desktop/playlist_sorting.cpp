// Sorting a playlist from its table; see playlist_sorting.h.
#include "desktop/playlist_sorting.h"

#include <QHeaderView>
#include <QTableView>

#include "desktop/playlist_model.h"
#include "profile/data_error.h"

namespace desktop {

HeaderSorting::HeaderSorting(player::Player& player, QTableView& view) : QObject(&view), player_(player), view_(view) {
  setObjectName(QStringLiteral("header_sorting"));
  QHeaderView* header = view_.horizontalHeader();
  header->setSectionsClickable(true);
  header->setSortIndicatorShown(false);
  connect(header, &QHeaderView::sectionClicked, this, &HeaderSorting::sortBy);
  // Items that change otherwise are no longer in the order the arrow shows.
  QAbstractItemModel* model = view_.model();
  connect(model, &QAbstractItemModel::rowsInserted, this, &HeaderSorting::forget);
  connect(model, &QAbstractItemModel::rowsRemoved, this, &HeaderSorting::forget);
  connect(model, &QAbstractItemModel::modelReset, this, &HeaderSorting::forget);
  connect(model, &QAbstractItemModel::layoutChanged, this, &HeaderSorting::forget);
}

HeaderSorting* HeaderSorting::of(const QTableView* view) {
  return view != nullptr ? view->findChild<HeaderSorting*>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
}

void HeaderSorting::sortBy(int column) {
  const bool reverse = column == column_ && order_ == Qt::AscendingOrder;
  sort(column, reverse ? Qt::DescendingOrder : Qt::AscendingOrder);
}

std::vector<std::string> HeaderSorting::keys(int column) const {
  const QAbstractItemModel& model = *view_.model();
  const int rows = model.rowCount();
  std::vector<std::string> result;
  result.reserve(static_cast<std::size_t>(rows));
  for (int row = 0; row < rows; ++row) result.push_back(model.index(row, column).data().toString().toStdString());
  return result;
}

void HeaderSorting::sort(int column, Qt::SortOrder order) {
  auto* model = qobject_cast<PlaylistModel*>(view_.model());
  if (model == nullptr || column < 0 || column >= model->columnCount()) return;
  const std::string by = model->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString().toStdString();
  sorting_ = true;
  try {
    player_.sortItems(model->playlist(), keys(column), order == Qt::DescendingOrder, by);
  } catch (const profile::DataError& e) {
    player_.consoleLine(std::string("[vostrel] ") + e.what());
  }
  sorting_ = false;
  column_ = column;
  order_ = order;
  view_.horizontalHeader()->setSortIndicator(column, order);
  view_.horizontalHeader()->setSortIndicatorShown(true);
}

void HeaderSorting::forget() {
  if (sorting_ || column_ < 0) return;
  column_ = -1;
  view_.horizontalHeader()->setSortIndicatorShown(false);
}

}  // namespace desktop
