// DesktopFixture: the desktop program on a temporary profile over the small
// test library, with messages recorded instead of shown, and helpers that
// restart it on the same profile and record the player's events. It plays
// through a fake engine.
#ifndef VOSTREL_TESTS_DESKTOP_SUPPORT_DESKTOP_FIXTURE_H_
#define VOSTREL_TESTS_DESKTOP_SUPPORT_DESKTOP_FIXTURE_H_

#include <memory>
#include <string>
#include <vector>

#include <QStringList>

#include <initializer_list>

#include "desktop/desktop_app.h"
#include "player/player.h"
#include "desktop/support/fake_engine.h"
#include "support/fake_host.h"

class QTableView;
namespace tree {
class Panel;
class QueryNode;
}  // namespace tree

namespace desktop_testing {

// Records playlist events as their numbers, in order.
struct EventRecorder : player::PlayerListener {
  void playlistChanged(const player::PlaylistChange& change) override {
    events.push_back(static_cast<int>(change.event));
  }
  std::vector<int> events;
};

class DesktopFixture {
 public:
  DesktopFixture();
  ~DesktopFixture();

  // Starts the program (again) on the fixture's profile.
  desktop::DesktopApp& start();
  // Quits as the Quit command does and destroys the program.
  void quit();

  std::filesystem::path profileDir() const { return dir_.path() / "profile"; }
  // $XDG_CACHE_HOME while the program runs: covers go to its vostrel/covers.
  std::filesystem::path cacheDir() const { return dir_.path() / "cache"; }
  desktop::DesktopApp& app() { return *app_; }
  player::Player& player() { return app_->player(); }
  // The program plays through this fake (made anew by every start()).
  FakeEngine& engine() { return *engine_; }

  // Music folders the program watches (set before start()); the library
  // still starts from the small test library, unless empty_library is set:
  // then it starts empty, as a first start on music folders does (nothing is
  // in their cache yet, and the scan runs in the background).
  std::vector<std::filesystem::path> music_folders;
  bool empty_library = false;
  QStringList messages;  // "caption: text" of every message shown
  EventRecorder recorder;

 private:
  testing_support::TempDir dir_;
  std::unique_ptr<desktop::DesktopApp> app_;
  FakeEngine* engine_ = nullptr;
};

// The test data folder (tests/data).
std::string testDataDir();
// The audio corpus: $VOSTREL_TAG_CORPUS, else the copy in the test data
// folder, else shared/tag-corpus beside the checkout (or beside the folder
// of worktrees it sits in); empty when it is not there.
std::filesystem::path corpusDir();

// Selects exactly `rows` of `view`, whole rows.
void selectRows(QTableView& view, std::initializer_list<int> rows);

// Attaches to `panel`'s root a query node labelled `label` running `sql`,
// with one level showing the column "value".
tree::QueryNode* addQuery(tree::Panel& panel, const std::string& sql, const std::string& label);

}  // namespace desktop_testing

#endif  // VOSTREL_TESTS_DESKTOP_SUPPORT_DESKTOP_FIXTURE_H_
