#include "glucosim/ui/charts.h"

#include <initializer_list>

#include <QAreaSeries>
#include <QBrush>
#include <QBuffer>
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
#include <QStatusBar>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
#include <cmath>
#include <functional>

#include "glucosim/core/float_text.h"
#include "glucosim/core/metrics.h"
#include "glucosim/ui/catalan_locale.h"
#include "glucosim/ui/dialogs.h"

namespace glucosim {

namespace {

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
    return view;
}

// Axis labels and every number the chart makes with the decimal comma.
void useCatalanNumbers(QChart* chart) {
    chart->setLocalizeNumbers(true);
    chart->setLocale(catalanLocale());
}

// Where a chart's picture is saved: the file name the save dialog proposes
// and the data files it must not replace.
struct PngTarget {
    QString proposed;
    std::vector<std::string> inputs;
};

// The chart above a bar of buttons: whatever `leading` holds on the left, then
// "Guardar imatge..." (saving the chart as PNG) and "Tancar" on the right; the
// status line below says where the picture was saved.
void layOutChart(QDialog* dialog, QChartView* view, QStatusBar* status,
                 std::initializer_list<QWidget*> leading, std::function<PngTarget()> target) {
    auto* save = new QPushButton(QStringLiteral("Guardar imatge..."), dialog);
    save->setObjectName(QStringLiteral("Btn_GuardarGrafic"));
    save->setMinimumWidth(save->sizeHint().width() + 16);
    auto* close = new QPushButton(QStringLiteral("Tancar"), dialog);
    auto* saveDialog =
        new FileDialog(FileDialog::Kind::Save, QStringLiteral("SaveDialogGrafic"),
                       QStringLiteral("Guardar el gràfic"), dialog,
                       QStringLiteral("Imatges PNG (*.png)|*.png"), QStringLiteral("*.png"));
    auto* bar = new QHBoxLayout;
    for (QWidget* w : leading)
        bar->addWidget(w);
    bar->addStretch();
    bar->addWidget(save);
    bar->addWidget(close);
    auto* layout = new QVBoxLayout(dialog);
    layout->addWidget(view, 1);
    layout->addLayout(bar);
    layout->addWidget(status);
    QObject::connect(save, &QPushButton::clicked, dialog, [=] {
        const PngTarget t = target();
        saveToChosenFile(
            dialog, saveDialog, t.proposed, status,
            [view] { return pngBytes(view->grab().toImage()); }, t.inputs);
    });
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

// A horizontal line across the whole simulation at glucose `y`.
QLineSeries* levelLine(const QString& name, const QString& objectName, double y,
                       const QColor& colour, Qt::PenStyle style) {
    auto* line = lineSeries(name, {QPointF(0, y), QPointF(kSamples - 1, y)}, colour, 1.5, style);
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

void drawGlucoseChart(QChart* chart, const ExperimentResult& e, int j, int patient) {
    const GlucoseSeries s = glucoseSeries(e);
    useCatalanNumbers(chart);
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
    // The hypoglycaemia limit of the areas is also the lower end of the
    // metrics' target range.
    static_assert(kHypo == kRangeLow);
    auto* hypo = levelLine(QStringLiteral("Hipoglucèmia, àrees i mètriques (70 mg/dl)"),
                           QStringLiteral("hypo"), kHypo, QColor(230, 120, 0), Qt::DashLine);
    auto* hyper = levelLine(QStringLiteral("Hiperglucèmia, àrees (150 mg/dl)"),
                            QStringLiteral("hyper"), kHyper, QColor(120, 0, 160), Qt::DashLine);
    auto* range = levelLine(QStringLiteral("Hiperglucèmia, mètriques (180 mg/dl)"),
                            QStringLiteral("range"), kRangeHigh, QColor(200, 40, 140), Qt::DotLine);
    for (QLineSeries* series : {lower, upper, measured, hypo, hyper, range})
        chart->addSeries(series);
    fitGlucoseAxes(chart, s);
    // The names of the lines are long: the legend lists them on the right.
    chart->legend()->setAlignment(Qt::AlignRight);
    // The band stands for its bounds in the legend.
    for (QLineSeries* series : {lower, upper})
        for (QLegendMarker* marker : chart->legend()->markers(series))
            marker->setVisible(false);
}

void drawRocChart(QChart* chart, const RocTable& roc) {
    clearChart(chart);
    useCatalanNumbers(chart);
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

std::string pngBytes(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) return {};
    return bytes.toStdString();
}

GlucoseChartDialog::GlucoseChartDialog(QWidget* parent)
    : QDialog(parent), view_(makeView(this)), selector_(new QComboBox(this)),
      status_(createStatusLine(this)) {
    setObjectName(QStringLiteral("GlucoseChart"));
    setWindowTitle(QStringLiteral("Gràfic de glucosa en sang"));
    selector_->setObjectName(QStringLiteral("CB_Experiment"));
    for (int j = 1; j <= kExperiments; ++j)
        selector_->addItem(QStringLiteral("Experiment nº %1").arg(j));
    layOutChart(
        this, view_, status_, {new QLabel(QStringLiteral("Experiment:"), this), selector_}, [this] {
            const auto inputs = results_ ? results_->inputFiles : std::vector<std::string>();
            const QString what = QStringLiteral("experiment_%1")
                                     .arg(selector_->currentIndex() + 1, 2, 10, QLatin1Char('0'));
            return PngTarget{proposedFileName(inputs, what, QStringLiteral("png")), inputs};
        });
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
                     results_->patient);
}

RocChartDialog::RocChartDialog(QWidget* parent)
    : QDialog(parent), view_(makeView(this)), status_(createStatusLine(this)) {
    setObjectName(QStringLiteral("RocChart"));
    setWindowTitle(QStringLiteral("Corba ROC"));
    layOutChart(this, view_, status_, {}, [this] {
        return PngTarget{
            proposedFileName(inputFiles_, QStringLiteral("roc"), QStringLiteral("png")),
            inputFiles_};
    });
    resize(640, 600);
}

void RocChartDialog::setRoc(const RocTable& roc, const std::vector<std::string>& inputFiles) {
    inputFiles_ = inputFiles;
    drawRocChart(view_->chart(), roc);
}

} // namespace glucosim
