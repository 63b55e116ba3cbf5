#include "ui/chart_panel.h"

#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QSaveFile>
#include <QSvgGenerator>
#include <QVBoxLayout>
#include <algorithm>

#include "host/host.h"
#include "ui/chart_build.h"

namespace ui {
namespace {

using console::ChartType;

const ChartType kTypes[] = {ChartType::kBar, ChartType::kLine, ChartType::kPie};
// The size an export gets when the chart was never laid out on screen.
constexpr QSize kExportSize(800, 600);

QString fromStd(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

struct ChartPanel::Charts {
  QChartView* view = nullptr;
};

ChartPanel::ChartPanel(QWidget* parent) : QWidget(parent), charts_(std::make_unique<Charts>()) {
  setObjectName(QStringLiteral("vostrel_console_chart"));
  last_folder_ = QDir::homePath();

  type_ = new QComboBox;
  for (const ChartType type : kTypes) type_->addItem(QString::fromLatin1(console::chartTypeName(type)));
  type_->setAccessibleName(QStringLiteral("Chart type"));
  labels_ = new QComboBox;
  labels_->setAccessibleName(QStringLiteral("Labels column"));
  labels_->setToolTip(QStringLiteral("The column that labels the bars and slices, or the x axis of a line chart"));
  values_ = new QListWidget;
  values_->setAccessibleName(QStringLiteral("Value columns"));
  values_->setToolTip(QStringLiteral("The columns of numbers to draw (Space ticks or unticks one)"));
  values_->setMaximumWidth(fontMetrics().averageCharWidth() * 18);
  export_ = new QPushButton(QStringLiteral("E&xport..."));
  export_->setAutoDefault(false);
  export_->setAccessibleName(QStringLiteral("Export chart"));
  export_->setToolTip(QStringLiteral("Save the chart as a PNG or SVG image"));
  message_ = new QLabel;
  message_->setWordWrap(true);
  message_->setAccessibleName(QStringLiteral("Chart message"));
  message_->setTextInteractionFlags(Qt::TextSelectableByMouse);

  charts_->view = new QChartView;
  charts_->view->setRenderHint(QPainter::Antialiasing);
  charts_->view->setAccessibleName(QStringLiteral("Chart"));
  charts_->view->setFocusPolicy(Qt::NoFocus);
  charts_->view->setMinimumSize(120, 80);

  auto label_for = [](const QString& text, QWidget* buddy) {
    auto* label = new QLabel(text);
    label->setBuddy(buddy);
    return label;
  };
  auto* controls = new QHBoxLayout;
  controls->addWidget(label_for(QStringLiteral("Chart &type:"), type_));
  controls->addWidget(type_);
  controls->addSpacing(fontMetrics().averageCharWidth() * 2);
  controls->addWidget(label_for(QStringLiteral("La&bels:"), labels_));
  controls->addWidget(labels_, 1);
  controls->addStretch(1);
  controls->addWidget(export_);

  auto* side = new QVBoxLayout;
  side->addWidget(label_for(QStringLiteral("&Values:"), values_));
  side->addWidget(values_, 1);
  auto* body = new QHBoxLayout;
  body->addWidget(charts_->view, 1);
  body->addLayout(side);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addLayout(controls);
  layout->addWidget(message_);
  layout->addLayout(body, 1);
  setTabOrder(type_, labels_);
  setTabOrder(labels_, values_);
  setTabOrder(values_, export_);

  connect(type_, &QComboBox::currentIndexChanged, this, [this] {
    if (filling_) return;
    type_chosen_ = true;
    userChanged();
  });
  connect(labels_, &QComboBox::currentIndexChanged, this, [this] {
    if (filling_) return;
    filling_ = true;
    for (int i = 0; i < values_->count(); ++i) {
      QListWidgetItem* item = values_->item(i);
      const bool labels = i == labels_->currentIndex();
      // The column that was the labels comes back unticked.
      if (item->isHidden() && !labels) item->setCheckState(Qt::Unchecked);
      item->setHidden(labels);
    }
    filling_ = false;
    userChanged();
  });
  connect(values_, &QListWidget::itemChanged, this, [this] {
    if (!filling_) userChanged();
  });
  connect(export_, &QPushButton::clicked, this, &ChartPanel::chooseAndExport);

  choose_export_file = [this] {
    QFileDialog dialog(this, QStringLiteral("Export chart"), last_folder_,
                       QStringLiteral("PNG image (*.png);;SVG image (*.svg)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("png"));
    dialog.selectFile(QStringLiteral("chart.png"));
    connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& filter) {
      dialog.setDefaultSuffix(filter.contains(QStringLiteral("svg")) ? QStringLiteral("svg") : QStringLiteral("png"));
    });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
    return dialog.selectedFiles().constFirst();
  };
  show_error = [this](const QString& error) {
    QMessageBox::warning(this, QString::fromLatin1(host::kComponentFileName), error);
  };
  refresh();
}

ChartPanel::~ChartPanel() = default;

QWidget& ChartPanel::chartView() { return *charts_->view; }

void ChartPanel::setData(const console::ChartData* data) {
  data_ = data;
  resultChanged();
}

void ChartPanel::resultChanged() {
  const std::vector<std::string> columns = data_ ? data_->columns() : std::vector<std::string>{};
  if (columns != columns_ || columns.empty()) {
    columns_ = columns;
    type_chosen_ = false;
    fillColumnControls();
  }
  if (!type_chosen_) chooseDefaults();
  stale_ = true;
  if (isVisible()) refresh();
}

void ChartPanel::fillColumnControls() {
  filling_ = true;
  labels_->clear();
  values_->clear();
  for (std::size_t c = 0; c < columns_.size(); ++c) {
    labels_->addItem(fromStd(columns_[c]));
    auto* item = new QListWidgetItem(fromStd(columns_[c]), values_);
    item->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    item->setCheckState(Qt::Checked);
    item->setHidden(c == 0);
  }
  labels_->setCurrentIndex(columns_.empty() ? -1 : 0);
  filling_ = false;
}

void ChartPanel::chooseDefaults() {
  if (!data_ || columns_.empty()) return;
  const console::ChartShape shape = console::chartShape(*data_, labelColumn(), valueColumns());
  const console::ChartChoice choice = console::chooseChart(shape);
  // With no chart that fits, the type the labels suggest says why.
  const ChartType type = choice.type.value_or(shape.labels.kind == console::ValueKind::kText ||
                                                      shape.labels.kind == console::ValueKind::kEmpty
                                                  ? ChartType::kBar
                                                  : ChartType::kLine);
  filling_ = true;
  type_->setCurrentIndex(static_cast<int>(std::find(std::begin(kTypes), std::end(kTypes), type) - std::begin(kTypes)));
  filling_ = false;
}

void ChartPanel::userChanged() {
  // Until the user picks a type, the rule picks it for the chosen columns.
  if (!type_chosen_) chooseDefaults();
  stale_ = true;
  if (isVisible()) refresh();
}

void ChartPanel::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (stale_) refresh();
}

std::size_t ChartPanel::labelColumn() const { return static_cast<std::size_t>(std::max(labels_->currentIndex(), 0)); }

std::vector<std::size_t> ChartPanel::valueColumns() const {
  std::vector<std::size_t> columns;
  for (int i = 0; i < values_->count(); ++i) {
    const QListWidgetItem* item = values_->item(i);
    if (!item->isHidden() && item->checkState() == Qt::Checked) columns.push_back(static_cast<std::size_t>(i));
  }
  return columns;
}

QString ChartPanel::message() const { return message_->text(); }

void ChartPanel::refresh() {
  stale_ = false;
  shown_type_.reset();
  drawn_rows_ = 0;
  QString message;
  QChart* chart = nullptr;
  QElapsedTimer timer;
  if (!data_ || columns_.empty()) {
    message = QStringLiteral("Run a query that returns rows to chart them.");
  } else {
    const auto type = kTypes[std::clamp(type_->currentIndex(), 0, 2)];
    const console::ChartShape shape = console::chartShape(*data_, labelColumn(), valueColumns());
    const std::string reason = console::unfitReason(type, shape);
    if (!reason.empty()) {
      message = fromStd(reason);
    } else {
      timer.start();
      const bool dark = palette().color(QPalette::Window).lightness() < 128;
      chart = buildChart(*data_, type, labelColumn(), valueColumns(), dark);
      // Bars narrower than a pixel, smoothed, fade to a pale wash; drawn
      // sharp, each stays solid (and they paint faster).
      antialiased_ = type != ChartType::kBar || data_->rowCount() <= kMostLabelledBars;
      charts_->view->setRenderHint(QPainter::Antialiasing, antialiased_);
      shown_type_ = type;
      drawn_rows_ = data_->rowCount();
      if (data_->capped()) {
        const QLocale locale;
        message = QStringLiteral("The chart shows the first %1 of %2 rows.")
                      .arg(locale.toString(static_cast<qulonglong>(data_->rowCount())),
                           locale.toString(static_cast<qulonglong>(data_->totalRows())));
      }
    }
  }
  if (!chart) chart = emptyChart();
  // The view hands the chart it showed back to its caller.
  std::unique_ptr<QChart> old(charts_->view->chart());
  charts_->view->setChart(chart);
  if (timer.isValid()) build_ms_ = static_cast<double>(timer.nsecsElapsed()) / 1e6;
  // What a screen reader says of the picture.
  charts_->view->setAccessibleDescription(shown_type_
                                              ? QStringLiteral("%1 chart of %2 rows by %3")
                                                    .arg(QString::fromLatin1(console::chartTypeName(*shown_type_)),
                                                         QString::number(drawn_rows_), labels_->currentText())
                                              : message);
  message_->setText(message);
  message_->setVisible(!message.isEmpty());
  export_->setEnabled(shown_type_.has_value());
}

QString ChartPanel::exportTo(const QString& path) {
  if (!shown_type_) return QStringLiteral("There is no chart to export.");
  const QString suffix = QFileInfo(path).suffix().toLower();
  if (suffix != QStringLiteral("png") && suffix != QStringLiteral("svg")) {
    return QStringLiteral("Cannot export to %1: choose a name that ends in .png or .svg.")
        .arg(QDir::toNativeSeparators(path));
  }
  QChart* chart = charts_->view->chart();
  // A chart never laid out on screen (the tab not yet shown) gets a size of
  // its own for the picture.
  if (chart->size().width() < kExportSize.width() / 4 || chart->size().height() < kExportSize.height() / 4) {
    chart->resize(kExportSize);
  }
  const QRectF source = chart->mapRectToScene(chart->rect());
  const QSize size = source.size().toSize();
  QSaveFile file(path);
  auto cannot = [&path](const QString& why) {
    return QStringLiteral("Cannot export the chart to %1: %2").arg(QDir::toNativeSeparators(path), why);
  };
  if (!file.open(QIODevice::WriteOnly)) return cannot(file.errorString());
  bool written = false;
  if (suffix == QStringLiteral("png")) {
    const qreal ratio = devicePixelRatioF();
    QImage image(size * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, antialiased_);
    chart->scene()->render(&painter, QRectF(QPointF(), size), source);
    painter.end();
    written = image.save(&file, "PNG");
  } else {
    QSvgGenerator svg;
    svg.setOutputDevice(&file);
    svg.setSize(size);
    svg.setViewBox(QRect(QPoint(), size));
    svg.setTitle(QStringLiteral("Vostrel chart"));
    QPainter painter;
    if (painter.begin(&svg)) {
      painter.setRenderHint(QPainter::Antialiasing, antialiased_);
      chart->scene()->render(&painter, QRectF(QPointF(), size), source);
      written = painter.end();
    }
  }
  if (!written) {
    file.cancelWriting();
    return cannot(file.errorString().isEmpty() ? QStringLiteral("the image could not be written") : file.errorString());
  }
  if (!file.commit()) return cannot(file.errorString());
  last_folder_ = QFileInfo(path).absolutePath();
  return {};
}

void ChartPanel::chooseAndExport() {
  if (!shown_type_) return;
  const QString path = choose_export_file();
  if (path.isEmpty()) return;
  const QString error = exportTo(path);
  if (!error.isEmpty()) show_error(error);
}

}  // namespace ui
