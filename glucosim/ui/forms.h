// The window program: its four forms, created at start in this order and
// living until the program ends.
#pragma once

#include <QString>
#include <memory>

class QCoreApplication;

namespace glucosim {

class TF_Principal;
class TF_Dades;
class TF_GlucosaSang;
class TF_Optimitzacio;

struct Forms {
    Forms();
    ~Forms();

    std::unique_ptr<TF_Principal> F_Principal;
    std::unique_ptr<TF_Dades> F_Dades;
    std::unique_ptr<TF_GlucosaSang> F_GlucosaSang;
    std::unique_ptr<TF_Optimitzacio> F_Optimitzacio;
};

// Whether the window program has somewhere to show its windows: a display,
// or a Qt platform chosen explicitly.
bool displayAvailable(int argc, char** argv);

// From now on Qt's notice that XDG_RUNTIME_DIR is not set (Qt then uses a
// folder of its own) is not shown: Qt copes, and there is nothing for the
// user to do. Every other message of Qt goes where it went before.
void installMessageFilter();

// Installs Qt's own Catalan translations ("qtbase_ca") from `directory`, by
// default Qt's translations folder. False, and Qt keeps its built-in texts,
// when they cannot be loaded.
bool installQtTranslations(QCoreApplication& app, const QString& directory = QString());

// Sets up the application (Catalan locale), creates the forms, shows the main
// form and runs until it is closed. Returns the exit status; 1 at once, with a
// message on standard error, when there is no display.
int runWindowProgram(int argc, char** argv);

} // namespace glucosim
