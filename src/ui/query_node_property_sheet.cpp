#include "ui/query_node_property_sheet.h"

#include <QLayout>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "db/exception.h"
#include "host/host.h"
#include "tree/node_actions.h"
#include "tree/panel.h"
#include "tree/query_node.h"
#include "ui/action_page.h"
#include "ui/advanced_page.h"
#include "ui/batch_page.h"
#include "ui/node_attributes_box.h"
#include "ui/query_page.h"
#include "ui/query_result_node_dialog.h"
#include "ui/sql_editor.h"

namespace ui {

namespace {

std::vector<std::string> playlistNames(const host::Host& host) {
  std::vector<std::string> names;
  const std::size_t count = host.playlistCount();
  names.reserve(count);
  for (std::size_t i = 0; i < count; ++i) names.push_back(host.playlistName(i));
  return names;
}

}  // namespace

QueryNodePropertySheetDialog::QueryNodePropertySheetDialog(tree::QueryNode& node, QWidget* parent)
    : PropertySheetDialog(parent),
      node_(node),
      sheet_(node, node.panel()->database()),
      original_label_(node.label()),
      original_attributes_(*node.attributes()),
      original_definition_(node.definition()) {
  setWindowTitle(QStringLiteral("Query"));
  tree::Panel& panel = *node.panel();

  auto* main_page = new QWidget;
  auto* main_layout = new QVBoxLayout(main_page);
  main_ = new NodeAttributesBox(main_page);
  main_->setLabel(sheet_.label);
  main_->setAttributes(node.attributes());
  main_->setSelectorColours(panel);
  main_layout->addWidget(main_);

  query_ = new QueryPage(panel.database());
  query_->load(sheet_);
  query_->showLevels(node.definition().level_options);
  action_ = new ActionPage(playlistNames(panel.host()));
  action_->load(sheet_);
  batch_ = new BatchPage;
  batch_->load(sheet_);
  advanced_ = new AdvancedPage;
  advanced_->load(sheet_);

  addPage(main_page, QStringLiteral("Main"));
  addPage(query_, QStringLiteral("Query"));
  addPage(action_, QStringLiteral("Action"));
  addPage(batch_, QStringLiteral("Batch"));
  addPage(advanced_, QStringLiteral("Advanced"));

  connectPages();
  updateEnableState();
  setMinimumDialogSize(280, 220);
  // Never below what the pages need: check boxes and buttons stay whole.
  setMinimumSize(minimumSize().expandedTo(layout()->minimumSize()));
  resize(dialogUnits(this, 380, 340).expandedTo(minimumSize()));
  main_->focusLabel();
}

QueryNodePropertySheetDialog::~QueryNodePropertySheetDialog() = default;

void QueryNodePropertySheetDialog::connectPages() {
  connect(main_, &NodeAttributesBox::labelEdited, this, &QueryNodePropertySheetDialog::updateEnableState);
  connect(main_, &NodeAttributesBox::useParentToggled, this, &QueryNodePropertySheetDialog::updateEnableState);
  connect(query_, &QueryPage::sqlEdited, this, [this] {
    sheet_.sqlTextChanged();
    updateEnableState();
  });
  connect(query_, &QueryPage::applyClicked, this, &QueryNodePropertySheetDialog::apply);
  connect(query_, &QueryPage::revertClicked, this, &QueryNodePropertySheetDialog::revert);
  connect(query_, &QueryPage::previewClicked, this, &QueryNodePropertySheetDialog::preview);
  connect(query_, &QueryPage::editLevelRequested, this, &QueryNodePropertySheetDialog::editLevel);
  connect(action_, &ActionPage::actionChanged, this, &QueryNodePropertySheetDialog::updateEnableState);
  connect(batch_, &BatchPage::batchEdited, this, &QueryNodePropertySheetDialog::updateEnableState);
  connect(batch_, &BatchPage::validateClicked, this, &QueryNodePropertySheetDialog::validateBatch);
  connect(batch_, &BatchPage::executeClicked, this, &QueryNodePropertySheetDialog::executeBatch);
  connect(batch_, &BatchPage::consoleClicked, this, &QueryNodePropertySheetDialog::sendBatchToConsole);
  connect(&tabs(), &QTabWidget::currentChanged, this, &QueryNodePropertySheetDialog::updateEnableState);
}

void QueryNodePropertySheetDialog::showEvent(QShowEvent* event) {
  PropertySheetDialog::showEvent(event);
  if (currentPage() == kMainPage) main_->focusLabel();
}

void QueryNodePropertySheetDialog::storePages() {
  sheet_.label = main_->label();
  sheet_.use_parent_attributes = main_->useParent();
  query_->store(sheet_);
  action_->store(sheet_);
  batch_->store(sheet_);
  advanced_->store(sheet_);
}

void QueryNodePropertySheetDialog::updateEnableState() {
  storePages();
  const tree::QuerySheet::EnableState state = sheet_.enableState();
  okButton().setEnabled(state.ok);
  main_->setButtonsEnabled(state.icon_and_colours);
  query_->showEnableState(state);
  query_->setPreviewAllowed(!sheet_.batch_running);
  action_->showEnableState(state);
  batch_->showEnableState(state);
}

void QueryNodePropertySheetDialog::showMessage(const std::string& text) {
  node_.panel()->host().messageBox(text, host::kComponentFileName);
}

void QueryNodePropertySheetDialog::showAppliedQuery() {
  query_->load(sheet_);
  query_->showLevels(node_.definition().level_options);
}

bool QueryNodePropertySheetDialog::apply() {
  storePages();
  std::string error;
  const bool applied = sheet_.apply(&error);
  showAppliedQuery();
  updateEnableState();
  if (!applied) {
    showMessage(error);
    query_->editor()->setFocus(Qt::OtherFocusReason);
    return false;
  }
  node_.updateItem(true);
  preview();
  return true;
}

void QueryNodePropertySheetDialog::revert() {
  sheet_.revert();
  query_->load(sheet_);
  updateEnableState();
}

void QueryNodePropertySheetDialog::preview() {
  if (sheet_.batch_running || query_->previewRunning()) return;
  storePages();
  // The preview shows what the node would run: a changed text is applied
  // first (which previews it in turn).
  if (sheet_.modified()) {
    apply();
    return;
  }
  if (sheet_.appliedSql().empty()) return;
  query_->runPreview(sheet_.appliedSql());
  updateEnableState();
}

void QueryNodePropertySheetDialog::editLevel(int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= node_.levelCount()) return;
  QueryResultNodeDialog dialog(node_, static_cast<std::size_t>(index), this);
  if (dialog.runModal()) {
    tree::propagateLevelAttributes(node_, static_cast<std::size_t>(index));
    node_.updateItem(true);
  }
}

void QueryNodePropertySheetDialog::validateBatch() {
  storePages();
  std::string error;
  if (sheet_.validateBatch(&error)) {
    batch_->load(sheet_);
  } else {
    showMessage(error);
    batch_->editor()->setFocus(Qt::OtherFocusReason);
  }
  updateEnableState();
}

void QueryNodePropertySheetDialog::executeBatch() {
  storePages();
  if (sheet_.batch.empty() || sheet_.batch_running) return;
  sheet_.batch_running = true;
  updateEnableState();
  try {
    tree::executeSql(node_, sheet_.batch);
  } catch (const db::Exception& e) {
    showMessage(e.message());
  }
  sheet_.batch_running = false;
  updateEnableState();
}

void QueryNodePropertySheetDialog::sendBatchToConsole() {
  storePages();
  const tree::PanelHooks& hooks = node_.panel()->hooks();
  if (!sheet_.batch.empty() && hooks.send_to_console) hooks.send_to_console(sheet_.batch);
}

bool QueryNodePropertySheetDialog::acceptSheet() {
  if (!okButton().isEnabled()) return false;
  if (query_->previewRunning()) {
    // The preview's statement holds the connection that Apply needs: OK
    // comes back once it has stopped.
    query_->stopPreview();
    QTimer::singleShot(10, this, [this] { accept(); });
    return false;
  }
  storePages();
  std::string error;
  if (!sheet_.ok(&error)) {
    showAppliedQuery();
    setCurrentPage(kQueryPage);
    updateEnableState();
    showMessage(error);
    query_->editor()->setFocus(Qt::OtherFocusReason);
    return false;
  }
  return true;
}

void QueryNodePropertySheetDialog::reject() {
  query_->stopPreview();
  // Nothing of a cancelled sheet stays in the node: neither the colours and
  // icons chosen nor the levels rebuilt by Apply.
  node_.setLabel(original_label_);
  *node_.attributes() = original_attributes_;
  node_.definition() = original_definition_;
  node_.updateItem(true);
  PropertySheetDialog::reject();
}

}  // namespace ui
