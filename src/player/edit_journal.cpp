// The undo history of the playlists; see edit_journal.h.
#include "player/edit_journal.h"

#include <algorithm>

namespace player {
namespace {

std::string inQuotes(std::string_view name) { return "\"" + std::string(name) + "\""; }

// Whether the edit changed anything a user can see in the playlists.
bool changes(const Edit& edit) {
  switch (edit.op) {
    case EditOp::kSelect:
      return false;
    case EditOp::kClear:
    case EditOp::kRemove:
    case EditOp::kCrop:
    case EditOp::kAdd:
    case EditOp::kInsert:
    case EditOp::kCopy:
      return !edit.tracks.empty();
    default:
      return true;
  }
}

bool insertsItems(EditOp op) { return op == EditOp::kAdd || op == EditOp::kInsert || op == EditOp::kCopy; }

}  // namespace

// Tracks sent to a new playlist are named by the sending.
const Edit* mainEdit(const std::vector<Edit>& edits) {
  const Edit* first = nullptr;
  for (const Edit& edit : edits) {
    if (!changes(edit)) continue;
    if (edit.op != EditOp::kCreate) return &edit;
    if (first == nullptr) first = &edit;
  }
  return first;
}

namespace {

// Whether the step clears a playlist and inserts into it: a send.
bool isSend(const std::vector<Edit>& edits, const Edit& main) {
  if (main.op != EditOp::kClear && !insertsItems(main.op)) return false;
  bool cleared = false;
  for (const Edit& edit : edits) {
    if (edit.playlist != main.playlist) continue;
    if (edit.op == EditOp::kClear) cleared = true;
    if (cleared && insertsItems(edit.op) && !edit.tracks.empty()) return true;
  }
  return false;
}

}  // namespace

std::string defaultLabel(const std::vector<Edit>& edits) {
  const Edit* main = mainEdit(edits);
  if (main == nullptr) return "Change playlists";
  const std::string list = inQuotes(main->list_name);
  if (isSend(edits, *main)) return "Send to " + list;
  switch (main->op) {
    case EditOp::kAdd:
      return "Add to " + list;
    case EditOp::kInsert:
      return "Insert into " + list;
    case EditOp::kCopy:
      return "Copy to " + list;
    case EditOp::kClear:
      return "Clear " + list;
    case EditOp::kRemove:
      return "Remove from " + list;
    case EditOp::kCrop:
      return "Crop " + list;
    case EditOp::kMove:
      return "Move items in " + list;
    case EditOp::kSort:
      return "Sort " + list + " by " + main->name + (main->descending ? ", descending" : "");
    case EditOp::kCreate:
      return "New playlist " + list;
    case EditOp::kRename:
      return "Rename " + list + " to " + inQuotes(main->name);
    case EditOp::kClose:
      return "Close " + list;
    case EditOp::kMovePlaylist:
      return "Move playlist " + list;
    case EditOp::kSelect:
      break;
  }
  return "Change playlists";
}

StepKind stepKind(const std::vector<Edit>& edits) {
  const Edit* main = mainEdit(edits);
  if (main == nullptr) return StepKind::kAddItems;
  if (isSend(edits, *main)) return StepKind::kAddItems;
  switch (main->op) {
    case EditOp::kClear:
    case EditOp::kRemove:
    case EditOp::kCrop:
      return StepKind::kRemoveItems;
    case EditOp::kMove:
    case EditOp::kSort:
      return StepKind::kReorderItems;
    case EditOp::kCreate:
      return StepKind::kCreatePlaylist;
    case EditOp::kRename:
      return StepKind::kRenamePlaylist;
    case EditOp::kClose:
      return StepKind::kClosePlaylist;
    case EditOp::kMovePlaylist:
      return StepKind::kMovePlaylist;
    default:
      return StepKind::kAddItems;
  }
}

void EditJournal::begin(std::string_view label) {
  if (depth_ == 0) {
    if (step_open_) close();
    step_open_ = true;
    label_ = label;
  } else if (label_.empty()) {
    label_ = label;
  }
  ++depth_;
}

void EditJournal::end() {
  if (depth_ == 0) return;
  if (--depth_ == 0) close();
}

void EditJournal::closeOpenStep() {
  if (step_open_ && depth_ == 0) close();
}

void EditJournal::record(Edit edit) {
  if (replaying_) return;
  if (!step_open_) {
    if (edit.op == EditOp::kSelect) return;
    step_open_ = true;
    label_.clear();
    open_.push_back(std::move(edit));
    if (open_step_hook_) {
      open_step_hook_();
    } else {
      close();
    }
    return;
  }
  open_.push_back(std::move(edit));
}

void EditJournal::close() {
  step_open_ = false;
  std::vector<Edit> edits = std::move(open_);
  open_.clear();
  if (std::none_of(edits.begin(), edits.end(), changes)) return;
  EditStep step;
  step.id = next_id_++;
  step.label = label_.empty() ? defaultLabel(edits) : label_;
  step.kind = stepKind(edits);
  step.edits = std::move(edits);
  undone_.clear();
  done_.push_back(std::move(step));
  if (done_.size() > kMaxSteps) done_.pop_front();
  if (on_step_) on_step_(done_.back());
}

void EditJournal::markUndone() {
  undone_.push_back(std::move(done_.back()));
  done_.pop_back();
}

void EditJournal::markRedone() {
  done_.push_back(std::move(undone_.back()));
  undone_.pop_back();
}

void EditJournal::clear() {
  done_.clear();
  undone_.clear();
}

}  // namespace player
