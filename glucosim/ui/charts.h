// Plots of the results: one experiment's simulated glucose band against the
// measured glucose, and the ROC curve of hypoglycaemia detection.
#pragma once

#include <QDialog>
#include <QPointF>
#include <QString>
#include <QVector>
#include <memory>

#include "glucosim/core/computation.h"

class QChart;
class QChartView;
class QComboBox;
class QLineSeries;
class QPushButton;

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
// band, its bounds, the measured glucose, the 70 mg/dl line and an upper line.
void drawGlucoseChart(QChart* chart, const ExperimentResult& experiment, int j, int patient,
                      double upperLine, const QString& upperName);
// Draws the ROC curve with its thresholds, the chance line and the area under
// the curve in the title (or why there is no curve) into a chart.
void drawRocChart(QChart* chart, const RocTable& roc);

// Saves what a chart view shows as a PNG file; false when it cannot be
// written.
bool saveChartPng(QChartView* view, const QString& path);

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

private:
    void savePng();

    std::shared_ptr<const Results> results_;
    QChartView* view_;
    QComboBox* selector_;
    QPushButton* save_;
};

class RocChartDialog : public QDialog {
    Q_OBJECT
public:
    explicit RocChartDialog(QWidget* parent = nullptr);

    void setRoc(const RocTable& roc);
    QChartView* view() const { return view_; }

private:
    void savePng();

    QChartView* view_;
    QPushButton* save_;
};

} // namespace glucosim
