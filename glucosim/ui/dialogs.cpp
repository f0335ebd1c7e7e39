#include "glucosim/ui/dialogs.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>

namespace glucosim {

namespace {

DialogHooks standardHooks() {
    DialogHooks h;
    h.openFile = [](QWidget* parent, const QString& title, const QString& filter) {
        return QFileDialog::getOpenFileName(parent, title, QString(), filter);
    };
    h.saveFile = [](QWidget* parent, const QString& title, const QString& filter,
                    const QString& suffix) {
        QFileDialog dialog(parent, title, QString(), filter);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setDefaultSuffix(suffix);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return QString();
        return dialog.selectedFiles().first();
    };
    h.folder = [](QWidget* parent, const QString& title) {
        return QFileDialog::getExistingDirectory(parent, title);
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

FileDialog::FileDialog(Kind kind, const QString& name, const QString& title, QObject* parent)
    : QObject(parent), kind_(kind), title_(title) {
    setObjectName(name);
}

bool FileDialog::execute(QWidget* parent) {
    QString chosen;
    if (kind_ == Kind::Open) {
        chosen = dialogHooks().openFile(parent, title_, qtNameFilter(filter_));
    } else {
        QString suffix = defaultExt_;
        suffix.remove(QStringLiteral("*."));
        chosen = dialogHooks().saveFile(parent, title_, qtNameFilter(filter_), suffix);
    }
    if (chosen.isEmpty()) return false;
    fileName_ = chosen;
    return true;
}

} // namespace glucosim
