// Plots of the results: one experiment's simulated glucose band against the
// measured glucose, and the ROC curve of hypoglycaemia detection.
#pragma once

#include <QDialog>
#include <QPointF>
#include <QString>
#include <QVector>
#include <memory>
#include <string>
#include <vector>

#include "glucosim/core/computation.h"

class QChart;
class QChartView;
class QComboBox;
class QImage;
class QLineSeries;
class QPushButton;
class QStatusBar;

namespace glucosim {

// Points of the plots, also used by the tests: finite values only.
struct GlucoseSeries {
    QVector<QPointF> lower;    // (minute, lower bound of the band)
    QVector<QPointF> upper;    // (minute, upper bound)
    QVector<QPointF> measured; // (minute, measured glucose)
};
// Minute m shows the band the glucose grid shows in its row m: G[m-1].
GlucoseSeries glucoseSeries(const ExperimentResult& experiment);

// (1-Espec., Sens.) of each threshold whose two values are numbers.
QVector<QPointF> rocPoints(const RocTable& roc);

// Removes every series and axis of a chart.
void clearChart(QChart* chart);
// Draws experiment j (0..23) of a patient into an empty chart: the simulated
// band, its bounds, the measured glucose and the lines of the limits the
// results use, each named after its use: 70 mg/dl (hypoglycaemia areas and
// metrics), 150 mg/dl (hyperglycaemia areas) and 180 mg/dl (hyperglycaemia
// metrics). The numbers of both drawing functions have the decimal comma.
void drawGlucoseChart(QChart* chart, const ExperimentResult& experiment, int j, int patient);
// Draws the ROC curve with its thresholds, the chance line and the area under
// the curve in the title (or why there is no curve) into a chart.
void drawRocChart(QChart* chart, const RocTable& roc);

// A picture as the bytes of a PNG file; empty when it cannot be encoded.
std::string pngBytes(const QImage& image);

class GlucoseChartDialog : public QDialog {
    Q_OBJECT
public:
    explicit GlucoseChartDialog(QWidget* parent = nullptr);

    // The results to plot; keeps them alive while shown.
    void setResults(std::shared_ptr<const Results> results);
    // Plots experiment j (0..23).
    void showExperiment(int experiment);
    int experiment() const;

    QChartView* view() const { return view_; }
    QComboBox* selector() const { return selector_; }
    QStatusBar* statusLine() const { return status_; }

private:
    std::shared_ptr<const Results> results_;
    QChartView* view_;
    QComboBox* selector_;
    QStatusBar* status_;
};

class RocChartDialog : public QDialog {
    Q_OBJECT
public:
    explicit RocChartDialog(QWidget* parent = nullptr);

    // The curve of `roc`; `inputFiles`, the data files of the results, name
    // the file the save dialog proposes.
    void setRoc(const RocTable& roc, const std::vector<std::string>& inputFiles = {});
    QChartView* view() const { return view_; }
    QStatusBar* statusLine() const { return status_; }

private:
    QChartView* view_;
    QStatusBar* status_;
    std::vector<std::string> inputFiles_;
};

} // namespace glucosim
