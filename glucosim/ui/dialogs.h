// The file dialogs and message boxes of the forms. Each goes through a
// replaceable function, so that the forms can be driven without a person
// (tests put their own functions in place of the modal dialogs).
#pragma once

#include <QObject>
#include <QString>
#include <functional>

class QWidget;

namespace glucosim {

// How a message box presents its text: a notice, something the user should
// look at, or an operation that failed.
enum class MessageKind { Information, Warning, Critical };

struct DialogHooks {
    // Returns the chosen file name, or an empty string when cancelled.
    std::function<QString(QWidget* parent, const QString& title, const QString& filter)> openFile;
    std::function<QString(QWidget* parent, const QString& title, const QString& filter,
                          const QString& defaultSuffix)>
        saveFile;
    // Returns the chosen folder, or an empty string when cancelled.
    std::function<QString(QWidget* parent, const QString& title)> folder;
    // A modal message with an OK button and the icon of its kind.
    std::function<void(QWidget* parent, const QString& title, const QString& text,
                       MessageKind kind)>
        message;
};

// The hooks in use; they start as the ordinary Qt dialogs.
DialogHooks& dialogHooks();
// Puts the ordinary Qt dialogs back.
void resetDialogHooks();

// An open or save dialog as a form holds it: a title, a filter written as
// "description|pattern", a default extension, and the file name chosen last.
class FileDialog : public QObject {
    Q_OBJECT
public:
    enum class Kind { Open, Save };

    FileDialog(Kind kind, const QString& name, const QString& title, QObject* parent);

    Kind kind() const { return kind_; }
    QString title() const { return title_; }
    QString filter() const { return filter_; }
    QString defaultExt() const { return defaultExt_; }
    QString fileName() const { return fileName_; }

    // Runs the dialog; true when the user confirmed a file name.
    bool execute(QWidget* parent);

private:
    Kind kind_;
    QString title_;
    QString filter_ = QStringLiteral("Documents de text (*.txt)|*.txt");
    QString defaultExt_ = QStringLiteral("*.txt");
    QString fileName_;
};

// "Documents de text (*.txt)|*.txt" as a Qt name filter.
QString qtNameFilter(const QString& filter);

// The caption of the program's own message boxes.
inline const QString kProgramTitle = QStringLiteral("glucosim");

} // namespace glucosim
