// The four forms driven as a person would, on the bundled sample data, with
// the file dialogs and message boxes replaced by the test.
#include <QAction>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTextStream>
#include <QtTest>
#include <memory>

#include "glucosim/core/float_text.h"
#include "glucosim/core/metrics.h"
#include "glucosim/core/output_files.h"
#include "glucosim/core/tables.h"
#include "glucosim/ui/charts.h"
#include "glucosim/ui/forms.h"
#include "glucosim/ui/principal.h"
#include "glucosim/ui/result_forms.h"

using namespace glucosim;

namespace {

const QString kSampleDir = QStringLiteral(MODAL_SOURCE_DIR "/examples/glucosim");
const QString kExperimentFile = kSampleDir + QStringLiteral("/experiment_pacient3.txt");
const QString kGlucoseFile = kSampleDir + QStringLiteral("/glucosa_pacient3.txt");

struct Message {
    QString title, text;
    MessageKind kind;
};

QStringList readLines(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    const QString all = QString::fromUtf8(f.readAll());
    QStringList lines = all.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast(); // after the final "\n"
    return lines;
}

} // namespace

class FormsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<Forms> forms;
    QStringList openAnswers; // what the open dialogs return, in order ("" = cancel)
    QStringList saveAnswers;
    QStringList savesProposed; // the file each save dialog proposed
    QStringList openTitles;
    QList<Message> messages;

    TF_Principal* main() { return forms->F_Principal.get(); }
    TF_Dades* dades() { return forms->F_Dades.get(); }

    void loadSample() {
        openAnswers = {kExperimentFile, kGlucoseFile};
        main()->CarregarDades->trigger();
    }

    bool run() {
        QSignalSpy done(main(), &TF_Principal::computationFinished);
        QTest::mouseClick(main()->Btn_Visualitzacio, Qt::LeftButton);
        return done.wait(120000);
    }

    DataSet sampleData() {
        DataSet data;
        DataError error;
        const bool ok = loadExperimentAndParameters(
                            data, kExperimentFile.toStdString(),
                            (kSampleDir + "/" + kParameterFileName).toStdString(), error) &&
                        loadGlucose(data, kGlucoseFile.toStdString(), error);
        if (!ok) qWarning("%s", error.message().c_str());
        return data;
    }

private slots:
    void init() {
        resetDialogHooks();
        openAnswers.clear();
        saveAnswers.clear();
        savesProposed.clear();
        openTitles.clear();
        messages.clear();
        dialogHooks().openFile = [this](QWidget*, const QString& title, const QString&) {
            openTitles << title;
            return openAnswers.isEmpty() ? QString() : openAnswers.takeFirst();
        };
        dialogHooks().saveFile = [this](QWidget*, const QString&, const QString&, const QString&,
                                        const QString& proposed) {
            savesProposed << proposed;
            return saveAnswers.isEmpty() ? QString() : saveAnswers.takeFirst();
        };
        dialogHooks().message = [this](QWidget*, const QString& title, const QString& text,
                                       MessageKind kind) {
            messages.append({title, text, kind});
        };
        forms = std::make_unique<Forms>();
    }

    void cleanup() {
        forms.reset();
        resetDialogHooks();
    }

    void mainFormStartsWithNoDataAndOptimisationMode() {
        TF_Principal* f = main();
        QCOMPARE(f->windowTitle(), QStringLiteral("Menú principal"));
        QCOMPARE(f->centralWidget()->size(), QSize(289, 296));
        QCOMPARE(f->Txt_InfoUsuari->text(), QStringLiteral("NO HI HA DADES CARREGADES"));
        QVERIFY(f->Txt_InfoUsuari->isReadOnly());
        QVERIFY(!f->Btn_Visualitzacio->isEnabled());
        QCOMPARE(f->Btn_Visualitzacio->text(), QStringLiteral("Generar Resultats"));
        QCOMPARE(f->TB_Sens->text(), QStringLiteral("1,0"));
        QCOMPARE(f->TB_Tmax->text(), QStringLiteral("35,0"));
        QVERIFY(f->RB_Optimitzar->isChecked());
        QVERIFY(!f->RB_ValorsPuntuals->isChecked());
        QCOMPARE(f->RB_Optimitzar->text(), QStringLiteral("Càlcul amb optimització"));
        QCOMPARE(f->RB_ValorsPuntuals->text(), QStringLiteral("Càlcul amb Si i TmaxG concrets"));
        QCOMPARE(f->Label2->text(), QStringLiteral("Sensibilitat:"));
        QCOMPARE(f->Label3->text(), QStringLiteral("x10^-4"));
        QCOMPARE(f->Label1->text(), QStringLiteral("TmaxG:"));
        QVERIFY(!f->TB_Sens->isEnabled());
        QVERIFY(!f->TB_Tmax->isEnabled());
        QCOMPARE(f->TB_Sens->palette().color(QPalette::Base), QColor(0xE6, 0xE6, 0xE6));
        QVERIFY(f->RG_TipusOptimitzacio->isEnabled());
        QCOMPARE(f->RG_TipusOptimitzacio->title(), QStringLiteral("Tipus optimització"));
        QCOMPARE(f->itemIndex(), 2);
        const QStringList items = {"Pr.Qualitatiu amb pes", "sqrt (| X^2-Y^2 |)", "Qualitatiu",
                                   "log[sqrt (| X^2-Y^2 |)]"};
        for (int i = 0; i < 4; ++i) {
            auto* item = f->RG_TipusOptimitzacio->findChild<QRadioButton*>(
                QStringLiteral("RG_TipusOptimitzacio_%1").arg(i));
            QVERIFY(item);
            QCOMPARE(item->text(), items[i]);
        }
        QCOMPARE(f->ProgressBar1->minimum(), 0);
        QCOMPARE(f->ProgressBar1->maximum(), 396);
        QCOMPARE(f->ProgressBar1->value(), 0);
        QCOMPARE(f->OpenDialog1->title(), QStringLiteral("Selecciona el fitxer amb l'experiment"));
        QCOMPARE(f->OpenDialog2->title(), QStringLiteral("Selecciona el fitxer de glucosa"));
        for (FileDialog* d :
             {f->OpenDialog1, f->OpenDialog2, dades()->SaveDialog1,
              forms->F_GlucosaSang->SaveDialog2, forms->F_Optimitzacio->SaveDialog3}) {
            QCOMPARE(d->filter(), QStringLiteral("Documents de text (*.txt)|*.txt"));
            QCOMPARE(d->defaultExt(), QStringLiteral("*.txt"));
        }
        QStringList menus;
        for (QAction* a : f->menuBar()->actions())
            menus << a->text();
        QCOMPARE(menus, (QStringList{"Arxiu", "Dades", "Ajuda"}));
        QCOMPARE(f->Sortir->text(), QStringLiteral("Sortir"));
        QCOMPARE(f->CarregarDades->text(), QStringLiteral("Carregar dades"));
        QVERIFY(!f->Sortir->icon().isNull());
        QVERIFY(!f->CarregarDades->icon().isNull());
    }

    void resultFormsExistFromTheStart() {
        QCOMPARE(dades()->windowTitle(), QStringLiteral("Resum dades experiment"));
        QVERIFY(dades()->windowState() & Qt::WindowMaximized);
        QCOMPARE(dades()->SG_TaulaResmExperiment->colCount(), 31);
        QCOMPARE(dades()->SG_TaulaResmExperiment->gridRowCount(), 62);
        QCOMPARE(dades()->SG_TaulaResmExperiment->colWidth(3), 60);
        QVERIFY(!dades()->Btn_VisualOpt->isEnabled());
        QCOMPARE(dades()->Btn_VisualOpt->text(), QStringLiteral("Dades optimizació"));
        QCOMPARE(dades()->Btn_VisualGlucosa->text(), QStringLiteral("Visualitzar glucosa"));
        QCOMPARE(dades()->Btn2_Guardar->text(), QStringLiteral("Guardar"));
        QCOMPARE(dades()->Btn2_Tancar->text(), QStringLiteral("Tancar"));
        TF_GlucosaSang* g = forms->F_GlucosaSang.get();
        QCOMPARE(g->windowTitle(), QStringLiteral("Glucosa en sang"));
        QVERIFY(g->windowState() & Qt::WindowMaximized);
        QCOMPARE(g->SG_GlucosaSang->colCount(), 163);
        QCOMPARE(g->SG_GlucosaSang->gridRowCount(), 301);
        QCOMPARE(g->SG_GlucosaSang->colWidth(100), 120);
        QCOMPARE(g->Btn_guardarGlucosa->text(), QStringLiteral("Guardar"));
        QCOMPARE(g->Btn_SortirGlucosa->text(), QStringLiteral("Tancar"));
        TF_Optimitzacio* o = forms->F_Optimitzacio.get();
        QCOMPARE(o->windowTitle(), QStringLiteral("Taula dels valors per l'optimització"));
        QCOMPARE(o->size(), QSize(326, 393));
        QCOMPARE(o->SG_Optimitzacio->colCount(), 3);
        QCOMPARE(o->SG_Optimitzacio->gridRowCount(), 392);
        QCOMPARE(o->SG_Optimitzacio->colWidth(0), 100);
        QCOMPARE(o->Btn_GuardarOpt->text(), QStringLiteral("Guardar"));
        QCOMPARE(o->Btn_TancarOpt->text(), QStringLiteral("Tancar"));
    }

    // Without a window manager to maximise them, the two large result forms
    // still show the header and the 24 experiment rows, within the screen.
    void resultFormsAreSizedToShowTheirTables() {
        GridForm* forms2[] = {dades(), forms->F_GlucosaSang.get()};
        for (GridForm* f : forms2) {
            QVERIFY(f->windowState() & Qt::WindowMaximized);
            QCOMPARE(f->size(), f->fittingSize(f->screen()->availableGeometry()));
            const QSize small = f->fittingSize(QRect(0, 0, 1024, 600));
            QVERIFY(small.width() <= 1024 && small.height() <= 600);
            const QSize large = f->fittingSize(QRect(0, 0, 1920, 1080));
            QVERIFY(large.width() <= 1920 && large.height() <= 1080);
            f->setWindowState(Qt::WindowNoState);
            f->resize(large);
            f->show();
            QVERIFY(QTest::qWaitForWindowExposed(f));
            QCOMPARE(f->size(), large);
            StringGrid* grid = f->findChild<StringGrid*>();
            QVERIFY(grid->rowViewportPosition(23) + grid->rowHeight(23) <=
                    grid->viewport()->height());
            f->close();
        }
    }

    void helpShowsTheProcedure() {
        main()->Ajuda->trigger();
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages[0].title, QStringLiteral("Procediment d'utilització del programa"));
        QCOMPARE(messages[0].kind, MessageKind::Information);
        QCOMPARE(
            messages[0].text,
            QStringLiteral(
                "1-Executar el programa.\n2-Carregar el fitxer de dades amb els resultats de "
                "l'experiment i el fitxer amb les dades de glucosa.\nIMPORTANT:  el  programa  "
                "carrega  3  fitxers  .txt,  els  dos  ja  mencionats i  el  "
                "'parametros_bergman_ajustados'. Tots tres han d'estar  en el mateix path.\n3-"
                "Seleccionar si es vol fer un càlcul amb optimització o puntual.\n4-Seleccionar "
                "el procediment d'optimització.\n5-Generar i visualitzar els resultats."));
    }

    void modeSwitchesEnableTheirControls() {
        TF_Principal* f = main();
        QTest::mouseClick(f->RB_ValorsPuntuals, Qt::LeftButton, {}, QPoint(8, 10));
        QVERIFY(f->RB_ValorsPuntuals->isChecked());
        QVERIFY(!f->RB_Optimitzar->isChecked());
        QVERIFY(f->TB_Sens->isEnabled());
        QVERIFY(f->TB_Tmax->isEnabled());
        QCOMPARE(f->TB_Tmax->palette().color(QPalette::Base), QColor(0xFF, 0xFF, 0xFF));
        QVERIFY(!f->RG_TipusOptimitzacio->isEnabled());
        QTest::mouseClick(f->RB_Optimitzar, Qt::LeftButton, {}, QPoint(8, 10));
        QVERIFY(f->RB_Optimitzar->isChecked());
        QVERIFY(!f->TB_Sens->isEnabled());
        QCOMPARE(f->TB_Tmax->palette().color(QPalette::Base), QColor(0xE6, 0xE6, 0xE6));
        QVERIFY(f->RG_TipusOptimitzacio->isEnabled());
    }

    void loadingTheSampleDataEnablesTheComputation() {
        loadSample();
        QCOMPARE(openTitles, (QStringList{"Selecciona el fitxer amb l'experiment",
                                          "Selecciona el fitxer de glucosa"}));
        QVERIFY2(messages.isEmpty(), qPrintable(messages.value(0).text));
        QCOMPARE(main()->Txt_InfoUsuari->text(), QStringLiteral("CARREGADES DADES DEL PACIENT 3"));
        QVERIFY(main()->Btn_Visualitzacio->isEnabled());
        QCOMPARE(main()->data().patient, 3);
    }

    void cancellingTheGlucoseDialogLeavesNoDataLoaded() {
        openAnswers = {kExperimentFile, QString()};
        main()->CarregarDades->trigger();
        QCOMPARE(main()->Txt_InfoUsuari->text(), QStringLiteral("NO HI HA DADES CARREGADES"));
        QVERIFY(!main()->Btn_Visualitzacio->isEnabled());
        // The glucose alone completes the data later.
        openAnswers = {QString(), kGlucoseFile};
        main()->CarregarDades->trigger();
        QCOMPARE(main()->Txt_InfoUsuari->text(), QStringLiteral("CARREGADES DADES DEL PACIENT 3"));
    }

    void dataFileErrorsAreReportedAndChangeNothing() {
        loadSample();
        QTemporaryDir dir;
        const QString missing = QDir(dir.path()).filePath(QStringLiteral("cap.txt"));
        QFile bad(QDir(dir.path()).filePath(QStringLiteral("glucosa_dolenta.txt")));
        QVERIFY(bad.open(QIODevice::WriteOnly));
        for (int m = 0; m < 300; ++m) {
            QByteArray row;
            for (int j = 0; j < 24; ++j)
                row += (m == 7 && j == 5) ? "abc " : "120.5 ";
            bad.write(row + "\n");
        }
        bad.close();
        openAnswers = {missing, bad.fileName()};
        main()->CarregarDades->trigger();
        QCOMPARE(messages.size(), 2);
        QVERIFY2(messages[0].text.contains(
                     QStringLiteral("No s'ha trobat arxiu de dades de l'experiment")),
                 qPrintable(messages[0].text));
        QVERIFY(messages[0].text.contains(missing));
        QCOMPARE(messages[0].kind, MessageKind::Warning);
        QVERIFY2(messages[1].text.contains(bad.fileName()), qPrintable(messages[1].text));
        QVERIFY(messages[1].text.contains(QStringLiteral("abc")));
        QCOMPARE(main()->Txt_InfoUsuari->text(), QStringLiteral("CARREGADES DADES DEL PACIENT 3"));
        QCOMPARE(main()->data().glucose.at(0, 0), sampleData().glucose.at(0, 0));
    }

    void concreteValuesRunFillsTheGridsLikeTheCore() {
        loadSample();
        QTest::mouseClick(main()->RB_ValorsPuntuals, Qt::LeftButton, {}, QPoint(8, 10));
        main()->TB_Sens->setText(QStringLiteral("4,5"));
        main()->TB_Tmax->setText(QStringLiteral("50"));
        QVERIFY(run());
        QVERIFY(messages.isEmpty());
        const Results expected = computeWithValues(sampleData(), 4.5, 50.0);
        QVERIFY(dades()->SG_TaulaResmExperiment->grid()->table(kResultsRows, kResultsColumns) ==
                resultsTable(expected));
        QVERIFY(forms->F_GlucosaSang->SG_GlucosaSang->grid()->table(
                    kGlucoseRows, kGlucoseColumns) == glucoseTable(expected));
        QCOMPARE(dades()->windowTitle(), QString::fromStdString(resultsCaption(expected)));
        QVERIFY(dades()->isVisible());
        QVERIFY(!dades()->Btn_VisualOpt->isEnabled());
        QCOMPARE(dades()->SG_TaulaResmExperiment->colWidth(5), 110);
        QCOMPARE(dades()->SG_TaulaResmExperiment->colWidth(9), 90);
        QCOMPARE(dades()->SG_TaulaResmExperiment->colWidth(30), 125);
        // Controls back as the mode wants them.
        QVERIFY(main()->Btn_Visualitzacio->isEnabled());
        QVERIFY(main()->RB_Optimitzar->isEnabled());
        QVERIFY(main()->TB_Sens->isEnabled());
        QVERIFY(!main()->RG_TipusOptimitzacio->isEnabled());
        QCOMPARE(main()->ProgressBar1->value(), 0);

        // The bottom buttons keep apart (on a screen wide enough for them).
        dades()->setWindowState(Qt::WindowNoState);
        dades()->resize(1280, 700);
        QCoreApplication::processEvents();
        QVERIFY(dades()->Btn_VisualGlucosa->geometry().right() + 4 <
                dades()->Btn2_Guardar->geometry().left());
        // A new computation shows the grids from their first row and column.
        StringGrid* grids[] = {dades()->SG_TaulaResmExperiment,
                               forms->F_GlucosaSang->SG_GlucosaSang};
        forms->F_GlucosaSang->show();
        for (StringGrid* g : grids) {
            g->scrollToBottom();
            g->horizontalScrollBar()->setValue(g->horizontalScrollBar()->maximum());
            QVERIFY(g->verticalScrollBar()->value() > 0);
        }
        QVERIFY(run());
        for (StringGrid* g : grids) {
            QCOMPARE(g->verticalScrollBar()->value(), 0);
            QCOMPARE(g->horizontalScrollBar()->value(), 0);
        }
    }

    // Copies of the sample files in a folder of the test: the experiment with
    // a 25th row, and a glucose effectiveness of -100/min (the edge of its
    // range) for patient 3, with which the glucose grows until it overflows.
    void warningsOfTheDataAndTheSimulationAndSavingOverAnInput() {
        QTemporaryDir dir;
        const QDir d(dir.path());
        QStringList experiment = readLines(kExperimentFile);
        experiment << QStringLiteral("25 3 1 0.5 40.0 12 118 0 0 0 0 0");
        const QString exp = d.filePath(QStringLiteral("e.txt"));
        const QString glu = d.filePath(QStringLiteral("g.txt"));
        QFile e(exp);
        QVERIFY(e.open(QIODevice::WriteOnly));
        e.write(experiment.join(QLatin1Char('\n')).toUtf8() + "\n");
        e.close();
        QVERIFY(QFile::copy(kGlucoseFile, glu));
        QStringList parameters =
            readLines(kSampleDir + QStringLiteral("/parametros_bergman_ajustados.txt"));
        parameters[1].replace(QStringLiteral(" 0.011 "), QStringLiteral(" -100 "));
        QFile p(d.filePath(QStringLiteral("parametros_bergman_ajustados.txt")));
        QVERIFY(p.open(QIODevice::WriteOnly));
        p.write(parameters.join(QLatin1Char('\n')).toUtf8() + "\n");
        p.close();
        openAnswers = {exp, glu};
        main()->CarregarDades->trigger();
        QVERIFY2(messages.isEmpty(), qPrintable(messages.value(0).text));
        QCOMPARE(main()->Txt_InfoUsuari->text(), QStringLiteral("CARREGADES DADES DEL PACIENT 3"));
        QVERIFY2(main()->statusBar()->currentMessage().contains(QStringLiteral("té 25 files")),
                 qPrintable(main()->statusBar()->currentMessage()));

        QTest::mouseClick(main()->RB_ValorsPuntuals, Qt::LeftButton, {}, QPoint(8, 10));
        QVERIFY(run());
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages[0].kind, MessageKind::Warning);
        QVERIFY2(messages[0].text.contains(QStringLiteral("experiment 5 dóna valors no finits")),
                 qPrintable(messages[0].text));
        QCOMPARE(dades()->SG_TaulaResmExperiment->cell(6, 5), QStringLiteral("NAN"));

        // Saving a grid over an input file is refused; the file stays.
        const QByteArray before = [&] {
            QFile f(glu);
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        }();
        saveAnswers = {glu};
        QTest::mouseClick(dades()->Btn2_Guardar, Qt::LeftButton);
        QCOMPARE(messages.size(), 2);
        QCOMPARE(messages[1].kind, MessageKind::Critical);
        QVERIFY2(messages[1].text.contains(QStringLiteral("és un dels fitxers de dades")),
                 qPrintable(messages[1].text));
        QFile after(glu);
        QVERIFY(after.open(QIODevice::ReadOnly));
        QCOMPARE(after.readAll(), before);
    }

    void textsThatAreNotNumbersAreResetAndTheRunGoesOn() {
        loadSample();
        QTest::mouseClick(main()->RB_ValorsPuntuals, Qt::LeftButton, {}, QPoint(8, 10));
        main()->TB_Sens->setText(QStringLiteral("abc"));
        main()->TB_Tmax->setText(QStringLiteral("60,0"));
        QVERIFY(run());
        QCOMPARE(messages.size(), 1);
        // The specified sentence, then the field that was wrong and the
        // values the results are computed with.
        const QString text = messages[0].text;
        QVERIFY2(text.startsWith(QStringLiteral("Els valors entrats no són correctes.\n")),
                 qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("Sensibilitat: \"abc\"")), qPrintable(text));
        QVERIFY2(!text.contains(QStringLiteral("TmaxG: ")), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("Sensibilitat 1,0 (x10^-4) i TmaxG 40,0")),
                 qPrintable(text));
        QCOMPARE(main()->TB_Tmax->text(), QStringLiteral("40,0"));
        QCOMPARE(main()->TB_Sens->text(), QStringLiteral("1,0"));
        QCOMPARE(main()->results()->tmax, 40.0);
        const Results expected = computeWithValues(sampleData(), 1.0, 40.0);
        QCOMPARE(main()->results()->si.inf(), expected.si.inf());
        QVERIFY(dades()->SG_TaulaResmExperiment->grid()->table(kResultsRows, kResultsColumns) ==
                resultsTable(expected));
    }

    void optimisationRunShowsProgressAndTheOptimisationGrid() {
        loadSample();
        QList<int> progress;
        connect(main()->ProgressBar1, &QProgressBar::valueChanged,
                [&progress](int v) { progress << v; });
        QSignalSpy done(main(), &TF_Principal::computationFinished);
        QTest::mouseClick(main()->Btn_Visualitzacio, Qt::LeftButton);
        // Disabled while it computes.
        QVERIFY(main()->computing());
        QVERIFY(!main()->Btn_Visualitzacio->isEnabled());
        QVERIFY(!main()->RB_Optimitzar->isEnabled());
        QVERIFY(!main()->RB_ValorsPuntuals->isEnabled());
        QVERIFY(!main()->RG_TipusOptimitzacio->isEnabled());
        QVERIFY(done.wait(120000));
        QVERIFY(progress.contains(kGridPairs - 1));
        QCOMPARE(main()->ProgressBar1->value(), 0);

        const Results expected = computeWithOptimisation(sampleData(), Criterion::Qualitative);
        TF_Optimitzacio* o = forms->F_Optimitzacio.get();
        QCOMPARE(o->SG_Optimitzacio->colCount(), 4);
        QVERIFY(o->SG_Optimitzacio->grid()->table(kOptimisationRows, 4) ==
                optimisationTable(expected));
        QVERIFY(dades()->SG_TaulaResmExperiment->grid()->table(kResultsRows, kResultsColumns) ==
                resultsTable(expected));
        QCOMPARE(dades()->windowTitle(), QString::fromStdString(resultsCaption(expected)));
        QVERIFY(dades()->Btn_VisualOpt->isEnabled());
        QTest::mouseClick(dades()->Btn_VisualOpt, Qt::LeftButton);
        QVERIFY(o->isVisible());
        QCOMPARE(o->width(), 445);

        // A criterion with one sum: three columns, the narrower form.
        main()->setItemIndex(1);
        QVERIFY(run());
        QCOMPARE(o->SG_Optimitzacio->colCount(), 3);
        QVERIFY(
            o->SG_Optimitzacio->grid()->table(kOptimisationRows, 3) ==
            optimisationTable(computeWithOptimisation(sampleData(), Criterion::SqrtDifference)));
        QTest::mouseClick(dades()->Btn_VisualOpt, Qt::LeftButton);
        QCOMPARE(o->width(), 345);

        // A concrete-values run afterwards disables the optimisation button again.
        QTest::mouseClick(main()->RB_ValorsPuntuals, Qt::LeftButton, {}, QPoint(8, 10));
        QVERIFY(run());
        QVERIFY(!dades()->Btn_VisualOpt->isEnabled());
    }

    void eachGridIsSavedAndReadsBack() {
        loadSample();
        main()->setItemIndex(0);
        QVERIFY(run());
        QTemporaryDir dir;
        const QString results = QDir(dir.path()).filePath(QStringLiteral("resultats.txt"));
        const QString glucose = QDir(dir.path()).filePath(QStringLiteral("glucosa.txt"));
        const QString opt = QDir(dir.path()).filePath(QStringLiteral("optimitzacio.txt"));
        saveAnswers = {results};
        QTest::mouseClick(dades()->Btn2_Guardar, Qt::LeftButton);
        saveAnswers = {glucose};
        QTest::mouseClick(forms->F_GlucosaSang->Btn_guardarGlucosa, Qt::LeftButton);
        saveAnswers = {opt};
        QTest::mouseClick(forms->F_Optimitzacio->Btn_GuardarOpt, Qt::LeftButton);
        QVERIFY(messages.isEmpty());
        // Each dialog proposed a name from its table and the experiment file,
        // beside it; each form's status line says where it wrote.
        QCOMPARE(savesProposed,
                 (QStringList{kSampleDir + "/experiment_pacient3_resultats.txt",
                              kSampleDir + "/experiment_pacient3_glucosa.txt",
                              kSampleDir + "/experiment_pacient3_optimitzacio.txt"}));
        QVERIFY(dades()->statusLine()->currentMessage().contains(results));
        QVERIFY(forms->F_GlucosaSang->statusLine()->currentMessage().contains(glucose));
        QVERIFY(forms->F_Optimitzacio->statusLine()->currentMessage().contains(opt));

        const QStringList r = readLines(results);
        QCOMPARE(r.size(), 61);
        for (const QString& line : r)
            QCOMPARE(line.split('\t').size(), 31);
        QCOMPARE(r[0].split('\t')[0], QStringLiteral("Nº experiment"));
        QCOMPARE(r[55].split('\t')[6], QStringLiteral("VN"));
        QCOMPARE(r[1].split('\t')[0], dades()->SG_TaulaResmExperiment->cell(0, 1));

        const QStringList g = readLines(glucose);
        QCOMPARE(g.size(), 301);
        for (const QString& line : g) {
            const QStringList cells = line.split('\t');
            QCOMPARE(cells.size(), 163);
            for (int c = 73; c < 163; ++c)
                QVERIFY(cells[c].isEmpty());
            QVERIFY(!cells[72].isEmpty());
        }
        QCOMPARE(g[1].split('\t')[0], QStringLiteral("0"));

        const QStringList o = readLines(opt);
        QCOMPARE(o.size(), 392);
        for (const QString& line : o)
            QCOMPARE(line.split('\t').size(), 4);
        QCOMPARE(o[0], QStringLiteral("Tmax\tMitjana Si\tJ Esp.\tJ Sens."));

        // A cancelled dialog writes nothing; a file that cannot be written is reported.
        saveAnswers = {QString()};
        QTest::mouseClick(dades()->Btn2_Guardar, Qt::LeftButton);
        QVERIFY(messages.isEmpty());
        saveAnswers = {QDir(dir.path()).filePath(QStringLiteral("no/such/dir/x.txt"))};
        QTest::mouseClick(dades()->Btn2_Guardar, Qt::LeftButton);
        QCOMPARE(messages.size(), 1);
        QVERIFY(messages[0].text.contains(QStringLiteral("no/such/dir/x.txt")));
        // The reason in Catalan, not the C library's English.
        QVERIFY2(messages[0].text.contains(QStringLiteral("no existeix el fitxer o el directori")),
                 qPrintable(messages[0].text));
        QCOMPARE(messages[0].kind, MessageKind::Critical);
        QVERIFY(dades()->statusLine()->currentMessage().contains(results)); // still the last save
    }

    void closeButtonsCloseTheirForms() {
        loadSample();
        QTest::mouseClick(main()->RB_ValorsPuntuals, Qt::LeftButton, {}, QPoint(8, 10));
        QVERIFY(run());
        QTest::mouseClick(dades()->Btn_VisualGlucosa, Qt::LeftButton);
        TF_GlucosaSang* g = forms->F_GlucosaSang.get();
        QVERIFY(g->isVisible());
        QVERIFY(g->isModal());
        QTest::mouseClick(g->Btn_SortirGlucosa, Qt::LeftButton);
        QVERIFY(!g->isVisible());
        QTest::mouseClick(dades()->Btn2_Tancar, Qt::LeftButton);
        QVERIFY(!dades()->isVisible());
    }

    void glucoseChartOfAnExperimentRow() {
        loadSample();
        QTest::mouseClick(main()->RB_ValorsPuntuals, Qt::LeftButton, {}, QPoint(8, 10));
        QVERIFY(run());
        // A double click on row 4 of the results grid: experiment 4.
        emit dades()->SG_TaulaResmExperiment->rowActivated(4);
        GlucoseChartDialog* chart = forms->F_GlucosaSang->chart();
        QVERIFY(chart);
        QVERIFY(chart->isVisible());
        QCOMPARE(chart->experiment(), 3);
        QLineSeries* lower = nullptr;
        QLineSeries* measured = nullptr;
        for (QAbstractSeries* s : chart->view()->chart()->series()) {
            if (s->objectName() == "lower") lower = qobject_cast<QLineSeries*>(s);
            if (s->objectName() == "measured") measured = qobject_cast<QLineSeries*>(s);
        }
        QVERIFY(lower && measured);
        QCOMPARE(lower->count(), 300);
        QCOMPARE(measured->count(), 300);
        // The same numbers as the glucose grid's columns of experiment 4.
        const auto& e = main()->results()->experiments[3];
        for (int m : {0, 1, 150, 299}) {
            QCOMPARE(lower->at(m).x(), double(m));
            QCOMPARE(lower->at(m).y(), e.glucose[m].inf());
            QCOMPARE(measured->at(m).y(), sampleData().glucose.at(m, 3));
        }
        QCOMPARE(forms->F_GlucosaSang->SG_GlucosaSang->cell(10, 1),
                 QString::fromStdString(FloatToStr(e.glucose[0].inf())));

        RocChartDialog* roc = dades()->showRocChart();
        QVERIFY(roc && roc->isVisible());
        QCOMPARE(rocPoints(main()->results()->roc).size() > 0, true);
    }

    void fitCriterionMetricsCsvAndDetails() {
        auto* fit = main()->RG_TipusOptimitzacio->findChild<QRadioButton*>(
            QStringLiteral("RG_TipusOptimitzacio_4"));
        QVERIFY(fit);
        QCOMPARE(fit->text(), QStringLiteral("Cobertura màxima"));
        loadSample();
        main()->setItemIndex(4);
        QVERIFY(run());
        QCOMPARE(main()->results()->criterion, Criterion::Coverage);
        QCOMPARE(forms->F_Optimitzacio->SG_Optimitzacio->cell(2, 0),
                 QStringLiteral("Cobertura (%)"));

        // Catalan captions in the window; metrics.csv keeps its header.
        TF_Metriques* metrics = dades()->showMetrics();
        QVERIFY(metrics && metrics->isVisible());
        QCOMPARE(metrics->SG_Metriques->cell(2, 0), QStringLiteral("Mitjana (mg/dl)"));
        QCOMPARE(metrics->SG_Metriques->cell(0, 25), QStringLiteral("Tots"));
        QCOMPARE(metrics->SG_Metriques->cell(1, 25), QStringLiteral("7200"));
        // Every column is wide enough for its caption.
        const QFontMetrics fm(metrics->SG_Metriques->horizontalHeader()->font());
        for (int c = 0; c < metrics->SG_Metriques->colCount(); ++c)
            QVERIFY(metrics->SG_Metriques->colWidth(c) >
                    fm.horizontalAdvance(metrics->SG_Metriques->cell(c, 0)));

        QTemporaryDir dir;
        const QString saved = QDir(dir.path()).filePath(QStringLiteral("m.csv"));
        saveAnswers = {saved};
        QTest::mouseClick(metrics->Btn_GuardarMetriques, Qt::LeftButton);
        QCOMPARE(savesProposed, QStringList{kSampleDir + "/experiment_pacient3_metrics.csv"});
        QFile savedFile(saved);
        QVERIFY(savedFile.open(QIODevice::ReadOnly));
        QCOMPARE(savedFile.readAll().toStdString(), csvText(metricsTable(*main()->results())));
        QVERIFY(metrics->statusLine()->currentMessage().contains(saved));

        QString proposedFolder;
        dialogHooks().folder = [&](QWidget*, const QString&, const QString& proposed) {
            proposedFolder = proposed;
            return dir.path();
        };
        QTest::mouseClick(dades()->Btn_ExportarCSV, Qt::LeftButton);
        QVERIFY2(messages.isEmpty(), qPrintable(messages.value(0).text));
        QCOMPARE(proposedFolder, kSampleDir);
        for (const char* name :
             {"glucosa.csv", "resultats.csv", "roc.csv", "metrics.csv", "optimitzacio.csv"})
            QVERIFY2(QFile::exists(QDir(dir.path()).filePath(QLatin1String(name))), name);
        QVERIFY(readLines(QDir(dir.path()).filePath(QStringLiteral("metrics.csv")))[0].startsWith(
            QStringLiteral("experiment,samples,mean_mg_dl,")));
        QCOMPARE(readLines(QDir(dir.path()).filePath(QStringLiteral("resultats.csv"))).size(), 25);
        QVERIFY(dades()->statusLine()->currentMessage().contains(dir.path()));

        QTest::mouseClick(dades()->Btn_Detalls, Qt::LeftButton);
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages[0].kind, MessageKind::Information);
        QVERIFY(messages[0].text.contains(QStringLiteral("SHA-256")));
        QVERIFY(messages[0].text.contains(QStringLiteral("Cobertura màxima")));
        QVERIFY(messages[0].text.contains(QStringLiteral("Fitxer (paràmetres)")));
        QVERIFY(!messages[0].text.contains(QStringLiteral("parameters")));
    }

    void sortirClosesTheMainForm() {
        QSignalSpy closed(main(), &TF_Principal::closed);
        main()->show();
        main()->Sortir->trigger();
        QCOMPARE(closed.size(), 1);
        QVERIFY(!main()->isVisible());
    }
};

QTEST_MAIN(FormsTest)
#include "forms_test.moc"
