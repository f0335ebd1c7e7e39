// The three result forms: the per-experiment summary with the sensitivity /
// specificity table (TF_Dades), the glucose minute by minute
// (TF_GlucosaSang) and the optimisation grid (TF_Optimitzacio).
#pragma once

#include <QDialog>
#include <memory>
#include <string>
#include <vector>

#include "glucosim/core/computation.h"
#include "glucosim/ui/dialogs.h"
#include "glucosim/ui/leds.h"
#include "glucosim/ui/string_grid.h"

class QPushButton;

namespace glucosim {

class GlucoseChartDialog;
class RocChartDialog;
class HipoDelegate;
class TF_GlucosaSang;
class TF_Optimitzacio;

// Writes rows 0..rows-1 and columns 0..columns-1 of a grid to the file the
// save dialog returns, through a temporary file that replaces it only when
// written in full. A file that cannot be written, or that is one of `inputs`
// (the data files of the results), is reported and left as it was.
void saveGrid(QWidget* parent, FileDialog* dialog, const StringGrid* grid, int rows, int columns,
              const std::vector<std::string>& inputs);

class TF_GlucosaSang : public QDialog {
    Q_OBJECT
public:
    explicit TF_GlucosaSang(QWidget* parent = nullptr);

    StringGrid* SG_GlucosaSang;
    QPushButton* Btn_guardarGlucosa;
    QPushButton* Btn_SortirGlucosa;
    QPushButton* Btn_GraficGlucosa;
    FileDialog* SaveDialog2;

    void setResults(std::shared_ptr<const Results> results);
    // Opens the glucose chart of experiment j (0..23).
    GlucoseChartDialog* showChart(int experiment);
    GlucoseChartDialog* chart() const { return chart_; }

private:
    std::shared_ptr<const Results> results_;
    GlucoseChartDialog* chart_ = nullptr;
};

class TF_Optimitzacio : public QDialog {
    Q_OBJECT
public:
    explicit TF_Optimitzacio(QWidget* parent = nullptr);

    StringGrid* SG_Optimitzacio;
    QPushButton* Btn_GuardarOpt;
    QPushButton* Btn_TancarOpt;
    FileDialog* SaveDialog3;

    void setResults(const Results& results);
    // The fixed width of the form: 445 for a grid of 4 columns, else 345.
    void fitWidth();

private:
    std::vector<std::string> inputs_;
};

// The glucose metrics of the measured samples against the band: one row per
// experiment and one over all of them (the rows of metrics.csv).
class TF_Metriques : public QDialog {
    Q_OBJECT
public:
    explicit TF_Metriques(QWidget* parent = nullptr);

    StringGrid* SG_Metriques;
    void setResults(const Results& results);
};

class TF_Dades : public QDialog {
    Q_OBJECT
public:
    explicit TF_Dades(QWidget* parent = nullptr);
    // The forms that the buttons show; not owned.
    void setOtherForms(TF_GlucosaSang* glucosa, TF_Optimitzacio* optimitzacio);

    StringGrid* SG_TaulaResmExperiment;
    QPushButton* Btn_VisualOpt;
    QPushButton* Btn_VisualGlucosa;
    QPushButton* Btn2_Guardar;
    QPushButton* Btn2_Tancar;
    QPushButton* Btn_CorbaROC;
    QPushButton* Btn_Metriques;
    QPushButton* Btn_ExportarCSV;
    QPushButton* Btn_Detalls;
    FileDialog* SaveDialog1;

    void setResults(std::shared_ptr<const Results> results);
    const LedPictures& leds() const { return leds_; }
    HipoDelegate* hipoDelegate() const { return hipo_; }
    RocChartDialog* rocChart() const { return roc_; }
    RocChartDialog* showRocChart();
    TF_Metriques* showMetrics();
    // Writes glucosa.csv, resultats.csv, metrics.csv and, after an
    // optimisation, optimitzacio.csv into a folder the user chooses.
    void exportCsv();
    // The version, inputs with their SHA-256, mode, criterion and chosen pair.
    void showDetails();

    void Btn_VisualOptClick();
    void Btn_VisualGlucosaClick();

private:
    TF_GlucosaSang* glucosa_ = nullptr;
    TF_Optimitzacio* optimitzacio_ = nullptr;
    LedPictures leds_;
    HipoDelegate* hipo_;
    std::shared_ptr<const Results> results_;
    RocChartDialog* roc_ = nullptr;
    TF_Metriques* metrics_ = nullptr;
};

} // namespace glucosim
