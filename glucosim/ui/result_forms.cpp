#include "glucosim/ui/result_forms.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include "glucosim/core/output_files.h"
#include "glucosim/core/tables.h"
#include "glucosim/ui/charts.h"
#include "glucosim/ui/hipo_delegate.h"

namespace glucosim {

namespace {

constexpr int kResultsGridRows = 62;
constexpr int kLastExperimentRow = kExperiments; // rows 1..24

QPushButton* button(const QString& name, const QString& text, QWidget* parent) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    b->setMinimumWidth(110);
    return b;
}

// The grid above a bottom panel of buttons.
void layOut(QDialog* form, StringGrid* grid, std::initializer_list<QPushButton*> buttons) {
    auto* panel = new QHBoxLayout;
    panel->setContentsMargins(8, 6, 8, 6);
    panel->setSpacing(8);
    for (QPushButton* b : buttons)
        panel->addWidget(b);
    panel->addStretch();
    auto* layout = new QVBoxLayout(form);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(grid, 1);
    layout->addLayout(panel);
}

// Shows the first row and column of a grid.
void scrollHome(StringGrid* grid) {
    grid->scrollToTop();
    grid->horizontalScrollBar()->setValue(0);
}

} // namespace

void saveGrid(QWidget* parent, FileDialog* dialog, const StringGrid* grid, int rows, int columns,
              const std::vector<std::string>& inputs) {
    if (!dialog->execute(parent)) return;
    const Table table = grid->grid()->table(rows, columns);
    if (const auto error = saveTables({gridFile(dialog->fileName().toStdString(), table)}, inputs))
        dialogHooks().message(parent, kProgramTitle,
                              QStringLiteral("No s'ha pogut desar el fitxer \"%1\": %2.")
                                  .arg(dialog->fileName(), QString::fromStdString(*error)),
                              MessageKind::Critical);
}

TF_GlucosaSang::TF_GlucosaSang(QWidget* parent) : QDialog(parent) {
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
    layOut(this, SG_GlucosaSang, {Btn_guardarGlucosa, Btn_SortirGlucosa, Btn_GraficGlucosa});
    Btn_GraficGlucosa->setEnabled(false);
    connect(Btn_guardarGlucosa, &QPushButton::clicked, this, [this] {
        saveGrid(this, SaveDialog2, SG_GlucosaSang, kGlucoseRows, kGlucoseColumns,
                 results_ ? results_->inputFiles : std::vector<std::string>());
    });
    connect(Btn_SortirGlucosa, &QPushButton::clicked, this, &QDialog::close);
    connect(Btn_GraficGlucosa, &QPushButton::clicked, this, [this] {
        const QModelIndex current = SG_GlucosaSang->currentIndex();
        // Columns 3n - 2 .. 3n belong to experiment n.
        const int n = current.isValid() && current.column() > 0 ? (current.column() + 2) / 3 : 1;
        showChart(std::clamp(n, 1, kExperiments) - 1);
    });
    setWindowState(Qt::WindowMaximized);
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

TF_Optimitzacio::TF_Optimitzacio(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("F_Optimitzacio"));
    setWindowTitle(QStringLiteral("Taula dels valors per l'optimització"));
    SG_Optimitzacio =
        new StringGrid(QStringLiteral("SG_Optimitzacio"), 3, kOptimisationRows, 100, this);
    Btn_GuardarOpt = button(QStringLiteral("Btn_GuardarOpt"), QStringLiteral("Guardar"), this);
    Btn_TancarOpt = button(QStringLiteral("Btn_TancarOpt"), QStringLiteral("Tancar"), this);
    SaveDialog3 = new FileDialog(FileDialog::Kind::Save, QStringLiteral("SaveDialog3"),
                                 QStringLiteral("Guardar la taula d'optimització"), this);
    layOut(this, SG_Optimitzacio, {Btn_GuardarOpt, Btn_TancarOpt});
    connect(Btn_GuardarOpt, &QPushButton::clicked, this, [this] {
        saveGrid(this, SaveDialog3, SG_Optimitzacio, kOptimisationRows,
                 SG_Optimitzacio->colCount() == 4 ? 4 : 3, inputs_);
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

TF_Dades::TF_Dades(QWidget* parent) : QDialog(parent) {
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
    SaveDialog1 = new FileDialog(FileDialog::Kind::Save, QStringLiteral("SaveDialog1"),
                                 QStringLiteral("Guardar el resum de l'experiment"), this);
    layOut(this, SG_TaulaResmExperiment,
           {Btn_VisualOpt, Btn_VisualGlucosa, Btn2_Guardar, Btn2_Tancar, Btn_CorbaROC});
    Btn_VisualOpt->setEnabled(false);
    Btn_CorbaROC->setEnabled(false);
    SG_TaulaResmExperiment->setToolTip(
        QStringLiteral("Doble clic sobre un experiment per veure'n el gràfic de glucosa"));

    hipo_ = new HipoDelegate(&leds_, 5, kLastExperimentRow, this);
    SG_TaulaResmExperiment->setItemDelegateForColumn(4, hipo_);

    connect(Btn_VisualOpt, &QPushButton::clicked, this, &TF_Dades::Btn_VisualOptClick);
    connect(Btn_VisualGlucosa, &QPushButton::clicked, this, &TF_Dades::Btn_VisualGlucosaClick);
    connect(Btn2_Guardar, &QPushButton::clicked, this, [this] {
        saveGrid(this, SaveDialog1, SG_TaulaResmExperiment, kResultsRows, kResultsColumns,
                 results_ ? results_->inputFiles : std::vector<std::string>());
    });
    connect(Btn2_Tancar, &QPushButton::clicked, this, &QDialog::close);
    connect(Btn_CorbaROC, &QPushButton::clicked, this, &TF_Dades::showRocChart);
    connect(SG_TaulaResmExperiment, &StringGrid::rowActivated, this, [this](int row) {
        if (glucosa_ && row >= 1 && row <= kExperiments) glucosa_->showChart(row - 1);
    });
    setWindowState(Qt::WindowMaximized);
}

void TF_Dades::setResults(std::shared_ptr<const Results> results) {
    results_ = std::move(results);
    if (!results_) return;
    SG_TaulaResmExperiment->grid()->setTable(resultsTable(*results_));
    for (int c = 0; c < kResultsColumns; ++c)
        SG_TaulaResmExperiment->setColWidth(c, kResultsColumnWidths[static_cast<std::size_t>(c)]);
    scrollHome(SG_TaulaResmExperiment);
    Btn_VisualOpt->setEnabled(results_->mode == Mode::Optimisation);
    Btn_CorbaROC->setEnabled(true);
    setWindowTitle(QString::fromStdString(resultsCaption(*results_)));
    if (glucosa_) glucosa_->setResults(results_);
    if (optimitzacio_) optimitzacio_->setResults(*results_);
    if (roc_) roc_->setRoc(results_->roc);
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
    roc_->setRoc(results_->roc);
    roc_->show();
    roc_->raise();
    return roc_;
}

} // namespace glucosim
