// glucosim: the window program, or with --batch the same computation from the
// command line without a display.
#include "glucosim/app/batch_command.h"
#include "glucosim/ui/batch_plots.h"
#include "glucosim/ui/forms.h"

#include <QApplication>
#include <iostream>
#include <memory>
#include <string_view>

namespace {

constexpr const char* kWindowHelp =
    R"(Ús: glucosim
     obre el programa de finestres: el menú principal ("Menú principal").
     "Dades" > "Carregar dades" demana el fitxer de l'experiment i el de
     glucosa; el fitxer "parametros_bergman_ajustados.txt" es busca al costat
     del fitxer de l'experiment i, si no hi és, al directori actual.
     "Generar Resultats" calcula i mostra les taules de resultats, amb els
     gràfics de la glucosa i de la corba ROC. Cal una pantalla (o Xvfb).
     Admet les opcions pròpies de Qt, com ara -platform NOM o -style NOM.

)";

bool wantsHelp(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i];
        if (a == "--help" || a == "-h") return true;
    }
    return false;
}

} // namespace

int main(int argc, char** argv) {
    if (wantsHelp(argc, argv)) std::cout << kWindowHelp;
    if (glucosim::isBatchInvocation(argc, argv)) {
        // No application object and no widget in the batch mode, except for
        // the pictures of --plots: the charts are widgets, drawn off screen
        // (no display needed).
        std::unique_ptr<QApplication> app;
        const auto plots = [&](const glucosim::Results& results,
                               std::vector<glucosim::PlotFile>& files, std::string& error) {
            if (!app) {
                glucosim::installMessageFilter();
                qputenv("QT_QPA_PLATFORM", "offscreen");
                app = std::make_unique<QApplication>(argc, argv);
            }
            return glucosim::renderBatchPlots(results, files, error);
        };
        return glucosim::runBatch(argc, argv, plots);
    }
    if (const auto error = glucosim::windowUsageError(argc, argv))
        return glucosim::usageError(*error);
    return glucosim::runWindowProgram(argc, argv);
}
