// The main window's areas for the keyboard: F6 and Shift+F6 move the focus
// from one to the next (the tree panels in their order, the playlist, the
// log), as in other programs. An area out of view (a closed dock, a panel
// tabbed away) is passed over.
#ifndef VOSTREL_DESKTOP_WINDOW_AREAS_H_
#define VOSTREL_DESKTOP_WINDOW_AREAS_H_

#include <vector>

class QWidget;

namespace desktop {

class MainWindow;

// The widgets that take the focus in each area in view, in order.
std::vector<QWidget*> windowAreas(MainWindow& window);
// Gives the focus to the area after (or before) the one that has it; the
// first (or last) area when none has it. Returns the widget focused, or
// nullptr when there is no area.
QWidget* focusNextArea(MainWindow& window, bool forward);

}  // namespace desktop

#endif  // VOSTREL_DESKTOP_WINDOW_AREAS_H_
