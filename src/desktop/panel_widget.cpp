#include "desktop/panel_widget.h"

#include <QLabel>
#include <QVBoxLayout>

#include "host/host.h"
#include "tree/tree_loader.h"
#include "tree/tree_node.h"

namespace desktop {

PlaceholderPanel::PlaceholderPanel(host::Host& host, ui::UiHost&, std::span<const uint8_t> settings_record,
                                   std::function<void(const std::string& sql)> send_to_console, QWidget* parent)
    : QWidget(parent) {
  tree::PanelHooks hooks;
  hooks.send_to_console = std::move(send_to_console);
  panel_ = std::make_unique<tree::Panel>(host, tree::UiAttributes{}, std::move(hooks));
  panel_->readSettings(settings_record);
  label_ = new QLabel(this);
  label_->setAlignment(Qt::AlignTop | Qt::AlignLeft);
  label_->setMargin(6);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(label_);
}

PlaceholderPanel::~PlaceholderPanel() = default;

bool PlaceholderPanel::loadTree() {
  const bool loaded = panel_->open() && tree::loadTree(*panel_);
  if (!loaded) panel_->host().popupMessage("Unable to populate tree.", host::kComponentFileName);
  QStringList lines;
  tree::TreeItem* root = panel_->control().top();
  for (std::size_t i = 0; root != nullptr && i < root->childCount(); ++i) {
    lines << QString::fromStdString(root->child(i)->node()->label());
  }
  label_->setText(lines.join('\n'));
  emit settingsChanged();
  return loaded;
}

PanelWidget* makePanelWidget(host::Host& host, ui::UiHost& ui_host, std::span<const uint8_t> settings_record,
                             std::function<void(const std::string& sql)> send_to_console, QWidget* parent) {
  return new PanelWidget(host, ui_host, settings_record, std::move(send_to_console), parent);
}

}  // namespace desktop
