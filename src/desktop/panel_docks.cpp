#include "desktop/panel_docks.h"

#include <algorithm>

#include <QDockWidget>
#include <QMainWindow>

namespace desktop {

QString PanelDocks::dockName(int32_t root_id) { return QStringLiteral("vostrel_panel_%1").arg(root_id); }

PanelDocks::PanelDocks(QMainWindow& window, host::Host& host, ui::UiHost& ui_host,
                       std::function<void(const std::string& sql)> send_to_console)
    : QObject(&window), window_(window), host_(host), ui_host_(ui_host), send_to_console_(std::move(send_to_console)) {}

QDockWidget* PanelDocks::addPanel(std::span<const uint8_t> settings_record) {
  auto* dock = new QDockWidget(tr("Vostrel"), &window_);
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

void PanelDocks::forget(QDockWidget* dock) {
  const auto it = std::find(docks_.begin(), docks_.end(), dock);
  if (it == docks_.end()) return;
  docks_.erase(it);
  emit panelsChanged();
}

}  // namespace desktop
