#include "desktop/panel_docks.h"

#include <algorithm>

#include <QDockWidget>
#include <QMainWindow>
#include <QScrollBar>
#include <QStyle>
#include <QTreeView>

#include "ui/panel_tree_view.h"

namespace desktop {
namespace {

// The levels a new panel's dock shows whole.
constexpr int kLevelsShown = 3;
// The panel lays its tree out this far inside its frame.
constexpr int kPanelMargin = 2;

// The widest row of the levels down to `depth` below `parent`, from the
// view's left edge (every level, the first too, is indented).
int widestRow(const QTreeView& view, const QModelIndex& parent, int depth) {
  const QAbstractItemModel& model = *view.model();
  QStyleOptionViewItem option;
  option.font = view.font();
  option.fontMetrics = view.fontMetrics();
  int widest = 0;
  for (int row = 0; row < model.rowCount(parent); ++row) {
    const QModelIndex index = model.index(row, 0, parent);
    const int width = view.indentation() * depth + view.itemDelegate()->sizeHint(option, index).width();
    widest = std::max(widest, width);
    if (depth < kLevelsShown) widest = std::max(widest, widestRow(view, index, depth + 1));
  }
  return widest;
}

}  // namespace

QString PanelDocks::dockName(int32_t root_id) { return QStringLiteral("vostrel_panel_%1").arg(root_id); }

QString PanelDocks::title(std::size_t index) {
  return index == 0 ? tr("Vostrel") : tr("Vostrel %1").arg(index + 1);
}

PanelDocks::PanelDocks(QMainWindow& window, host::Host& host, ui::UiHost& ui_host,
                       std::function<void(const std::string& sql)> send_to_console)
    : QObject(&window), window_(window), host_(host), ui_host_(ui_host), send_to_console_(std::move(send_to_console)) {}

QDockWidget* PanelDocks::addPanel(std::span<const uint8_t> settings_record) {
  auto* dock = new QDockWidget(title(docks_.size()), &window_);
  dock->setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable |
                    QDockWidget::DockWidgetFloatable);
  dock->setAttribute(Qt::WA_DeleteOnClose);
  PanelWidget* panel = makePanelWidget(host_, ui_host_, settings_record, send_to_console_, dock);
  dock->setWidget(panel);
  QDockWidget* last_left = nullptr;
  for (QDockWidget* other : docks_) {
    if (window_.dockWidgetArea(other) == Qt::LeftDockWidgetArea && !other->isFloating()) last_left = other;
  }
  window_.addDockWidget(Qt::LeftDockWidgetArea, dock);
  if (last_left != nullptr) window_.tabifyDockWidget(last_left, dock);
  docks_.push_back(dock);
  connect(dock, &QObject::destroyed, this, [this, dock] { forget(dock); });
  connect(panel, &PanelWidget::settingsChanged, this, &PanelDocks::panelsChanged);
  panel->loadTree();
  nameDocks();
  retitle();
  // Tabbed with others, it takes their width; alone, it is sized for its
  // tree (the dock's own hint is only as wide as its title bar's buttons).
  if (settings_record.empty() && last_left == nullptr) {
    window_.resizeDocks({dock}, {startWidth(docks_.size() - 1, window_.width())}, Qt::Horizontal);
  }
  dock->show();
  dock->raise();
  emit panelsChanged();
  return dock;
}

PanelWidget* PanelDocks::widget(std::size_t index) const {
  return static_cast<PanelWidget*>(docks_[index]->widget());
}

std::vector<std::vector<uint8_t>> PanelDocks::settingsRecords() const {
  std::vector<std::vector<uint8_t>> records;
  for (std::size_t i = 0; i < docks_.size(); ++i) records.push_back(widget(i)->settingsRecord());
  return records;
}

void PanelDocks::nameDocks() {
  QStringList names;
  for (std::size_t i = 0; i < docks_.size(); ++i) {
    QString name = dockName(widget(i)->panel().rootNodeId());
    if (names.contains(name)) name += QStringLiteral("_%1").arg(i + 1);
    names << name;
    docks_[i]->setObjectName(name);
  }
}

int PanelDocks::startWidth(std::size_t index, int window_width) const {
  const PanelWidget& panel = *widget(index);
  const QTreeView& view = *panel.view();
  const int chrome = 2 * (panel.frameWidth() + kPanelMargin + view.frameWidth()) +
                     view.style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, view.verticalScrollBar());
  const int wanted = widestRow(view, QModelIndex(), 1) + chrome;
  return std::clamp(wanted, window_width / 4, std::max(window_width / 4, window_width * 2 / 5));
}

void PanelDocks::retitle() {
  for (std::size_t i = 0; i < docks_.size(); ++i) docks_[i]->setWindowTitle(title(i));
}

void PanelDocks::forget(QDockWidget* dock) {
  const auto it = std::find(docks_.begin(), docks_.end(), dock);
  if (it == docks_.end()) return;
  docks_.erase(it);
  retitle();
  emit panelsChanged();
}

}  // namespace desktop
