// The dock state the main window keeps in layout.json's "state": the
// toolkit's own state, followed by the size of every dock that is docked.
// The toolkit's state holds where each dock is, but not the size of docks
// stacked as tabs, which come back as narrow as their contents' hint; the
// sizes kept here are applied after it.
//
//   QByteArray blob = packWindowState(window.saveState(), dockSizes(window));
//   WindowState state = unpackWindowState(blob);
//   window.restoreState(state.qt_state);
//   applyDockSizes(window, state.dock_sizes);
//
// A blob that does not start with this format's mark is a plain state of
// the toolkit (written by an older program) and is read without sizes.
#ifndef VOSTREL_DESKTOP_WINDOW_STATE_H_
#define VOSTREL_DESKTOP_WINDOW_STATE_H_

#include <QByteArray>
#include <QMap>
#include <QSize>
#include <QString>

class QMainWindow;

namespace desktop {

struct WindowState {
  QByteArray qt_state;
  QMap<QString, QSize> dock_sizes;  // by the docks' object names
};

QByteArray packWindowState(const QByteArray& qt_state, const QMap<QString, QSize>& dock_sizes);
WindowState unpackWindowState(const QByteArray& blob);

// The sizes of `window`'s docks that are docked (not floating), shown or
// behind another dock's tab.
QMap<QString, QSize> dockSizes(const QMainWindow& window);
// Resizes the docks of `window` named in `sizes` that are docked; other
// names are ignored.
void applyDockSizes(QMainWindow& window, const QMap<QString, QSize>& sizes);

}  // namespace desktop

#endif  // VOSTREL_DESKTOP_WINDOW_STATE_H_
