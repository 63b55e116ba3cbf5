// Undo and redo of playlist changes in the window; see undo_history.h.
#include "desktop/undo_history.h"

#include <QAction>
#include <QKeySequence>
#include <QUndoCommand>

namespace desktop {
namespace {

// A menu text shows "&" as itself, not as a mnemonic marker.
QString menuText(QString text) { return text.replace('&', QStringLiteral("&&")); }

// One step of the player's history. The step is done when the command is
// pushed; undo() and redo() replay it through the player, which checks that
// it is the step at the top of its history, and then show the playlist the
// kind of change concerns.
class StepCommand : public QUndoCommand {
 public:
  StepCommand(UndoHistory& history, player::Player& player, const player::EditStep& step)
      : QUndoCommand(QString::fromStdString(step.label)), history_(history), player_(player), id_(step.id) {
    if (const player::Edit* main = player::mainEdit(step.edits)) main_ = *main;
    main_.tracks.clear();  // the player's history holds them; the command needs the indexes only
    main_.selected.clear();
    main_.selected_after.clear();
    main_.indexes.clear();
    main_.order.clear();
  }

  void undo() override { replay(true); }
  void redo() override {
    if (std::exchange(first_, false)) return;
    replay(false);
  }

 protected:
  // The playlist to show once the step was undone (`undone`) or redone;
  // host::kNoPlaylist for none.
  virtual std::size_t shown(bool undone) const = 0;
  const player::Edit& main() const { return main_; }

 private:
  void replay(bool undo) {
    const player::EditJournal& journal = player_.journal();
    const bool ours =
        undo ? journal.canUndo() && journal.undoStep().id == id_ : journal.canRedo() && journal.redoStep().id == id_;
    if (!ours || !(undo ? player_.undo() : player_.redo())) {
      setObsolete(true);
      history_.forgetLater();
      return;
    }
    const std::size_t playlist = shown(undo);
    if (playlist < player_.playlistCount()) player_.setActivePlaylist(playlist);
  }

  UndoHistory& history_;
  player::Player& player_;
  uint64_t id_;
  player::Edit main_{};
  bool first_ = true;
};

// Items added, inserted, copied or sent: the playlist that got them.
class AddItemsCommand : public StepCommand {
 public:
  using StepCommand::StepCommand;
  std::size_t shown(bool) const override { return main().playlist; }
};

// Items removed, cropped or cleared: the playlist that lost them.
class RemoveItemsCommand : public StepCommand {
 public:
  using StepCommand::StepCommand;
  std::size_t shown(bool) const override { return main().playlist; }
};

// Items moved or sorted.
class ReorderItemsCommand : public StepCommand {
 public:
  using StepCommand::StepCommand;
  std::size_t shown(bool) const override { return main().playlist; }
};

// A new playlist: shown when it is made again, gone when undone.
class CreatePlaylistCommand : public StepCommand {
 public:
  using StepCommand::StepCommand;
  std::size_t shown(bool undone) const override { return undone ? host::kNoPlaylist : main().playlist; }
};

// A renamed playlist; its tab shows the name either way.
class RenamePlaylistCommand : public StepCommand {
 public:
  using StepCommand::StepCommand;
  std::size_t shown(bool) const override { return main().playlist; }
};

// A closed playlist: brought back at its place and shown.
class ClosePlaylistCommand : public StepCommand {
 public:
  using StepCommand::StepCommand;
  std::size_t shown(bool undone) const override { return undone ? main().playlist : host::kNoPlaylist; }
};

// A playlist moved among the tabs: shown where it went.
class MovePlaylistCommand : public StepCommand {
 public:
  using StepCommand::StepCommand;
  std::size_t shown(bool undone) const override { return undone ? main().playlist : main().first; }
};

QUndoCommand* makeCommand(UndoHistory& history, player::Player& player, const player::EditStep& step) {
  switch (step.kind) {
    case player::StepKind::kAddItems:
      return new AddItemsCommand(history, player, step);
    case player::StepKind::kRemoveItems:
      return new RemoveItemsCommand(history, player, step);
    case player::StepKind::kReorderItems:
      return new ReorderItemsCommand(history, player, step);
    case player::StepKind::kCreatePlaylist:
      return new CreatePlaylistCommand(history, player, step);
    case player::StepKind::kRenamePlaylist:
      return new RenamePlaylistCommand(history, player, step);
    case player::StepKind::kClosePlaylist:
      return new ClosePlaylistCommand(history, player, step);
    case player::StepKind::kMovePlaylist:
      return new MovePlaylistCommand(history, player, step);
  }
  return new AddItemsCommand(history, player, step);
}

}  // namespace

UndoHistory::UndoHistory(player::Player& player, QObject* parent) : QObject(parent), player_(player), stack_(this) {
  stack_.setUndoLimit(static_cast<int>(player::EditJournal::kMaxSteps));
  undo_ = new QAction(this);
  undo_->setObjectName(QStringLiteral("undo"));
  undo_->setShortcut(QKeySequence::Undo);
  redo_ = new QAction(this);
  redo_->setObjectName(QStringLiteral("redo"));
  QList<QKeySequence> redo_keys{QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)};
  for (const QKeySequence& key : QKeySequence::keyBindings(QKeySequence::Redo)) {
    if (!redo_keys.contains(key)) redo_keys.push_back(key);
  }
  redo_->setShortcuts(redo_keys);
  connect(undo_, &QAction::triggered, this, &UndoHistory::undo);
  connect(redo_, &QAction::triggered, this, &UndoHistory::redo);
  connect(&stack_, &QUndoStack::indexChanged, this, &UndoHistory::updateActions);
  connect(&stack_, &QUndoStack::cleanChanged, this, &UndoHistory::updateActions);
  updateActions();

  // What one pass of the event loop changed outside scopes is one step.
  player_.journal().setOpenStepHook([this] {
    QMetaObject::invokeMethod(
        this, [this] { player_.journal().closeOpenStep(); }, Qt::QueuedConnection);
  });
  player_.addListener(this);
}

UndoHistory::~UndoHistory() {
  player_.removeListener(this);
  player_.journal().setOpenStepHook({});
}

void UndoHistory::editRecorded(const player::EditStep& step) {
  stack_.push(makeCommand(*this, player_, step));
  if (step.kind == player::StepKind::kClosePlaylist) {
    const player::Edit* closed = player::mainEdit(step.edits);
    emit message(tr("Closed playlist \"%1\"").arg(QString::fromStdString(closed->list_name)));
  }
}

void UndoHistory::undo() {
  if (player_.journal().inScope()) return;
  player_.journal().closeOpenStep();
  if (!stack_.canUndo()) return;
  const QString text = stack_.undoText();
  stack_.undo();
  emit message(tr("Undone: %1").arg(text));
}

void UndoHistory::redo() {
  if (player_.journal().inScope()) return;
  player_.journal().closeOpenStep();
  if (!stack_.canRedo()) return;
  const QString text = stack_.redoText();
  stack_.redo();
  emit message(tr("Redone: %1").arg(text));
}

void UndoHistory::forgetLater() {
  QMetaObject::invokeMethod(
      this,
      [this] {
        stack_.clear();
        player_.journal().clear();
        updateActions();
      },
      Qt::QueuedConnection);
}

void UndoHistory::updateActions() {
  undo_->setEnabled(stack_.canUndo());
  redo_->setEnabled(stack_.canRedo());
  undo_->setText(stack_.canUndo() ? tr("&Undo %1").arg(menuText(stack_.undoText())) : tr("&Undo"));
  redo_->setText(stack_.canRedo() ? tr("&Redo %1").arg(menuText(stack_.redoText())) : tr("&Redo"));
  undo_->setStatusTip(stack_.canUndo() ? tr("Undo %1").arg(stack_.undoText()) : QString());
  redo_->setStatusTip(stack_.canRedo() ? tr("Redo %1").arg(stack_.redoText()) : QString());
}

}  // namespace desktop
