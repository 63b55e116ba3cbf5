// Renders the desktop program offscreen into PNG files: the main window of a
// first start at its own size, the main window with
// two panels on the demo library (the example tree with "Album" refreshed
// and item counts, and a tree with node colours of its own), and the main
// window with each state of a panel's context menu, and the console with
// sorted results.
//
//   QT_QPA_PLATFORM=offscreen vostrel_screenshots OUT_DIR LIBRARY_FILE
#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QDockWidget>
#include <QHeaderView>
#include <QMenu>
#include <QPainter>
#include <QSplitter>
#include <QTabWidget>
#include <QPalette>
#include <QTableView>
#include <QTemporaryDir>
#include <QTreeView>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>

#include "component/registration.h"
#include "desktop/desktop_app.h"
#include "desktop/desktop_ui.h"
#include "desktop/main_window.h"
#include "desktop/panel_docks.h"
#include "desktop/playback_controller.h"
#include "desktop/playlist_tabs.h"
#include "library/library_file.h"
#include "profile/profile.h"
#include "profile/settings_store.h"
#include "scenes.h"
#include "shooter.h"
#include "still_engine.h"
#include "tree/folder_node.h"
#include "tree/query_node.h"
#include "tree/query_result_node.h"
#include "ui/chart_panel.h"
#include "ui/console_window.h"
#include "ui/panel_commands.h"
#include "ui/panel_tree_view.h"
#include "ui/tree_model.h"
#include "ui/tree_panel.h"

using shots::settle;

namespace {

constexpr const char* kSlowQuery =
    "WITH RECURSIVE r(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM r WHERE i<400000000) "
    "SELECT 'Value '||i FROM r WHERE i % 100000000 = 0";

tree::QueryResultNodeOption level(const char* name, uint8_t number, uint8_t counts = tree::kShowNoCount) {
  tree::QueryResultNodeOption option;
  option.name = name;
  option.level = number;
  option.show_item_count = counts;
  return option;
}

tree::QueryNode* addQuery(tree::Panel& panel, tree::TreeNode& parent, const char* label, const char* sql,
                          std::vector<tree::QueryResultNodeOption> levels) {
  auto node = std::make_unique<tree::QueryNode>(&panel, &parent);
  node->setLabel(label);
  node->definition().sql_query = sql;
  node->definition().level_options = std::move(levels);
  return static_cast<tree::QueryNode*>(panel.attach(std::move(node), true));
}

// The second panel: its own tree with node colours (COLORREF 0x00BBGGRR).
void buildColouredTree(tree::Panel& panel) {
  std::vector<tree::FolderNode*> top;  // their subtrees go with them
  for (tree::FolderNode* folder : panel.folders()) {
    if (folder->item() != nullptr && folder->item()->parent() == nullptr) top.push_back(folder);
  }
  for (tree::FolderNode* folder : top) panel.deleteNode(*folder);
  tree::TreeNode& root = *panel.nodeForItem(nullptr);
  auto folder = std::make_unique<tree::FolderNode>(&panel, &root);
  folder->setLabel("Listening room");
  tree::NodeAttributes& colours = *folder->attributes();
  colours.use_parent = false;
  colours.icon = 194;
  colours.text = 0x00306030;
  colours.back = 0x00E8F4E8;
  colours.text_selected = 0x00FFFFFF;
  colours.back_selected = 0x00307030;
  colours.text_selected_inactive = 0x00306030;
  colours.back_selected_inactive = 0x00C8E0C8;
  tree::TreeNode* room = panel.attach(std::move(folder), true);
  tree::QueryNode* genres = addQuery(panel, *room, "Genres",
                                     "SELECT genre, ifnull([album artist],artist) FROM MediaLibrary "
                                     "ORDER BY genre, 2 COLLATE NaturalNoCase",
                                     {level("genre", 1, tree::kShowSubitems), level("artist", 2, tree::kShowLeaves)});
  tree::NodeAttributes& query = *genres->attributes();
  query.use_parent = false;
  query.icon = 194;
  query.text = 0x00802040;
  query.back = 0x00F4E8F0;
  query.text_selected = 0x00FFFFFF;
  query.back_selected = 0x00802040;
  query.text_selected_inactive = 0x00802040;
  query.back_selected_inactive = 0x00E0C8D8;
  genres->definition().level_options[0].attributes = query;
  genres->definition().level_options[0].attributes.text = 0x000050C0;
  genres->definition().level_options[0].attributes.back = 0x00E0F0FF;
  panel.save(*genres);
  panel.save(*room);
  genres->refresh(true);
  panel.expandNode(*room, true);
  panel.expandNode(*genres, true);
  panel.reapplyAttributes();
}

tree::QueryNode* findQuery(tree::Panel& panel, const std::string& label) {
  for (tree::QueryNode* query : panel.queries()) {
    if (query->label() == label) return query;
  }
  return nullptr;
}

// A dark palette of the kind dark desktop themes set.
QPalette darkPalette() {
  QPalette dark;
  const QColor window(53, 53, 53);
  const QColor base(35, 35, 35);
  const QColor text(230, 230, 230);
  dark.setColor(QPalette::Window, window);
  dark.setColor(QPalette::WindowText, text);
  dark.setColor(QPalette::Base, base);
  dark.setColor(QPalette::AlternateBase, window);
  dark.setColor(QPalette::ToolTipBase, base);
  dark.setColor(QPalette::ToolTipText, text);
  dark.setColor(QPalette::Text, text);
  dark.setColor(QPalette::Button, window);
  dark.setColor(QPalette::ButtonText, text);
  dark.setColor(QPalette::BrightText, Qt::red);
  dark.setColor(QPalette::Link, QColor(90, 160, 240));
  dark.setColor(QPalette::Highlight, QColor(42, 130, 218));
  dark.setColor(QPalette::HighlightedText, Qt::white);
  dark.setColor(QPalette::Inactive, QPalette::Highlight, QColor(70, 70, 70));
  dark.setColor(QPalette::Inactive, QPalette::HighlightedText, text);
  dark.setColor(QPalette::Mid, QColor(90, 90, 90));
  dark.setColor(QPalette::Disabled, QPalette::Text, QColor(127, 127, 127));
  dark.setColor(QPalette::Disabled, QPalette::WindowText, QColor(127, 127, 127));
  dark.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(127, 127, 127));
  dark.setColor(QPalette::PlaceholderText, QColor(140, 140, 140));
  return dark;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication qt(argc, argv);
  if (argc != 3) {
    std::fprintf(stderr, "usage: vostrel_screenshots OUT_DIR LIBRARY_FILE\n");
    return 2;
  }
  const QString out = QString::fromLocal8Bit(argv[1]);
  QDir().mkpath(out);
  QTemporaryDir profile_dir;
  // Covers are cached there too, never in the user's cache.
  qputenv("XDG_CACHE_HOME", profile_dir.path().toLocal8Bit() + "/cache");
  QApplication::setFont(QFont(QStringLiteral("DejaVu Sans"), 9));
  // VOSTREL_SCREENSHOT_PALETTE=dark: the pictures in a dark palette, as a
  // desktop with a dark theme gives it (Fusion's dark colours).
  if (qEnvironmentVariable("VOSTREL_SCREENSHOT_PALETTE") == QStringLiteral("dark")) {
    QApplication::setStyle(QStringLiteral("Fusion"));
    QApplication::setPalette(darkPalette());
  }

  component::installDatabaseSteps();
  profile::Profile profile(profile_dir.path().toStdString());
  profile::SettingsStore settings(profile.settingsFile());
  const std::filesystem::path library = argv[2];
  auto player = std::make_unique<player::Player>(std::move(profile), std::move(settings),
                                                 library::loadLibraryFile(library));
  player::Player& live = *player;
  desktop::DesktopApp app(std::move(player), library, std::nullopt);
  app.ui().show_message = [](const QString& text, const QString&, bool) {
    std::fprintf(stderr, "message: %s\n", qPrintable(text));
  };
  app.ui().ask_question = [](const QString&, const QString&) { return true; };
  app.start();
  desktop::MainWindow& window = app.mainWindow();
  shots::Shooter shooter(window, out);
  // What a first start shows, at the window's own size: the panel's width
  // is the program's choice here, not the script's.
  window.show();
  settle();
  shooter.save("fresh_start", window.grab());
  window.resize(1440, 900);

  // Panel 1: the example tree with "Album" refreshed, counts on its levels.
  auto& panel1 = *static_cast<ui::TreePanel*>(window.panels().widget(0));
  tree::QueryNode* album = findQuery(panel1.panel(), "Album");
  if (album == nullptr) return 1;
  album->definition().level_options[0].show_item_count = tree::kShowSubitems;
  panel1.panel().save(*album);
  album->refresh(true);
  for (tree::TreeNode* node = album->parent(); node != nullptr && node->item() != nullptr; node = node->parent()) {
    panel1.panel().expandNode(*node, true);
  }
  panel1.panel().expandNode(*album, true);
  tree::TreeItem* album_item = album->item();
  tree::TreeNode* first_artist = album_item->childCount() > 1 ? album_item->child(1)->node() : nullptr;
  tree::TreeNode* second_artist = album_item->childCount() > 3 ? album_item->child(3)->node() : nullptr;
  if (first_artist != nullptr) panel1.panel().expandNode(*first_artist, true);
  if (second_artist != nullptr) panel1.panel().expandNode(*second_artist, true);
  if (first_artist != nullptr) panel1.panel().control().select(first_artist->item()->child(0));

  // Panel 2 on the right: a tree of its own with node colours.
  QDockWidget* dock2 = window.panels().addPanel({});
  auto& panel2 = *static_cast<ui::TreePanel*>(dock2->widget());
  window.addDockWidget(Qt::RightDockWidgetArea, dock2);
  buildColouredTree(panel2.panel());
  window.resizeDocks({window.panels().dock(0), dock2}, {390, 310}, Qt::Horizontal);

  // Something playing, and a line in the log.
  app.playback().setEngine(std::make_unique<shots::StillEngine>());
  if (live.playlistCount() > 0 && live.playlistItemCount(0) > 2) live.playItem(0, 2);
  live.consoleLine("[vostrel] Tree load time: 0.004512");
  settle();
  shooter.save("main_window", window.grab());
  shooter.menu(panel2, nullptr, "menu_empty_space");
  shooter.menu(panel1, album->parent(), "menu_folder");
  shooter.menu(panel1, album, "menu_query");
  if (first_artist != nullptr) shooter.menu(panel1, first_artist, "menu_result");

  // While a query runs, the menu offers only "Abort query".
  tree::QueryNode* slow = addQuery(panel1.panel(), *panel1.panel().nodeForItem(nullptr), "Slow query", kSlowQuery,
                                   {level("value", 1)});
  bool shot = false;
  live.setPumpHook([&] {
    if (shot) return;
    shot = true;
    shooter.menu(panel1, slow, "menu_query_running");
    panel1.abortQuery();
  });
  panel1.runCommand(ui::kCommandRefresh, *slow);
  live.setPumpHook({});
  panel1.panel().deleteNode(*slow);

  // The console after a run, its rows sorted by title (the number cells
  // travel with their rows), then by artist descending.
  ui::ConsoleWindow& console = window.console();
  console.resize(760, 560);
  console.openWithScript(
      "-- The albums of the library with their tracks\n"
      "SELECT title, artist, album, tracknumber AS track\n"
      "  FROM MediaLibrary\n"
      " WHERE album IS NOT NULL\n"
      " ORDER BY album, tracknumber;");
  QHeaderView* header = console.results().horizontalHeader();
  emit header->sectionClicked(1);
  settle();
  shooter.save("console_sorted", console.grab());
  emit header->sectionClicked(2);
  emit header->sectionClicked(2);
  settle();
  shooter.save("console_sorted_descending", console.grab());

  // The Chart tab: tracks per genre as bars, the biggest genres as a pie,
  // and tracks and albums per year as lines.
  console.resultTabs().setCurrentWidget(&console.chart());
  const QList<int> split = console.splitter().sizes();
  console.splitter().setSizes({90, split[0] + split[1] - 90});
  console.openWithScript(
      "-- Tracks per genre\n"
      "SELECT genre, count(*) AS tracks\n"
      "  FROM MediaLibrary\n"
      " GROUP BY genre ORDER BY tracks DESC;");
  settle();
  shooter.save("console_chart_bar", console.grab());
  console.openWithScript(
      "-- The eight biggest genres\n"
      "SELECT genre, count(*) AS tracks\n"
      "  FROM MediaLibrary\n"
      " GROUP BY genre ORDER BY tracks DESC LIMIT 8;");
  settle();
  shooter.save("console_chart_pie", console.grab());
  console.openWithScript(
      "-- Tracks and albums per year\n"
      "SELECT substr(date, 1, 4) AS year, count(*) AS tracks,\n"
      "       count(DISTINCT album) AS albums\n"
      "  FROM MediaLibrary\n"
      " GROUP BY year ORDER BY year;");
  settle();
  shooter.save("console_chart_line", console.grab());
  console.resultTabs().setCurrentIndex(0);
  console.splitter().setSizes(split);
  console.hide();

  shots::Scene scene{app, window, live, panel1, shooter};
  shots::shootPreferences(scene);
  shots::shootOptionsAndIcons(scene);
  shots::shootNodeDialogs(scene);
  shots::shootPlayback(scene);
  shots::shootPlaylistFiles(scene);
  shots::shootTreeFiles(scene);
  shots::shootUndo(scene);
  shots::shootPlaylistView(scene);
  // Before the 'now playing' folder is made: the search narrows the examples.
  shots::shootSearch(scene);
  shots::shootNowPlaying(scene);
  shots::shootCovers(scene);
  // Last: it leaves the library empty.
  shots::shootEmptyLibrary(scene);

  app.requestQuit();
  app.shutDown();
  return shot ? 0 : 1;
}
