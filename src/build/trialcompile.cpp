#include "trialcompile.h"

#include "build/compilecommand.h"
#include "build/diagnostics.h"
#include "build/locations.h"
#include "build/processrunner.h"
#include "build/sourcefile.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

bool TrialCompileResult::clean() const
{
    return ran && exitCode == 0 && errors().isEmpty();
}

QList<CompilerMessage> TrialCompileResult::errors() const
{
    QList<CompilerMessage> found;
    for (const CompilerMessage& message : messages)
        if (message.error)
            found.append(message);
    return found;
}

QList<CompilerMessage> ParseCompilerMessages(const QString& output, const QString& sourcePath)
{
    QList<CompilerMessage> messages;
    for (const Diagnostic& diagnostic : ParseDiagnostics(output)) {
        if (diagnostic.kind == Diagnostic::Kind::Other)
            continue;
        CompilerMessage message;
        message.error = diagnostic.kind == Diagnostic::Kind::Error;
        message.text = diagnostic.message;
        if (diagnostic.file.isEmpty() || diagnostic.isAbout(sourcePath)) {
            message.line = diagnostic.line;
            message.column = diagnostic.column;
        } else {
            // A message about another file of the game names that file.
            const QString name = QFileInfo(diagnostic.file).fileName();
            message.text = diagnostic.line > 0
                               ? QStringLiteral("%1(%2): %3")
                                     .arg(name)
                                     .arg(diagnostic.line)
                                     .arg(diagnostic.message)
                               : QStringLiteral("%1: %2").arg(name, diagnostic.message);
        }
        messages.append(message);
    }
    return messages;
}

TrialCompiler::TrialCompiler(const QString& programFolder) : m_programFolder(programFolder) {}

TrialCompiler::~TrialCompiler() = default;

bool TrialCompiler::Prepare(QString& error)
{
    if (m_copy)
        return true;
    auto copy = std::make_unique<QTemporaryDir>();
    if (!copy->isValid()) {
        error = QStringLiteral("一時フォルダを作れません: %1").arg(copy->errorString());
        return false;
    }
    const QDir source(QDir(m_programFolder).filePath(QStringLiteral("game")));
    const QDir target(QDir(copy->path()).filePath(QStringLiteral("game")));
    if (!source.exists()) {
        error = QStringLiteral("ゲームのフォルダ %1 がありません").arg(source.path());
        return false;
    }
    QDirIterator it(source.path(), QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden,
                    QDirIterator::Subdirectories);
    if (!QDir().mkpath(target.path())) {
        error = QStringLiteral("%1 を作れません").arg(target.path());
        return false;
    }
    while (it.hasNext()) {
        const QString path = it.next();
        const QString relative = source.relativeFilePath(path);
        // Movies of earlier runs are of no use to the compiler.
        if (relative.startsWith(QLatin1String("bin/")))
            continue;
        const QString copyPath = target.filePath(relative);
        const QFileInfo info = it.fileInfo();
        if (info.isDir()) {
            if (!QDir().mkpath(copyPath)) {
                error = QStringLiteral("%1 を作れません").arg(copyPath);
                return false;
            }
        } else {
            QDir().mkpath(QFileInfo(copyPath).path());
            QFile file(path);
            if (!file.copy(copyPath)) {
                error = QStringLiteral("%1 をコピーできません: %2").arg(path, file.errorString());
                return false;
            }
        }
    }
    QDir().mkpath(target.filePath(QStringLiteral("bin")));
    QDir().mkpath(target.filePath(QStringLiteral("src")));
    m_copy = std::move(copy);
    return true;
}

TrialCompileResult TrialCompiler::Compile(const QString& source, int timeoutMs)
{
    TrialCompileResult result;
    if (!Prepare(result.failure))
        return result;

    // The copy stands in for the program folder: source, movie and
    // configuration lie below it, the compiler stays where it is.
    QString folder = QDir::toNativeSeparators(m_copy->path());
    if (!folder.endsWith(QDir::separator()))
        folder += QDir::separator();
    const QString sourcePath = SourcePath(folder);
    if (!SaveSourceFile(sourcePath, source)) {
        result.failure = QStringLiteral("%1 を書けません").arg(sourcePath);
        return result;
    }
    QFile::remove(MoviePath(folder));

    const QString mxmlc = MxmlcPath(m_programFolder.endsWith(QDir::separator())
                                        ? m_programFolder
                                        : m_programFolder + QDir::separator());
    if (!QFileInfo(mxmlc).isExecutable()) {
        result.failure = QStringLiteral("コンパイラ %1 がありません").arg(mxmlc);
        return result;
    }
    // Each path passed whole, as 実行 passes it, so that blanks in a folder
    // name cannot split it.
    RunOptions options;
    options.timeLimit = std::chrono::milliseconds(timeoutMs);
    const RunResult run = RunProcess(CompileArguments(mxmlc, sourcePath, folder), options);
    if (!run.ok) {
        result.failure = QStringLiteral("コンパイラ %1 を起動できません: %2 (%3)")
                             .arg(mxmlc, run.message, run.api);
        return result;
    }
    result.output = QString::fromUtf8(run.output);
    switch (run.end) {
    case RunEnd::Exited:
        break;
    case RunEnd::TimedOut:
        result.failure = QStringLiteral("コンパイラが %1 秒で終わりません").arg(timeoutMs / 1000);
        return result;
    case RunEnd::Signalled:
        result.failure =
            QStringLiteral("コンパイラが異常終了しました: シグナル %1").arg(run.exitCode);
        return result;
    case RunEnd::StatusUnknown:
    case RunEnd::Cancelled:
        result.failure = QStringLiteral("コンパイラの終了状態がわかりません");
        return result;
    }
    result.ran = true;
    result.exitCode = run.exitCode;
    result.messages = ParseCompilerMessages(result.output, sourcePath);
    // A failed compile that names no error of its own still counts as one.
    if (result.exitCode != 0 && result.errors().isEmpty()) {
        CompilerMessage message;
        message.text =
            QStringLiteral("コンパイラが終了コード %1 で終わりました").arg(result.exitCode);
        result.messages.append(message);
    }
    return result;
}
