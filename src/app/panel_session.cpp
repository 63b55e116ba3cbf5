#include "app/panel_session.h"

#include <iostream>

#include "app/cli.h"
#include "console/console_run.h"
#include "console/result_formats.h"
#include "db/database.h"
#include "host/host.h"
#include "profile/data_error.h"
#include "tree/panel.h"
#include "tree/tree_loader.h"

namespace app {
namespace {

// The root ids that the layout's other panels keep: trees that a panel whose
// own root id went bad must not take over.
std::vector<int32_t> otherPanelRoots(const profile::Layout& layout, std::size_t index) {
  std::vector<int32_t> roots;
  for (std::size_t i = 0; i < layout.panels.size(); ++i) {
    tree::PanelSettings settings;
    if (i != index && tree::readPanelSettings(layout.panels[i], tree::UiAttributes{}, settings)) {
      roots.push_back(settings.root_node_id);
    }
  }
  return roots;
}

std::unique_ptr<player::Player> openUnlessLive(CommandEnv& env, const GlobalOptions& options) {
  return env.livePlayer() != nullptr ? nullptr : openPlayer(options);
}

}  // namespace

PanelSession::PanelSession(CommandEnv& env, const GlobalOptions& options, int panel_number,
                           const std::optional<std::string>& filter)
    : env_(env),
      own_player_(openUnlessLive(env, options)),
      player_(own_player_ ? own_player_.get() : env.livePlayer()),
      interrupt_signal_(env.catchInterrupts()),
      index_(static_cast<std::size_t>(panel_number - 1)) {
  const std::optional<std::size_t> live_panels = env.livePanelCount();
  if (!live_panels) layout_ = profile::loadLayout(player_->profile().layoutFile());
  const std::size_t panels = live_panels.value_or(layout_.panels.size());
  // Only the next number adds a panel: a typo must not fill the layout.
  if (index_ > panels) {
    throw profile::DataError("There is no panel " + std::to_string(panel_number) + ": the layout has " +
                             std::to_string(panels) + " panel(s); --panel " + std::to_string(panels + 1) +
                             " adds the next one");
  }
  player_->setPumpHook([this] { pump(); });
  if (live_panels) {
    // The live program's panel is in its window and its layout; the window
    // said "Unable to populate tree." when it could not load.
    panel_ = env.livePanel(panel_number);
    live_panel_ = true;
    loaded_ = panel_->database().isOpen();
    if (loaded_ && (filter || !panel_->searchText().empty())) {
      const std::vector<uint8_t> settings = panel_->writeSettings();
      loaded_ = loadOwnPanel(settings, filter, {});
    }
    return;
  }
  if (index_ == layout_.panels.size()) {
    layout_.panels.emplace_back();
    layout_changed_ = true;
  }
  loaded_ = loadOwnPanel(layout_.panels[index_], filter, otherPanelRoots(layout_, index_));
  // A new panel has just stored its example tree: its root id goes into the
  // layout now, whatever the command does next.
  storeLayout();
}

bool PanelSession::loadOwnPanel(std::span<const uint8_t> settings, const std::optional<std::string>& filter,
                                const std::vector<int32_t>& other_roots) {
  tree::PanelHooks hooks;
  hooks.send_to_console = [this](const std::string& sql) { runConsole(sql); };
  own_panel_ = std::make_unique<tree::Panel>(*player_, tree::UiAttributes{}, std::move(hooks));
  panel_ = own_panel_.get();
  panel_->readSettings(settings);
  bool loaded = panel_->open();
  if (loaded && filter) panel_->setSearchText(*filter);
  loaded = loaded && tree::loadTree(*panel_, other_roots);
  if (!loaded) player_->popupMessage("Unable to populate tree.", host::kComponentFileName);
  return loaded;
}

PanelSession::~PanelSession() {
  player_->setPumpHook(nullptr);
  // The panel (and its nodes) go before the console and the player.
  own_panel_.reset();
  console_db_.reset();
}

void PanelSession::pump() {
  if (!env_.takeInterrupt()) return;
  interrupted_ = true;
  if (console_run_ != nullptr) console_run_->abort();
  if (panel_ != nullptr) panel_->database().Interrupt();
}

void PanelSession::runConsole(const std::string& sql) {
  if (!console_db_) console_db_ = std::make_unique<db::SQLiteDatabase>(*player_);
  console::ConsoleRun runner(*console_db_);
  const auto format = env_.outIsTerminal() ? console::ResultFormat::kTable : console::ResultFormat::kTsv;
  auto writer = console::makeResultWriter(format, env_.out());
  console_run_ = &runner;
  const console::RunOutcome outcome = runner.run(sql, *writer);
  console_run_ = nullptr;
  writer->finish();
  if (outcome.result != console::RunResult::kSuccess || outcome.transaction_rolled_back) console_failed_ = true;
}

void PanelSession::storeLayout() {
  if (live_panel_) return;
  std::vector<uint8_t> settings = panel_->writeSettings();
  if (settings != layout_.panels[index_]) {
    layout_.panels[index_] = std::move(settings);
    layout_changed_ = true;
  }
  if (layout_changed_) profile::saveLayout(player_->profile().layoutFile(), layout_);
  layout_changed_ = false;
}

int PanelSession::finalStatus(int status) const {
  if (!interrupted_) return status;
  err() << kInterruptedMessage << "\n";
  return status == kExitOk ? kExitFailed : status;
}

void PanelSession::finish(bool playlists_changed) {
  storeLayout();
  if (playlists_changed || player_->playlistsSeeded()) player_->save();
}

}  // namespace app
