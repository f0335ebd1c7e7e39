#include "glucosim/ui/forms.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <vector>

#include "glucosim/ui/catalan_locale.h"
#include "glucosim/ui/principal.h"
#include "glucosim/ui/result_forms.h"

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

bool installQtTranslations(QCoreApplication& app, const QString& directory) {
    auto* translator = new QTranslator(&app);
    const QString dir =
        directory.isEmpty() ? QLibraryInfo::path(QLibraryInfo::TranslationsPath) : directory;
    if (!translator->load(catalanLocale(), QStringLiteral("qtbase"), QStringLiteral("_"), dir) ||
        !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return false;
    }
    return true;
}

namespace {

QtMessageHandler filteredHandler = nullptr;

void filteringHandler(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtWarningMsg &&
        text.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set")))
        return;
    if (filteredHandler)
        filteredHandler(type, context, text);
    else
        std::cerr << qPrintable(qFormatLogMessage(type, context, text)) << std::endl;
}

} // namespace

void installMessageFilter() {
    const QtMessageHandler previous = qInstallMessageHandler(filteringHandler);
    if (previous != filteringHandler) filteredHandler = previous;
}

namespace {

constexpr const char* kNoDisplay = "glucosim: no hi ha cap pantalla on obrir les finestres";
constexpr const char* kNoDisplayAdvice =
    "Useu el mode per lots (glucosim --batch, vegeu glucosim --help) "
    "o una pantalla virtual (xvfb-run glucosim).\n";

QtMessageHandler previousHandler = nullptr;

struct HeldMessage {
    QtMsgType type;
    QByteArray category;
    QString text;
};
std::vector<HeldMessage>* heldMessages = nullptr;

// While the application starts, Qt's messages are held back, and a fatal
// error (no display that can be reached, no platform plugin that works) ends
// the program with the message and status 1 instead of an abort.
void startupHandler(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type != QtFatalMsg) {
        if (heldMessages) heldMessages->push_back({type, context.category, text});
        return;
    }
    const char* display = std::getenv("DISPLAY");
    std::cerr << kNoDisplay;
    if (display && *display)
        std::cerr << " (no s'ha pogut connectar amb la pantalla DISPLAY=" << display << ")";
    std::cerr << ".\n" << kNoDisplayAdvice << std::flush;
    std::_Exit(1);
}

// Passes the held messages on, once the application has started.
void releaseHeldMessages() {
    qInstallMessageHandler(previousHandler);
    if (!heldMessages) return;
    for (const HeldMessage& m : *heldMessages) {
        const QMessageLogContext context(nullptr, 0, nullptr, m.category.constData());
        if (previousHandler)
            previousHandler(m.type, context, m.text);
        else
            qt_message_output(m.type, context, m.text);
    }
    delete heldMessages;
    heldMessages = nullptr;
}

} // namespace

int runWindowProgram(int argc, char** argv) {
    // Without a display Qt would abort; say what to do instead.
    if (!displayAvailable(argc, argv)) {
        std::cerr << kNoDisplay << " (DISPLAY no està definit).\n" << kNoDisplayAdvice;
        return 1;
    }
    installMessageFilter();
    heldMessages = new std::vector<HeldMessage>;
    previousHandler = qInstallMessageHandler(startupHandler);
    QApplication app(argc, argv);
    releaseHeldMessages();
    // Qt's own texts (file dialogs, message box buttons) in Catalan when the
    // translations are installed; the built-in English texts otherwise.
    installQtTranslations(app);
    QApplication::setApplicationName(QStringLiteral("glucosim"));
    QLocale::setDefault(catalanLocale());
    // The program ends with the main form, whatever result forms are open.
    QApplication::setQuitOnLastWindowClosed(false);
    Forms forms;
    QObject::connect(forms.F_Principal.get(), &TF_Principal::closed, &app, &QApplication::quit,
                     Qt::QueuedConnection);
    forms.F_Principal->show();
    return QApplication::exec();
}

} // namespace glucosim
