#include "prompts.h"

#include <QApplication>
#include <QMessageBox>

namespace {

CPrompter* g_prompter = nullptr;

} // namespace

void SetPrompter(CPrompter* prompter)
{
    g_prompter = prompter;
}

QMessageBox::StandardButton AfxMessageBox(const QString& text, QMessageBox::StandardButtons buttons)
{
    if (g_prompter)
        return g_prompter->MessageBox(text, buttons);
    QMessageBox box(QMessageBox::Warning, QCoreApplication::applicationName(), text, buttons,
                    QApplication::activeWindow());
    return QMessageBox::StandardButton(box.exec());
}

QString AfxFileDialog(FileDialogKind kind, const QString& folder, const QString& suggestedName)
{
    return g_prompter ? g_prompter->FileDialog(kind, folder, suggestedName) : QString();
}

QWidget* AfxGetDialogParent()
{
    return g_prompter ? g_prompter->DialogParent() : nullptr;
}

void InitProgramResources()
{
    Q_INIT_RESOURCE(peltra);
}
