// Makes the pictures of the README: starts the window program's forms, loads
// the sample data through the loading command (the file dialogs answered by
// this program), runs an optimisation and saves the main form, the results
// form, the metrics table, the two charts and the open dialog as PNG files.
//
// Usage: glucosim_screenshots OUTPUT_DIR SAMPLE_DIR
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QWindow>
#include <iostream>

#include "glucosim/ui/catalan_locale.h"
#include "glucosim/ui/charts.h"
#include "glucosim/ui/dialogs.h"
#include "glucosim/ui/forms.h"
#include "glucosim/ui/principal.h"
#include "glucosim/ui/result_forms.h"

using namespace glucosim;

namespace {

void settle(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
}

// The window as the screen shows it when there is a real display, else as
// the widget paints itself.
bool save(QWidget* w, const QString& path) {
    w->show();
    w->raise();
    w->activateWindow();
    settle(700);
    QPixmap shot;
    if (QGuiApplication::platformName() == QLatin1String("xcb") && w->windowHandle())
        shot = w->screen()->grabWindow(w->winId());
    if (shot.isNull()) shot = w->grab();
    const bool ok = shot.save(path, "PNG");
    std::cerr << (ok ? "escrit " : "no s'ha pogut escriure ") << path.toStdString() << "\n";
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    installMessageFilter();
    QApplication app(argc, argv);
    if (argc != 3) {
        std::cerr << "Ús: glucosim_screenshots DIRECTORI_SORTIDA DIRECTORI_MOSTRA\n";
        return 2;
    }
    QLocale::setDefault(catalanLocale());
    installQtTranslations(app);
    const QDir out(QString::fromLocal8Bit(argv[1]));
    const QDir sample(QString::fromLocal8Bit(argv[2]));
    if (!out.exists() && !QDir().mkpath(out.path())) return 1;

    QStringList answers = {sample.filePath(QStringLiteral("experiment_pacient3.txt")),
                           sample.filePath(QStringLiteral("glucosa_pacient3.txt"))};
    dialogHooks().openFile = [&answers](QWidget*, const QString&, const QString&) {
        return answers.isEmpty() ? QString() : answers.takeFirst();
    };
    bool failed = false;
    dialogHooks().message = [&failed](QWidget*, const QString&, const QString& text, MessageKind) {
        std::cerr << text.toStdString() << "\n";
        failed = true;
    };

    Forms forms;
    TF_Principal* main = forms.F_Principal.get();
    main->move(40, 40);
    main->show();
    settle(500);
    main->CarregarDades->trigger();
    if (failed || !main->data().complete()) return 1;
    bool ok = save(main, out.filePath(QStringLiteral("glucosim-principal.png")));

    // The dialog that the loading command opens, with Qt's Catalan texts.
    {
        QFileDialog dialog(main, main->OpenDialog1->title(), sample.path(),
                           qtNameFilter(main->OpenDialog1->filter()));
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setGeometry(60, 60, 760, 440);
        ok = save(&dialog, out.filePath(QStringLiteral("glucosim-dialeg-obrir.png"))) && ok;
        dialog.close();
    }

    QSignalSpy done(main, &TF_Principal::computationFinished);
    main->Btn_Visualitzacio->click();
    if (!done.wait(120000)) return 1;

    // The results form at the size it opens with where no window manager
    // maximises it.
    TF_Dades* dades = forms.F_Dades.get();
    dades->setWindowState(Qt::WindowNoState);
    ok = save(dades, out.filePath(QStringLiteral("glucosim-resultats.png"))) && ok;

    // An experiment whose band reaches into hypoglycaemia.
    GlucoseChartDialog* chart = forms.F_GlucosaSang->showChart(6);
    chart->setGeometry(60, 60, 1000, 640);
    ok = save(chart, out.filePath(QStringLiteral("glucosim-grafic-glucosa.png"))) && ok;
    chart->close();

    TF_Metriques* metrics = dades->showMetrics();
    ok = save(metrics, out.filePath(QStringLiteral("glucosim-metriques.png"))) && ok;
    metrics->close();

    RocChartDialog* roc = dades->showRocChart();
    roc->setGeometry(80, 80, 700, 640);
    ok = save(roc, out.filePath(QStringLiteral("glucosim-corba-roc.png"))) && ok;
    return ok ? 0 : 1;
}
