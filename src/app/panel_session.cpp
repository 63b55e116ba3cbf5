#include "app/panel_session.h"

#include <iostream>

#include "console/console_run.h"
#include "console/result_formats.h"
#include "db/database.h"
#include "host/host.h"
#include "tree/panel.h"
#include "tree/tree_loader.h"

namespace app {

namespace {

std::unique_ptr<player::Player> openUnlessLive(CommandEnv& env, const GlobalOptions& options) {
  return env.livePlayer() != nullptr ? nullptr : openPlayer(options);
}

}  // namespace

PanelSession::PanelSession(CommandEnv& env, const GlobalOptions& options, int panel_number)
    : env_(env),
      own_player_(openUnlessLive(env, options)),
      player_(own_player_ ? own_player_.get() : env.livePlayer()),
      interrupt_signal_(env.catchInterrupts()),
      index_(static_cast<std::size_t>(panel_number - 1)) {
  player_->setPumpHook([this] { pump(); });
  // The live program's panel is in its window and its layout.
  panel_ = env.livePanel(panel_number);
  if (panel_ != nullptr) {
    // The window said "Unable to populate tree." when it could not load.
    live_panel_ = true;
    loaded_ = panel_->database().isOpen();
    return;
  }
  layout_ = player::loadLayout(player_->profile().layoutFile());
  while (layout_.panels.size() <= index_) {
    layout_.panels.emplace_back();
    layout_changed_ = true;
  }
  tree::PanelHooks hooks;
  hooks.send_to_console = [this](const std::string& sql) { runConsole(sql); };
  own_panel_ = std::make_unique<tree::Panel>(*player_, tree::UiAttributes{}, std::move(hooks));
  panel_ = own_panel_.get();
  panel_->readSettings(layout_.panels[index_]);
  loaded_ = panel_->open() && tree::loadTree(*panel_);
  if (!loaded_) player_->popupMessage("Unable to populate tree.", host::kComponentFileName);
  // A new panel has just stored its example tree: its root id goes into the
  // layout now, whatever the command does next.
  storeLayout();
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
  if (layout_changed_) player::saveLayout(player_->profile().layoutFile(), layout_);
  layout_changed_ = false;
}

void PanelSession::finish(bool playlists_changed) {
  storeLayout();
  if (playlists_changed || player_->playlistsSeeded()) player_->save();
}

}  // namespace app
