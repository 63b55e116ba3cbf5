// The console's Chart tab: the chart each result gets, switching its type
// and columns, the cap on its rows, its export as PNG and SVG, and its
// controls' names and keyboard reach.
#include "ui/chart_panel.h"

#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

#include "ui/console_window.h"
#include "ui/sql_editor.h"
#include "ui/support/panel_harness.h"

using console::ChartType;
using ui_testing::PanelHarness;

Q_DECLARE_METATYPE(std::optional<console::ChartType>)

namespace {

// `rows` rows of a genre-like text, a count and a second count.
QString genres(int rows) {
  return QStringLiteral(
             "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM c WHERE x < %1) "
             "SELECT 'genre ' || x AS genre, x * 3 AS tracks, x AS albums FROM c")
      .arg(rows);
}

QString numbers(int rows) {
  return QStringLiteral(
             "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM c WHERE x < %1) "
             "SELECT x AS n, x % 7 AS v FROM c")
      .arg(rows);
}

}  // namespace

class ChartPanelTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<PanelHarness> harness_;
  std::unique_ptr<ui::ConsoleWindow> console_;
  QTemporaryDir files_;

  ui::ChartPanel& chart() { return console_->chart(); }
  void run(const QString& script) {
    console_->editor().setText(script);
    console_->execute();
  }
  void showChart() { console_->resultTabs().setCurrentWidget(&chart()); }
  QListWidgetItem* valueItem(const QString& name) {
    const QList<QListWidgetItem*> items = chart().valuesList().findItems(name, Qt::MatchExactly);
    return items.isEmpty() ? nullptr : items.constFirst();
  }

 private slots:
  void init() {
    harness_ = std::make_unique<PanelHarness>();
    console_ = std::make_unique<ui::ConsoleWindow>(harness_->host);
    console_->resize(900, 700);
    console_->show();
  }
  void cleanup() {
    console_.reset();
    harness_.reset();
  }

  void eachResultGetsItsChart_data() {
    QTest::addColumn<QString>("script");
    QTest::addColumn<std::optional<ChartType>>("type");
    QTest::addColumn<QString>("message");
    QTest::newRow("few genres") << genres(5).replace(", x AS albums", "") << std::optional(ChartType::kPie) << "";
    QTest::newRow("many genres") << genres(13).replace(", x AS albums", "") << std::optional(ChartType::kBar) << "";
    QTest::newRow("two counts") << genres(3) << std::optional(ChartType::kBar) << "";
    QTest::newRow("numbers") << numbers(30) << std::optional(ChartType::kLine) << "";
    QTest::newRow("dates") << "SELECT '2024-01-0' || x AS day, x AS plays FROM (SELECT 1 AS x UNION ALL SELECT 2)"
                           << std::optional(ChartType::kLine) << "";
    QTest::newRow("years as text") << "SELECT '1999' AS year, 4 AS n UNION ALL SELECT '2001-05-01', 5"
                                   << std::optional(ChartType::kLine) << "";
    QTest::newRow("text values") << "SELECT 'a' AS artist, 'b' AS album" << std::optional<ChartType>()
                                 << "Column \"album\" holds text, not numbers: leave it out of the values.";
    QTest::newRow("no rows") << "SELECT 'a' AS artist, 1 AS n WHERE 0" << std::optional<ChartType>()
                             << "The result has no rows to chart.";
    QTest::newRow("no columns") << "CREATE TABLE t(a)" << std::optional<ChartType>()
                                << "Run a query that returns rows to chart them.";
  }
  void eachResultGetsItsChart() {
    QFETCH(QString, script);
    QFETCH(std::optional<ChartType>, type);
    QFETCH(QString, message);
    run(script);
    // Built only once the tab is in front.
    QCOMPARE(chart().drawnRows(), std::size_t{0});
    showChart();
    QCOMPARE(chart().shownType(), type);
    QCOMPARE(chart().message(), message);
    QCOMPARE(chart().exportButton().isEnabled(), type.has_value());
  }

  void typeAndColumnsCanBeSwitched() {
    showChart();
    run(genres(20));
    QCOMPARE(chart().shownType(), std::optional(ChartType::kBar));
    chart().typeBox().setCurrentText(QStringLiteral("Line"));
    QCOMPARE(chart().shownType(), std::optional<ChartType>());
    QVERIFY2(chart().message().startsWith("A line chart needs numbers or dates"), qPrintable(chart().message()));
    chart().typeBox().setCurrentText(QStringLiteral("Pie"));
    QCOMPARE(chart().message(), QStringLiteral("A pie chart shows one column of values; 2 are chosen."));
    valueItem("albums")->setCheckState(Qt::Unchecked);
    QCOMPARE(chart().message(), QStringLiteral("A pie chart shows at most 12 rows; the result has 20."));

    // Numbers as the labels: the labels column leaves the values, and the
    // column that labelled before comes back unticked.
    chart().labelsBox().setCurrentText(QStringLiteral("tracks"));
    QVERIFY(valueItem("tracks")->isHidden());
    QVERIFY(!valueItem("genre")->isHidden());
    QCOMPARE(valueItem("genre")->checkState(), Qt::Unchecked);
    valueItem("albums")->setCheckState(Qt::Checked);
    chart().typeBox().setCurrentText(QStringLiteral("Line"));
    QCOMPARE(chart().shownType(), std::optional(ChartType::kLine));

    // Running the same columns again keeps the choice; other columns do not.
    run(genres(20));
    QCOMPARE(chart().shownType(), std::optional(ChartType::kLine));
    QCOMPARE(chart().labelsBox().currentText(), QStringLiteral("tracks"));
    run(numbers(5));
    QCOMPARE(chart().shownType(), std::optional(ChartType::kLine));
    QCOMPARE(chart().labelsBox().currentText(), QStringLiteral("n"));
    run(genres(4).replace(", x AS albums", ""));
    QCOMPARE(chart().shownType(), std::optional(ChartType::kPie));
  }

  void showsTheFirstRowsOfALargeResult() {
    harness_->host.settings.console_row_limit = 20000;
    showChart();
    const QLocale locale;
    for (const int rows : {10000, 10001}) {
      for (const QString& script : {numbers(rows), genres(rows)}) {
        run(script);
        QVERIFY(chart().shownType().has_value());
        QCOMPARE(chart().drawnRows(), std::size_t{10000});
        const QString capped = QStringLiteral("The chart shows the first %1 of %2 rows.")
                                   .arg(locale.toString(10000), locale.toString(10001));
        QCOMPARE(chart().message(), rows > 10000 ? capped : QString());
        QElapsedTimer paint;
        paint.start();
        chart().chartView().grab();
        qInfo("%d rows, %s chart: built in %.1f ms, first painted in %.1f ms", rows,
              console::chartTypeName(*chart().shownType()), chart().lastBuildMilliseconds(),
              static_cast<double>(paint.nsecsElapsed()) / 1e6);
      }
    }
  }

  void exportsPngAndSvg_data() {
    QTest::addColumn<QString>("script");
    QTest::newRow("pie") << genres(6).replace(", x AS albums", "");
    QTest::newRow("bar") << genres(30);
    QTest::newRow("line") << numbers(100);
  }
  void exportsPngAndSvg() {
    QFETCH(QString, script);
    showChart();
    run(script);
    QVERIFY(chart().shownType().has_value());

    const QString png = files_.filePath(QStringLiteral("chart.png"));
    chart().choose_export_file = [&] { return png; };
    QTest::mouseClick(&chart().exportButton(), Qt::LeftButton);
    QFile file(png);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.read(8), QByteArray("\x89PNG\r\n\x1a\n", 8));
    const QImage image(png);
    QVERIFY(!image.isNull());
    QVERIFY(image.width() >= chart().chartView().width());

    const QString svg = files_.filePath(QStringLiteral("chart.svg"));
    QCOMPARE(chart().exportTo(svg), QString());
    QFile svg_file(svg);
    QVERIFY(svg_file.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&svg_file);
    QVERIFY(xml.readNextStartElement());
    QCOMPARE(xml.name(), QStringLiteral("svg"));
    while (!xml.atEnd()) xml.readNext();
    QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
  }

  void exportRefusesWhatItCannotWrite() {
    QString error = QStringLiteral("none");
    chart().show_error = [&](const QString& text) { error = text; };
    showChart();
    run("SELECT 'a' AS artist, 'b' AS album");
    QCOMPARE(chart().exportTo(files_.filePath("none.png")), QStringLiteral("There is no chart to export."));

    run(genres(3));
    const QString jpeg = files_.filePath(QStringLiteral("chart.jpg"));
    QVERIFY(chart().exportTo(jpeg).endsWith(QStringLiteral("choose a name that ends in .png or .svg.")));
    QVERIFY(!QFile::exists(jpeg));

    const QString missing = files_.filePath(QStringLiteral("missing/chart.png"));
    chart().choose_export_file = [&] { return missing; };
    chart().exportButton().click();
    QVERIFY2(error.startsWith(QStringLiteral("Cannot export the chart to ") + QDir::toNativeSeparators(missing)),
             qPrintable(error));
    QVERIFY(!QFile::exists(missing));

    // Cancelling the file dialog exports nothing and says nothing.
    error.clear();
    chart().choose_export_file = [] { return QString(); };
    chart().exportButton().click();
    QVERIFY(error.isEmpty());
  }

  void controlsHaveNamesAndTakeTheKeyboard() {
    run(genres(3));
    // Alt+C brings the Chart tab to the front, Alt+G the grid again.
    console_->activateWindow();
    QTest::keyClick(console_.get(), Qt::Key_C, Qt::AltModifier);
    QCOMPARE(console_->resultTabs().currentWidget(), &chart());
    QTest::keyClick(console_.get(), Qt::Key_G, Qt::AltModifier);
    QCOMPARE(console_->resultTabs().currentIndex(), 0);
    showChart();
    QCOMPARE(chart().chartView().accessibleDescription(), QStringLiteral("Bar chart of 3 rows by genre"));
    const QList<QWidget*> controls{&chart().typeBox(), &chart().labelsBox(), &chart().valuesList(),
                                   &chart().exportButton()};
    for (QWidget* control : controls) {
      QVERIFY2(!control->accessibleName().isEmpty(), control->metaObject()->className());
      QVERIFY(control->focusPolicy() & Qt::TabFocus);
    }
    // Tab walks the controls in order.
    chart().typeBox().setFocus();
    for (qsizetype i = 1; i < controls.size(); ++i) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      QCOMPARE(QApplication::focusWidget(), controls[i]);
    }
    // Space unticks a value column.
    QListWidget& values = chart().valuesList();
    values.setFocus();
    values.setCurrentItem(valueItem("albums"));
    QTest::keyClick(&values, Qt::Key_Space);
    QCOMPARE(valueItem("albums")->checkState(), Qt::Unchecked);
    QCOMPARE(chart().shownType(), std::optional(ChartType::kPie));
  }
};

QTEST_MAIN(ChartPanelTest)
#include "chart_panel_test.moc"
