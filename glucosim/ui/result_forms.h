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
class QStatusBar;

namespace glucosim {

class GlucoseChartDialog;
class RocChartDialog;
class HipoDelegate;
class TF_GlucosaSang;
class TF_Optimitzacio;

// A result form: its grid above a bottom panel of buttons and a status line
// that says where the last save wrote.
class GridForm : public QDialog {
    Q_OBJECT
public:
    QStatusBar* statusLine() const { return status_; }
    // The size that shows the header row, `bodyRows_` body rows and every
    // column of the grid with the bottom panel, within `available` (a
    // screen's available geometry) less room for the window's frame.
    QSize fittingSize(const QRect& available) const;

protected:
    // `bodyRows` is how many body rows the form's size is made to show.
    GridForm(QWidget* parent, int bodyRows);
    void layOut(StringGrid* grid, std::initializer_list<QPushButton*> buttons);
    // Sizes the form to show its table on its screen and marks it maximised,
    // as the forms that fill the screen are.
    void fitToScreen(bool maximised);
    // Writes rows 0..rows-1 and columns 0..columns-1 of the grid as text to
    // the file the save dialog returns (see saveToChosenFile).
    void saveGrid(FileDialog* dialog, const QString& proposed, int rows, int columns,
                  const std::vector<std::string>& inputs);

private:
    StringGrid* grid_ = nullptr;
    QStatusBar* status_;
    int bodyRows_;
};

class TF_GlucosaSang : public GridForm {
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

class TF_Optimitzacio : public GridForm {
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
// experiment and one over all of them (the rows of metrics.csv), under
// Catalan captions. "Guardar" saves metrics.csv.
class TF_Metriques : public GridForm {
    Q_OBJECT
public:
    explicit TF_Metriques(QWidget* parent = nullptr);

    StringGrid* SG_Metriques;
    QPushButton* Btn_GuardarMetriques;
    QPushButton* Btn_TancarMetriques;
    FileDialog* SaveDialogMetriques;
    void setResults(std::shared_ptr<const Results> results);

private:
    std::shared_ptr<const Results> results_;
};

class TF_Dades : public GridForm {
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
    // The column widths of the results grid.
    void setColumnWidths();

    TF_GlucosaSang* glucosa_ = nullptr;
    TF_Optimitzacio* optimitzacio_ = nullptr;
    LedPictures leds_;
    HipoDelegate* hipo_;
    std::shared_ptr<const Results> results_;
    RocChartDialog* roc_ = nullptr;
    TF_Metriques* metrics_ = nullptr;
};

} // namespace glucosim
