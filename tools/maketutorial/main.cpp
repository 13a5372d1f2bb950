// maketutorial SAMPLE_FOLDER PROGRAM_FOLDER
//
// Builds a tutorial from its readable source: SAMPLE_FOLDER holds contents.txt,
// steps/*.txt (one page each, in the order of their names), the game template
// game/src/Main.as and its compiler configuration game/obj/Main-config.xml.
// Below PROGRAM_FOLDER it writes HTML/index.html and HTML/index0.html...,
// sample.lrnf, its template sample.template.as, game/src/Main.as (UTF-8,
// CR LF), game/obj/Main-config.xml and an empty game/bin.

#include "htmlpage.h"
#include "tutorialsource.h"

#include "build/templatefile.h"
#include "tutorial/peltra.h"
#include "tutorial/projectfile.h"
#include "tutorial/wholefile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringDecoder>

#include <cstdio>

namespace {

bool WriteFile(const QString& path, const QByteArray& data, QString& error)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    const FileResult saved = SaveWholeFile(path, data);
    if (!saved.ok())
        error = path + QStringLiteral(": ") + saved.message();
    return saved.ok();
}

class TutorialMaker
{
public:
    TutorialMaker(const QString& sampleFolder, const QString& programFolder)
        : m_in(sampleFolder), m_out(programFolder)
    {}

    bool Run(QString& error);

private:
    bool ReadSteps(QString& error);
    bool WritePages(QString& error);
    bool WriteProject(QString& error);
    bool WriteGame(QString& error);

    QDir m_in;
    QDir m_out;
    TutorialText m_contents;
    QStringList m_stepFiles;
    QList<TutorialStep> m_steps;
    QList<QStringList> m_oldLines; // per step: the lines it replaces or deletes
    QString m_template;            // with LF line ends
};

bool TutorialMaker::Run(QString& error)
{
    return ReadSteps(error) && WritePages(error) && WriteProject(error) && WriteGame(error);
}

bool TutorialMaker::ReadSteps(QString& error)
{
    const QString contentsPath = m_in.filePath(QStringLiteral("contents.txt"));
    if (!ReadTutorialText(contentsPath, m_contents, error)) {
        error.prepend(contentsPath + QStringLiteral(": "));
        return false;
    }

    const QString templatePath = m_in.filePath(QStringLiteral("game/src/Main.as"));
    QFile templateFile(templatePath);
    if (!templateFile.open(QIODevice::ReadOnly)) {
        error = templatePath + QStringLiteral(": ") + templateFile.errorString();
        return false;
    }
    QStringDecoder decoder(QStringDecoder::Utf8);
    m_template = decoder(templateFile.readAll());
    m_template.remove(u'\r');
    if (decoder.hasError() || !m_template.endsWith(u'\n')) {
        error = templatePath + QStringLiteral(": not UTF-8 text ending with a line break");
        return false;
    }
    QString source = m_template;

    const QDir stepFolder(m_in.filePath(QStringLiteral("steps")));
    m_stepFiles = stepFolder.entryList({QStringLiteral("*.txt")}, QDir::Files, QDir::Name);
    for (const QString& name : std::as_const(m_stepFiles)) {
        const QString path = stepFolder.filePath(name);
        TutorialText text;
        TutorialStep step;
        QStringList oldLines;
        if (!ReadTutorialText(path, text, error) || !ParseStep(text, step, error) ||
            !ApplyStep(step, source, oldLines, error)) {
            error.prepend(path + QStringLiteral(": "));
            return false;
        }
        m_steps.append(step);
        m_oldLines.append(oldLines);
    }
    if (m_steps.isEmpty()) {
        error = stepFolder.path() + QStringLiteral(": no step files");
        return false;
    }
    return true;
}

bool TutorialMaker::WritePages(QString& error)
{
    const QDir html(m_out.filePath(QStringLiteral("HTML")));
    const QString title = m_contents.header.value(QStringLiteral("title"));
    QStringList titles;
    for (const TutorialStep& step : std::as_const(m_steps))
        titles.append(step.title);

    if (!WriteFile(html.filePath(QStringLiteral("index.html")),
                   ContentsPageHtml(title, m_contents.explanation, titles).toUtf8(), error))
        return false;
    for (int i = 0; i < m_steps.size(); ++i) {
        const QString next = i + 1 < m_steps.size() ? titles[i + 1] : QString();
        const QString page =
            StepPageHtml(title, m_steps[i], i, int(m_steps.size()), m_oldLines[i], next);
        if (!WriteFile(html.filePath(PageFileName(i)), page.toUtf8(), error))
            return false;
    }

    // Pages of steps that no longer exist would still be reachable by name.
    static const QRegularExpression numbered(QStringLiteral("^index(\\d+)\\.html$"));
    const QStringList files = html.entryList({QStringLiteral("index*.html")}, QDir::Files);
    for (const QString& name : files) {
        const QRegularExpressionMatch match = numbered.match(name);
        if (match.hasMatch() && match.captured(1).toInt() >= m_steps.size())
            QFile::remove(html.filePath(name));
    }
    return true;
}

bool TutorialMaker::WriteProject(QString& error)
{
    CPeltra tutorial;
    for (int i = 0; i < m_steps.size(); ++i) {
        const TutorialStep& step = m_steps[i];
        PageEntry entry;
        if (!StepEntry(step, entry, error)) {
            error.prepend(m_in.filePath(QStringLiteral("steps/") + m_stepFiles[i]) +
                          QStringLiteral(": "));
            return false;
        }
        tutorial.SetCurrentPage(i);
        tutorial.SetPage(entry);
    }
    tutorial.SetCurrentPage(-1);
    tutorial.SetStartPage(QByteArrayLiteral("HTML\\index.html"));

    QByteArray bytes;
    const ProjectFile::Status stored = ProjectFile::Write(tutorial, bytes);
    if (!stored.ok()) {
        error = QStringLiteral("the project could not be stored: ") + stored.message();
        return false;
    }
    return WriteFile(m_out.filePath(QStringLiteral("sample.lrnf")), bytes, error);
}

bool TutorialMaker::WriteGame(QString& error)
{
    // The template beside the project, from which the pages are replayed.
    const QString templatePath = TemplatePathFor(m_out.filePath(QStringLiteral("sample.lrnf")));
    const TemplateResult saved = SaveTemplateFile(templatePath, m_template);
    if (!saved) {
        error = TemplateErrorText(templatePath, saved);
        return false;
    }
    QString source = m_template;
    source.replace(u'\n', QStringLiteral("\r\n"));
    if (!WriteFile(m_out.filePath(QStringLiteral("game/src/Main.as")), source.toUtf8(), error))
        return false;

    const QString configPath = m_in.filePath(QStringLiteral("game/obj/Main-config.xml"));
    QFile config(configPath);
    if (!config.open(QIODevice::ReadOnly)) {
        error = configPath + QStringLiteral(": ") + config.errorString();
        return false;
    }
    if (!WriteFile(m_out.filePath(QStringLiteral("game/obj/Main-config.xml")), config.readAll(),
                   error))
        return false;

    if (!m_out.mkpath(QStringLiteral("game/bin"))) {
        error = m_out.filePath(QStringLiteral("game/bin")) + QStringLiteral(": cannot be made");
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 3) {
        std::fprintf(stderr, "usage: maketutorial SAMPLE_FOLDER PROGRAM_FOLDER\n");
        return 2;
    }
    QString error;
    if (!TutorialMaker(arguments[1], arguments[2]).Run(error)) {
        std::fprintf(stderr, "maketutorial: %s\n", qUtf8Printable(error));
        return 1;
    }
    return 0;
}
