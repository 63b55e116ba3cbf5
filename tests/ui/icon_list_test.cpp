// The process-wide icon list: the built-in strip, then the strips of the
// icon file paths in order, one icon per 16 pixels of width.
#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

#include "ui/icon_list.h"
#include "ui/support/panel_harness.h"

namespace {

// A strip `width` pixels wide whose icons are filled with `colour`.
QString writeStrip(const QTemporaryDir& dir, const QString& name, int width, QColor colour) {
  QImage strip(width, 16, QImage::Format_ARGB32);
  strip.fill(colour);
  const QString path = dir.filePath(name);
  strip.save(path);
  return path;
}

QString builtin() { return QString::fromStdString(ui_testing::PanelHarness::dataDir() + "/icons.png"); }

}  // namespace

class IconListTest : public QObject {
  Q_OBJECT

 private slots:
  void builtinStripHolds447Icons() {
    ui::IconList& list = ui::IconList::instance();
    QCOMPARE(list.load(builtin(), ""), std::size_t{447});
    QCOMPARE(list.icon(446).size(), QSize(16, 16));
    QVERIFY(list.icon(447).isNull());
  }

  void folderAtIndex194() {
    const QString folder = QStringLiteral("/usr/share/icons/Tango/16x16/places/folder.png");
    if (!QFile::exists(folder)) QSKIP("the icon theme is not installed");
    ui::IconList& list = ui::IconList::instance();
    list.load(builtin(), "");
    const QImage expected = QImage(folder).convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QCOMPARE(list.icon(194), expected);
    QVERIFY(list.icon(193) != expected);
  }

  void filesFollowInOrderAndMissingOnesAddNothing() {
    QTemporaryDir dir;
    const QString red = writeStrip(dir, "red.png", 48, Qt::red);       // 3 icons
    const QString blue = writeStrip(dir, "blue.png", 40, Qt::blue);    // 2: the rest is cut
    const std::string paths = red.toStdString() + "|" + dir.filePath("missing.png").toStdString() + "|" +
                              blue.toStdString() + "|";
    ui::IconList& list = ui::IconList::instance();
    QCOMPARE(list.load(builtin(), paths), std::size_t{447 + 3 + 2});
    QCOMPARE(list.icon(447).pixelColor(5, 5), QColor(Qt::red));
    QCOMPARE(list.icon(449).pixelColor(15, 15), QColor(Qt::red));
    QCOMPARE(list.icon(450).pixelColor(0, 0), QColor(Qt::blue));
    QCOMPARE(list.icon(451).pixelColor(15, 0), QColor(Qt::blue));
  }

  void missingBuiltinStripStillTakesTheFiles() {
    QTemporaryDir dir;
    const QString one = writeStrip(dir, "one.png", 16, Qt::green);
    ui::IconList& list = ui::IconList::instance();
    QCOMPARE(list.load(dir.filePath("none.png"), one.toStdString()), std::size_t{1});
    QCOMPARE(list.icon(0).pixelColor(8, 8), QColor(Qt::green));
  }
};

QTEST_MAIN(IconListTest)
#include "icon_list_test.moc"
