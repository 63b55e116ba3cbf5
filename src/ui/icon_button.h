// IconButton: a push button that edits one icon index of the shared icon
// list. It shows the chosen icon; a click opens the icon selector in the
// panel's colours, and OK there changes the index at once (iconChanged).
//
//   auto* icon = new ui::IconButton;
//   icon->setSelectorColors(toQColor(settings.back), toQColor(settings.text));
//   icon->setIconIndex(attributes.icon);
//   connect(icon, &ui::IconButton::iconChanged, [&](int i) { attributes.icon = i; });
#ifndef VOSTREL_UI_ICON_BUTTON_H_
#define VOSTREL_UI_ICON_BUTTON_H_

#include <functional>
#include <optional>

#include <QColor>
#include <QPushButton>

namespace ui {

class IconButton : public QPushButton {
  Q_OBJECT

 public:
  // Picks an icon starting at `current`; nullopt when cancelled.
  using Selector = std::function<std::optional<int>(QWidget* parent, int current, QColor background, QColor text)>;

  explicit IconButton(const QString& text = QStringLiteral("Icon..."), QWidget* parent = nullptr);

  // Sets the index without emitting iconChanged.
  void setIconIndex(int index);
  int iconIndex() const { return index_; }

  // The colours the selector's list is drawn in: the panel's.
  void setSelectorColors(QColor background, QColor text);
  QColor selectorBackground() const { return background_; }
  QColor selectorText() const { return text_; }

  // Opens the selector, as a click does.
  void choose();

  // Replaces the selector of every button; empty restores the real one.
  static void setSelectorForTests(Selector selector);

 signals:
  void iconChanged(int index);

 private:
  void updateIcon();

  int index_ = 0;
  QColor background_ = Qt::white;
  QColor text_ = Qt::black;
};

}  // namespace ui

#endif  // VOSTREL_UI_ICON_BUTTON_H_
