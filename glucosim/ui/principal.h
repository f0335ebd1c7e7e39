// The main form: loads the data files, chooses the mode and the criterion,
// and runs the computation whose results the three result forms show.
#pragma once

#include <QMainWindow>
#include <memory>

#include "glucosim/core/computation.h"
#include "glucosim/core/data_files.h"
#include "glucosim/ui/dialogs.h"

class QAction;
class QButtonGroup;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QThread;

namespace glucosim {

class TF_Dades;

class TF_Principal : public QMainWindow {
    Q_OBJECT
public:
    explicit TF_Principal(QWidget* parent = nullptr);
    // The results form shown after each computation; not owned.
    void setResultsForm(TF_Dades* dades) { dades_ = dades; }
    ~TF_Principal() override;

    QRadioButton* RB_Optimitzar;
    QRadioButton* RB_ValorsPuntuals;
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QLineEdit* TB_Sens;
    QLineEdit* TB_Tmax;
    QGroupBox* RG_TipusOptimitzacio;
    QLineEdit* Txt_InfoUsuari;
    QPushButton* Btn_Visualitzacio;
    QProgressBar* ProgressBar1;
    QFrame* Bevel1;
    QFrame* Bevel2;
    QFrame* Bevel3;
    FileDialog* OpenDialog1;
    FileDialog* OpenDialog2;
    QAction* Sortir;
    QAction* CarregarDades;
    QAction* Ajuda;

    // The radio group's item index (0..3), -1 when none is checked.
    int itemIndex() const;
    void setItemIndex(int index);

    const DataSet& data() const { return *data_; }
    std::shared_ptr<const Results> results() const { return results_; }
    bool computing() const { return worker_ != nullptr; }

    // The handlers of the controls and menu items.
    void RB_OptimitzarClick();
    void RB_ValorsPuntualsClick();
    void CarregarDadesClick();
    void AjudaClick();
    void Btn_VisualitzacioClick();

    static const QString kHelpTitle;
    static const QString kHelpText;

signals:
    // The computation ended and the results form shows its results.
    void computationFinished();
    // The form was closed: the program ends.
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void createMenus();
    void createOptimisationBox(QWidget* client);
    void createValuesBox(QWidget* client);
    void createStatusBox(QWidget* client);
    void connectControls();
    void showDataStatus();
    void setComputing(bool on);
    void finishComputation();
    void waitForWorker();

    TF_Dades* dades_ = nullptr;
    std::unique_ptr<DataSet> data_;
    std::shared_ptr<const Results> results_;
    std::shared_ptr<Results> pending_;
    QThread* worker_ = nullptr;
    QButtonGroup* criteria_;
};

} // namespace glucosim
