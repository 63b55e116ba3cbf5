// The console window: results, status texts, buttons, abort and re-run,
// sorting, copying, and the script files.
#include <QAction>
#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QHeaderView>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSplitter>
#include <QTableView>
#include <QTest>

#include "ui/console_window.h"
#include "ui/result_model.h"
#include "ui/script_file.h"
#include "ui/sql_editor.h"
#include "ui/support/panel_harness.h"

using ui_testing::PanelHarness;

namespace {

const QRegularExpression kTimedStatus(QStringLiteral(R"(^Execution time: \d+:\d\d\.\d{6}( // \d+ rows? retrieved)?$)"));

QStringList headers(const ui::ResultModel& model) {
  QStringList titles;
  for (int c = 0; c < model.columnCount(); ++c) titles << model.headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
  return titles;
}

QStringList column(const ui::ResultModel& model, int c) {
  QStringList cells;
  for (int r = 0; r < model.rowCount(); ++r) cells << model.cellText(r, c);
  return cells;
}

QString statusTail(const QString& status) {
  const qsizetype at = status.indexOf(QStringLiteral(" // "));
  return at < 0 ? QString() : status.mid(at);
}

void clickHeader(ui::ConsoleWindow& console, int section) {
  QHeaderView* header = console.results().horizontalHeader();
  const QPoint at(header->sectionViewportPosition(section) + header->sectionSize(section) / 2, header->height() / 2);
  QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, at);
}

}  // namespace

class ConsoleWindowTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<PanelHarness> harness_;
  std::unique_ptr<ui::ConsoleWindow> console_;
  QTemporaryDir files_;

  ui::ConsoleWindow& console() { return *console_; }
  void run(const QString& script) {
    console_->editor().setText(script);
    console_->execute();
  }
  QString writeFile(const QString& name, const QByteArray& bytes) {
    const QString path = files_.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) qFatal("cannot write the test file");
    return path;
  }

 private slots:
  void init() {
    harness_ = std::make_unique<PanelHarness>();
    console_ = std::make_unique<ui::ConsoleWindow>(harness_->host);
    console_->show();
  }
  void cleanup() {
    console_.reset();
    harness_.reset();
  }

  void lastStatementIsShown_data() {
    QTest::addColumn<QString>("script");
    QTest::addColumn<QStringList>("titles");
    QTest::addColumn<QStringList>("values");
    QTest::addColumn<QString>("tail");
    QTest::newRow("three statements, one row")
        << "CREATE TABLE t(a);\nINSERT INTO t VALUES('x');\nSELECT a FROM t" << QStringList{"#", "a"}
        << QStringList{"x"} << " // 1 row retrieved";
    QTest::newRow("insert last") << "CREATE TABLE t(a); INSERT INTO t VALUES(1)" << QStringList{"No rows"}
                                 << QStringList{} << "";
    QTest::newRow("select of nothing") << "SELECT 1 AS a, 2 AS b WHERE 0" << QStringList{"#", "a", "b"}
                                       << QStringList{} << "";
    QTest::newRow("two rows") << "SELECT 'p' AS v UNION ALL SELECT NULL" << QStringList{"#", "v"}
                              << QStringList{"p", "<null>"} << " // 2 rows retrieved";
  }
  void lastStatementIsShown() {
    QFETCH(QString, script);
    QFETCH(QStringList, titles);
    QFETCH(QStringList, values);
    QFETCH(QString, tail);
    run(script);
    QCOMPARE(headers(console().model()), titles);
    QCOMPARE(console().results().model()->rowCount(), values.size());
    if (!values.isEmpty()) {
      QCOMPARE(column(console().model(), 1), values);
      QCOMPARE(column(console().model(), 0).constFirst(), QStringLiteral("1"));
    }
    QVERIFY2(kTimedStatus.match(console().statusText()).hasMatch(), qPrintable(console().statusText()));
    QCOMPARE(statusTail(console().statusText()), tail);
    QVERIFY(harness_->host.boxes.empty());
  }

  void columnsFitTheirContents() {
    run("SELECT 'x' AS a, 'a somewhat longer value' AS b, printf('%.500c', 'w') AS c, "
        "'y' AS a_rather_long_column_title");
    const QHeaderView& header = *console().results().horizontalHeader();
    const QFontMetrics metrics = console().results().fontMetrics();
    QVERIFY(header.sectionSize(1) < header.sectionSize(2));
    QVERIFY(header.sectionSize(2) > metrics.horizontalAdvance("a somewhat longer value"));
    QCOMPARE(header.sectionSize(3), 300);
    QVERIFY(header.sectionSize(4) > header.fontMetrics().horizontalAdvance("a_rather_long_column_title"));
    // A new result starts from its own contents.
    run("SELECT 'x' AS c");
    QVERIFY(header.sectionSize(1) < 100);
  }

  void rowLimitKeepsTheRowsShown() {
    harness_->host.settings.console_row_limit = 5000;
    run("WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM c WHERE x < 6000) SELECT x FROM c");
    QCOMPARE(console().results().model()->rowCount(), 5000);
    QCOMPARE(console().model().cellText(4999, 1), QStringLiteral("5000"));
    QCOMPARE(statusTail(console().statusText()), QStringLiteral(" // 5000 rows retrieved"));
    const auto& lines = harness_->host.console;
    QVERIFY(std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
      return line.find("Row limit (5000 rows) for the Vostrel console exceeded.") != std::string::npos;
    }));
  }

  void errorShowsTheBoxAndEmptiesTheList() {
    QSignalSpy reloads(&console(), &ui::ConsoleWindow::tablePagesReloadRequested);
    run("SELECT 1 AS a");
    QCOMPARE(console().results().model()->rowCount(), 1);
    run("SELECT 1;\nSELECT * FROM no_such_table");
    QCOMPARE(harness_->host.boxes.size(), std::size_t{1});
    const QString box = QString::fromStdString(harness_->host.boxes[0]);
    QVERIFY2(box.startsWith("Execution error:\n") && box.contains("no such table"), qPrintable(box));
    QCOMPARE(console().statusText(), QStringLiteral("Execution error"));
    QCOMPARE(headers(console().model()), QStringList{"No rows"});
    QCOMPARE(console().results().model()->rowCount(), 0);
    QCOMPARE(reloads.count(), 2);  // after the good run and after the failed one
    QVERIFY(console().executeButton().isEnabled());
  }

  void buttonStatesFollowTheScriptAndTheRun_data() {
    QTest::addColumn<QString>("script");
    QTest::addColumn<bool>("executable");
    QTest::newRow("empty") << "" << false;
    QTest::newRow("blanks") << " \t\r\n " << false;
    QTest::newRow("statement") << "\nSELECT 1" << true;
  }
  void buttonStatesFollowTheScriptAndTheRun() {
    QFETCH(QString, script);
    QFETCH(bool, executable);
    console().editor().setText(script);
    QCOMPARE(console().executeButton().isEnabled(), executable);
    QVERIFY(!console().abortButton().isEnabled());
    QVERIFY(console().loadButton().isEnabled());
    QVERIFY(console().saveButton().isEnabled());
    QCOMPARE(console().statusText(), QStringLiteral("Ready"));
  }

  void abortButtonStopsALongStatement() {
    bool checked = false;
    harness_->host.on_pump = [&] {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
      if (checked || !console().running()) return;
      checked = true;
      QCOMPARE(console().statusText(), QStringLiteral("Executing SQL ..."));
      QVERIFY(!console().executeButton().isEnabled());
      QVERIFY(console().abortButton().isEnabled());
      QVERIFY(!console().loadButton().isEnabled());
      QVERIFY(!console().saveButton().isEnabled());
      QVERIFY(!console().results().isEnabled());
      QTest::mouseClick(&console().abortButton(), Qt::LeftButton);
    };
    QElapsedTimer timer;
    timer.start();
    run(QString::fromStdString(ui_testing::slowQuery()));
    QVERIFY(checked);
    QVERIFY(timer.elapsed() < 3000);
    QVERIFY2(console().statusText().startsWith("Execution time (aborted): "), qPrintable(console().statusText()));
    QVERIFY(console().executeButton().isEnabled());
    QVERIFY(!console().abortButton().isEnabled());
    QVERIFY(console().results().isEnabled());
    QVERIFY(harness_->host.boxes.empty());
  }

  void scriptSentDuringARunAbortsAndRunsIt() {
    QStringList statuses;
    connect(&console(), &ui::ConsoleWindow::runFinished, this, [&](const QString& status) { statuses << status; });
    int pumps = 0;
    harness_->host.on_pump = [&] {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
      if (++pumps == 3) console().openWithScript(QStringLiteral("SELECT 'second' AS s"));
    };
    QElapsedTimer timer;
    timer.start();
    console().openWithScript(QString::fromStdString(ui_testing::slowQuery()));
    QVERIFY(timer.elapsed() < 3000);
    QCOMPARE(statuses.size(), 2);
    QVERIFY2(statuses[0].startsWith("Execution time (aborted): "), qPrintable(statuses[0]));
    QVERIFY2(statuses[1].endsWith(" // 1 row retrieved") && !statuses[1].contains("aborted"), qPrintable(statuses[1]));
    QCOMPARE(headers(console().model()), (QStringList{"#", "s"}));
    QCOMPARE(console().model().cellText(0, 1), QStringLiteral("second"));
    QCOMPARE(console().editor().text(), QStringLiteral("SELECT 'second' AS s"));
  }

  void abortDropsAPendingScript() {
    QStringList statuses;
    connect(&console(), &ui::ConsoleWindow::runFinished, this, [&](const QString& status) { statuses << status; });
    int pumps = 0;
    harness_->host.on_pump = [&] {
      if (++pumps != 3) return;
      console().openWithScript(QStringLiteral("SELECT 'second' AS s"));
      console().abort();
    };
    console().openWithScript(QString::fromStdString(ui_testing::slowQuery()));
    QCOMPARE(statuses.size(), 1);
    QVERIFY(statuses[0].contains("(aborted)"));
  }

  void headerClicksSortNaturally() {
    run("SELECT column1 AS v, column2 AS n FROM (VALUES ('track 10', 'b'), ('Track 2', 'A'), ('track 1', 'c'))");
    clickHeader(console(), 1);
    QCOMPARE(column(console().model(), 1), (QStringList{"track 1", "Track 2", "track 10"}));
    QCOMPARE(console().sortColumn(), 1);
    QVERIFY(console().sortAscending());
    QVERIFY(console().results().horizontalHeader()->isSortIndicatorShown());
    QCOMPARE(console().results().horizontalHeader()->sortIndicatorSection(), 1);
    clickHeader(console(), 1);
    QCOMPARE(column(console().model(), 1), (QStringList{"track 10", "Track 2", "track 1"}));
    QVERIFY(!console().sortAscending());
    // The "#" cells travel with their rows.
    QCOMPARE(column(console().model(), 0), (QStringList{"1", "2", "3"}));
    QCOMPARE(console().model().rowText(0), QStringLiteral("1,track 10,b"));
    // Another column starts ascending; letters ignore case.
    clickHeader(console(), 2);
    QCOMPARE(column(console().model(), 2), (QStringList{"A", "b", "c"}));
    QVERIFY(console().sortAscending());
    // A new result is unsorted.
    run("SELECT 2 AS x UNION ALL SELECT 10 UNION ALL SELECT 1");
    QCOMPARE(console().sortColumn(), -1);
    QVERIFY(!console().results().horizontalHeader()->isSortIndicatorShown());
    QCOMPARE(column(console().model(), 1), (QStringList{"2", "10", "1"}));
    clickHeader(console(), 1);
    QCOMPARE(column(console().model(), 1), (QStringList{"1", "2", "10"}));
  }

  void contextMenuCopies_data() {
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("copied");
    QTest::newRow("cell") << "Copy cell" << "y, z";
    QTest::newRow("row") << "Copy row" << "2,2,y, z";
    QTest::newRow("all") << "Copy all" << "1,1,x\r\n2,2,y, z\r\n3,3,<null>";
    QTest::newRow("dismissed") << "" << "untouched";
  }
  void contextMenuCopies() {
    QFETCH(QString, action);
    QFETCH(QString, copied);
    run("SELECT 1 AS a, 'x' AS b UNION ALL SELECT 2, 'y, z' UNION ALL SELECT 3, NULL");
    QGuiApplication::clipboard()->setText(QStringLiteral("untouched"));
    QStringList offered;
    console().run_menu = [&](QMenu& menu, const QPoint&) -> QAction* {
      QAction* chosen = nullptr;
      for (QAction* a : menu.actions()) {
        offered << a->text();
        if (a->text() == action) chosen = a;
      }
      return chosen;
    };
    QTableView& view = console().results();
    console().showResultsMenu(view.visualRect(console().model().index(1, 2)).center());
    QCOMPARE(offered, (QStringList{"Copy cell", "Copy row", "Copy all"}));
    QCOMPARE(QGuiApplication::clipboard()->text(), copied);
    // Below the last row there is no menu.
    offered.clear();
    console().showResultsMenu(QPoint(5, view.viewport()->height() - 2));
    QVERIFY(offered.isEmpty());
  }

  void loadDecodesTheText_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("utf-8 with mark") << QByteArray("\xEF\xBB\xBFSELECT '\xC3\xA9'") << QStringLiteral("SELECT 'é'");
    QTest::newRow("utf-8 without mark") << QByteArray("SELECT '\xE2\x82\xAC'") << QStringLiteral("SELECT '€'");
    QTest::newRow("windows-1252") << QByteArray("SELECT '\xE9t\x80\x9F'") << QStringLiteral("SELECT 'ét€Ÿ'");
    QTest::newRow("undefined in 1252") << QByteArray("x\x81") << QStringLiteral("x\u0081");
    QTest::newRow("mark alone") << QByteArray("\xEF\xBB\xBF") << QString();
    QTest::newRow("cut utf-8") << QByteArray("a\xC3") << QStringLiteral("aÃ");
  }
  void loadDecodesTheText() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    console().editor().setText(QStringLiteral("old"));
    QVERIFY(console().loadScript(writeFile(QStringLiteral("in.sql"), bytes)));
    QCOMPARE(console().editor().text(), text);
    QCOMPARE(console().executeButton().isEnabled(), !text.isEmpty());
  }

  void loadRefusesWhatItCannotRead() {
    console().editor().setText(QStringLiteral("kept"));
    const QString big = files_.filePath(QStringLiteral("big.sql"));
    {
      QFile file(big);
      QVERIFY(file.open(QIODevice::WriteOnly));
      QVERIFY(file.resize(ui::kMaxScriptFileBytes + 1));
    }
    QVERIFY(!console().loadScript(big));
    QVERIFY(!console().loadScript(files_.filePath(QStringLiteral("missing.sql"))));
    QCOMPARE(console().editor().text(), QStringLiteral("kept"));
    QCOMPARE(harness_->host.boxes.size(), std::size_t{2});
    QVERIFY(QString::fromStdString(harness_->host.boxes[0]).contains("larger than 128 MiB"));
  }

  void saveWritesUtf8WithAMarkAndReadsBack() {
    const QString path = writeFile(QStringLiteral("out.sql"), QByteArray(4096, 'z'));
    const QString script = QStringLiteral("SELECT 'ü€' -- ☃\nFROM t;\n");
    console().editor().setText(script);
    QVERIFY(console().saveScript(path));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("\xEF\xBB\xBF") + script.toUtf8());
    console().editor().setText(QString());
    QVERIFY(console().loadScript(path));
    QCOMPARE(console().editor().text(), script);
    // A folder that does not exist: a message, nothing written.
    QVERIFY(!console().saveScript(files_.filePath(QStringLiteral("none/out.sql"))));
    QCOMPARE(harness_->host.boxes.size(), std::size_t{1});
  }

  void sizesKeepTheirMinimums() {
    const double hu = console().horizontalUnit();
    const double vu = console().verticalUnit();
    QCOMPARE(console().minimumWidth(), static_cast<int>(300 * hu + 0.5));
    QCOMPARE(console().minimumHeight(), static_cast<int>(320 * vu + 0.5));
    const int least = static_cast<int>(50 * vu + 0.5);
    QSplitter& splitter = console().splitter();
    splitter.setSizes({1, 100000});
    QVERIFY(splitter.sizes()[0] >= least);
    splitter.setSizes({100000, 1});
    QVERIFY(splitter.sizes()[1] >= least);
  }

  void editorIsSqlInTheFixedFont() {
    ui::SqlEditor& editor = console().editor();
    QVERIFY(editor.sqlLexer());
    QCOMPARE(editor.font().pointSize(), 9);
    editor.setSqlLexer(false);
    QVERIFY(!editor.sqlLexer());
    QCOMPARE(editor.font().pointSize(), 9);
    QCOMPARE(editor.braceMatching(), QsciScintilla::SloppyBraceMatch);
  }
};

QTEST_MAIN(ConsoleWindowTest)
#include "console_window_test.moc"
