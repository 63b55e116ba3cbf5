// Undo and redo of playlist changes: every operation, undone, gives back the
// exact playlists and selection it started from, and redone, the exact state
// it made; steps are named, grouped, bounded, and playback follows its item.
#include <gtest/gtest.h>

#include <functional>
#include <sstream>

#include "player/player.h"
#include "profile/data_error.h"
#include "support/fake_host.h"

namespace player {
namespace {

using testing_support::TempDir;

constexpr const char* kJournalLibrary = R"({
  "tracks": [{"path": "file:///a"}, {"path": "file:///b"}, {"path": "file:///c"},
             {"path": "file:///d"}, {"path": "file:///e"}],
  "playlists": [{"name": "One", "items": ["file:///a", "file:///b", "file:///c", "file:///d", "file:///e"]},
                {"name": "Two", "items": ["file:///e"]}, {"name": "Three", "items": []}],
  "active_playlist": 0
})";

class EditJournalTest : public ::testing::Test {
 protected:
  void SetUp() override {
    profile::Profile profile(dir_.path() / "profile");
    profile::SettingsStore settings(profile.settingsFile());
    player_ =
        std::make_unique<Player>(std::move(profile), std::move(settings), library::parseLibraryFile(kJournalLibrary, "lib"));
    player_->setMessageStream(messages_);
    // b and d selected, c playing; none of this is a step.
    player_->setSelection(0, {false, true, false, true, false});
    player_->playItem(0, 2);
  }

  host::TrackList tracks(std::string_view letters) const {
    host::TrackList result;
    for (char letter : letters) result.push_back(player_->library()[static_cast<std::size_t>(letter - 'a')]);
    return result;
  }

  // "One*[ab*cd*e] Two[e] Three[] >0:2": names, "*" on the active
  // playlist, items with "*" after selected ones, the playing item.
  std::string state() const {
    std::string out;
    for (std::size_t p = 0; p < player_->playlistCount(); ++p) {
      const Playlist& list = player_->playlists().at(p);
      out += list.name + (p == player_->activePlaylist() ? "*" : "") + "[";
      for (std::size_t i = 0; i < list.items.size(); ++i) {
        out += list.items[i]->path().back();
        if (list.selected[i]) out += '*';
      }
      out += "] ";
    }
    if (player_->playingItem() != Player::kNoItem) {
      out += ">" + std::to_string(player_->playingPlaylist()) + ":" + std::to_string(player_->playingItem());
    }
    return out;
  }

  TempDir dir_;
  std::ostringstream messages_;
  std::unique_ptr<Player> player_;
};

struct OperationCase {
  const char* name;
  std::function<void(Player&, const host::TrackList& library)> run;
  const char* label;
  const char* after;
  bool stops_playback = false;  // undo brings the items back, not playback
};

void PrintTo(const OperationCase& c, std::ostream* out) { *out << c.name; }

class OperationTest : public EditJournalTest, public ::testing::WithParamInterface<OperationCase> {};

TEST_P(OperationTest, UndoGivesTheExactStateBeforeAndRedoTheStateAfter) {
  const OperationCase& c = GetParam();
  const std::string before = state();
  ASSERT_EQ(before, "One*[ab*cd*e] Two[e] Three[] >0:2");
  c.run(*player_, player_->library());
  player_->journal().closeOpenStep();
  ASSERT_EQ(player_->journal().undoCount(), 1u);
  EXPECT_EQ(player_->journal().undoStep().label, c.label);
  const std::string after = state();
  EXPECT_EQ(after, c.after);

  const std::string restored = c.stops_playback ? before.substr(0, before.rfind('>')) : before;
  ASSERT_TRUE(player_->undo());
  EXPECT_EQ(state(), restored);
  EXPECT_FALSE(player_->journal().canUndo());
  ASSERT_TRUE(player_->redo());
  EXPECT_EQ(state(), after);
  ASSERT_TRUE(player_->undo());
  EXPECT_EQ(state(), restored);
  // Replaying recorded nothing new: the one step waits to be redone.
  EXPECT_EQ(player_->journal().redoCount(), 1u);
}

std::vector<std::string> keys(std::initializer_list<const char*> texts) { return {texts.begin(), texts.end()}; }

INSTANTIATE_TEST_SUITE_P(
    EveryOperation, OperationTest,
    ::testing::Values(
        OperationCase{"Add",
                      [](Player& p, const auto& l) {
                        p.insertItems(1, 9, {l[0], l[1]}, true);
                      },
                      "Add to \"Two\"", "One*[ab*cd*e] Two[ea*b*] Three[] >0:2"},
        OperationCase{"Insert", [](Player& p, const auto& l) { p.insertItems(0, 1, {l[4]}, false); },
                      "Insert into \"One\"", "One*[aeb*cd*e] Two[e] Three[] >0:3"},
        OperationCase{"Send",
                      [](Player& p, const auto& l) {
                        p.replaceItems(0, {l[2], l[0]}, true);
                      },
                      "Send to \"One\"", "One*[c*a*] Two[e] Three[] ", true},
        OperationCase{"SendAsANodeActionDoes",
                      [](Player& p, const auto& l) {
                        EditScope scope(p);
                        p.removeAllItems(1);
                        p.insertItems(1, p.playlistItemCount(1), {l[3]}, false);
                      },
                      "Send to \"Two\"", "One*[ab*cd*e] Two[d] Three[] >0:2"},
        OperationCase{"SendToAnEmptyPlaylist",
                      [](Player& p, const auto& l) {
                        EditScope scope(p);
                        p.removeAllItems(2);
                        p.insertItems(2, 0, {l[3]}, false);
                      },
                      "Send to \"Three\"", "One*[ab*cd*e] Two[e] Three[d] >0:2"},
        OperationCase{"SendToANewPlaylist",
                      [](Player& p, const auto& l) {
                        EditScope scope(p);
                        const std::size_t made = p.createPlaylist("Four");
                        p.removeAllItems(made);
                        p.insertItems(made, 0, {l[3], l[4]}, false);
                      },
                      "Send to \"Four\"", "One*[ab*cd*e] Two[e] Three[] Four[de] >0:2"},
        OperationCase{"AddToANewPlaylist",
                      [](Player& p, const auto& l) {
                        EditScope scope(p);
                        p.insertItems(p.createPlaylist("Four"), 0, {l[3]}, false);
                      },
                      "Add to \"Four\"", "One*[ab*cd*e] Two[e] Three[] Four[d] >0:2"},
        OperationCase{"Remove",
                      [](Player& p, const auto&) {
                        p.removeItems(0, {3, 1});
                      },
                      "Remove from \"One\"", "One*[ace] Two[e] Three[] >0:1"},
        OperationCase{"RemoveThePlayingItem", [](Player& p, const auto&) { p.removeItems(0, {2}); },
                      "Remove from \"One\"", "One*[ab*d*e] Two[e] Three[] ", true},
        OperationCase{"Crop",
                      [](Player& p, const auto&) {
                        p.cropItems(0, {1, 3});
                      },
                      "Crop \"One\"", "One*[b*d*] Two[e] Three[] ", true},
        OperationCase{"Clear", [](Player& p, const auto&) { p.removeAllItems(0); }, "Clear \"One\"",
                      "One*[] Two[e] Three[] ", true},
        OperationCase{"Move",
                      [](Player& p, const auto&) {
                        p.moveItems(0, {0, 2}, 5);
                      },
                      "Move items in \"One\"", "One*[b*d*eac] Two[e] Three[] >0:4"},
        OperationCase{"Copy",
                      [](Player& p, const auto&) {
                        p.copyItems(0, {3, 1}, 1, 0, true);
                      },
                      "Copy to \"Two\"", "One*[ab*cd*e] Two[b*d*e] Three[] >0:2"},
        OperationCase{"MoveToAnotherPlaylist",
                      [](Player& p, const auto&) {
                        p.moveItemsTo(0, {4, 0}, 1, 1);
                      },
                      "Move to \"Two\"", "One*[b*cd*] Two[eae] Three[] >0:1"},
        OperationCase{"Sort",
                      [](Player& p, const auto&) {
                        p.sortItems(0, keys({"Track 10", "track 2", "B", "b", "a"}), false, "Title");
                      },
                      "Sort \"One\" by Title", "One*[ecd*b*a] Two[e] Three[] >0:1"},
        OperationCase{"SortDescendingKeepsEqualKeysInOrder",
                      [](Player& p, const auto&) {
                        p.sortItems(0, keys({"a", "b", "B", "Track 10", "track 2"}), true, "Title");
                      },
                      "Sort \"One\" by Title, descending", "One*[d*eb*ca] Two[e] Three[] >0:3"},
        OperationCase{"Create", [](Player& p, const auto&) { p.createPlaylist("Four"); }, "New playlist \"Four\"",
                      "One*[ab*cd*e] Two[e] Three[] Four[] >0:2"},
        OperationCase{"Rename", [](Player& p, const auto&) { p.renamePlaylist(1, "Jazz"); },
                      "Rename \"Two\" to \"Jazz\"", "One*[ab*cd*e] Jazz[e] Three[] >0:2"},
        OperationCase{"CloseTheActivePlaylist", [](Player& p, const auto&) { p.removePlaylist(0); }, "Close \"One\"",
                      "Two[e] Three[] ", true},
        OperationCase{"CloseAnother", [](Player& p, const auto&) { p.removePlaylist(1); }, "Close \"Two\"",
                      "One*[ab*cd*e] Three[] >0:2"},
        OperationCase{"MovePlaylist", [](Player& p, const auto&) { p.movePlaylist(0, 2); }, "Move playlist \"One\"",
                      "Two[e] Three[] One*[ab*cd*e] >2:2"},
        OperationCase{
            "SelectionWithinAStep",
            [](Player& p, const auto& l) {
              EditScope scope(p, "Drop on \"One\"");
              p.insertItems(0, 0, {l[4]}, true);
              p.setSelection(0, {true, false, false, false, false, false});
            },
            "Drop on \"One\"", "One*[e*abcde] Two[e] Three[] >0:3"}),
    [](const ::testing::TestParamInfo<OperationCase>& info) { return std::string(info.param.name); });

// The sort above: "Track 10" after "track 2" (digits by value), "B" and "b"
// equal (kept in their order), "a" first; descending, reversed but stable.
TEST_F(EditJournalTest, SortsNaturallyAndStablyWhicheverWay) {
  player_->sortItems(0, keys({"x", "B", "Track 10", "b", "track 2"}), true, "Title");
  EXPECT_EQ(state(), "One*[aceb*d*] Two[e] Three[] >0:1");
  // A sort that changes nothing is no step.
  player_->sortItems(1, keys({"z"}), false, "Title");
  EXPECT_EQ(player_->journal().undoCount(), 1u);
}

TEST_F(EditJournalTest, SortKeysThatDoNotMatchTheItemsChangeNothing) {
  EXPECT_THROW(player_->sortItems(0, keys({"a", "b"}), false, "Title"), profile::DataError);
  EXPECT_EQ(state(), "One*[ab*cd*e] Two[e] Three[] >0:2");
  EXPECT_FALSE(player_->journal().canUndo());
}

TEST_F(EditJournalTest, AReorderIsKeptAsAPermutationOfWhatMoved) {
  player_->moveItems(0, {3}, 2);
  const Edit& moved = player_->journal().undoStep().edits.at(0);
  EXPECT_TRUE(moved.tracks.empty());
  EXPECT_EQ(moved.first, 2u);
  EXPECT_EQ(moved.order, (std::vector<uint32_t>{1, 0}));
}

TEST_F(EditJournalTest, TheHistoryKeepsTheLastHundredSteps) {
  const std::string start = state();
  for (int i = 0; i < 105; ++i) player_->renamePlaylist(2, "Name " + std::to_string(i));
  EXPECT_EQ(player_->journal().undoCount(), EditJournal::kMaxSteps);
  int undone = 0;
  while (player_->undo()) ++undone;
  EXPECT_EQ(undone, 100);
  EXPECT_EQ(player_->playlistName(2), "Name 4");
  EXPECT_EQ(player_->journal().redoCount(), 100u);
  // A new change forgets what could be redone.
  player_->renamePlaylist(2, "New");
  EXPECT_FALSE(player_->journal().canRedo());
  EXPECT_FALSE(player_->redo());
}

TEST_F(EditJournalTest, SelectionAloneIsNoStepAndUnchangedRenamesAreNone) {
  player_->setSelection(0, {true, true, true, true, true});
  player_->renamePlaylist(0, "One");
  player_->removeItems(0, {});
  player_->insertItems(0, 0, {}, true);
  EXPECT_FALSE(player_->journal().canUndo());
  EXPECT_FALSE(player_->undo());
}

TEST_F(EditJournalTest, EditsOutsideScopesGroupUntilTheOwnerClosesTheStep) {
  int opened = 0;
  player_->journal().setOpenStepHook([&opened] { ++opened; });
  player_->removeAllItems(1);
  player_->insertItems(1, 0, tracks("ab"), false);
  EXPECT_EQ(opened, 1);
  EXPECT_FALSE(player_->journal().canUndo());
  // A scope ends the open step first; undo does as well.
  {
    EditScope scope(*player_, "Named");
    player_->renamePlaylist(2, "Jazz");
    EXPECT_FALSE(player_->undo());  // not while a scope is open
  }
  ASSERT_EQ(player_->journal().undoCount(), 2u);
  EXPECT_EQ(player_->journal().undoStep().label, "Named");
  player_->createPlaylist("Four");
  ASSERT_TRUE(player_->undo());  // closes the open step, then undoes it
  EXPECT_EQ(player_->playlistCount(), 3u);
  ASSERT_TRUE(player_->undo());
  ASSERT_TRUE(player_->undo());
  EXPECT_EQ(state(), "One*[ab*cd*e] Two[e] Three[] >0:2");
}

TEST_F(EditJournalTest, WithoutAnOwnerEveryEditOutsideAScopeIsAStep) {
  player_->removeAllItems(1);
  player_->insertItems(1, 0, tracks("ab"), false);
  EXPECT_EQ(player_->journal().undoCount(), 2u);
  EXPECT_EQ(player_->journal().undoStep().label, "Add to \"Two\"");
}

TEST_F(EditJournalTest, NestedScopesAreOneStepNamedByTheOutermostLabel) {
  {
    EditScope outer(*player_);
    EditScope inner(*player_, "Inner");
    player_->renamePlaylist(2, "Jazz");
  }
  {
    EditScope outer(*player_, "Outer");
    player_->moveItemsTo(0, {0}, 1, 0);  // opens a scope of its own inside
  }
  ASSERT_EQ(player_->journal().undoCount(), 2u);
  EXPECT_EQ(player_->journal().undoStep().label, "Outer");
  ASSERT_TRUE(player_->undo());
  EXPECT_EQ(player_->journal().undoStep().label, "Inner");
}

struct Events : PlayerListener {
  void playlistChanged(const PlaylistChange& c) override {
    text += std::to_string(static_cast<int>(c.event)) + "@" + std::to_string(c.playlist) + ":" +
            std::to_string(c.first) + "+" + std::to_string(c.count) + " ";
  }
  void editRecorded(const EditStep& step) override { text += "step(" + step.label + ") "; }
  std::string text;
};

TEST_F(EditJournalTest, UndoAndRedoRaiseThePlaylistEventsOfWhatTheyChange) {
  Events events;
  player_->addListener(&events);
  player_->removeItems(0, {0, 1, 3});
  EXPECT_EQ(events.text, "step(Remove from \"One\") 3@0:3+1 3@0:0+2 ");
  events.text.clear();
  player_->undo();  // put back lowest first, each range valid when it arrives
  EXPECT_EQ(events.text, "0@0:0+2 0@0:3+1 ");
  events.text.clear();
  player_->removePlaylist(1);
  player_->undo();
  EXPECT_EQ(events.text, "step(Close \"Two\") 13@1:0+0 14@1:0+0 11@1:0+0 ");
  player_->removeListener(&events);
}

TEST_F(EditJournalTest, ReplayThatNoLongerFitsClearsTheHistoryAndSaysSo) {
  player_->insertItems(2, 0, tracks("ab"), false);
  player_->playlists().removeAllItems(2);  // behind the journal's back
  EXPECT_FALSE(player_->undo());
  EXPECT_FALSE(player_->journal().canUndo());
  EXPECT_NE(messages_.str().find("Undo Add to \"Three\" failed"), std::string::npos) << messages_.str();
}

TEST_F(EditJournalTest, PlaybackFollowsItsItemThroughSortsMovesAndTheirUndo) {
  // c plays at 2; sorted descending by letter it moves to 2 from the end.
  player_->sortItems(0, keys({"a", "b", "c", "d", "e"}), true, "Title");
  EXPECT_EQ(player_->playingItem(), 2u);
  player_->moveItems(0, {2}, 0);
  EXPECT_EQ(std::string(player_->playlists().at(0).items[player_->playingItem()]->path()), "file:///c");
  EXPECT_EQ(player_->playingItem(), 0u);
  player_->sortItems(0, keys({"3", "1", "2", "0", "4"}), false, "#");
  EXPECT_EQ(player_->playingItem(), 3u);
  while (player_->undo()) {
    EXPECT_EQ(std::string(player_->playlists().at(0).items[player_->playingItem()]->path()), "file:///c");
  }
  EXPECT_EQ(state(), "One*[ab*cd*e] Two[e] Three[] >0:2");
}

}  // namespace
}  // namespace player
