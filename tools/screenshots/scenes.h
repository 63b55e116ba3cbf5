// The scenes of scripts/screenshots beyond the main window and the console,
// one file each, run in this order on the demo library's main window.
#ifndef VOSTREL_TOOLS_SCREENSHOTS_SCENES_H_
#define VOSTREL_TOOLS_SCREENSHOTS_SCENES_H_

namespace desktop {
class DesktopApp;
class MainWindow;
}  // namespace desktop
namespace player {
class Player;
}
namespace ui {
class TreePanel;
}

namespace shots {

class Shooter;

struct Scene {
  desktop::DesktopApp& app;
  desktop::MainWindow& window;
  player::Player& player;
  ui::TreePanel& panel;  // the example tree, "Album" refreshed
  Shooter& shooter;
};

void shootPreferences(Scene& scene);      // preferences_shots.cpp
void shootOptionsAndIcons(Scene& scene);  // options_shots.cpp
void shootNodeDialogs(Scene& scene);      // node_dialog_shots.cpp
void shootPlayback(Scene& scene);         // playback_shots.cpp
void shootEmptyLibrary(Scene& scene);     // playback_shots.cpp
void shootPlaylistFiles(Scene& scene);    // playlist_file_shots.cpp
void shootUndo(Scene& scene);             // undo_shots.cpp
void shootPlaylistView(Scene& scene);     // playlist_view_shots.cpp
void shootTreeFiles(Scene& scene);        // tree_file_shots.cpp
void shootNowPlaying(Scene& scene);       // now_playing_shots.cpp
void shootCovers(Scene& scene);           // cover_shots.cpp
void shootSearch(Scene& scene);           // search_shots.cpp

}  // namespace shots

#endif  // VOSTREL_TOOLS_SCREENSHOTS_SCENES_H_
