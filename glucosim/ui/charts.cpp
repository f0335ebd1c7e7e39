#include "glucosim/ui/charts.h"

#include <initializer_list>

#include <QAreaSeries>
#include <QBrush>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QPen>
#include <QPushButton>
#include <QScatterSeries>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

#include "glucosim/core/float_text.h"
#include "glucosim/ui/dialogs.h"

namespace glucosim {

namespace {

const QString kPngFilter = QStringLiteral("Imatges PNG (*.png)|*.png");

void append(QVector<QPointF>& points, double x, double y) {
    if (std::isfinite(y)) points.append(QPointF(x, y));
}

QLineSeries* lineSeries(const QString& name, const QVector<QPointF>& points, const QColor& colour,
                        qreal width = 1.5, Qt::PenStyle style = Qt::SolidLine) {
    auto* s = new QLineSeries;
    s->setName(name);
    s->append(QList<QPointF>(points.begin(), points.end()));
    QPen pen(colour);
    pen.setWidthF(width);
    pen.setStyle(style);
    s->setPen(pen);
    return s;
}

QChartView* makeView(QWidget* parent) {
    auto* view = new QChartView(new QChart, parent);
    view->setRenderHint(QPainter::Antialiasing);
    view->setMinimumSize(640, 420);
    view->chart()->setLocalizeNumbers(true);
    view->chart()->setLocale(QLocale(QLocale::Catalan, QLocale::Spain));
    return view;
}

QString askPngName(QWidget* parent) {
    FileDialog dialog(FileDialog::Kind::Save, QStringLiteral("SaveDialogGrafic"),
                      QStringLiteral("Desa el gràfic"), nullptr);
    return dialogHooks().saveFile(parent, dialog.title(), qtNameFilter(kPngFilter),
                                  QStringLiteral("png"));
}

void savePngFrom(QWidget* parent, QChartView* view) {
    const QString path = askPngName(parent);
    if (path.isEmpty()) return;
    if (!saveChartPng(view, path))
        dialogHooks().message(parent, kProgramTitle,
                              QStringLiteral("No s'ha pogut desar el gràfic a \"%1\".").arg(path),
                              MessageKind::Critical);
}

// The chart above a bar of buttons: whatever `leading` holds on the left, then
// "Desar imatge..." (saving the chart as PNG) and "Tancar" on the right.
void layOutChart(QDialog* dialog, QChartView* view, QPushButton* save,
                 std::initializer_list<QWidget*> leading) {
    auto* close = new QPushButton(QStringLiteral("Tancar"), dialog);
    auto* bar = new QHBoxLayout;
    for (QWidget* w : leading)
        bar->addWidget(w);
    bar->addStretch();
    bar->addWidget(save);
    bar->addWidget(close);
    auto* layout = new QVBoxLayout(dialog);
    layout->addWidget(view, 1);
    layout->addLayout(bar);
    QObject::connect(save, &QPushButton::clicked, dialog,
                     [dialog, view] { savePngFrom(dialog, view); });
    QObject::connect(close, &QPushButton::clicked, dialog, &QDialog::close);
}

} // namespace

void clearChart(QChart* chart) {
    chart->removeAllSeries();
    for (QAbstractAxis* axis : chart->axes()) {
        chart->removeAxis(axis);
        delete axis;
    }
}

namespace {

// The band between the bounds, drawn under everything else (so added first).
void addBand(QChart* chart, const GlucoseSeries& s) {
    if (s.lower.size() != s.upper.size() || s.lower.isEmpty()) return;
    auto* bandUpper = lineSeries(QString(), s.upper, Qt::transparent);
    auto* bandLower = lineSeries(QString(), s.lower, Qt::transparent);
    auto* band = new QAreaSeries(bandUpper, bandLower);
    // The area series does not own its two boundary series.
    bandUpper->setParent(band);
    bandLower->setParent(band);
    band->setName(QStringLiteral("Banda simulada"));
    band->setObjectName(QStringLiteral("band"));
    band->setBrush(QColor(30, 90, 200, 60));
    band->setPen(Qt::NoPen);
    chart->addSeries(band);
}

// A horizontal dashed line across the whole simulation at glucose `y`.
QLineSeries* levelLine(const QString& name, const QString& objectName, double y,
                       const QColor& colour) {
    auto* line =
        lineSeries(name, {QPointF(0, y), QPointF(kSamples - 1, y)}, colour, 1.5, Qt::DashLine);
    line->setObjectName(objectName);
    return line;
}

QValueAxis* valueAxis(const QString& title, double lo, double hi, const QString& labelFormat) {
    auto* axis = new QValueAxis;
    axis->setTitleText(title);
    axis->setRange(lo, hi);
    axis->setLabelFormat(labelFormat);
    return axis;
}

// Puts the axes on the chart, every series on them, the legend below.
void attachAxes(QChart* chart, QValueAxis* x, QValueAxis* y) {
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    for (QAbstractSeries* series : chart->series()) {
        series->attachAxis(x);
        series->attachAxis(y);
    }
    chart->legend()->setAlignment(Qt::AlignBottom);
}

// Time across the whole simulation; glucose over every value drawn and the
// severe limits, in tens.
void fitGlucoseAxes(QChart* chart, const GlucoseSeries& s) {
    double lo = kSevereHypo, hi = kSevereHyper;
    for (const auto* points : {&s.lower, &s.upper, &s.measured})
        for (const QPointF& p : *points) {
            lo = std::min(lo, p.y());
            hi = std::max(hi, p.y());
        }
    auto* x = valueAxis(QStringLiteral("Temps (min)"), 0, kSamples, QStringLiteral("%.0f"));
    x->setTickCount(7);
    auto* y = valueAxis(QStringLiteral("Glucosa (mg/dl)"), std::floor(lo / 10) * 10 - 10,
                        std::ceil(hi / 10) * 10 + 10, QStringLiteral("%.0f"));
    y->applyNiceNumbers();
    attachAxes(chart, x, y);
}

} // namespace

void drawGlucoseChart(QChart* chart, const ExperimentResult& e, int j, int patient,
                      double upperLine, const QString& upperName) {
    const GlucoseSeries s = glucoseSeries(e);
    chart->setTitle(QStringLiteral("Experiment nº %1 (pacient %2): glucosa simulada i mesurada")
                        .arg(j + 1)
                        .arg(patient));
    addBand(chart, s);
    auto* lower = lineSeries(QStringLiteral("Mín. glucosa simulada"), s.lower, QColor(30, 90, 200));
    auto* upper = lineSeries(QStringLiteral("Màx. glucosa simulada"), s.upper, QColor(30, 90, 200));
    lower->setObjectName(QStringLiteral("lower"));
    upper->setObjectName(QStringLiteral("upper"));
    auto* measured =
        lineSeries(QStringLiteral("Glucosa mesurada"), s.measured, QColor(200, 30, 30), 2.0);
    measured->setObjectName(QStringLiteral("measured"));
    auto* hypo = levelLine(QStringLiteral("Hipoglucèmia (70 mg/dl)"), QStringLiteral("hypo"), kHypo,
                           QColor(230, 120, 0));
    auto* hyper = levelLine(upperName, QStringLiteral("hyper"), upperLine, QColor(120, 0, 160));
    for (QLineSeries* series : {lower, upper, measured, hypo, hyper})
        chart->addSeries(series);
    fitGlucoseAxes(chart, s);
    // The band stands for its bounds in the legend.
    for (QLineSeries* series : {lower, upper})
        for (QLegendMarker* marker : chart->legend()->markers(series))
            marker->setVisible(false);
}

void drawRocChart(QChart* chart, const RocTable& roc) {
    clearChart(chart);
    const QString title = QStringLiteral("Corba ROC de la detecció d'hipoglucèmia (20 llindars)");
    const std::string missing = rocMissingReason(roc);
    if (missing.empty())
        chart->setTitle(title + QStringLiteral("<br>Àrea sota la corba (AUC) = ") +
                        QString::fromStdString(formatFixed3(rocArea(roc))));
    else
        chart->setTitle(title + QStringLiteral("<br>") + QString::fromStdString(missing));
    QVector<QPointF> points = rocPoints(roc);
    QVector<QPointF> curvePoints;
    for (const auto& [fpr, sens] : rocCurve(roc))
        curvePoints.append(QPointF(fpr, sens));
    auto* curve =
        lineSeries(QStringLiteral("Sens. / 1-Espec."), curvePoints, QColor(30, 90, 200), 2.0);
    curve->setObjectName(QStringLiteral("roc"));
    auto* marks = new QScatterSeries;
    marks->setObjectName(QStringLiteral("thresholds"));
    marks->setName(QStringLiteral("Llindars"));
    marks->setMarkerSize(8);
    marks->append(QList<QPointF>(points.begin(), points.end()));
    auto* chance = lineSeries(QStringLiteral("Atzar"), {QPointF(0, 0), QPointF(1, 1)},
                              QColor(128, 128, 128), 1.0, Qt::DashLine);
    chance->setObjectName(QStringLiteral("chance"));
    for (QAbstractSeries* s : std::initializer_list<QAbstractSeries*>{chance, curve, marks})
        chart->addSeries(s);
    auto* x = valueAxis(QStringLiteral("1 - Especificitat"), 0, 1, QStringLiteral("%.1f"));
    auto* y = valueAxis(QStringLiteral("Sensibilitat"), 0, 1, QStringLiteral("%.1f"));
    for (QValueAxis* a : {x, y})
        a->setTickCount(6);
    attachAxes(chart, x, y);
}

GlucoseSeries glucoseSeries(const ExperimentResult& e) {
    GlucoseSeries s;
    for (int m = 0; m < kSamples; ++m) {
        const modal::ivalDb& g = e.glucose[static_cast<std::size_t>(m)];
        append(s.lower, m, g.inf());
        append(s.upper, m, g.sup());
        append(s.measured, m, e.measured[static_cast<std::size_t>(m)]);
    }
    return s;
}

QVector<QPointF> rocPoints(const RocTable& roc) {
    QVector<QPointF> points;
    for (int k = 0; k < kRocThresholds; ++k) {
        const double sens = roc.rows[RocTable::Sens][static_cast<std::size_t>(k)];
        const double fpr = roc.rows[RocTable::OneMinusSpec][static_cast<std::size_t>(k)];
        if (std::isfinite(sens) && std::isfinite(fpr)) points.append(QPointF(fpr, sens));
    }
    return points;
}

bool saveChartPng(QChartView* view, const QString& path) {
    return view->grab().toImage().save(path, "PNG");
}

GlucoseChartDialog::GlucoseChartDialog(QWidget* parent)
    : QDialog(parent), view_(makeView(this)), selector_(new QComboBox(this)),
      save_(new QPushButton(QStringLiteral("Desar imatge..."), this)) {
    setObjectName(QStringLiteral("GlucoseChart"));
    setWindowTitle(QStringLiteral("Gràfic de glucosa en sang"));
    selector_->setObjectName(QStringLiteral("CB_Experiment"));
    save_->setObjectName(QStringLiteral("Btn_DesarGrafic"));
    for (int j = 1; j <= kExperiments; ++j)
        selector_->addItem(QStringLiteral("Experiment nº %1").arg(j));
    layOutChart(this, view_, save_, {new QLabel(QStringLiteral("Experiment:"), this), selector_});
    connect(selector_, &QComboBox::currentIndexChanged, this,
            [this](int index) { showExperiment(index); });
    resize(900, 600);
}

void GlucoseChartDialog::setResults(std::shared_ptr<const Results> results) {
    results_ = std::move(results);
    showExperiment(std::max(0, selector_->currentIndex()));
}

int GlucoseChartDialog::experiment() const {
    return selector_->currentIndex();
}

void GlucoseChartDialog::showExperiment(int j) {
    if (j < 0 || j >= kExperiments) return;
    if (selector_->currentIndex() != j) {
        selector_->setCurrentIndex(j); // comes back here through the signal
        return;
    }
    QChart* chart = view_->chart();
    clearChart(chart);
    if (!results_ || results_->experiments.size() != static_cast<std::size_t>(kExperiments)) {
        chart->setTitle(QStringLiteral("No hi ha resultats"));
        return;
    }
    drawGlucoseChart(chart, results_->experiments[static_cast<std::size_t>(j)], j,
                     results_->patient, kHyper, QStringLiteral("Hiperglucèmia (150 mg/dl)"));
}

RocChartDialog::RocChartDialog(QWidget* parent)
    : QDialog(parent), view_(makeView(this)),
      save_(new QPushButton(QStringLiteral("Desar imatge..."), this)) {
    setObjectName(QStringLiteral("RocChart"));
    setWindowTitle(QStringLiteral("Corba ROC"));
    save_->setObjectName(QStringLiteral("Btn_DesarGrafic"));
    layOutChart(this, view_, save_, {});
    resize(640, 600);
}

void RocChartDialog::setRoc(const RocTable& roc) {
    drawRocChart(view_->chart(), roc);
}

} // namespace glucosim
