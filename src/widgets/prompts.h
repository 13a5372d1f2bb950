#pragma once

#include <QMessageBox>
#include <QString>

class QWidget;

// Message boxes and file dialogs, for every window of the program. The panes
// and the document ask here; the application object installs the one
// CPrompter that shows them (and that tests replace), so no pane needs to
// know the application or the main window.

enum class FileDialogKind { Open, SaveAs };

class CPrompter
{
public:
    virtual ~CPrompter() = default;
    // Message box with the program's caption and the warning icon.
    virtual QMessageBox::StandardButton MessageBox(const QString& text,
                                                   QMessageBox::StandardButtons buttons) = 0;
    // The chosen path, or empty when cancelled.
    virtual QString FileDialog(FileDialogKind kind, const QString& folder,
                               const QString& suggestedName) = 0;
    // The window the program's dialogs belong to (nullptr before it exists).
    virtual QWidget* DialogParent() const = 0;
};

// Installs the prompter (nullptr: none; then message boxes show plainly over
// the active window and file dialogs are cancelled).
void SetPrompter(CPrompter* prompter);

QMessageBox::StandardButton AfxMessageBox(const QString& text,
                                          QMessageBox::StandardButtons buttons = QMessageBox::Ok);
QString AfxFileDialog(FileDialogKind kind, const QString& folder,
                      const QString& suggestedName = {});
// The main window, as the parent of a dialog; nullptr while there is none.
QWidget* AfxGetDialogParent();

// Registers the program's resources (icons, the copy sound), which live in a
// static library; every window that uses one calls this first.
void InitProgramResources();
