#include "glucosim/ui/result_forms.h"

#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "glucosim/core/float_text.h"
#include "glucosim/core/metrics.h"
#include "glucosim/core/output_files.h"
#include "glucosim/core/provenance.h"
#include "glucosim/core/tables.h"
#include "glucosim/ui/catalan_locale.h"
#include "glucosim/ui/charts.h"
#include "glucosim/ui/hipo_delegate.h"

namespace glucosim {

namespace {

constexpr int kResultsGridRows = 62;
constexpr int kLastExperimentRow = kExperiments; // rows 1..24
// Room left on the screen for a window's title bar and borders.
constexpr QSize kWindowFrameRoom(16, 48);

QPushButton* button(const QString& name, const QString& text, QWidget* parent) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    b->setMinimumWidth(110);
    return b;
}

// Shows the first row and column of a grid.
void scrollHome(StringGrid* grid) {
    grid->scrollToTop();
    grid->horizontalScrollBar()->setValue(0);
}

std::vector<std::string> inputsOf(const std::shared_ptr<const Results>& results) {
    return results ? results->inputFiles : std::vector<std::string>();
}

} // namespace

GridForm::GridForm(QWidget* parent, int bodyRows)
    : QDialog(parent), status_(createStatusLine(this)), bodyRows_(bodyRows) {}

void GridForm::layOut(StringGrid* grid, std::initializer_list<QPushButton*> buttons) {
    grid_ = grid;
    auto* panel = new QHBoxLayout;
    panel->setContentsMargins(8, 6, 8, 0);
    panel->setSpacing(8);
    for (QPushButton* b : buttons)
        panel->addWidget(b);
    panel->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(grid, 1);
    layout->addLayout(panel);
    layout->addWidget(status_);
}

QSize GridForm::fittingSize(const QRect& available) const {
    const int frame = 2 * grid_->frameWidth();
    const int scrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, grid_);
    int columns = 0;
    for (int c = 0; c < grid_->colCount(); ++c)
        columns += grid_->colWidth(c);
    const QSize room = available.size() - kWindowFrameRoom;
    const int wanted = columns + frame + (grid_->gridRowCount() - 1 > bodyRows_ ? scrollBar : 0);
    const int width = std::min(room.width(), wanted);
    const int below = layout()->sizeHint().height() - grid_->sizeHint().height();
    int height = grid_->horizontalHeader()->height() +
                 bodyRows_ * grid_->verticalHeader()->defaultSectionSize() + frame + below;
    if (wanted > width) height += scrollBar; // the columns need the horizontal scroll bar
    return {std::max(width, minimumSizeHint().width()), std::min(room.height(), height)};
}

void GridForm::fitToScreen(bool maximised) {
    const QRect available = screen()->availableGeometry();
    const QSize size = fittingSize(available);
    resize(size);
    move(available.topLeft() +
         QPoint((available.width() - size.width()) / 2, (available.height() - size.height()) / 2));
    if (maximised) setWindowState(Qt::WindowMaximized);
}

void GridForm::saveGrid(FileDialog* dialog, const QString& proposed, int rows, int columns,
                        const std::vector<std::string>& inputs) {
    saveToChosenFile(
        this, dialog, proposed, status_,
        [&] { return gridText(grid_->grid()->table(rows, columns)); }, inputs);
}

TF_GlucosaSang::TF_GlucosaSang(QWidget* parent) : GridForm(parent, kExperiments) {
    setObjectName(QStringLiteral("F_GlucosaSang"));
    setWindowTitle(QStringLiteral("Glucosa en sang"));
    SG_GlucosaSang =
        new StringGrid(QStringLiteral("SG_GlucosaSang"), kGlucoseColumns, kGlucoseRows, 120, this);
    Btn_guardarGlucosa =
        button(QStringLiteral("Btn_guardarGlucosa"), QStringLiteral("Guardar"), this);
    Btn_SortirGlucosa = button(QStringLiteral("Btn_SortirGlucosa"), QStringLiteral("Tancar"), this);
    Btn_GraficGlucosa =
        button(QStringLiteral("Btn_GraficGlucosa"), QStringLiteral("Veure gràfic"), this);
    SaveDialog2 = new FileDialog(FileDialog::Kind::Save, QStringLiteral("SaveDialog2"),
                                 QStringLiteral("Guardar la glucosa en sang"), this);
    layOut(SG_GlucosaSang, {Btn_guardarGlucosa, Btn_SortirGlucosa, Btn_GraficGlucosa});
    Btn_GraficGlucosa->setEnabled(false);
    connect(Btn_guardarGlucosa, &QPushButton::clicked, this, [this] {
        const auto inputs = inputsOf(results_);
        saveGrid(SaveDialog2, proposedFileName(inputs, QStringLiteral("glucosa"), "txt"),
                 kGlucoseRows, kGlucoseColumns, inputs);
    });
    connect(Btn_SortirGlucosa, &QPushButton::clicked, this, &QDialog::close);
    connect(Btn_GraficGlucosa, &QPushButton::clicked, this, [this] {
        const QModelIndex current = SG_GlucosaSang->currentIndex();
        // Columns 3n - 2 .. 3n belong to experiment n.
        const int n = current.isValid() && current.column() > 0 ? (current.column() + 2) / 3 : 1;
        showChart(std::clamp(n, 1, kExperiments) - 1);
    });
    fitToScreen(true);
}

void TF_GlucosaSang::setResults(std::shared_ptr<const Results> results) {
    results_ = std::move(results);
    SG_GlucosaSang->grid()->setTable(results_ ? glucoseTable(*results_) : Table());
    scrollHome(SG_GlucosaSang);
    Btn_GraficGlucosa->setEnabled(results_ != nullptr);
    if (chart_) chart_->setResults(results_);
}

GlucoseChartDialog* TF_GlucosaSang::showChart(int experiment) {
    if (!results_) return nullptr;
    if (!chart_) chart_ = new GlucoseChartDialog(this);
    chart_->setResults(results_);
    chart_->showExperiment(experiment);
    chart_->show();
    chart_->raise();
    return chart_;
}

TF_Optimitzacio::TF_Optimitzacio(QWidget* parent) : GridForm(parent, 0) {
    setObjectName(QStringLiteral("F_Optimitzacio"));
    setWindowTitle(QStringLiteral("Taula dels valors per l'optimització"));
    SG_Optimitzacio =
        new StringGrid(QStringLiteral("SG_Optimitzacio"), 3, kOptimisationRows, 100, this);
    Btn_GuardarOpt = button(QStringLiteral("Btn_GuardarOpt"), QStringLiteral("Guardar"), this);
    Btn_TancarOpt = button(QStringLiteral("Btn_TancarOpt"), QStringLiteral("Tancar"), this);
    SaveDialog3 = new FileDialog(FileDialog::Kind::Save, QStringLiteral("SaveDialog3"),
                                 QStringLiteral("Guardar la taula d'optimització"), this);
    layOut(SG_Optimitzacio, {Btn_GuardarOpt, Btn_TancarOpt});
    connect(Btn_GuardarOpt, &QPushButton::clicked, this, [this] {
        saveGrid(SaveDialog3, proposedFileName(inputs_, QStringLiteral("optimitzacio"), "txt"),
                 kOptimisationRows, SG_Optimitzacio->colCount() == 4 ? 4 : 3, inputs_);
    });
    connect(Btn_TancarOpt, &QPushButton::clicked, this, &QDialog::close);
    setFixedSize(326, 393);
}

void TF_Optimitzacio::setResults(const Results& results) {
    if (results.mode != Mode::Optimisation) return; // the grid keeps its last texts
    inputs_ = results.inputFiles;
    SG_Optimitzacio->grid()->setTable(optimisationTable(results), true);
    scrollHome(SG_Optimitzacio);
}

void TF_Optimitzacio::fitWidth() {
    setFixedSize(SG_Optimitzacio->colCount() == 4 ? 445 : 345, height());
}

void TF_Dades::setOtherForms(TF_GlucosaSang* glucosa, TF_Optimitzacio* optimitzacio) {
    glucosa_ = glucosa;
    optimitzacio_ = optimitzacio;
    if (results_) {
        if (glucosa_) glucosa_->setResults(results_);
        if (optimitzacio_) optimitzacio_->setResults(*results_);
    }
}

TF_Dades::TF_Dades(QWidget* parent) : GridForm(parent, kExperiments) {
    setObjectName(QStringLiteral("F_Dades"));
    setWindowTitle(QStringLiteral("Resum dades experiment"));
    SG_TaulaResmExperiment = new StringGrid(QStringLiteral("SG_TaulaResmExperiment"),
                                            kResultsColumns, kResultsGridRows, 80, this);
    Btn_VisualOpt =
        button(QStringLiteral("Btn_VisualOpt"), QStringLiteral("Dades optimizació"), this);
    Btn_VisualGlucosa =
        button(QStringLiteral("Btn_VisualGlucosa"), QStringLiteral("Visualitzar glucosa"), this);
    Btn2_Guardar = button(QStringLiteral("Btn2_Guardar"), QStringLiteral("Guardar"), this);
    Btn2_Tancar = button(QStringLiteral("Btn2_Tancar"), QStringLiteral("Tancar"), this);
    Btn_CorbaROC = button(QStringLiteral("Btn_CorbaROC"), QStringLiteral("Corba ROC"), this);
    Btn_Metriques = button(QStringLiteral("Btn_Metriques"), QStringLiteral("Mètriques"), this);
    Btn_ExportarCSV =
        button(QStringLiteral("Btn_ExportarCSV"), QStringLiteral("Exportar CSV"), this);
    Btn_Detalls = button(QStringLiteral("Btn_Detalls"), QStringLiteral("Detalls"), this);
    SaveDialog1 = new FileDialog(FileDialog::Kind::Save, QStringLiteral("SaveDialog1"),
                                 QStringLiteral("Guardar el resum de l'experiment"), this);
    layOut(SG_TaulaResmExperiment, {Btn_VisualOpt, Btn_VisualGlucosa, Btn2_Guardar, Btn2_Tancar,
                                    Btn_CorbaROC, Btn_Metriques, Btn_ExportarCSV, Btn_Detalls});
    Btn_VisualOpt->setEnabled(false);
    for (QPushButton* b : {Btn_CorbaROC, Btn_Metriques, Btn_ExportarCSV, Btn_Detalls})
        b->setEnabled(false);
    SG_TaulaResmExperiment->setToolTip(
        QStringLiteral("Doble clic sobre un experiment per veure'n el gràfic de glucosa"));
    setColumnWidths();

    hipo_ = new HipoDelegate(&leds_, 5, kLastExperimentRow, this);
    SG_TaulaResmExperiment->setItemDelegateForColumn(4, hipo_);

    connect(Btn_VisualOpt, &QPushButton::clicked, this, &TF_Dades::Btn_VisualOptClick);
    connect(Btn_VisualGlucosa, &QPushButton::clicked, this, &TF_Dades::Btn_VisualGlucosaClick);
    connect(Btn2_Guardar, &QPushButton::clicked, this, [this] {
        const auto inputs = inputsOf(results_);
        saveGrid(SaveDialog1, proposedFileName(inputs, QStringLiteral("resultats"), "txt"),
                 kResultsRows, kResultsColumns, inputs);
    });
    connect(Btn2_Tancar, &QPushButton::clicked, this, &QDialog::close);
    connect(Btn_CorbaROC, &QPushButton::clicked, this, &TF_Dades::showRocChart);
    connect(Btn_Metriques, &QPushButton::clicked, this, &TF_Dades::showMetrics);
    connect(Btn_ExportarCSV, &QPushButton::clicked, this, &TF_Dades::exportCsv);
    connect(Btn_Detalls, &QPushButton::clicked, this, &TF_Dades::showDetails);
    connect(SG_TaulaResmExperiment, &StringGrid::rowActivated, this, [this](int row) {
        if (glucosa_ && row >= 1 && row <= kExperiments) glucosa_->showChart(row - 1);
    });
    fitToScreen(true);
}

void TF_Dades::setColumnWidths() {
    for (int c = 0; c < kResultsColumns; ++c)
        SG_TaulaResmExperiment->setColWidth(c, kResultsColumnWidths[static_cast<std::size_t>(c)]);
}

void TF_Dades::setResults(std::shared_ptr<const Results> results) {
    results_ = std::move(results);
    if (!results_) return;
    SG_TaulaResmExperiment->grid()->setTable(resultsTable(*results_));
    setColumnWidths();
    scrollHome(SG_TaulaResmExperiment);
    Btn_VisualOpt->setEnabled(results_->mode == Mode::Optimisation);
    for (QPushButton* b : {Btn_CorbaROC, Btn_Metriques, Btn_ExportarCSV, Btn_Detalls})
        b->setEnabled(true);
    setWindowTitle(QString::fromStdString(resultsCaption(*results_)));
    if (glucosa_) glucosa_->setResults(results_);
    if (optimitzacio_) optimitzacio_->setResults(*results_);
    if (roc_) roc_->setRoc(results_->roc, results_->inputFiles);
    if (metrics_) metrics_->setResults(results_);
}

void TF_Dades::Btn_VisualOptClick() {
    if (!optimitzacio_) return;
    optimitzacio_->fitWidth();
    optimitzacio_->show();
    optimitzacio_->raise();
}

void TF_Dades::Btn_VisualGlucosaClick() {
    if (!glucosa_) return;
    glucosa_->setModal(true);
    glucosa_->show();
    glucosa_->raise();
}

RocChartDialog* TF_Dades::showRocChart() {
    if (!results_) return nullptr;
    if (!roc_) roc_ = new RocChartDialog(this);
    roc_->setRoc(results_->roc, results_->inputFiles);
    roc_->show();
    roc_->raise();
    return roc_;
}

TF_Metriques* TF_Dades::showMetrics() {
    if (!results_) return nullptr;
    if (!metrics_) metrics_ = new TF_Metriques(this);
    metrics_->setResults(results_);
    metrics_->show();
    metrics_->raise();
    return metrics_;
}

void TF_Dades::exportCsv() {
    if (!results_) return;
    const QString folder =
        dialogHooks().folder(this, QStringLiteral("Carpeta on exportar els fitxers CSV"),
                             dataFolder(results_->inputFiles));
    if (folder.isEmpty()) return;
    const QDir dir(folder);
    const auto path = [&dir](const std::string& name) {
        return dir.filePath(QString::fromStdString(name)).toStdString();
    };
    std::vector<OutputFile> files{csvFile(path("metrics.csv"), metricsTable(*results_))};
    const auto names = csvFileNames(results_->mode == Mode::Optimisation);
    const auto tables = csvTables(*results_);
    for (std::size_t i = 0; i < names.size(); ++i)
        files.push_back(csvFile(path(names[i]), tables[i]));
    if (const auto error = saveTables(files, results_->inputFiles)) {
        dialogHooks().message(this, kProgramTitle,
                              QStringLiteral("No s'han pogut exportar els fitxers CSV: %1.")
                                  .arg(QString::fromStdString(*error)),
                              MessageKind::Critical);
        return;
    }
    statusLine()->showMessage(
        QStringLiteral("Exportats %1 fitxers CSV a \"%2\"").arg(files.size()).arg(folder));
    statusLine()->setToolTip(folder);
}

void TF_Dades::showDetails() {
    if (!results_) return;
    dialogHooks().message(this, QStringLiteral("Detalls del càlcul"),
                          QString::fromStdString(provenanceText(*results_)),
                          MessageKind::Information);
}

TF_Metriques::TF_Metriques(QWidget* parent) : GridForm(parent, kExperiments + 1) {
    setObjectName(QStringLiteral("F_Metriques"));
    setWindowTitle(QStringLiteral("Mètriques de glucosa"));
    SG_Metriques =
        new StringGrid(QStringLiteral("SG_Metriques"), static_cast<int>(kMetricsCaptions.size()),
                       kExperiments + 2, 105, this);
    Btn_GuardarMetriques =
        button(QStringLiteral("Btn_GuardarMetriques"), QStringLiteral("Guardar"), this);
    Btn_TancarMetriques =
        button(QStringLiteral("Btn_TancarMetriques"), QStringLiteral("Tancar"), this);
    SaveDialogMetriques =
        new FileDialog(FileDialog::Kind::Save, QStringLiteral("SaveDialogMetriques"),
                       QStringLiteral("Guardar les mètriques (CSV)"), this,
                       QStringLiteral("Fitxers CSV (*.csv)|*.csv"), QStringLiteral("*.csv"));
    layOut(SG_Metriques, {Btn_GuardarMetriques, Btn_TancarMetriques});
    SG_Metriques->setToolTip(QStringLiteral("\"Guardar\" escriu aquestes mètriques amb tots els "
                                            "decimals, com metrics.csv"));
    connect(Btn_GuardarMetriques, &QPushButton::clicked, this, [this] {
        if (!results_) return;
        saveToChosenFile(
            this, SaveDialogMetriques,
            proposedFileName(results_->inputFiles, QStringLiteral("metrics"), "csv"), statusLine(),
            [this] { return csvText(metricsTable(*results_)); }, results_->inputFiles);
    });
    connect(Btn_TancarMetriques, &QPushButton::clicked, this, &QDialog::close);
    fitToScreen(false);
}

void TF_Metriques::setResults(std::shared_ptr<const Results> results) {
    results_ = std::move(results);
    if (!results_) return;
    // The numbers of metrics.csv under Catalan captions, the means and
    // percentages with one decimal and a decimal comma.
    Table t = metricsTable(*results_);
    const QLocale catalan = catalanLocale();
    for (std::size_t c = 0; c < t[0].size(); ++c) {
        const QString name = QString::fromStdString(t[0][c]);
        if (!name.endsWith(QLatin1String("_percent")) && !name.endsWith(QLatin1String("_mg_dl")))
            continue;
        for (std::size_t r = 1; r < t.size(); ++r) {
            const double v = std::strtod(t[r][c].c_str(), nullptr);
            t[r][c] = std::isfinite(v) ? catalan.toString(v, 'f', 1).toStdString() : FloatToStr(v);
        }
    }
    t[0].assign(kMetricsCaptions.begin(), kMetricsCaptions.end());
    t.back()[0] = kMetricsAllCaption;
    SG_Metriques->grid()->setTable(t, true);
    SG_Metriques->resizeColumnsToContents();
    scrollHome(SG_Metriques);
    if (!isVisible()) fitToScreen(false);
}

} // namespace glucosim
