#include "platform/toolkit/qt/history/history_window.h"

#include <QButtonGroup>
#include <QChart>
#include <QChartView>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLegendMarker>
#include <QLineSeries>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSaveFile>
#include <QScreen>
#include <QShortcut>
#include <QTimer>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
#include <string>
#include <vector>

#include "history/history_csv.h"
#include "platform/toolkit/qt/qt_text.h"

namespace tk {
namespace {

constexpr int kRedrawEveryMs = 1000;
constexpr const char* kFolderKey = "history/folder";

struct LineLook {
  const char* name;
  QColor colour;
  Qt::PenStyle style;
  int width;
};
const LineLook kDepthLook{"Depth", QColor(0, 90, 200), Qt::SolidLine, 2};
const LineLook kMaxLook{"Maximum depth", QColor(90, 90, 90), Qt::SolidLine, 1};
const LineLook kWarningLook{"% Warning", QColor(220, 0, 0), Qt::DashLine, 1};

// Adds a line as runs of its own, each its own series; only the first shows in the legend.
void addLine(QChart& chart, const std::vector<tarnix::ChartRun>& runs, const LineLook& look,
             QAbstractAxis* x, QAbstractAxis* y) {
  bool first = true;
  // A line with no run at all still names itself in the legend.
  const std::vector<tarnix::ChartRun> none(1);
  for (const tarnix::ChartRun& run : runs.empty() ? none : runs) {
    auto* series = new QLineSeries(&chart);
    series->setName(QString::fromUtf8(look.name));
    QPen pen(look.colour);
    pen.setStyle(look.style);
    pen.setWidth(look.width);
    series->setPen(pen);
    for (const tarnix::ChartPoint& p : run) series->append(static_cast<qreal>(p.at), p.value);
    // A run of one point has no line to draw: its point shows instead.
    series->setPointsVisible(run.size() == 1);
    chart.addSeries(series);
    series->attachAxis(x);
    series->attachAxis(y);
    if (!first) chart.legend()->markers(series).front()->setVisible(false);
    first = false;
  }
}

// A queue name may hold '/', which no file name may.
QString fileNamePart(const std::string& name) {
  QString part = fromUtf8(name);
  part.replace(QLatin1Char('/'), QLatin1Char('_'));
  return part;
}

}  // namespace

HistoryWindow::HistoryWindow(tarnix::DepthHistory& history, tarnix::SeriesKey key, Memory& memory,
                             QWidget* parent)
    : QWidget(parent, Qt::Window),
      history_(history),
      key_(std::move(key)),
      memory_(memory),
      view_(new QChartView(this)),
      timer_(new QTimer(this)) {
  setWindowTitle(fromUtf8("History of " + key_.queue + " on " + key_.manager));
  setAttribute(Qt::WA_DeleteOnClose);

  auto* spans = new QButtonGroup(this);
  auto* bar = new QHBoxLayout;
  for (std::size_t i = 0; i < tarnix::kHistorySpans.size(); ++i) {
    auto* button = new QRadioButton(QString::fromUtf8(tarnix::kHistorySpans[i].label), this);
    spans->addButton(button, static_cast<int>(i));
    spanButtons_[i] = button;
    bar->addWidget(button);
  }
  connect(spans, &QButtonGroup::idClicked, this,
          [this](int id) { showSpan(static_cast<std::size_t>(id)); });
  bar->addStretch(1);
  auto* save = new QPushButton(QStringLiteral("Save chart"), this);
  auto* exportButton = new QPushButton(QStringLiteral("Export points"), this);
  connect(save, &QPushButton::clicked, this, [this] { askAndSave(true); });
  connect(exportButton, &QPushButton::clicked, this, [this] { askAndSave(false); });
  bar->addWidget(save);
  bar->addWidget(exportButton);

  view_->setRenderHint(QPainter::Antialiasing);
  view_->setMinimumSize(320, 200);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(bar);
  layout->addWidget(view_, 1);
  // As large as the chart reads well, within the screen at any scale.
  const QSize room = (parent != nullptr ? parent->screen() : QGuiApplication::primaryScreen())
                         ->availableGeometry()
                         .size() *
                     0.9;
  resize(std::min(720, room.width()), std::min(420, room.height()));

  // Escape closes it, as it does the monitor.
  connect(new QShortcut(QKeySequence::Cancel, this), &QShortcut::activated, this, &QWidget::close);

  connect(timer_, &QTimer::timeout, this, [this] {
    if (history_.revision() != shownRevision_) refresh();
  });
  timer_->start(kRedrawEveryMs);
  showSpan(0);
}

QChart* HistoryWindow::chart() const { return view_->chart(); }

void HistoryWindow::showSpan(std::size_t index) {
  if (index >= tarnix::kHistorySpans.size()) return;
  span_ = index;
  spanButtons_[index]->setChecked(true);
  refresh();
}

void HistoryWindow::refresh() {
  shownRevision_ = history_.revision();
  const tarnix::HistorySpan& span = tarnix::kHistorySpans[span_];
  const tarnix::TimeMs now = history_.now();
  const tarnix::HistoryChart lines = tarnix::historyChart(
      history_.pointsSince(key_, now - span.length), now, span.length, history_.warningFraction());

  auto* chart = new QChart;
  chart->setTitle(fromUtf8(key_.queue));
  chart->legend()->setAlignment(Qt::AlignBottom);
  auto* time = new QDateTimeAxis(chart);
  const QString format =
      span.length > tarnix::kHourMs ? QStringLiteral("HH:mm") : QStringLiteral("HH:mm:ss");
  time->setFormat(format);
  time->setTickCount(timeLabels(format));
  time->setRange(QDateTime::fromMSecsSinceEpoch(lines.from),
                 QDateTime::fromMSecsSinceEpoch(lines.to));
  auto* depth = new QValueAxis(chart);
  depth->setRange(0, lines.top);
  depth->setLabelFormat(QStringLiteral("%.0f"));
  depth->applyNiceNumbers();
  chart->addAxis(time, Qt::AlignBottom);
  chart->addAxis(depth, Qt::AlignLeft);
  addLine(*chart, lines.maxDepth, kMaxLook, time, depth);
  addLine(*chart, lines.warning, kWarningLook, time, depth);
  addLine(*chart, lines.depth, kDepthLook, time, depth);
  // The view owns its chart and gives up the old one.
  QChart* old = view_->chart();
  view_->setChart(chart);
  delete old;
}

int HistoryWindow::timeLabels(const QString& format) const {
  QString widest = format;
  widest.replace(QRegularExpression(QStringLiteral("[Hms]")), QStringLiteral("0"));
  const QList<QAbstractAxis*> axes = view_->chart()->axes(Qt::Horizontal);
  const QFont labels = axes.isEmpty() ? font() : axes.front()->labelsFont();
  const int label = QFontMetrics(labels).horizontalAdvance(widest);
  // The value axis and the margins take about a sixth of the width.
  const int room = view_->width() * 5 / 6;
  return std::clamp(room / (label * 2), 2, 7);
}

void HistoryWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  refresh();
}

bool HistoryWindow::saveChart(const QString& file, QString& why) {
  if (view_->grab().save(file, "PNG")) return true;
  why = QStringLiteral("Cannot write the chart to %1.").arg(file);
  return false;
}

bool HistoryWindow::exportPoints(const QString& file, QString& why) {
  const tarnix::HistorySpan& span = tarnix::kHistorySpans[span_];
  const std::string text =
      tarnix::historyCsv(history_.pointsSince(key_, history_.now() - span.length));
  QSaveFile out(file);
  if (out.open(QIODevice::WriteOnly) &&
      out.write(text.data(), static_cast<qint64>(text.size())) ==
          static_cast<qint64>(text.size()) &&
      out.commit()) {
    return true;
  }
  why = QStringLiteral("Cannot write the points to %1: %2.").arg(file, out.errorString());
  return false;
}

QString HistoryWindow::suggestedFile(const char* suffix) const {
  const std::vector<std::string> kept = memory_.recall(kFolderKey);
  const QString folder = kept.empty() ? QDir::homePath() : fromUtf8(kept.front());
  return QDir(folder).filePath(fileNamePart(key_.manager) + QLatin1Char('-') +
                               fileNamePart(key_.queue) + QString::fromUtf8(suffix));
}

void HistoryWindow::askAndSave(bool chartImage) {
  const QString file = QFileDialog::getSaveFileName(
      this, chartImage ? QStringLiteral("Save chart") : QStringLiteral("Export points"),
      suggestedFile(chartImage ? "-history.png" : "-history.csv"),
      chartImage ? QStringLiteral("PNG images (*.png)") : QStringLiteral("CSV files (*.csv)"),
      nullptr, QFileDialog::DontUseNativeDialog);
  if (file.isEmpty()) return;
  QString why;
  if (!(chartImage ? saveChart(file, why) : exportPoints(file, why))) {
    QMessageBox::warning(this, windowTitle(), why);
    return;
  }
  std::string ignored;
  memory_.remember(kFolderKey, {QFileInfo(file).absolutePath().toStdString()}, ignored);
}

}  // namespace tk
