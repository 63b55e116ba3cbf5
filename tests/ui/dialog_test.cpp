// The dialog bases and the shared buttons: modal runs report OK and nothing
// else, a refused sheet stays open, a modeless dialog comes back on the
// screen, colour buttons change only on OK of their chooser, and icon
// buttons take the selector's choice.
#include <optional>

#include <QApplication>
#include <QColorDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>
#include <QWindow>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "ui/color_button.h"
#include "ui/icon_button.h"
#include "ui/property_sheet_dialog.h"

namespace {

// A sheet of two pages that refuses OK a given number of times, each time
// turning to the second page.
class RefusingSheet : public ui::PropertySheetDialog {
 public:
  RefusingSheet() {
    addPage(new QLabel(QStringLiteral("one")), QStringLiteral("One"));
    addPage(new QLabel(QStringLiteral("two")), QStringLiteral("Two"));
  }
  int refusals = 0;
  int asked = 0;

 protected:
  bool acceptSheet() override {
    ++asked;
    if (refusals == 0) return true;
    --refusals;
    setCurrentPage(1);
    return false;
  }
};

enum class Press { kOk, kCancel, kEscape, kOkRefusedThenCancel, kOkRefusedThenOk };

}  // namespace

Q_DECLARE_METATYPE(Press)
Q_DECLARE_METATYPE(std::optional<int>)

class DialogTest : public QObject {
  Q_OBJECT

 private slots:
  void cleanup() {
    ui::ColorButton::setChooserForTests({});
    ui::IconButton::setSelectorForTests({});
  }

  void runModalIsTrueOnlyOnOk_data() {
    QTest::addColumn<Press>("press");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<int>("asked");
    QTest::newRow("OK") << Press::kOk << true << 1;
    QTest::newRow("Cancel") << Press::kCancel << false << 0;
    QTest::newRow("Escape") << Press::kEscape << false << 0;
    QTest::newRow("refused, then Cancel") << Press::kOkRefusedThenCancel << false << 1;
    QTest::newRow("refused, then OK") << Press::kOkRefusedThenOk << true << 2;
  }
  void runModalIsTrueOnlyOnOk() {
    QFETCH(Press, press);
    QFETCH(bool, accepted);
    QFETCH(int, asked);
    RefusingSheet sheet;
    const bool refuse = press == Press::kOkRefusedThenCancel || press == Press::kOkRefusedThenOk;
    sheet.refusals = refuse ? 1 : 0;
    bool stayed_open = false;
    QTimer::singleShot(0, &sheet, [&] {
      switch (press) {
        case Press::kOk: QTest::mouseClick(&sheet.okButton(), Qt::LeftButton); break;
        case Press::kCancel: QTest::mouseClick(&sheet.cancelButton(), Qt::LeftButton); break;
        case Press::kEscape: QTest::keyClick(&sheet, Qt::Key_Escape); break;
        default:
          QTest::mouseClick(&sheet.okButton(), Qt::LeftButton);
          stayed_open = sheet.isVisible() && sheet.currentPage() == 1;
          QTest::mouseClick(press == Press::kOkRefusedThenOk ? &sheet.okButton() : &sheet.cancelButton(),
                            Qt::LeftButton);
      }
    });
    QCOMPARE(sheet.runModal(), accepted);
    QCOMPARE(sheet.asked, asked);
    QCOMPARE(stayed_open, refuse);
  }

  void sheetPagesInOrder() {
    RefusingSheet sheet;
    QCOMPARE(sheet.pageCount(), 2);
    QCOMPARE(qobject_cast<QLabel*>(sheet.page(1))->text(), QStringLiteral("two"));
    QCOMPARE(sheet.page(2), nullptr);
    sheet.setCurrentPage(1);
    QCOMPARE(sheet.currentPage(), 1);
  }

  void keptOnScreens_data() {
    QTest::addColumn<QRect>("frame");
    QTest::addColumn<QRect>("kept");
    // Two screens side by side: 0..999 and 1000..1799 (shorter).
    QTest::newRow("inside") << QRect(100, 100, 300, 200) << QRect(100, 100, 300, 200);
    QTest::newRow("inside the second") << QRect(1200, 50, 300, 200) << QRect(1200, 50, 300, 200);
    QTest::newRow("off the right") << QRect(1700, 100, 300, 200) << QRect(1500, 100, 300, 200);
    QTest::newRow("off the bottom left") << QRect(-50, 700, 300, 200) << QRect(0, 600, 300, 200);
    QTest::newRow("across both, more on the first") << QRect(800, 100, 300, 200) << QRect(700, 100, 300, 200);
    QTest::newRow("below the shorter screen") << QRect(1100, 650, 300, 200) << QRect(1100, 400, 300, 200);
    QTest::newRow("far away") << QRect(5000, 5000, 300, 200) << QRect(1500, 400, 300, 200);
    QTest::newRow("larger than the screen") << QRect(-10, -10, 1200, 900) << QRect(0, 0, 1200, 900);
  }
  void keptOnScreens() {
    QFETCH(QRect, frame);
    QFETCH(QRect, kept);
    const QList<QRect> screens{QRect(0, 0, 1000, 800), QRect(1000, 0, 800, 600)};
    QCOMPARE(ui::Dialog::keptOnScreens(frame, screens), kept);
  }

  void showModelessBringsAPartlyHiddenDialogBack() {
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    ui::Dialog dialog;
    dialog.resize(300, 200);
    dialog.showModeless();
    QVERIFY(dialog.isVisible());
    const QSize frame = dialog.frameGeometry().size();
    dialog.move(screen.right() - 100, screen.bottom() - 50);
    dialog.showModeless();
    QVERIFY(!dialog.isModal());
    QVERIFY(screen.contains(dialog.frameGeometry()));
    QCOMPARE(dialog.frameGeometry().size(), frame);
    QCOMPARE(dialog.size(), QSize(300, 200));
    // A hidden one is shown again where it was.
    dialog.hide();
    const QPoint at = dialog.pos();
    dialog.showModeless();
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.pos(), at);
  }

  // The console opened from the modal query sheet must take typing while the
  // sheet stays open, and belong to its owner again once the sheet closes.
  void modelessOpenedFromAModalDialogTakesInput() {
    QWidget owner;
    owner.show();
    ui::Dialog modeless(&owner);
    auto* edit = new QLineEdit(&modeless);
    (new QVBoxLayout(&modeless))->addWidget(edit);
    ui::Dialog modal(&owner);
    QString typed_while_modal;
    QTimer::singleShot(0, [&] {
      modeless.showModeless();
      edit->setFocus();
      QTest::keyClick(modeless.windowHandle(), Qt::Key_X);
      typed_while_modal = edit->text();
      modal.reject();
    });
    QVERIFY(!modal.runModal());
    QCOMPARE(typed_while_modal, QStringLiteral("x"));
    QCOMPARE(modeless.windowHandle()->transientParent(), owner.windowHandle());
    QTest::keyClick(modeless.windowHandle(), Qt::Key_Y);
    QCOMPARE(edit->text(), QStringLiteral("xy"));
  }

  void dialogUnitsFollowTheFont() {
    QWidget widget;
    QFont font = widget.font();
    font.setPixelSize(16);
    widget.setFont(font);
    const QFontMetrics metrics(font);
    QCOMPARE(ui::Dialog::dialogUnits(&widget, 40, 16),
             QSize(static_cast<int>(10 * metrics.averageCharWidth() + 0.5), 2 * metrics.height()));
    ui::Dialog dialog;
    dialog.setFont(font);
    dialog.setMinimumDialogSize(8, 8);
    QCOMPARE(dialog.minimumSize(), QSize(2 * metrics.averageCharWidth(), metrics.height()));
  }

  void colorButtonChangesOnlyOnOk_data() {
    QTest::addColumn<bool>("ok");
    QTest::newRow("OK") << true;
    QTest::newRow("cancelled") << false;
  }
  void colorButtonChangesOnlyOnOk() {
    QFETCH(bool, ok);
    QColor offered;
    ui::ColorButton::setChooserForTests([&](QWidget*, QColor initial) -> std::optional<QColor> {
      offered = initial;
      if (!ok) return std::nullopt;
      return QColor(0x12, 0x34, 0x56);
    });
    ui::ColorButton button;
    button.setColor(0x00C08040);  // red 0x40, green 0x80, blue 0xC0
    QSignalSpy changed(&button, &ui::ColorButton::colorChanged);
    QTest::mouseClick(&button, Qt::LeftButton);
    QCOMPARE(offered, QColor(0x40, 0x80, 0xC0));
    QCOMPARE(button.color(), ok ? 0x00563412u : 0x00C08040u);
    QCOMPARE(changed.size(), ok ? 1 : 0);
    if (ok) QCOMPARE(changed.front().front().value<uint32_t>(), 0x00563412u);
  }

  // Runs before any chooser has been opened.
  void customColoursStartBlack() {
    for (QRgb c : ui::ColorButton::customColors()) QCOMPARE(c, qRgb(0, 0, 0));
  }

  void realChooserStartsAtTheFieldWithSharedCustomColours_data() {
    QTest::addColumn<bool>("ok");
    QTest::newRow("OK") << true;
    QTest::newRow("cancelled") << false;
  }
  void realChooserStartsAtTheFieldWithSharedCustomColours() {
    QFETCH(bool, ok);
    ui::ColorButton::customColors().fill(qRgb(0, 0, 0));
    ui::ColorButton first;
    first.setColor(0x00336699);
    QColor offered;
    QList<QColor> custom;
    QTimer::singleShot(0, &first, [&] {
      auto* chooser = qobject_cast<QColorDialog*>(QApplication::activeModalWidget());
      QVERIFY(chooser != nullptr);
      offered = chooser->currentColor();
      for (int i = 0; i < 16; ++i) custom.append(QColorDialog::customColor(i));
      chooser->setCurrentColor(QColor(0x11, 0x22, 0x33));
      QColorDialog::setCustomColor(3, Qt::red);  // as "Add to Custom Colors" does
      ok ? chooser->accept() : chooser->reject();
    });
    QTest::mouseClick(&first, Qt::LeftButton);
    QCOMPARE(offered, QColor(0x99, 0x66, 0x33));
    QCOMPARE(custom, QList<QColor>(16, QColor(Qt::black)));
    QCOMPARE(first.color(), ok ? 0x00332211u : 0x00336699u);
    // The next button's chooser starts with the custom colours as left.
    ui::ColorButton second;
    QTimer::singleShot(0, &second, [&] {
      custom.clear();
      for (int i = 0; i < 16; ++i) custom.append(QColorDialog::customColor(i));
      QApplication::activeModalWidget()->close();
    });
    QTest::mouseClick(&second, Qt::LeftButton);
    QCOMPARE(custom.at(3), QColor(Qt::red));
    QCOMPARE(custom.at(4), QColor(Qt::black));
  }

  void colorButtonShowsItsColour() {
    ui::ColorButton button;
    button.setColor(0x000000FF);
    const QImage swatch = button.icon().pixmap(button.iconSize()).toImage();
    QCOMPARE(swatch.pixelColor(swatch.width() / 2, swatch.height() / 2), QColor(Qt::red));
  }

  void iconButtonTakesTheSelectorsChoice_data() {
    QTest::addColumn<std::optional<int>>("picked");
    QTest::addColumn<int>("index");
    QTest::newRow("picked") << std::optional<int>(7) << 7;
    QTest::newRow("cancelled") << std::optional<int>() << 194;
  }
  void iconButtonTakesTheSelectorsChoice() {
    QFETCH(std::optional<int>, picked);
    QFETCH(int, index);
    QColor background, text;
    int offered = -1;
    ui::IconButton::setSelectorForTests([&](QWidget*, int current, QColor b, QColor t) {
      offered = current;
      background = b;
      text = t;
      return picked;
    });
    ui::IconButton button;
    QCOMPARE(button.text(), QStringLiteral("Icon..."));
    button.setIconIndex(194);
    button.setSelectorColors(Qt::darkBlue, Qt::yellow);
    QSignalSpy changed(&button, &ui::IconButton::iconChanged);
    QTest::mouseClick(&button, Qt::LeftButton);
    QCOMPARE(offered, 194);
    QCOMPARE(background, QColor(Qt::darkBlue));
    QCOMPARE(text, QColor(Qt::yellow));
    QCOMPARE(button.iconIndex(), index);
    QCOMPARE(changed.size(), picked ? 1 : 0);
  }
};

QTEST_MAIN(DialogTest)
#include "dialog_test.moc"
