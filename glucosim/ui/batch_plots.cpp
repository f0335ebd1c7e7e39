#include "glucosim/ui/batch_plots.h"

#include <QChart>
#include <QChartView>
#include <QImage>
#include <QLegend>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "glucosim/ui/catalan_locale.h"
#include "glucosim/ui/charts.h"

namespace glucosim {

namespace {

// Four significant digits with the decimal comma.
QString shortNumber(double x) {
    return catalanLocale().toString(x, 'g', 4);
}

// The picture of a chart drawn at a given size.
QImage chartImage(QChart* chart, const QSize& size) {
    QChartView view(chart); // takes the chart
    view.setRenderHint(QPainter::Antialiasing);
    view.resize(size);
    return view.grab().toImage();
}

QImage glucoseImage(const Results& r, int j, const QSize& size, bool small) {
    auto* chart = new QChart;
    drawGlucoseChart(chart, r.experiments[static_cast<std::size_t>(j)], j, r.patient);
    if (small) {
        chart->legend()->hide();
        chart->setTitle(QStringLiteral("Experiment %1").arg(j + 1));
        chart->setMargins(QMargins(2, 2, 2, 2));
    }
    return chartImage(chart, size);
}

QImage overviewImage(const Results& r) {
    constexpr int columns = 6, rows = 4;
    const QSize cell(400, 270);
    QImage page(cell.width() * columns, cell.height() * rows + 40, QImage::Format_RGB32);
    page.fill(Qt::white);
    QPainter p(&page);
    QFont font = p.font();
    font.setPointSize(14);
    p.setFont(font);
    p.drawText(QRect(0, 0, page.width(), 40), Qt::AlignCenter,
               QStringLiteral("Pacient %1: glucosa simulada (banda) i mesurada, 24 experiments")
                   .arg(r.patient));
    for (int j = 0; j < kExperiments; ++j)
        p.drawImage(QPoint((j % columns) * cell.width(), 40 + (j / columns) * cell.height()),
                    glucoseImage(r, j, cell, true));
    return page;
}

QImage rocImage(const Results& r) {
    auto* chart = new QChart;
    drawRocChart(chart, r.roc);
    return chartImage(chart, QSize(700, 640));
}

// The criterion of every pair: absorption time T down, sensitivity factor L
// across; the better the value, the darker the blue. NaN pairs are grey.
QImage criterionImage(const Results& r) {
    const QSize size(1000, 700);
    const QRect plot(120, 70, 760, 560);
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    double lo = INFINITY, hi = -INFINITY;
    for (const GridPair& g : r.grid)
        if (std::isfinite(g.value)) {
            lo = std::min(lo, g.value);
            hi = std::max(hi, g.value);
        }
    const bool maximise = r.criterion == Criterion::Coverage;
    const double cw = plot.width() / double(kSensSteps), ch = plot.height() / double(kTmaxSteps);
    const auto colour = [&](double v) {
        if (!std::isfinite(v)) return QColor(200, 200, 200);
        double t = hi > lo ? (v - lo) / (hi - lo) : 1.0;
        if (!maximise) t = 1.0 - t; // t = 1 is the best value
        return QColor::fromRgbF(1.0 - 0.85 * t, 1.0 - 0.6 * t, 1.0 - 0.2 * t);
    };
    for (int i = 0; i < static_cast<int>(r.grid.size()); ++i) {
        const QRectF cell(plot.left() + (i % kSensSteps) * cw, plot.top() + (i / kSensSteps) * ch,
                          cw, ch);
        p.fillRect(cell, colour(r.grid[static_cast<std::size_t>(i)].value));
    }
    if (r.chosenPair >= 0) {
        const QRectF cell(plot.left() + (r.chosenPair % kSensSteps) * cw,
                          plot.top() + (r.chosenPair / kSensSteps) * ch, cw, ch);
        p.setPen(QPen(Qt::red, 3));
        p.drawRect(cell.adjusted(1, 1, -1, -1));
    }
    p.setPen(Qt::black);
    p.drawRect(plot);
    QFont font = p.font();
    font.setPointSize(9);
    p.setFont(font);
    for (int f = 0; f < kTmaxSteps; ++f)
        p.drawText(QRectF(plot.left() - 60, plot.top() + f * ch, 55, ch),
                   Qt::AlignRight | Qt::AlignVCenter, QString::number(5 * f + 30));
    for (int h = 0; h < kSensSteps; h += 2)
        p.drawText(QRectF(plot.left() + h * cw - 10, plot.bottom() + 4, cw + 20, 20),
                   Qt::AlignCenter, catalanLocale().toString(0.1 * h + 0.1, 'f', 1));
    p.drawText(QRect(plot.left(), plot.bottom() + 28, plot.width(), 20), Qt::AlignCenter,
               QStringLiteral("Factor de sensibilitat L (Si = L x Si nominal)"));
    p.save();
    p.translate(plot.left() - 80, plot.center().y());
    p.rotate(-90);
    p.drawText(QRect(-150, -20, 300, 20), Qt::AlignCenter, QStringLiteral("TmaxG (min)"));
    p.restore();
    font.setPointSize(12);
    p.setFont(font);
    p.drawText(QRect(0, 10, size.width(), 50), Qt::AlignCenter,
               QStringLiteral("Criteri \"%1\" sobre la graella (més fosc: millor; vermell: "
                              "parella escollida)\nvalors de %2 a %3")
                   .arg(QString::fromStdString(criterionName(r.criterion)), shortNumber(lo),
                        shortNumber(hi)));
    // Colour scale.
    const QRect scale(plot.right() + 30, plot.top(), 25, plot.height());
    for (int y = 0; y < scale.height(); ++y) {
        const double v = hi - (hi - lo) * y / std::max(1, scale.height() - 1);
        p.fillRect(QRect(scale.left(), scale.top() + y, scale.width(), 1), colour(v));
    }
    p.setPen(Qt::black);
    p.drawRect(scale);
    font.setPointSize(9);
    p.setFont(font);
    p.drawText(QPoint(scale.left(), scale.top() - 6), shortNumber(hi));
    p.drawText(QPoint(scale.left(), scale.bottom() + 16), shortNumber(lo));
    return image;
}

} // namespace

bool renderBatchPlots(const Results& r, std::vector<PlotFile>& files, std::string& error) {
    if (r.experiments.size() != static_cast<std::size_t>(kExperiments)) {
        error = "no hi ha resultats";
        return false;
    }
    const auto names = plotFileNames(r.mode == Mode::Optimisation);
    files.clear();
    for (int j = 0; j < kExperiments; ++j)
        files.push_back(
            {names[static_cast<std::size_t>(j)], pngBytes(glucoseImage(r, j, {1000, 640}, false))});
    files.push_back({"overview.png", pngBytes(overviewImage(r))});
    files.push_back({"roc.png", pngBytes(rocImage(r))});
    if (r.mode == Mode::Optimisation)
        files.push_back({"criterion.png", pngBytes(criterionImage(r))});
    for (const PlotFile& f : files)
        if (f.bytes.empty()) {
            error = "no s'ha pogut fer " + f.name;
            return false;
        }
    return true;
}

} // namespace glucosim
