#include "desktop/window_state.h"

#include <QBuffer>
#include <QDataStream>
#include <QDockWidget>
#include <QList>
#include <QMainWindow>

namespace desktop {
namespace {

// "VSWS": a state of this format. The toolkit's own states start with a
// different mark (0x000000ff).
constexpr quint32 kMark = 0x56535753;
constexpr quint16 kVersion = 1;

}  // namespace

QByteArray packWindowState(const QByteArray& qt_state, const QMap<QString, QSize>& dock_sizes) {
  QByteArray blob;
  QDataStream out(&blob, QIODevice::WriteOnly);
  out.setVersion(QDataStream::Qt_6_0);
  out << kMark << kVersion << qt_state << dock_sizes;
  return blob;
}

WindowState unpackWindowState(const QByteArray& blob) {
  QDataStream in(blob);
  in.setVersion(QDataStream::Qt_6_0);
  quint32 mark = 0;
  quint16 version = 0;
  in >> mark >> version;
  if (in.status() != QDataStream::Ok || mark != kMark || version != kVersion) return {blob, {}};
  WindowState state;
  in >> state.qt_state >> state.dock_sizes;
  if (in.status() != QDataStream::Ok) return {};
  return state;
}

QMap<QString, QSize> dockSizes(const QMainWindow& window) {
  QMap<QString, QSize> sizes;
  for (QDockWidget* dock : window.findChildren<QDockWidget*>(Qt::FindDirectChildrenOnly)) {
    // A dock behind another's tab is moved out of the window and keeps an
    // old size: its group has the size of the dock shown.
    if (dock->isFloating() || dock->isHidden() || !window.rect().contains(dock->geometry().center())) continue;
    sizes.insert(dock->objectName(), dock->size());
    for (const QDockWidget* behind : window.tabifiedDockWidgets(dock)) sizes.insert(behind->objectName(), dock->size());
  }
  sizes.remove(QString());
  return sizes;
}

void applyDockSizes(QMainWindow& window, const QMap<QString, QSize>& sizes) {
  QList<QDockWidget*> docks;
  QList<int> widths;
  QList<int> heights;
  for (QDockWidget* dock : window.findChildren<QDockWidget*>(Qt::FindDirectChildrenOnly)) {
    const auto size = sizes.find(dock->objectName());
    if (size == sizes.end() || dock->isFloating() || window.dockWidgetArea(dock) == Qt::NoDockWidgetArea) continue;
    docks << dock;
    widths << size->width();
    heights << size->height();
  }
  if (docks.isEmpty()) return;
  window.resizeDocks(docks, widths, Qt::Horizontal);
  window.resizeDocks(docks, heights, Qt::Vertical);
}

}  // namespace desktop
