// The icon selector: every icon of the list numbered from 1, the current
// one selected and in view, the panel's colours, OK taking only a valid
// selection, and one remembered size for the selector and the console.
#include <cstdlib>
#include <memory>

#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "ui/console_window.h"
#include "ui/icon_button.h"
#include "ui/icon_list.h"
#include "ui/icon_selector_dialog.h"
#include "ui/support/panel_harness.h"

namespace {

QString builtin() { return QString::fromStdString(ui_testing::PanelHarness::dataDir() + "/icons.png"); }

QString writeStrip(const QTemporaryDir& dir, const QString& name, int width, QColor colour) {
  QImage strip(width, 16, QImage::Format_ARGB32);
  strip.fill(colour);
  const QString path = dir.filePath(name);
  strip.save(path);
  return path;
}

QColor iconColour(const QListWidgetItem* item) { return item->icon().pixmap(16, 16).toImage().pixelColor(8, 8); }

// Clicks the item in `row` of the selector's list with `modifiers`.
void clickRow(ui::IconSelectorDialog& selector, int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QListWidget& list = selector.list();
  list.scrollToItem(list.item(row));
  const QPoint at = list.visualItemRect(list.item(row)).center();
  QTest::mouseClick(list.viewport(), Qt::LeftButton, modifiers, at);
}

enum class Step { kNone, kClickRow10, kDeselect, kClickRow10ThenCancel, kDoubleClickRow10 };

}  // namespace

Q_DECLARE_METATYPE(Step)

class IconSelectorDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    ui::IconList::instance().load(builtin(), "");
    ui::Dialog::rememberSize(QSize());
  }

  void everyIconNumberedFromOne_data() {
    QTest::addColumn<bool>("with_files");
    QTest::addColumn<int>("count");
    QTest::newRow("built-in strip only") << false << 447;
    QTest::newRow("files after it, a missing one skipped") << true << 447 + 3 + 2;
  }
  void everyIconNumberedFromOne() {
    QFETCH(bool, with_files);
    QFETCH(int, count);
    QTemporaryDir dir;
    if (with_files) {
      const std::string paths = writeStrip(dir, "red.png", 48, Qt::red).toStdString() + "|" +
                                dir.filePath("missing.png").toStdString() + "|" +
                                writeStrip(dir, "blue.png", 32, Qt::blue).toStdString();
      ui::IconList::instance().load(builtin(), paths);
    }
    ui::IconSelectorDialog selector(194, Qt::white, Qt::black);
    QListWidget& list = selector.list();
    QCOMPARE(list.count(), count);
    QCOMPARE(list.item(0)->text(), QStringLiteral("1"));
    QCOMPARE(list.item(194)->text(), QStringLiteral("195"));
    QCOMPARE(list.item(count - 1)->text(), QString::number(count));
    QVERIFY(!list.item(446)->icon().isNull());
    if (with_files) {
      QCOMPARE(iconColour(list.item(447)), QColor(Qt::red));
      QCOMPARE(iconColour(list.item(449)), QColor(Qt::red));
      QCOMPARE(iconColour(list.item(450)), QColor(Qt::blue));
    }
  }

  void currentIconSelectedAndInView_data() {
    QTest::addColumn<int>("current");
    QTest::addColumn<bool>("centred");
    QTest::newRow("first") << 0 << false;
    QTest::newRow("folder") << 194 << true;
    QTest::newRow("last") << 446 << false;
  }
  void currentIconSelectedAndInView() {
    QFETCH(int, current);
    QFETCH(bool, centred);
    ui::IconSelectorDialog selector(current, Qt::white, Qt::black);
    selector.show();
    QVERIFY(QTest::qWaitForWindowExposed(&selector));
    QListWidget& list = selector.list();
    QCOMPARE(list.selectedItems(), QList<QListWidgetItem*>{list.item(current)});
    const QRect item = list.visualItemRect(list.item(current));
    QVERIFY(list.viewport()->rect().contains(item));
    if (centred) QVERIFY(std::abs(item.center().y() - list.viewport()->rect().center().y()) <= item.height());
  }

  void drawnInThePanelsColours() {
    ui::IconSelectorDialog selector(194, QColor(0x10, 0x20, 0x30), QColor(0xF0, 0xE0, 0xD0));
    QCOMPARE(selector.windowTitle(), QStringLiteral("Select icon"));
    QListWidget& list = selector.list();
    QCOMPARE(list.viewMode(), QListView::IconMode);
    QCOMPARE(list.gridSize(), QSize(40, 50));
    for (auto group : {QPalette::Active, QPalette::Inactive}) {
      QCOMPARE(list.palette().color(group, QPalette::Base), QColor(0x10, 0x20, 0x30));
      QCOMPARE(list.palette().color(group, QPalette::Text), QColor(0xF0, 0xE0, 0xD0));
    }
    QCOMPARE(selector.minimumSize(), ui::Dialog::dialogUnits(&selector, 150, 170));
  }

  void okTakesOnlyAValidSelection_data() {
    QTest::addColumn<int>("current");
    QTest::addColumn<Step>("step");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<int>("chosen");
    QTest::newRow("OK at once") << 194 << Step::kNone << true << 194;
    QTest::newRow("another icon") << 194 << Step::kClickRow10 << true << 10;
    QTest::newRow("double-click") << 194 << Step::kDoubleClickRow10 << true << 10;
    QTest::newRow("another icon, deselected") << 194 << Step::kDeselect << true << 194;
    QTest::newRow("cancelled") << 194 << Step::kClickRow10ThenCancel << false << 194;
    QTest::newRow("current beyond the list") << 600 << Step::kNone << true << 600;
  }
  void okTakesOnlyAValidSelection() {
    QFETCH(int, current);
    QFETCH(Step, step);
    QFETCH(bool, accepted);
    QFETCH(int, chosen);
    ui::IconSelectorDialog selector(current, Qt::white, Qt::black);
    QTimer::singleShot(0, &selector, [&] {
      switch (step) {
        case Step::kClickRow10:
        case Step::kClickRow10ThenCancel: clickRow(selector, 10); break;
        case Step::kDeselect:
          clickRow(selector, 10);
          clickRow(selector, 10, Qt::ControlModifier);
          break;
        case Step::kDoubleClickRow10: {
          clickRow(selector, 10);
          const QPoint at = selector.list().visualItemRect(selector.list().item(10)).center();
          QTest::mouseDClick(selector.list().viewport(), Qt::LeftButton, {}, at);
          return;
        }
        default: break;
      }
      QTest::mouseClick(step == Step::kClickRow10ThenCancel ? &selector.cancelButton() : &selector.okButton(),
                        Qt::LeftButton);
    });
    QCOMPARE(selector.runModal(), accepted);
    QCOMPARE(selector.chosenIcon(), chosen);
  }

  void iconButtonOpensTheSelector() {
    ui::IconButton button;
    button.setIconIndex(194);
    button.setSelectorColors(Qt::darkGreen, Qt::white);
    QSignalSpy changed(&button, &ui::IconButton::iconChanged);
    QColor background;
    QTimer::singleShot(0, &button, [&] {
      auto* selector = qobject_cast<ui::IconSelectorDialog*>(QApplication::activeModalWidget());
      QVERIFY(selector != nullptr);
      background = selector->list().palette().color(QPalette::Base);
      clickRow(*selector, 5);
      QTest::mouseClick(&selector->okButton(), Qt::LeftButton);
    });
    QTest::mouseClick(&button, Qt::LeftButton);
    QCOMPARE(background, QColor(Qt::darkGreen));
    QCOMPARE(button.iconIndex(), 5);
    QCOMPARE(changed.size(), 1);
    QCOMPARE(button.icon().pixmap(16, 16).toImage(),
             QPixmap::fromImage(ui::IconList::instance().icon(5)).toImage());
  }

  void sizeIsSharedWithTheConsole() {
    ui_testing::PanelHarness harness;
    ui::ConsoleWindow console(harness.host);
    const QSize big = console.minimumSize() + QSize(40, 30);
    console.openWithScript(QString());
    console.resize(big);
    console.close();
    {
      ui::IconSelectorDialog selector(194, Qt::white, Qt::black);
      QCOMPARE(selector.size(), big);
      selector.show();
      selector.resize(big + QSize(25, 15));
      QTest::mouseClick(&selector.cancelButton(), Qt::LeftButton);
    }
    console.openWithScript(QString());
    QCOMPARE(console.size(), big + QSize(25, 15));
    console.close();
  }
};

QTEST_MAIN(IconSelectorDialogTest)
#include "icon_selector_dialog_test.moc"
