#include "checkcommand.h"

#include "app/tutorialcheck.h"
#include "build/templatefile.h"
#include "tutorial/peltra.h"
#include "tutorial/projectfile.h"

#include <QTextStream>

namespace {

const QString kCheck = QStringLiteral("--check");

// Reads a project file as the document does, with the document's message
// (and the system's reason, when there is one) for a failure.
bool LoadProjectModel(const QString& path, CPeltra& model, QString& error)
{
    const ProjectFile::Status status = ProjectFile::Load(path, model);
    if (status.ok())
        return true;
    if (status.code() == ProjectFile::Error::WrongExtension) {
        error = QStringLiteral("%1 はプロジェクトファイル(.lrnf)ではありません。").arg(path);
        return false;
    }
    error = ProjectFile::LoadErrorMessage(status.code(), path);
    if (!error.contains(path))
        error = path + QStringLiteral(": ") + error;
    if (!status.message().isEmpty())
        error += QStringLiteral("(%1)").arg(status.message());
    return false;
}

} // namespace

bool ParseCheckCommandLine(const QStringList& arguments, CheckCommandLine& line, QString& error)
{
    line = CheckCommandLine();
    bool check = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& arg = arguments[i];
        if (arg == kCheck && !check && i + 1 < arguments.size()) {
            check = true;
            line.projectPath = arguments[++i];
        } else if (arg == QLatin1String("--template") && line.templatePath.isEmpty() &&
                   i + 1 < arguments.size()) {
            line.templatePath = arguments[++i];
        } else if (arg == QLatin1String("--compile-each")) {
            line.compileEach = true;
        } else if (arg == QLatin1String("--no-compile")) {
            line.compile = false;
        } else {
            check = false;
            break;
        }
    }
    if (!check || line.projectPath.isEmpty() || (!line.compile && line.compileEach)) {
        error = QStringLiteral("使い方: peltra --check NAME.lrnf [--template FILE] "
                               "[--compile-each | --no-compile]");
        return false;
    }
    return true;
}

int RunCheckCommand(const QStringList& arguments, const QString& programFolder, QTextStream& out,
                    QTextStream& err)
{
    CheckCommandLine line;
    QString error;
    if (!ParseCheckCommandLine(arguments, line, error)) {
        err << error << Qt::endl;
        return 2;
    }
    CPeltra tutorial;
    if (!LoadProjectModel(line.projectPath, tutorial, error)) {
        err << error << Qt::endl;
        return 2;
    }
    const QString templatePath =
        line.templatePath.isEmpty() ? TemplatePathFor(line.projectPath) : line.templatePath;
    QString templateText;
    const TemplateResult loaded = LoadTemplateFile(templatePath, templateText);
    if (!loaded) {
        err << (loaded.code() == TemplateError::Missing && line.templatePath.isEmpty()
                    ? MissingTemplateMessage(templatePath) +
                          QStringLiteral("別の場所にあるときは --template FILE で指定します。")
                    : TemplateErrorText(templatePath, loaded))
            << Qt::endl;
        return 2;
    }

    CheckOptions options;
    options.programFolder = programFolder;
    options.compile = line.compile;
    options.compileEach = line.compileEach;
    // Each finding is printed as it is found: the compiles take a while.
    const CheckReport report =
        CheckTutorial(tutorial, templateText, options, [&out](const CheckFinding& finding) {
            out << FormatFinding(finding) << Qt::endl;
        });
    out << report.summary() << Qt::endl;
    return report.clean() ? 0 : 1;
}
