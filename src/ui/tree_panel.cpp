#include "ui/tree_panel.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <QTimer>
#include <QToolTip>

#include "db/database.h"
#include "db/exception.h"
#include "host/host.h"
#include "tree/example_nodes.h"
#include "tree/folder_node.h"
#include "tree/open_panels.h"
#include "tree/query_node.h"
#include "tree/tree_loader.h"
#include "ui/node_dialogs.h"
#include "ui/options_dialog.h"
#include "ui/panel_attributes.h"
#include "ui/panel_commands.h"
#include "ui/panel_tree_view.h"
#include "ui/table_preferences_page.h"
#include "ui/tree_delegate.h"
#include "ui/tree_model.h"
#include "ui/ui_host.h"

namespace ui {

namespace {

constexpr const char* kUnableToPopulate = "Unable to populate tree.";
constexpr const char* kUnableToOpenHelp = "Unable to open help file";
constexpr const char* kHelpPage = "vostrel_help.html";
// Margin between the panel's edge and the tree.
constexpr int kMargin = 2;

std::string_view caption() { return host::kComponentFileName; }

// Counts a call into node code for as long as it lasts.
class CallScope {
 public:
  explicit CallScope(std::shared_ptr<int> calls) : calls_(std::move(calls)) { ++*calls_; }
  ~CallScope() { --*calls_; }
  CallScope(const CallScope&) = delete;
  CallScope& operator=(const CallScope&) = delete;

 private:
  std::shared_ptr<int> calls_;
};

// Node code reports its own failures; whatever still escapes stops at the
// panel's edge instead of crossing the event loop.
template <typename Call>
void guarded(host::Host& host, Call&& call) {
  try {
    call();
  } catch (const db::Exception& e) {
    db::LogToConsole(host, e.message(), true);
  }
}

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
  delegate_ = new TreeDelegate(*panel_, [this] { return view_->hasFocus(); }, this);
  view_->setItemDelegate(delegate_);
  view_->installEventFilter(this);
  view_->viewport()->installEventFilter(this);
  QuitWatcher::install();

  label_ = new QLabel(QStringLiteral("Query active"), this);
  label_->setAutoFillBackground(true);
  label_->setContentsMargins(4, 1, 4, 1);
  label_->hide();

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
  if (node == nullptr || node->labelExtent() <= view_->viewport()->width()) return {};
  return QString::fromStdString(node->label());
}

void TreePanel::applySettings(const tree::PanelSettings* old, bool redraw) {
  const tree::PanelSettings& s = panel_->settings();
  if (old == nullptr || old->edge_style != s.edge_style) {
    switch (s.edge_style) {
      case tree::kEdgeGrey:
        setFrameStyle(QFrame::Box | QFrame::Plain);
        setLineWidth(1);
        break;
      case tree::kEdgeSunken:
        setFrameStyle(QFrame::Panel | QFrame::Sunken);
        setLineWidth(2);
        break;
      default: setFrameStyle(QFrame::NoFrame); break;
    }
    layoutChildren();
  }
  QPalette own = palette();
  own.setColor(QPalette::Window, toQColor(s.back));
  own.setColor(QPalette::WindowText, QColor(160, 160, 160));  // the grey edge
  setPalette(own);
  QPalette tree_palette = view_->palette();
  tree_palette.setColor(QPalette::Base, toQColor(s.back));
  tree_palette.setColor(QPalette::Window, toQColor(s.back));
  tree_palette.setColor(QPalette::Text, toQColor(s.text));
  view_->setPalette(tree_palette);
  QPalette label_palette = label_->palette();
  label_palette.setColor(QPalette::Window, toQColor(s.back_selected));
  label_palette.setColor(QPalette::WindowText, toQColor(s.text_selected));
  label_->setPalette(label_palette);
  view_->setLineColour(toQColor(s.line));
  if (old == nullptr || old->font != s.font) {
    const QFont font = toQFont(s.font, ui_host_.uiFont());
    view_->setFont(font);
    label_->setFont(font);
    layoutChildren();
  }
  if (redraw) {
    update();
    view_->viewport()->update();
  }
}

void TreePanel::uiAttributesChanged() {
  const tree::PanelSettings old = panel_->settings();
  panel_->setUiAttributes(uiAttributes(ui_host_));
  applySettings(&old, true);
  noteSettings();
}

void TreePanel::layoutChildren() {
  const QRect client = contentsRect();
  view_->setGeometry(client.adjusted(kMargin, kMargin, -kMargin, -kMargin));
  const int height = label_->sizeHint().height();
  label_->setGeometry(client.left() + kMargin, client.bottom() + 1 - kMargin - height, client.width() - 2 * kMargin,
                      height);
}

void TreePanel::resizeEvent(QResizeEvent* event) {
  QFrame::resizeEvent(event);
  layoutChildren();
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

void TreePanel::toggleExpansion(const QModelIndex& index) {
  tree::TreeItem* item = TreeModel::itemOf(index);
  if (item == nullptr || item->node() == nullptr) return;
  CallScope scope(calls_);
  guarded(host_, [&] { panel_->expandNode(*item->node(), !item->expanded()); });
}

// Event filters: the view's keys, its viewport's mouse, context menu and
// tooltips.
bool TreePanel::eventFilter(QObject* watched, QEvent* event) {
  if (watched == view_) {
    switch (event->type()) {
      case QEvent::ShortcutOverride:
        // Every key comes here first; the panel offers what it does not
        // handle to the host's shortcuts itself.
        event->accept();
        return true;
      case QEvent::KeyPress: return keyPress(static_cast<QKeyEvent*>(event));
      case QEvent::FocusIn: {
        // The view makes its first item current when it gets the focus
        // without one; that selects nothing here.
        syncing_selection_ = true;
        static_cast<QObject*>(view_)->event(event);
        syncing_selection_ = false;
        view_->viewport()->update();
        return true;
      }
      case QEvent::FocusOut: view_->viewport()->update(); return false;
      case QEvent::ContextMenu:  // from the keyboard; the mouse's reach the viewport
        contextMenu(static_cast<QContextMenuEvent*>(event));
        return true;
      default: return false;
    }
  }
  if (watched == view_->viewport()) {
    switch (event->type()) {
      case QEvent::MouseButtonPress: return mousePress(static_cast<QMouseEvent*>(event));
      case QEvent::MouseButtonDblClick: return mouseDoubleClick(static_cast<QMouseEvent*>(event));
      case QEvent::MouseMove:
        // No drag selection while a run holds a stale picture.
        return queryRunning();
      case QEvent::ContextMenu: contextMenu(static_cast<QContextMenuEvent*>(event)); return true;
      case QEvent::ToolTip: return toolTip(static_cast<QHelpEvent*>(event));
      default: return false;
    }
  }
  return false;
}

bool TreePanel::mousePress(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  if (event->button() == Qt::RightButton) {
    panel_->control().select(nullptr);
    return true;  // the context menu follows
  }
  if (event->button() != Qt::LeftButton && event->button() != Qt::MiddleButton) return true;
  if (queryRunning()) return true;
  if (event->button() == Qt::LeftButton && view_->onExpandButton(pos)) {
    toggleExpansion(view_->indexAt(pos));
    return true;
  }
  QPointer<TreePanel> self(this);
  tree::TreeNode* node = nodeAt(pos);
  if (node == nullptr) return true;
  if (node->labelExtent() != 0 && pos.x() > node->labelExtent()) {
    // Right of the label: only the left button clears the selection.
    if (event->button() == Qt::LeftButton) panel_->control().select(nullptr);
    return true;
  }
  panel_->control().select(node->item());
  {
    CallScope scope(calls_);
    guarded(host_, [&] {
      if (event->button() == Qt::MiddleButton) {
        node->middleClick();
      } else if (!(event->modifiers() & Qt::ControlModifier)) {
        node->click();
      }
    });
  }
  if (!self) return true;
  // The view has seen the new selection already; it only needs the focus.
  view_->setFocus(Qt::MouseFocusReason);
  return true;
}

bool TreePanel::mouseDoubleClick(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || queryRunning()) return true;
  const QPoint pos = event->position().toPoint();
  const QModelIndex index = view_->indexAt(pos);
  if (!index.isValid()) return true;
  const tree::TreeNode* node = TreeModel::itemOf(index)->node();
  if (node == nullptr) return true;
  const bool on_label = node->labelExtent() == 0 || pos.x() <= node->labelExtent();
  if (view_->onExpandButton(pos) || on_label) toggleExpansion(index);
  return true;
}

bool TreePanel::arrowKey(int key) {
  const QModelIndex current = model_->indexOf(panel_->control().selection());
  if (!current.isValid()) return false;
  tree::TreeItem* item = TreeModel::itemOf(current);
  if (key == Qt::Key_Right) {
    if (!item->showsExpander()) return true;
    if (!item->expanded()) {
      toggleExpansion(current);
    } else if (item->childCount() > 0) {
      panel_->control().select(item->child(0));
    }
    return true;
  }
  if (item->expanded()) {
    toggleExpansion(current);
  } else if (item->parent() != nullptr) {
    panel_->control().select(item->parent());
  }
  return true;
}

bool TreePanel::keyPress(QKeyEvent* event) {
  const int key = event->key();
  const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
  const KeyAction action = keyAction(key, modifiers, queryRunning());
  switch (action) {
    case KeyAction::kOfferToHost:
      if (const uint32_t code = hotKeyCode(key, modifiers)) ui_host_.offerKey(code);
      return false;
    case KeyAction::kControlOnly:
      if (key == Qt::Key_Left || key == Qt::Key_Right) return arrowKey(key);
      return false;
    case KeyAction::kAbortQuery: abortQuery(); return true;
    default: break;
  }
  tree::TreeNode* node = panel_->nodeForItem(panel_->control().selection());
  noteSettings();
  if (node == nullptr) return true;
  int command = 0;
  switch (action) {
    case KeyAction::kEdit: command = kCommandEdit; break;
    case KeyAction::kNewQuery: command = kCommandNewQuery; break;
    case KeyAction::kNewFolder: command = kCommandNewFolder; break;
    case KeyAction::kDelete: command = kCommandDelete; break;
    case KeyAction::kRefresh: command = kCommandRefresh; break;
    case KeyAction::kRefreshAll: command = kCommandRefreshAll; break;
    case KeyAction::kClick:
    case KeyAction::kMiddleClick: {
      CallScope scope(calls_);
      guarded(host_, [&] {
        if (action == KeyAction::kClick) {
          node->click();
        } else {
          node->middleClick();
        }
      });
      return true;
    }
    default: return true;
  }
  runCommand(command, *node);
  return true;
}

void TreePanel::contextMenu(QContextMenuEvent* event) {
  QPoint pos = event->pos();
  if (event->reason() != QContextMenuEvent::Mouse) {
    const QModelIndex selected = model_->indexOf(panel_->control().selection());
    pos = selected.isValid() ? view_->visualRect(selected).center() : QPoint(0, 0);
  }
  const bool running = queryRunning();
  QPointer<TreePanel> self(this);
  tree::TreeNode* node = nodeAt(pos);
  if (node == nullptr) return;
  const tree::NodeType type = node->type();
  if (!running && (type == tree::NodeType::kFolder || type == tree::NodeType::kQuery)) {
    panel_->control().select(node->item());
  }
  // The menu runs its own event loop: the node is found again afterwards.
  const QPersistentModelIndex index(model_->indexOf(node->item()));
  const bool on_item = node->item() != nullptr;

  QMenu menu(this);
  for (const MenuEntry& entry : contextMenuEntries(type, running)) {
    if (entry.id == kCommandSeparator) {
      menu.addSeparator();
    } else {
      menu.addAction(entry.text)->setData(entry.id);
    }
  }
  const QPoint global = event->reason() == QContextMenuEvent::Mouse ? event->globalPos()
                                                                    : view_->viewport()->mapToGlobal(pos);
  QAction* chosen = menu_runner_ ? menu_runner_(menu, global) : menu.exec(global);
  if (!self || chosen == nullptr) return;
  const int id = chosen->data().toInt();
  if (id == kCommandAbortQuery) {
    abortQuery();
    return;
  }
  if (on_item && !index.isValid()) return;  // the node went away meanwhile
  tree::TreeNode* target = on_item ? TreeModel::itemOf(index)->node() : &panel_->root();
  if (target != nullptr) runCommand(id, *target);
}

bool TreePanel::toolTip(QHelpEvent* event) {
  const QString tip = toolTipAt(event->pos());
  if (tip.isEmpty()) {
    QToolTip::hideText();
    event->ignore();
  } else {
    QToolTip::showText(event->globalPos(), tip, view_->viewport());
  }
  return true;
}

void TreePanel::newNode(tree::TreeNode& parent, bool folder) {
  if (parent.type() != tree::NodeType::kRoot && parent.type() != tree::NodeType::kFolder) return;
  std::unique_ptr<tree::TreeNode> node;
  if (folder) {
    node = std::make_unique<tree::FolderNode>(panel_.get(), &parent);
  } else {
    node = std::make_unique<tree::QueryNode>(panel_.get(), &parent);
  }
  if (!node_editor_ || !node_editor_(this, *node)) return;
  panel_->attach(std::move(node), true);
}

void TreePanel::runCommand(int id, tree::TreeNode& node) {
  if (queryRunning() && id != kCommandAbortQuery) return;
  QPointer<TreePanel> self(this);
  {
    CallScope scope(calls_);
    guarded(host_, [&] { command(id, node); });
  }
  if (self) noteSettings();
}

void TreePanel::command(int id, tree::TreeNode& node) {
  switch (id) {
    case kCommandNewFolder: newNode(node, true); break;
    case kCommandNewQuery: newNode(node, false); break;
    case kCommandEdit: node.edit(); break;
    case kCommandDelete:
      if (node.type() == tree::NodeType::kFolder || node.type() == tree::NodeType::kQuery) {
        panel_->deleteNode(node);
      }
      break;
    case kCommandOptions:
      if (options_editor_) {
        tree::PanelSettings edited = panel_->settings();
        if (options_editor_(this, edited)) {
          // Following the UI means its font and colours, whatever was
          // chosen by hand.
          if (edited.use_ui_attributes) edited.takeUiAttributes(panel_->uiAttributes());
          const tree::PanelSettings old = panel_->settings();
          panel_->setSettings(edited);
          panel_->reapplyAttributes();
          applySettings(&old, true);
        }
      }
      break;
    case kCommandRefresh: node.refresh(true); break;
    case kCommandRefreshAll: panel_->refreshAll(); break;
    case kCommandAbortQuery: abortQuery(); break;
    case kCommandCreateExamples: tree::createExampleNodes(*panel_); break;
    case kCommandHelp:
      if (!ui_host_.openHelpPage(QString::fromLatin1(kHelpPage))) host_.popupMessage(kUnableToOpenHelp, caption());
      break;
    default: break;
  }
}

}  // namespace ui
