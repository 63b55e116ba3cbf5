// UndoHistory: undo and redo of playlist changes in the window. It mirrors
// the player's undo history (player/edit_journal.h) in a QUndoStack, one
// command per step, of a class per kind of change, and owns the Edit menu's
// Undo and Redo actions, which name the step ("Undo Send to "Jazz"",
// Ctrl+Z and Ctrl+Shift+Z).
//
// Whoever changes the playlists (a panel's node action, the playlist view,
// a drop, a forwarded command) makes a step: the player records every
// change, and the edits made outside a scope in one pass of the event loop
// (a click's clear and insert) are one step, closed when control returns to
// the loop. Undoing shows the playlist the step changed. The history lasts
// for the session.
#ifndef VOSTREL_DESKTOP_UNDO_HISTORY_H_
#define VOSTREL_DESKTOP_UNDO_HISTORY_H_

#include <QObject>
#include <QUndoStack>

#include "player/player.h"

class QAction;

namespace desktop {

class UndoHistory : public QObject, public player::PlayerListener {
  Q_OBJECT

 public:
  explicit UndoHistory(player::Player& player, QObject* parent = nullptr);
  ~UndoHistory() override;

  QUndoStack& stack() { return stack_; }
  // "Undo <step>" / "Redo <step>", disabled when there is none.
  QAction* undoAction() const { return undo_; }
  QAction* redoAction() const { return redo_; }

  // Closes the step that edits outside scopes opened, then undoes (redoes)
  // the last step. Nothing while a forwarded command is changing the
  // playlists.
  void undo();
  void redo();

  void editRecorded(const player::EditStep& step) override;

  // The player could not replay a step and forgot its history; so does the
  // stack, once the command that found out has returned.
  void forgetLater();

 signals:
  // What the status bar may say about a change just made, or undone or
  // redone ("Closed playlist "Road Trip"", "Undone: Sort "Jazz" by Title").
  void message(const QString& text);

 private:
  void updateActions();

  player::Player& player_;
  QUndoStack stack_;
  QAction* undo_;
  QAction* redo_;
};

}  // namespace desktop

#endif  // VOSTREL_DESKTOP_UNDO_HISTORY_H_
