#include "glucosim/ui/forms.h"

#include <QApplication>
#include <QLocale>

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

int runWindowProgram(int argc, char** argv) {
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
