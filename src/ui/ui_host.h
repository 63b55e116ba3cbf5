// The Qt-side services of the player that the component's windows use, and
// nothing more: the main window as the owner of dialogs and panels, the UI
// font and the seven UI colours with change notifications, the host's
// keyboard shortcuts, and help pages. The desktop player implements it;
// widget tests use a fake.
#ifndef VOSTREL_UI_UI_HOST_H_
#define VOSTREL_UI_UI_HOST_H_

#include <cstdint>

#include <QColor>
#include <QFont>
#include <QObject>
#include <QString>

class QWidget;

namespace ui {

// The seven UI colours, numbered as the panel settings refer to them. The
// player maps them to the palette roles Text, HighlightedText, inactive
// HighlightedText, Base, Highlight, inactive Highlight and Mid.
enum class UiColour : int {
  kText = 0,
  kSelectedText = 1,
  kInactiveSelectedText = 2,
  kBackground = 3,
  kSelectedBackground = 4,
  kInactiveSelectedBackground = 5,
  kLine = 6,
};
inline constexpr int kUiColourCount = 7;

// Hot-key codes as the host's shortcut service takes them: the virtual key
// in the low byte, modifiers above it.
inline constexpr uint32_t kHotKeyShift = 0x100;
inline constexpr uint32_t kHotKeyCtrl = 0x200;
inline constexpr uint32_t kHotKeyAlt = 0x400;
inline constexpr uint32_t kHotKeyMeta = 0x800;

class UiHost : public QObject {
  Q_OBJECT

 public:
  using QObject::QObject;
  ~UiHost() override = default;

  // The window that owns the component's panels and dialogs; may be null in
  // tests.
  virtual QWidget* mainWindow() const = 0;

  // The UI font (the application font) and colour `c` (the application
  // palette).
  virtual QFont uiFont() const = 0;
  virtual QColor uiColour(UiColour c) const = 0;

  // Offers a key the panel does not handle to the host's shortcuts in the
  // scopes the panel names, in order. Returns true when one of them took it.
  virtual bool offerKey(uint32_t hotKeyCode) = 0;

  // Opens help/`fileName` in the desktop's browser. Returns false when it
  // cannot be opened.
  virtual bool openHelpPage(const QString& fileName) = 0;

  // Whether the tree panels show their hint on how the tree works: until the
  // user closes it once. Without a place to remember that, never.
  virtual bool treeHintWanted() const { return false; }
  // The user closed the hint: remembers that for good and emits
  // treeHintDismissed(), so that every panel hides it.
  virtual void dismissTreeHint() { emit treeHintDismissed(); }

 signals:
  // The palette or the application font changed.
  void uiColoursChanged();
  void uiFontChanged();
  void treeHintDismissed();
};

}  // namespace ui

#endif  // VOSTREL_UI_UI_HOST_H_
