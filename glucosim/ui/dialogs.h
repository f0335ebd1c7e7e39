// The file dialogs and message boxes of the forms. Each goes through a
// replaceable function, so that the forms can be driven without a person
// (tests put their own functions in place of the modal dialogs).
#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <string>
#include <vector>

class QStatusBar;
class QWidget;

namespace glucosim {

// How a message box presents its text: a notice, something the user should
// look at, or an operation that failed.
enum class MessageKind { Information, Warning, Critical };

struct DialogHooks {
    // Returns the chosen file name, or an empty string when cancelled. A save
    // dialog starts at `proposed`, a folder and a file name.
    std::function<QString(QWidget* parent, const QString& title, const QString& filter)> openFile;
    std::function<QString(QWidget* parent, const QString& title, const QString& filter,
                          const QString& defaultSuffix, const QString& proposed)>
        saveFile;
    // Returns the chosen folder, or an empty string when cancelled; starts at
    // `proposed`.
    std::function<QString(QWidget* parent, const QString& title, const QString& proposed)> folder;
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

    // A dialog of text documents, or of the files that `filter` and
    // `defaultExt` ("*.png") name.
    FileDialog(Kind kind, const QString& name, const QString& title, QObject* parent,
               const QString& filter = QStringLiteral("Documents de text (*.txt)|*.txt"),
               const QString& defaultExt = QStringLiteral("*.txt"));

    Kind kind() const { return kind_; }
    QString title() const { return title_; }
    QString filter() const { return filter_; }
    QString defaultExt() const { return defaultExt_; }
    QString fileName() const { return fileName_; }

    // Runs the dialog, a save dialog starting at `proposed`; true when the
    // user confirmed a file name.
    bool execute(QWidget* parent, const QString& proposed = QString());

private:
    Kind kind_;
    QString title_;
    QString filter_;
    QString defaultExt_;
    QString fileName_;
};

// "Documents de text (*.txt)|*.txt" as a Qt name filter.
QString qtNameFilter(const QString& filter);

// The file name a save dialog proposes for the results of `inputFiles` (the
// experiment file first): "<folder>/<experiment file name without its
// extension>_<what>.<extension>" beside the experiment file, or
// "<what>.<extension>" without one.
QString proposedFileName(const std::vector<std::string>& inputFiles, const QString& what,
                         const QString& extension);
// The folder of the experiment file, or an empty string without one.
QString dataFolder(const std::vector<std::string>& inputFiles);

// The status line of a form: a status bar whose message says where the last
// save wrote.
QStatusBar* createStatusLine(QWidget* parent);

// Runs `dialog` from `proposed` and, when confirmed, writes the bytes that
// `content` makes to the chosen file, all or nothing and never over one of
// `inputs`. The status line then says where it wrote; a message box says why
// it could not. Returns whether the file was written.
bool saveToChosenFile(QWidget* parent, FileDialog* dialog, const QString& proposed,
                      QStatusBar* status, const std::function<std::string()>& content,
                      const std::vector<std::string>& inputs);
// Tells, in the status line, where a save wrote.
void showSaved(QStatusBar* status, const QString& where);

// The caption of the program's own message boxes.
inline const QString kProgramTitle = QStringLiteral("glucosim");

} // namespace glucosim
