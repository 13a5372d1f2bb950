#include "checkcommand.h"

#include "app/tutorialcheck.h"
#include "build/templatefile.h"
#include "tutorial/archive.h"
#include "tutorial/peltra.h"

#include <QFile>
#include <QFileInfo>
#include <QTextStream>

namespace {

const QString kCheck = QStringLiteral("--check");

// Reads a project file as the document does: an empty file is an empty
// project.
bool LoadProjectModel(const QString& path, CPeltra& model, QString& error)
{
    const QFileInfo info(path);
    if (!info.exists()) {
        error = QStringLiteral("%1 が見つかりませんでした。").arg(path);
        return false;
    }
    QFile file(path);
    if (!info.isFile() || !file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("%1 を開けません: %2")
                    .arg(path, info.isFile() ? file.errorString()
                                             : QStringLiteral("ファイルではありません"));
        return false;
    }
    if (file.size() == 0)
        return true;
    CArchive ar(&file, CArchive::load);
    model.Serialize(ar);
    switch (ar.error()) {
    case CArchive::NoError:
        return true;
    case CArchive::EndOfFile:
        error = QStringLiteral("%1: 予期しないファイル形式です。").arg(path);
        return false;
    default:
        error = QStringLiteral("%1: ドキュメントを開くことに失敗しました。").arg(path);
        return false;
    }
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
    if (!loaded.ok) {
        err << (loaded.missing && line.templatePath.isEmpty()
                    ? MissingTemplateMessage(templatePath) +
                          QStringLiteral("別の場所にあるときは --template FILE で指定します。")
                    : loaded.message)
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
