// What assistive tools (screen readers, test robots on the accessibility
// bus) see of the program, where the toolkit's own accessible interfaces
// fall short:
//  - the application counts an open popup (a context menu) among its
//    children, so that a walk from the application finds it;
//  - a menu entry whose text shows its key after a tab ("New query...\t
//    Ins") is named by its label alone, the key being its key binding;
//  - a tree panel's view is a tree of its nodes (tree_accessible.h).
//
//   QApplication app(argc, argv);
//   ui::installAccessibility();   // before the first window is shown
#ifndef VOSTREL_UI_ACCESSIBILITY_H_
#define VOSTREL_UI_ACCESSIBILITY_H_

#include <QString>

namespace ui {

// Installs the interfaces above; once per process, after the QApplication
// is made. Calling it again does nothing.
void installAccessibility();

// The accessible name of a menu entry's text: the label before a tab,
// without its mnemonic marks.
QString menuEntryName(const QString& text);
// The key (or gesture) after the tab of a menu entry's text; empty when
// there is none.
QString menuEntryKey(const QString& text);

}  // namespace ui

#endif  // VOSTREL_UI_ACCESSIBILITY_H_
