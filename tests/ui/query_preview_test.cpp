// The preview of a query's first rows: the row limit, statements it must not
// run, and stopping a slow one.
#include <QTest>
#include <QTimer>

#include "db/database.h"
#include "ui/query_preview.h"
#include "ui/result_model.h"
#include "ui/support/panel_harness.h"

using ui_testing::PanelHarness;

class QueryPreviewTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    harness_ = std::make_unique<PanelHarness>();
    window_ = harness_->makePanel();
    QVERIFY(window_->loadTree());
  }
  void cleanup() {
    window_.reset();
    harness_.reset();
  }

  void showsAtMostTheLimit_data() {
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("shown");
    QTest::addColumn<bool>("more");
    QTest::addColumn<QString>("status");
    QTest::newRow("none") << 0 << 0 << false << "Preview: 0 rows in";
    QTest::newRow("one") << 1 << 1 << false << "Preview: 1 row in";
    QTest::newRow("exactly the limit") << 50 << 50 << false << "Preview: 50 rows in";
    QTest::newRow("beyond the limit") << 51 << 50 << true << "(more not shown)";
  }
  void showsAtMostTheLimit() {
    QFETCH(int, rows);
    QFETCH(int, shown);
    QFETCH(bool, more);
    QFETCH(QString, status);
    ui::QueryPreview preview(database());
    ui::ResultModel model;
    const std::string sql = "WITH RECURSIVE r(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM r WHERE i<" +
                            std::to_string(rows) + ") SELECT i AS n, 'v'||i AS v FROM r WHERE i <= " +
                            std::to_string(rows);
    const ui::QueryPreview::Outcome outcome = preview.run(sql, model);
    model.publish();
    QVERIFY(outcome.ok);
    QCOMPARE(outcome.rows, static_cast<uint64_t>(shown));
    QCOMPARE(outcome.more, more);
    QCOMPARE(model.rowCount(), shown);
    QCOMPARE(model.columns(), (std::vector<std::string>{"n", "v"}));
    if (shown > 0) QCOMPARE(model.cellText(shown - 1, 2), QStringLiteral("v%1").arg(shown));
    QVERIFY2(QString::fromStdString(ui::QueryPreview::statusText(outcome)).contains(status),
             ui::QueryPreview::statusText(outcome).c_str());
  }

  // A preview only reads: whatever else it is given is refused before a
  // row is stepped.
  void refusesWhatIsNotOneSelect_data() {
    QTest::addColumn<QString>("sql");
    QTest::newRow("delete") << "DELETE FROM vos_TreeItem";
    QTest::newRow("delete returning") << "DELETE FROM vos_TreeItem RETURNING tri_node_id";
    QTest::newRow("create") << "CREATE TABLE preview_made(x)";
    QTest::newRow("two statements") << "SELECT 1; DELETE FROM vos_TreeItem";
    QTest::newRow("no result columns") << "PRAGMA user_version = 7";
  }
  void refusesWhatIsNotOneSelect() {
    QFETCH(QString, sql);
    const int before = count("SELECT COUNT(*) FROM vos_TreeItem");
    ui::QueryPreview preview(database());
    ui::ResultModel model;
    const ui::QueryPreview::Outcome outcome = preview.run(sql.toStdString(), model);
    QVERIFY(!outcome.ok);
    QCOMPARE(outcome.error, std::string("Only a single SELECT statement can be previewed."));
    QVERIFY(model.noRows());
    QCOMPARE(count("SELECT COUNT(*) FROM vos_TreeItem"), before);
    QCOMPARE(count("SELECT COUNT(*) FROM sqlite_master WHERE name = 'preview_made'"), 0);
    QCOMPARE(count("PRAGMA user_version"), 0);
  }

  void aBadStatementShowsTheDatabaseError() {
    ui::QueryPreview preview(database());
    ui::ResultModel model;
    const ui::QueryPreview::Outcome outcome = preview.run("SELECT nope FROM nowhere", model);
    QVERIFY(!outcome.ok && !outcome.aborted);
    QVERIFY2(ui::QueryPreview::statusText(outcome).find("nowhere") != std::string::npos, outcome.error.c_str());
  }

  void abortStopsASlowStatement() {
    ui::QueryPreview preview(database());
    ui::ResultModel model;
    QTimer::singleShot(100, [&] { preview.abort(); });
    const auto outcome = preview.run(ui_testing::slowQuery(), model);
    QVERIFY(outcome.aborted);
    QVERIFY(!preview.running());
    QVERIFY(ui::QueryPreview::statusText(outcome).starts_with("Preview aborted after "));
    QVERIFY(!database().IsBusy());
  }

 private:
  db::SQLiteDatabase& database() { return window_->panel().database(); }
  int count(const std::string& sql) {
    db::SQLiteColumns row;
    database().HasRows(sql, &row);
    return static_cast<int>(row[0].int64Value());
  }

  std::unique_ptr<PanelHarness> harness_;
  std::unique_ptr<ui::TreePanel> window_;
};

QTEST_MAIN(QueryPreviewTest)
#include "query_preview_test.moc"
