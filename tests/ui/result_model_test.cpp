// The console's result model under Qt's model checker: results, rows shown
// in batches, sorting and the "No rows" state.
#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

#include "db/property.h"
#include "ui/result_model.h"

namespace {

void addRows(ui::ResultModel& model, const std::vector<std::vector<std::string>>& rows) {
  const db::SQLiteColumns values;
  uint64_t number = 0;
  for (const auto& cells : rows) model.addRow(++number, values, cells);
}

QStringList columnTexts(const ui::ResultModel& model, int column) {
  QStringList texts;
  for (int r = 0; r < model.rowCount(); ++r) texts << model.cellText(r, column);
  return texts;
}

}  // namespace

class ResultModelTest : public QObject {
  Q_OBJECT

 private slots:
  void rowsAppearWhenPublished() {
    ui::ResultModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    model.beginResult({"a", "b"});
    QCOMPARE(model.columnCount(), 3);
    addRows(model, {{"x", ""}, {"", "y"}});
    QCOMPARE(model.rowCount(), 0);  // not yet shown
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    model.publish();
    model.publish();  // nothing new: no signal
    QCOMPARE(inserted.count(), 1);
    QCOMPARE(model.rowCount(), 2);
    // Empty cells stay empty and do not shift their neighbours.
    QCOMPARE(model.rowText(0), QStringLiteral("1,x,"));
    QCOMPARE(model.rowText(1), QStringLiteral("2,,y"));
    QCOMPARE(model.data(model.index(1, 2), Qt::DisplayRole).toString(), QStringLiteral("y"));
  }

  void sortKeepsRowsWholeAndTheSelection() {
    ui::ResultModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    model.beginResult({"name"});
    addRows(model, {{"b10"}, {"B2"}, {"a"}, {"b2"}});
    model.publish();
    const QPersistentModelIndex kept(model.index(0, 1));  // "b10"
    model.sort(1, Qt::AscendingOrder);
    QCOMPARE(columnTexts(model, 1), (QStringList{"a", "B2", "b2", "b10"}));  // equal texts keep their order
    QCOMPARE(columnTexts(model, 0), (QStringList{"3", "2", "4", "1"}));
    QCOMPARE(kept.row(), 3);
    model.sort(0, Qt::DescendingOrder);
    QCOMPARE(columnTexts(model, 0), (QStringList{"4", "3", "2", "1"}));
    QCOMPARE(kept.row(), 3);
    model.sort(0, Qt::AscendingOrder);
    QCOMPARE(columnTexts(model, 1), (QStringList{"b10", "B2", "a", "b2"}));
    QCOMPARE(kept.row(), 0);
  }

  void noRowsHasOneTitleAndNothingToSort() {
    ui::ResultModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    model.beginResult({"a"});
    addRows(model, {{"1"}});
    model.publish();
    model.clearResult();
    QVERIFY(model.noRows());
    QCOMPARE(model.columnCount(), 1);
    QCOMPARE(model.rowCount(), 0);
    QCOMPARE(model.headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("No rows"));
    model.sort(0, Qt::AscendingOrder);
    QCOMPARE(model.allRowsText(), QString());
  }
};

QTEST_MAIN(ResultModelTest)
#include "result_model_test.moc"
