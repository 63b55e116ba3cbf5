#include "ui/chart_build.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QCursor>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QGraphicsLayout>
#include <QHash>
#include <QLineSeries>
#include <QPieSeries>
#include <QPieSlice>
#include <QTimeZone>
#include <QToolTip>
#include <QValueAxis>
#include <algorithm>
#include <cmath>
#include <limits>

namespace ui {
namespace {

using console::ChartType;

// Slices below this share of the whole get no percentage on the pie.
constexpr double kLeastLabelledShare = 0.03;
// Past this many bars their labels are turned on their side.
constexpr std::size_t kMostLevelLabels = 6;

QString fromStd(const std::string& text) { return QString::fromStdString(text); }

// Category labels must be unique: a repeated label gets " (2)", " (3)"...
QStringList uniqueLabels(const console::ChartData& data, std::size_t column) {
  QStringList labels;
  labels.reserve(static_cast<qsizetype>(data.rowCount()));
  QHash<QString, int> seen;
  for (std::size_t r = 0; r < data.rowCount(); ++r) {
    QString label = fromStd(data.label(r, column));
    int& count = seen[label];
    if (++count > 1) label += QStringLiteral(" (%1)").arg(count);
    labels.append(label);
  }
  return labels;
}

// An axis whose ticks all fall on whole numbers shows them without decimals.
QString labelFormat(const QValueAxis& axis) {
  const double step = (axis.max() - axis.min()) / std::max(axis.tickCount() - 1, 1);
  const bool whole = axis.min() == std::floor(axis.min()) && step == std::floor(step);
  return whole ? QStringLiteral("%i") : QStringLiteral("%g");
}

// A date axis takes local time; the data's dates are wall-clock times, so
// they are shown as the same wall-clock time here.
double localMilliseconds(double utc_ms) {
  const QDateTime utc = QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(utc_ms), QTimeZone::utc());
  return static_cast<double>(QDateTime(utc.date(), utc.time()).toMSecsSinceEpoch());
}

// A step of 1, 2 or 5 times a power of ten near `span` / 5.
double niceStep(double span) {
  const double rough = span / 5;
  const double power = std::pow(10.0, std::floor(std::log10(rough)));
  for (const double factor : {1.0, 2.0, 5.0}) {
    if (factor * power >= rough) return factor * power;
  }
  return 10 * power;
}

// An x axis spans the data exactly (a year axis from 1969 to 2023, not
// 1960 to 2040) with ticks at round values inside it.
void addXAxis(QChart* chart, double low, double high, const QList<QAbstractSeries*>& series) {
  auto* axis = new QValueAxis;
  if (low == high) {
    low -= 1;
    high += 1;
  }
  const double step = niceStep(high - low);
  axis->setRange(low, high);
  axis->setTickType(QValueAxis::TicksDynamic);
  axis->setTickAnchor(std::ceil(low / step) * step);
  axis->setTickInterval(step);
  axis->setLabelFormat(step == std::floor(step) ? QStringLiteral("%i") : QStringLiteral("%g"));
  chart->addAxis(axis, Qt::AlignBottom);
  for (QAbstractSeries* s : series) s->attachAxis(axis);
}

void addValueAxis(QChart* chart, Qt::Alignment side, double low, double high, const QList<QAbstractSeries*>& series) {
  auto* axis = new QValueAxis;
  if (low == high) {
    low -= 1;
    high += 1;
  }
  axis->setRange(low, high);
  axis->applyNiceNumbers();
  axis->setLabelFormat(labelFormat(*axis));
  chart->addAxis(axis, side);
  for (QAbstractSeries* s : series) s->attachAxis(axis);
}

// NULL values count as 0.
void buildBars(QChart* chart, const console::ChartData& data, std::size_t labels,
               const std::vector<std::size_t>& values) {
  auto* series = new QBarSeries;
  double low = 0;
  double high = 0;
  for (const std::size_t column : values) {
    auto* set = new QBarSet(fromStd(data.columns()[column]));
    // Past the labelled bars, an outline would cover bars narrower than
    // itself; without it they paint in half the time.
    if (data.rowCount() > kMostLabelledBars) set->setPen(Qt::NoPen);
    QList<qreal> numbers;
    numbers.reserve(static_cast<qsizetype>(data.rowCount()));
    for (std::size_t r = 0; r < data.rowCount(); ++r) {
      const double value = data.number(r, column);
      numbers.append(std::isnan(value) ? 0.0 : value);
      low = std::min(low, numbers.back());
      high = std::max(high, numbers.back());
    }
    set->append(numbers);
    series->append(set);
  }
  chart->addSeries(series);
  if (data.rowCount() <= kMostLabelledBars) {
    auto* axis = new QBarCategoryAxis;
    axis->append(uniqueLabels(data, labels));
    // Side by side, more than a few labels would be cut to "...".
    if (data.rowCount() > kMostLevelLabels) {
      axis->setLabelsAngle(-60);
      axis->setTruncateLabels(false);
    }
    axis->setTitleText(fromStd(data.columns()[labels]));
    chart->addAxis(axis, Qt::AlignBottom);
    series->attachAxis(axis);
  } else {
    // Thousands of categories take the better part of a second to lay out
    // and their labels cannot be read: the bars go by row, and pointing at
    // one names it.
    QObject::connect(series, &QBarSeries::hovered, series, [&data, labels](bool on, int row, QBarSet* set) {
      if (!on || static_cast<std::size_t>(row) >= data.rowCount()) {
        QToolTip::hideText();
        return;
      }
      QToolTip::showText(QCursor::pos(), QStringLiteral("%1\n%2: %3")
                                             .arg(fromStd(data.label(static_cast<std::size_t>(row), labels)),
                                                  set->label(), QString::number(set->at(row))));
    });
  }
  addValueAxis(chart, Qt::AlignLeft, low, high, {series});
  chart->legend()->setVisible(values.size() > 1);
}

void buildLines(QChart* chart, const console::ChartData& data, std::size_t labels,
                const std::vector<std::size_t>& values) {
  const bool dates = data.kind(labels) == console::ValueKind::kDate;
  // The x of every row once, in local time for a date axis.
  std::vector<double> xs(data.rowCount());
  for (std::size_t r = 0; r < data.rowCount(); ++r) {
    xs[r] = dates ? data.date(r, labels) : data.number(r, labels);
    if (dates && !std::isnan(xs[r])) xs[r] = localMilliseconds(xs[r]);
  }
  double x_low = std::numeric_limits<double>::infinity(), x_high = -x_low;
  double y_low = x_low, y_high = -x_low;
  QList<QAbstractSeries*> all;
  for (const std::size_t column : values) {
    QList<QPointF> points;
    points.reserve(static_cast<qsizetype>(data.rowCount()));
    for (std::size_t r = 0; r < data.rowCount(); ++r) {
      const double y = data.number(r, column);
      if (std::isnan(xs[r]) || std::isnan(y)) continue;
      points.append(QPointF(xs[r], y));
      x_low = std::min(x_low, xs[r]);
      x_high = std::max(x_high, xs[r]);
      y_low = std::min(y_low, y);
      y_high = std::max(y_high, y);
    }
    std::stable_sort(points.begin(), points.end(), [](const QPointF& a, const QPointF& b) { return a.x() < b.x(); });
    auto* series = new QLineSeries;
    series->setName(fromStd(data.columns()[column]));
    series->replace(points);
    chart->addSeries(series);
    all.append(series);
  }
  if (x_low > x_high) x_low = x_high = y_low = y_high = 0;  // only NULLs: an empty frame
  if (dates) {
    auto* axis = new QDateTimeAxis;
    if (x_low == x_high) x_high = x_low + 86400000.0;
    axis->setRange(QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(x_low)),
                   QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(x_high)));
    // Years alone when the dates span more than three years.
    axis->setFormat(x_high - x_low > 3 * 365.25 * 86400000.0 ? QStringLiteral("yyyy") : QStringLiteral("yyyy-MM-dd"));
    axis->setTitleText(fromStd(data.columns()[labels]));
    chart->addAxis(axis, Qt::AlignBottom);
    for (QAbstractSeries* s : all) s->attachAxis(axis);
  } else {
    addXAxis(chart, x_low, x_high, all);
    chart->axes(Qt::Horizontal).constFirst()->setTitleText(fromStd(data.columns()[labels]));
  }
  addValueAxis(chart, Qt::AlignLeft, y_low, y_high, all);
  chart->legend()->setVisible(values.size() > 1);
}

void buildPie(QChart* chart, const console::ChartData& data, std::size_t labels, std::size_t values) {
  auto* series = new QPieSeries;
  double total = 0;
  for (std::size_t r = 0; r < data.rowCount(); ++r) {
    const double value = data.number(r, values);
    if (!std::isnan(value)) total += value;
  }
  for (std::size_t r = 0; r < data.rowCount(); ++r) {
    const double value = data.number(r, values);
    if (std::isnan(value) || value <= 0) continue;
    QPieSlice* slice = series->append(fromStd(data.label(r, labels)), value);
    const double share = total > 0 ? value / total : 0;
    if (share >= kLeastLabelledShare) {
      slice->setLabel(QStringLiteral("%1 (%2%)").arg(slice->label(), QString::number(std::lround(share * 100))));
    }
    slice->setLabelVisible(true);
  }
  chart->addSeries(series);
  chart->legend()->setVisible(false);
}

}  // namespace

QChart* emptyChart() {
  auto* chart = new QChart;
  // The console has little room: the plot takes nearly all of it.
  chart->setMargins(QMargins(4, 4, 4, 4));
  chart->setBackgroundRoundness(0);
  chart->layout()->setContentsMargins(0, 0, 0, 0);
  chart->legend()->setVisible(false);
  chart->setAnimationOptions(QChart::NoAnimation);
  return chart;
}

QChart* buildChart(const console::ChartData& data, ChartType type, std::size_t labels,
                   const std::vector<std::size_t>& values, bool dark) {
  QChart* chart = emptyChart();
  chart->setTheme(dark ? QChart::ChartThemeDark : QChart::ChartThemeLight);
  chart->legend()->setAlignment(Qt::AlignBottom);
  switch (type) {
    case ChartType::kBar:
      buildBars(chart, data, labels, values);
      break;
    case ChartType::kLine:
      buildLines(chart, data, labels, values);
      break;
    case ChartType::kPie:
      buildPie(chart, data, labels, values.front());
      break;
  }
  return chart;
}

}  // namespace ui
