// EditJournal: the undo history of the playlists. Every change the player
// makes to its playlists, whoever asks for it, is recorded as an Edit that
// holds what it takes to undo and redo it exactly (the items and their
// selection flags, a permutation for a move or a sort, the names). The edits
// of one user action form one EditStep:
//
//   {
//     EditScope scope(player, "Send to \"Jazz\"");   // empty: a label made from the edits
//     player.removeAllItems(jazz);
//     player.insertItems(jazz, 0, tracks, false);
//   }                                                // one step
//   player.undo();                                   // Jazz as it was, selection too
//
// Edits made outside any scope open a step of their own; it ends at the
// next scope, undo or redo, or when the journal's owner calls
// closeOpenStep(). The desktop program closes it when control returns to
// its event loop, so that what one click or one drop did is one step; without
// that hook every such edit is a step by itself.
//
// The journal keeps the last kMaxSteps steps that can be undone and, after
// an undo, the steps that can be redone until a new step is recorded. The
// player replays steps; the journal only keeps them.
#ifndef VOSTREL_PLAYER_EDIT_JOURNAL_H_
#define VOSTREL_PLAYER_EDIT_JOURNAL_H_

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "host/host.h"

namespace player {

// What an edit did. The item edits name the playlist by its index at the
// time of the edit.
enum class EditOp : uint8_t {
  kAdd,           // tracks appended: `first`, `tracks`, `selected`
  kInsert,        // tracks inserted before the end: as kAdd
  kCopy,          // items copied from a playlist: as kAdd
  kClear,         // every item removed: `indexes`, `tracks`, `selected` (an empty playlist records one too)
  kRemove,        // items removed: as kClear
  kCrop,          // the items not kept removed: as kClear
  kMove,          // items moved: `first`, `order`
  kSort,          // items sorted: as kMove, and `name` (what they were sorted by), `descending`
  kSelect,        // the selection changed within a step: `selected` before, `selected_after`
  kCreate,        // a playlist made at `playlist`
  kRename,        // `list_name` became `name`
  kClose,         // the playlist removed: `tracks`, `selected`, `was_active`
  kMovePlaylist,  // the playlist moved from `playlist` to `first`
};

struct Edit {
  EditOp op;
  std::size_t playlist = 0;
  std::size_t first = 0;
  host::TrackList tracks;
  std::vector<bool> selected;
  std::vector<bool> selected_after;
  std::vector<std::size_t> indexes;  // ascending
  // A permutation of the items [first, first + order.size()): for each new
  // position, the old index of its item minus `first`. Items outside it
  // stayed where they were.
  std::vector<uint32_t> order;
  std::string list_name;  // the playlist's name when the edit was made
  std::string name;
  bool descending = false;
  bool was_active = false;
};

// The kind of change a step makes, by its main edit.
enum class StepKind : uint8_t {
  kAddItems,      // added, inserted, copied or sent
  kRemoveItems,   // removed, cropped or cleared
  kReorderItems,  // moved or sorted
  kCreatePlaylist,
  kRenamePlaylist,
  kClosePlaylist,
  kMovePlaylist,
};

struct EditStep {
  uint64_t id = 0;  // unique for the journal's life
  std::string label;
  StepKind kind = StepKind::kAddItems;
  std::vector<Edit> edits;  // in the order they were made
};

// The name of a step made of `edits`, from its main edit: `Send to "Jazz"`
// for a clear and an insert into one playlist, `Add to "Jazz"`,
// `Sort "Jazz" by Title`, `New playlist "Jazz"`, ...
std::string defaultLabel(const std::vector<Edit>& edits);
// The edit that names a step: its first change other than making a
// playlist, else its first change; nullptr when nothing changed.
const Edit* mainEdit(const std::vector<Edit>& edits);
StepKind stepKind(const std::vector<Edit>& edits);

class EditJournal {
 public:
  static constexpr std::size_t kMaxSteps = 100;

  // Called with every step that was closed and kept.
  using StepHook = std::function<void(const EditStep&)>;

  explicit EditJournal(StepHook on_step) : on_step_(std::move(on_step)) {}
  EditJournal(const EditJournal&) = delete;
  EditJournal& operator=(const EditJournal&) = delete;

  // Scopes nest; the outermost one that names a label names the step.
  // Opening one closes a step that edits outside scopes left open.
  void begin(std::string_view label);
  void end();
  bool inScope() const { return depth_ > 0; }
  // Whether a step is being recorded (in a scope, or opened by an edit).
  bool stepOpen() const { return step_open_; }

  // Called when an edit outside every scope opened a step: the hook closes
  // it later (closeOpenStep). Without a hook, such an edit is a step alone.
  void setOpenStepHook(std::function<void()> hook) { open_step_hook_ = std::move(hook); }
  // Ends the step that edits outside scopes opened, if any.
  void closeOpenStep();

  // Adds an edit to the open step (opening one outside scopes). kSelect
  // edits are kept only within a step that other edits opened: a selection
  // change alone is no step. Nothing is recorded while replaying.
  void record(Edit edit);
  bool replaying() const { return replaying_; }
  void setReplaying(bool replaying) { replaying_ = replaying; }

  bool canUndo() const { return !done_.empty(); }
  bool canRedo() const { return !undone_.empty(); }
  // REQUIRES: canUndo() / canRedo().
  const EditStep& undoStep() const { return done_.back(); }
  const EditStep& redoStep() const { return undone_.back(); }
  std::size_t undoCount() const { return done_.size(); }
  std::size_t redoCount() const { return undone_.size(); }
  // Moves the step to undo onto the redo list, and back.
  void markUndone();
  void markRedone();
  // Forgets every step (a replay that failed).
  void clear();

 private:
  void close();

  StepHook on_step_;
  std::function<void()> open_step_hook_;
  std::deque<EditStep> done_;
  std::vector<EditStep> undone_;
  std::vector<Edit> open_;  // the edits of the step being recorded
  bool step_open_ = false;  // open_ belongs to a step (scoped or not)
  std::string label_;
  int depth_ = 0;
  bool replaying_ = false;
  uint64_t next_id_ = 1;
};

}  // namespace player

#endif  // VOSTREL_PLAYER_EDIT_JOURNAL_H_
