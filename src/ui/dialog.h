// Dialog: the base of the program's dialog windows. A dialog runs either
// modally, on the caller's stack, or modelessly, kept alive by its owner and
// brought back when it is opened again. Sizes are given in dialog units: a
// quarter of the font's average character width horizontally and an eighth
// of its height vertically, so that layouts follow the font.
//
//   ui::Dialog dialog(parent);
//   dialog.setMinimumDialogSize(150, 170);
//   if (dialog.runModal()) take(dialog);
#ifndef VOSTREL_UI_DIALOG_H_
#define VOSTREL_UI_DIALOG_H_

#include <QDialog>
#include <QList>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <QSizeF>

namespace ui {

class Dialog : public QDialog {
  Q_OBJECT

 public:
  explicit Dialog(QWidget* parent = nullptr);

  // Runs the dialog modally; true exactly when it closed with OK.
  bool runModal();
  // Shows the dialog without blocking. One that is already open is shown,
  // raised and activated; when its frame lies partly off the screens it is
  // moved inside them first, keeping its size. Opened while a modal dialog
  // runs (the console from the query sheet), it stays usable: it belongs to
  // the modal window until that one closes.
  void showModeless();

  // One dialog unit of `w`'s font in pixels (fractional).
  static QSizeF dialogUnit(const QWidget* w);
  // `x` horizontal and `y` vertical dialog units of `w`'s font in pixels.
  static QSize dialogUnits(const QWidget* w, int x, int y);
  // The minimum size of the window, in dialog units of its font.
  void setMinimumDialogSize(int x_units, int y_units);

  // `frame` moved the least distance that puts it inside one of `screens`
  // (the one it overlaps most, or the nearest), keeping its size; unchanged
  // when it already lies inside one. A frame larger than the screen keeps
  // its top left corner on it.
  static QRect keptOnScreens(const QRect& frame, const QList<QRect>& screens);

  // The window size that the console and the icon selector share while the
  // program runs: invalid until one of them has closed.
  static QSize rememberedSize();
  static void rememberSize(const QSize& size);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void joinActiveModal();
  void leaveModal();

  QPointer<QWidget> modal_;  // the modal dialog this one belongs to for now
};

}  // namespace ui

#endif  // VOSTREL_UI_DIALOG_H_
