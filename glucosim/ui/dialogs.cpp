#include "glucosim/ui/dialogs.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QStatusBar>
#include <QStringList>

#include "glucosim/core/output_files.h"

namespace glucosim {

namespace {

DialogHooks standardHooks() {
    DialogHooks h;
    h.openFile = [](QWidget* parent, const QString& title, const QString& filter) {
        return QFileDialog::getOpenFileName(parent, title, QString(), filter);
    };
    h.saveFile = [](QWidget* parent, const QString& title, const QString& filter,
                    const QString& suffix, const QString& proposed) {
        QFileDialog dialog(parent, title, QString(), filter);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setDefaultSuffix(suffix);
        if (!proposed.isEmpty()) {
            const QFileInfo file(proposed);
            if (file.path() != QLatin1String(".")) dialog.setDirectory(file.path());
            dialog.selectFile(file.fileName());
        }
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return QString();
        return dialog.selectedFiles().first();
    };
    h.folder = [](QWidget* parent, const QString& title, const QString& proposed) {
        return QFileDialog::getExistingDirectory(parent, title, proposed);
    };
    h.message = [](QWidget* parent, const QString& title, const QString& text, MessageKind kind) {
        switch (kind) {
        case MessageKind::Information:
            QMessageBox::information(parent, title, text, QMessageBox::Ok);
            break;
        case MessageKind::Warning:
            QMessageBox::warning(parent, title, text, QMessageBox::Ok);
            break;
        case MessageKind::Critical:
            QMessageBox::critical(parent, title, text, QMessageBox::Ok);
            break;
        }
    };
    return h;
}

} // namespace

DialogHooks& dialogHooks() {
    static DialogHooks hooks = standardHooks();
    return hooks;
}

void resetDialogHooks() {
    dialogHooks() = standardHooks();
}

QString qtNameFilter(const QString& filter) {
    // "description|pattern|description|pattern" -> "description;;description"
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList names;
    for (int i = 0; i < parts.size(); i += 2)
        names << parts[i];
    return names.join(QStringLiteral(";;"));
}

FileDialog::FileDialog(Kind kind, const QString& name, const QString& title, QObject* parent,
                       const QString& filter, const QString& defaultExt)
    : QObject(parent), kind_(kind), title_(title), filter_(filter), defaultExt_(defaultExt) {
    setObjectName(name);
}

bool FileDialog::execute(QWidget* parent, const QString& proposed) {
    QString chosen;
    if (kind_ == Kind::Open) {
        chosen = dialogHooks().openFile(parent, title_, qtNameFilter(filter_));
    } else {
        QString suffix = defaultExt_;
        suffix.remove(QStringLiteral("*."));
        chosen = dialogHooks().saveFile(parent, title_, qtNameFilter(filter_), suffix, proposed);
    }
    if (chosen.isEmpty()) return false;
    fileName_ = chosen;
    return true;
}

QString dataFolder(const std::vector<std::string>& inputFiles) {
    if (inputFiles.empty() || inputFiles.front().empty()) return {};
    return QFileInfo(QString::fromStdString(inputFiles.front())).absolutePath();
}

QString proposedFileName(const std::vector<std::string>& inputFiles, const QString& what,
                         const QString& extension) {
    const QString name = what + QLatin1Char('.') + extension;
    if (inputFiles.empty() || inputFiles.front().empty()) return name;
    const QFileInfo experiment(QString::fromStdString(inputFiles.front()));
    return experiment.absoluteDir().filePath(experiment.completeBaseName() + QLatin1Char('_') +
                                             name);
}

QStatusBar* createStatusLine(QWidget* parent) {
    auto* status = new QStatusBar(parent);
    status->setObjectName(QStringLiteral("StatusBar"));
    status->setSizeGripEnabled(false);
    return status;
}

void showSaved(QStatusBar* status, const QString& where) {
    status->showMessage(QStringLiteral("Guardat a \"%1\"").arg(where));
    status->setToolTip(where);
}

bool saveToChosenFile(QWidget* parent, FileDialog* dialog, const QString& proposed,
                      QStatusBar* status, const std::function<std::string()>& content,
                      const std::vector<std::string>& inputs) {
    if (!dialog->execute(parent, proposed)) return false;
    const QString path = dialog->fileName();
    if (const auto error = saveTables({{path.toStdString(), content()}}, inputs)) {
        dialogHooks().message(
            parent, kProgramTitle,
            QStringLiteral("No s'ha pogut guardar: %1.").arg(QString::fromStdString(*error)),
            MessageKind::Critical);
        return false;
    }
    showSaved(status, path);
    return true;
}

} // namespace glucosim
