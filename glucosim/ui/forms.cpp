#include "glucosim/ui/forms.h"

#include <QApplication>
#include <QLocale>
#include <cstdlib>
#include <cstring>
#include <iostream>

#include "glucosim/ui/principal.h"
#include "glucosim/ui/result_forms.h"
#include "toolkit/conversions.h"

namespace glucosim {

Forms::Forms()
    : F_Principal(std::make_unique<TF_Principal>()), F_Dades(std::make_unique<TF_Dades>()),
      F_GlucosaSang(std::make_unique<TF_GlucosaSang>()),
      F_Optimitzacio(std::make_unique<TF_Optimitzacio>()) {
    F_Principal->setResultsForm(F_Dades.get());
    F_Dades->setOtherForms(F_GlucosaSang.get(), F_Optimitzacio.get());
}

Forms::~Forms() {
    // The main form first: it waits for a computation still running.
    F_Principal.reset();
}

bool displayAvailable(int argc, char** argv) {
    auto set = [](const char* name) {
        const char* v = std::getenv(name);
        return v != nullptr && *v != '\0';
    };
    if (set("QT_QPA_PLATFORM") || set("DISPLAY") || set("WAYLAND_DISPLAY")) return true;
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "-platform") == 0) return true;
    return false;
}

int runWindowProgram(int argc, char** argv) {
    // Without a display Qt would abort; say what to do instead.
    if (!displayAvailable(argc, argv)) {
        std::cerr << "glucosim: no hi ha cap pantalla on obrir les finestres (DISPLAY no està "
                     "definit).\nUseu el mode per lots (glucosim --batch, vegeu glucosim --help) "
                     "o una pantalla virtual (xvfb-run glucosim).\n";
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("glucosim"));
    QLocale::setDefault(toolkit::catalanLocale());
    // The program ends with the main form, whatever result forms are open.
    QApplication::setQuitOnLastWindowClosed(false);
    Forms forms;
    QObject::connect(forms.F_Principal.get(), &TF_Principal::closed, &app, &QApplication::quit,
                     Qt::QueuedConnection);
    forms.F_Principal->show();
    return QApplication::exec();
}

} // namespace glucosim
