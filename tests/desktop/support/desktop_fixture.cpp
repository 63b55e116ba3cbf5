#include "desktop/support/desktop_fixture.h"

#include <QItemSelectionModel>
#include <QTableView>

#include <cstdlib>

#include "component/registration.h"
#include "db/open_steps.h"
#include "desktop/desktop_ui.h"
#include "desktop/playback_controller.h"
#include "library/library_file.h"
#include "library_tables/library_tables.h"
#include "profile/profile.h"
#include "profile/settings_store.h"
#include "tree/panel.h"
#include "tree/query_node.h"

namespace desktop_testing {

std::string testDataDir() {
  const char* dir = std::getenv("VOSTREL_TEST_DATA");
  return dir != nullptr ? dir : "tests/data";
}

std::filesystem::path corpusDir() {
  if (const char* given = std::getenv("VOSTREL_TAG_CORPUS"); given != nullptr && given[0] != '\0') return given;
  const std::filesystem::path data = std::filesystem::absolute(testDataDir());
  for (const char* up : {"tag-corpus", "../../../shared/tag-corpus", "../../../../shared/tag-corpus"}) {
    const std::filesystem::path dir = (data / up).lexically_normal();
    std::error_code ec;
    if (std::filesystem::is_directory(dir, ec)) return dir;
  }
  return {};
}

DesktopFixture::DesktopFixture() = default;

DesktopFixture::~DesktopFixture() {
  if (app_ != nullptr) quit();
}

desktop::DesktopApp& DesktopFixture::start() {
  if (app_ != nullptr) quit();
  // Covers are cached beside the profile, never in the user's cache.
  qputenv("XDG_CACHE_HOME", QByteArray::fromStdString((dir_.path() / "cache").string()));
  // Process-wide state of the previous program goes with it.
  db::setSchemaReady(false);
  library_tables::resetProcessState();
  component::installDatabaseSteps();
  profile::Profile profile(profileDir());
  profile::SettingsStore settings(profile.settingsFile());
  std::filesystem::path library = std::filesystem::path(testDataDir()) / "small-library.json";
  library::LibraryFile content;
  if (empty_library && !music_folders.empty()) {
    library = music_folders.front();
  } else {
    content = library::loadLibraryFile(library);
  }
  auto player = std::make_unique<player::Player>(std::move(profile), std::move(settings), std::move(content));
  app_ = std::make_unique<desktop::DesktopApp>(std::move(player), library, std::nullopt);
  app_->ui().show_message = [this](const QString& text, const QString& caption, bool) {
    messages.push_back(caption + ": " + text);
  };
  app_->ui().ask_question = [](const QString&, const QString&) { return true; };
  auto engine = std::make_unique<FakeEngine>();
  engine_ = engine.get();
  app_->playback().setEngine(std::move(engine));
  app_->setMusicFolders(music_folders);
  app_->start();
  app_->player().addListener(&recorder);
  return *app_;
}

void DesktopFixture::quit() {
  app_->player().removeListener(&recorder);
  app_->requestQuit();
  app_->shutDown();
  app_.reset();
  engine_ = nullptr;
}

void selectRows(QTableView& view, std::initializer_list<int> rows) {
  view.selectionModel()->clearSelection();
  for (int row : rows) {
    view.selectionModel()->select(view.model()->index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
  }
}

tree::QueryNode* addQuery(tree::Panel& panel, const std::string& sql, const std::string& label) {
  auto node = std::make_unique<tree::QueryNode>(&panel, panel.nodeForItem(nullptr));
  node->setLabel(label);
  node->definition().sql_query = sql;
  tree::QueryResultNodeOption option;
  option.name = "value";
  option.level = 1;
  node->definition().level_options.push_back(option);
  return static_cast<tree::QueryNode*>(panel.attach(std::move(node), true));
}

}  // namespace desktop_testing
