// The "now playing" examples while a track plays: the folder made from the
// context menu, its nodes expanded and following the playing track.
#include <algorithm>
#include <string_view>

#include <QDockWidget>

#include "desktop/main_window.h"
#include "desktop/panel_docks.h"
#include "player/player.h"
#include "scenes.h"
#include "shooter.h"
#include "tree/folder_node.h"
#include "tree/now_playing_examples.h"
#include "tree/panel.h"
#include "tree/query_node.h"

namespace shots {

void shootNowPlaying(Scene& scene) {
  player::Player& player = scene.player;
  tree::Panel& panel = scene.panel.panel();
  // A jazz track: its genre has many artists, so every example shows some.
  std::size_t playlist = host::kNoPlaylist;
  std::size_t item = 0;
  for (std::size_t p = 0; p < player.playlistCount() && playlist == host::kNoPlaylist; ++p) {
    const host::TrackList& items = player.playlists().at(p).items;
    for (std::size_t i = 0; i < items.size(); ++i) {
      if (items[i]->path().find("Delta Rowe Quartet") != std::string_view::npos) {
        playlist = p;
        item = i;
        break;
      }
    }
  }
  if (playlist == host::kNoPlaylist) return;

  tree::createNowPlayingExamples(panel);
  tree::PanelSettings settings = panel.settings();
  settings.follow_playing = true;
  panel.setSettings(settings);
  // The example tree folded away, so that the new folder shows at the top.
  for (tree::FolderNode* folder : panel.folders()) panel.expandNode(*folder, false);
  tree::FolderNode* folder = panel.findFolder(&panel.root(), tree::kNowPlayingFolder);
  if (folder == nullptr) return;
  player.playItem(playlist, item);
  settle();
  panel.expandNode(*folder, true);
  for (const char* label : {"More by this artist", "Same genre, other artists"}) {
    tree::QueryNode* query = panel.findQuery(folder, label);
    if (query == nullptr) continue;
    panel.expandNode(*query, true);
    tree::TreeItem* item = query->item();
    if (item != nullptr && item->childCount() > 0) panel.expandNode(*item->child(0)->node(), true);
  }
  settle();
  // The panel's top, whole rows only (the tool's font makes them 18 pixels).
  QDockWidget* dock = scene.window.panels().dock(0);
  scene.shooter.save("now_playing", dock->grab(QRect(0, 0, dock->width(), std::min(dock->height(), 442))));

  player.stopPlayback();
  settings.follow_playing = false;
  panel.setSettings(settings);
  settle();
}

}  // namespace shots
