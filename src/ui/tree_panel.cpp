// The tree panel's making and unmaking, loading, queries and selection.
// How it looks is in tree_panel_appearance.cpp, its mouse and keys in
// tree_panel_input.cpp, its context menu and commands in tree_panel_menu.cpp.
#include "ui/tree_panel.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QPointer>
#include <QTimer>

#include "db/database.h"
#include "host/host.h"
#include "tree/node_actions.h"
#include "tree/open_panels.h"
#include "tree/query_node.h"
#include "tree/tree_loader.h"
#include "ui/node_calls.h"
#include "ui/node_dialogs.h"
#include "ui/options_dialog.h"
#include "ui/panel_attributes.h"
#include "ui/panel_hint.h"
#include "ui/panel_search.h"
#include "ui/panel_tree_view.h"
#include "ui/table_preferences_page.h"
#include "ui/tree_delegate.h"
#include "ui/tree_model.h"
#include "ui/ui_host.h"

namespace ui {

namespace {

constexpr const char* kUnableToPopulate = "Unable to populate tree.";

std::string_view caption() { return host::kComponentFileName; }

// A panel whose window went away while one of its runs was still on the
// stack: deleted once the run has unwound.
void deleteWhenIdle(tree::Panel* panel, std::shared_ptr<int> calls) {
  QTimer::singleShot(20, QCoreApplication::instance(), [panel, calls] {
    if (*calls > 0 || panel->database().IsBusy()) {
      deleteWhenIdle(panel, calls);
      return;
    }
    delete panel;
  });
}

// Stops every run when the application is asked to quit: the main event
// loop cannot end while a statement holds the stack. One per process.
class QuitWatcher : public QObject {
 public:
  using QObject::QObject;
  static void install() {
    static QPointer<QuitWatcher> watcher;
    if (watcher) return;
    watcher = new QuitWatcher(QCoreApplication::instance());
    QCoreApplication::instance()->installEventFilter(watcher);
  }
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == QCoreApplication::instance() && event->type() == QEvent::Quit) TreePanel::abortAllQueries();
    return false;
  }
};

}  // namespace

TreePanel::TreePanel(host::Host& host, UiHost& ui_host, std::span<const uint8_t> settings_record,
                     std::function<void(const std::string& sql)> send_to_console, QWidget* parent)
    : QFrame(parent), host_(host), ui_host_(ui_host) {
  tree::PanelHooks hooks;
  hooks.query_active_changed = [this](bool visible) {
    label_->setVisible(visible);
    if (visible) label_->raise();
  };
  hooks.edit_node = [this](tree::TreeNode& node) { return node_editor_ && node_editor_(this, node); };
  hooks.send_to_console = std::move(send_to_console);
  hooks.reload_table_pages = &PreferencesPageInstanceTable::postReload;
  hooks.defer = [this](std::function<void()> work) { QTimer::singleShot(0, this, std::move(work)); };
  panel_ = std::make_unique<tree::Panel>(host, uiAttributes(ui_host), std::move(hooks));
  panel_->readSettings(settings_record);
  node_editor_ = &editNodeInDialog;
  options_editor_ = [this](QWidget* parent, tree::PanelSettings& settings) {
    return editPanelOptions(parent, settings, panel_->uiAttributes());
  };

  setAutoFillBackground(true);
  view_ = new PanelTreeView(this);
  model_ = new TreeModel(panel_->control(), this);
  view_->setModel(model_);
  view_->setAccessibleName(tr("Tree"));
  view_->setAccessibleDescription(
      tr("Space clicks the node, Enter edits it, F5 runs a query node, Insert makes a query node, "
         "the Menu key or Shift+F10 opens the node's menu"));
  delegate_ = new TreeDelegate(*panel_, [this] { return view_->hasFocus(); }, this);
  view_->setItemDelegate(delegate_);
  view_->installEventFilter(this);
  view_->viewport()->installEventFilter(this);
  // Tree files dropped on the panel are imported (dragEvent).
  view_->viewport()->setAcceptDrops(true);
  QuitWatcher::install();

  search_ = new PanelSearch(
      *panel_, [this](const QString& text) { runSearch(text); }, this);
  connect(search_, &PanelSearch::leaveRequested, this, [this] { view_->setFocus(Qt::ShortcutFocusReason); });
  setTabOrder(search_, view_);

  label_ = new QLabel(QStringLiteral("Query active"), this);
  label_->setAutoFillBackground(true);
  label_->setContentsMargins(4, 1, 4, 1);
  label_->hide();

  // Until the user closes it once, a note at the top says how the tree is
  // used: a query node shows nothing before it runs.
  if (ui_host_.treeHintWanted()) {
    hint_ = new PanelHint(this);
    connect(hint_, &PanelHint::closeRequested, &ui_host_, &UiHost::dismissTreeHint);
    connect(&ui_host_, &UiHost::treeHintDismissed, this, [this] {
      if (hint_ == nullptr) return;
      const bool had_focus = hint_->isAncestorOf(QApplication::focusWidget());
      hint_->hide();  // at once: the deletion waits for the event loop
      hint_->deleteLater();
      hint_ = nullptr;
      layoutChildren();
      if (had_focus) view_->setFocus(Qt::OtherFocusReason);
    });
  }

  connect(model_, &TreeModel::itemExpansionChanged, this,
          [this](const QModelIndex& index, bool expanded) { view_->setExpanded(index, expanded); });
  connect(model_, &TreeModel::controlSelectionChanged, this, &TreePanel::selectInView);
  connect(model_, &TreeModel::batchDelivered, this, &TreePanel::batchDelivered);
  connect(view_->selectionModel(), &QItemSelectionModel::currentChanged, this, [this](const QModelIndex& current) {
    // Keyboard navigation moves the control's selection, except while a
    // run holds a stale picture of the tree.
    if (syncing_selection_ || model_->inBatch() || queryRunning()) return;
    panel_->control().select(current.isValid() ? TreeModel::itemOf(current) : nullptr);
  });
  connect(&ui_host_, &UiHost::uiColoursChanged, this, &TreePanel::uiAttributesChanged);
  connect(&ui_host_, &UiHost::uiFontChanged, this, &TreePanel::uiAttributesChanged);

  applySettings(nullptr, false);
  last_record_ = settingsRecord();
}

TreePanel::~TreePanel() {
  panel_->hooks() = {};
  // The view and the model go while the control they watch is whole.
  view_->removeEventFilter(this);
  view_->viewport()->removeEventFilter(this);
  delete view_;
  delete model_;
  if (*calls_ > 0 || panel_->database().IsBusy()) {
    // A run of this panel is still on the stack: stop it, and let the
    // panel outlive its window until the run has unwound.
    abortQuery();
    deleteWhenIdle(panel_.release(), calls_);
  }
}

std::vector<uint8_t> TreePanel::settingsRecord() const { return panel_->writeSettings(); }

void TreePanel::noteSettings() {
  std::vector<uint8_t> record = settingsRecord();
  if (record == last_record_) return;
  last_record_ = std::move(record);
  emit settingsChanged();
}

bool TreePanel::loadTree() {
  QPointer<TreePanel> self(this);
  std::shared_ptr<int> calls = calls_;
  tree::Panel* panel = panel_.get();
  bool ok;
  {
    CallScope scope(calls);
    ok = false;
    guarded(host_, [&] {
      if (!panel->open()) return;
      tree::RedrawSuspension suspension(panel->control());
      ok = tree::loadTree(*panel);
    });
  }
  if (!self) return ok;
  if (!ok) host_.popupMessage(kUnableToPopulate, caption());
  noteSettings();
  return ok;
}

void TreePanel::markStale(unsigned kinds) {
  for (tree::QueryNode* node : panel_->queries()) {
    if ((node->tablesRead() & kinds) != 0) node->setStale(true);
  }
  view_->viewport()->update();
}

void TreePanel::focusSearch() {
  search_->setFocus(Qt::ShortcutFocusReason);
  search_->selectAll();
}

void TreePanel::runSearch(const QString& text) {
  // The run lets events through: this window may close meanwhile, and its
  // tree::Panel then lives on until the run has unwound.
  tree::Panel* panel = panel_.get();
  CallScope scope(calls_);
  guarded(host_, [&] { panel->setSearchText(text.toStdString()); });
}

bool TreePanel::queryRunning() const { return panel_->database().IsBusy(); }

void TreePanel::abortQuery() {
  if (queryRunning()) panel_->database().Interrupt();
}

void TreePanel::abortAllQueries() {
  for (tree::Panel* panel : tree::OpenPanels::instance().panels()) {
    if (panel->database().IsBusy()) panel->database().Interrupt();
  }
}

tree::TreeNode* TreePanel::nodeAt(const QPoint& viewportPos) {
  const QModelIndex index = view_->indexAt(viewportPos);
  tree::TreeItem* item = index.isValid() ? TreeModel::itemOf(index) : nullptr;
  if (item != nullptr && item->node() == nullptr) return nullptr;
  tree::TreeNode* node = panel_->nodeForItem(item);
  noteSettings();
  return node;
}

QString TreePanel::toolTipAt(const QPoint& viewportPos) const {
  const QModelIndex index = view_->indexAt(viewportPos);
  if (!index.isValid()) return {};
  const tree::TreeNode* node = TreeModel::itemOf(index)->node();
  if (node == nullptr) return {};
  QStringList lines;
  if (node->labelExtent() > view_->viewport()->width()) lines << QString::fromStdString(node->label());
  if (node->type() == tree::NodeType::kQuery) lines << queryNodeTips(static_cast<const tree::QueryNode&>(*node));
  return lines.join(QLatin1Char('\n'));
}

QStringList queryNodeTips(const tree::QueryNode& node) {
  // A query node shows no levels until it runs, and a click does not run
  // it: it sends the tracks.
  QStringList lines;
  const tree::QueryDefinition& definition = node.definition();
  if (!node.hasRun() && !definition.sql_query.empty()) {
    lines << (definition.refresh_on_use
                  ? QStringLiteral("Not run yet: expand it or press F5 to run the query and show its levels.")
                  : QStringLiteral("Not run yet: press F5 to run the query and show its levels."));
  }
  if (const std::string click = tree::actionName(definition.click); !click.empty()) {
    lines << QStringLiteral("Click: ") + QString::fromStdString(click);
  }
  if (const std::string middle = tree::actionName(definition.middle_click); !middle.empty()) {
    lines << QStringLiteral("Middle click: ") + QString::fromStdString(middle);
  }
  return lines;
}

void TreePanel::closeEvent(QCloseEvent* event) {
  if (queryRunning()) {
    // The close waits for the run to stop, and follows right after.
    abortQuery();
    event->ignore();
    if (!close_pending_) {
      close_pending_ = true;
      closeWhenIdle();
    }
    return;
  }
  close_pending_ = false;
  QFrame::closeEvent(event);
}

std::shared_ptr<void> TreePanel::holdPanel() {
  ++*calls_;
  return std::shared_ptr<void>(nullptr, [calls = calls_](void*) { --*calls; });
}

void TreePanel::closeWhenIdle() {
  QTimer::singleShot(20, this, [this] {
    if (!close_pending_) return;
    if (queryRunning() || *calls_ > 0) {
      closeWhenIdle();
      return;
    }
    close();
  });
}

void TreePanel::selectInView(const QModelIndex& index) {
  syncing_selection_ = true;
  view_->selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
  if (index.isValid()) view_->scrollTo(index);
  syncing_selection_ = false;
  view_->viewport()->update();
}

void TreePanel::syncExpansion(const QModelIndex& parent) {
  const tree::TreeItem* holder = parent.isValid() ? TreeModel::itemOf(parent) : panel_->control().top();
  for (std::size_t row = 0; row < holder->childCount(); ++row) {
    const tree::TreeItem* child = holder->child(row);
    if (child->childCount() == 0) continue;
    const QModelIndex index = model_->indexOf(child);
    if (view_->isExpanded(index) != child->expanded()) view_->setExpanded(index, child->expanded());
    syncExpansion(index);
  }
}

void TreePanel::batchDelivered() {
  view_->layoutNow();
  syncExpansion(QModelIndex());
  selectInView(model_->indexOf(panel_->control().selection()));
}

}  // namespace ui
