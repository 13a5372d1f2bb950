#include "tutorialsource.h"

#include "editor/pagecheck.h"
#include "editor/replay.h"
#include "tutorial/codepage.h"

#include <QFile>
#include <QStringDecoder>

namespace {

const QString scriptMarker = QStringLiteral("[script]");

QString Trimmed(QStringList lines)
{
    while (!lines.isEmpty() && lines.first().trimmed().isEmpty())
        lines.removeFirst();
    while (!lines.isEmpty() && lines.last().trimmed().isEmpty())
        lines.removeLast();
    return lines.join(u'\n');
}

bool ReadNumber(const TutorialText& text, const QString& key, int minimum, int& value,
                QString& error)
{
    bool ok = false;
    value = text.header.value(key).toInt(&ok);
    if (!ok || value < minimum) {
        error = QStringLiteral("'%1' must be a whole number of at least %2").arg(key).arg(minimum);
        return false;
    }
    return true;
}

} // namespace

bool ReadTutorialText(const QString& path, TutorialText& text, QString& error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = file.errorString();
        return false;
    }
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString contents = decoder(file.readAll());
    if (decoder.hasError()) {
        error = QStringLiteral("not valid UTF-8");
        return false;
    }
    if (contents.startsWith(QChar(0xFEFF)))
        contents.remove(0, 1);

    QStringList lines = contents.split(u'\n');
    // A final line break ends the last line; it does not start another one.
    if (contents.endsWith(u'\n'))
        lines.removeLast();
    for (QString& line : lines) {
        if (line.endsWith(u'\r'))
            line.chop(1);
    }

    text = TutorialText();
    int i = 0;
    for (; i < lines.size() && !lines[i].isEmpty(); ++i) {
        const int colon = lines[i].indexOf(u':');
        if (colon <= 0) {
            error = QStringLiteral("line %1: a header line is 'key: value'").arg(i + 1);
            return false;
        }
        text.header.insert(lines[i].left(colon).trimmed(), lines[i].mid(colon + 1).trimmed());
    }
    const int marker = lines.indexOf(scriptMarker, i);
    const int bodyEnd = marker < 0 ? int(lines.size()) : marker;
    text.explanation = Trimmed(lines.mid(i, bodyEnd - i));
    if (marker >= 0)
        text.script = lines.mid(marker + 1);
    return true;
}

bool ParseStep(const TutorialText& text, TutorialStep& step, QString& error)
{
    static const QMap<QString, ArrowKind> kinds = {
        {QStringLiteral("add"), ARROW_ADD},
        {QStringLiteral("replace"), ARROW_REPLACE},
        {QStringLiteral("delete"), ARROW_DELETE},
    };
    step = TutorialStep();
    step.title = text.header.value(QStringLiteral("title"));
    if (step.title.isEmpty()) {
        error = QStringLiteral("the step has no title");
        return false;
    }
    const QString kind = text.header.value(QStringLiteral("kind"));
    if (!kinds.contains(kind)) {
        error = QStringLiteral("kind '%1' is none of add, replace, delete").arg(kind);
        return false;
    }
    step.kind = kinds.value(kind);
    if (!ReadNumber(text, QStringLiteral("line"), 1, step.line, error) ||
        !ReadNumber(text, QStringLiteral("count"), 0, step.count, error))
        return false;
    step.explanation = text.explanation;
    step.script = text.script;

    if (step.kind == ARROW_DELETE && !step.script.isEmpty()) {
        error = QStringLiteral("a delete step has no script");
        return false;
    }
    if (step.kind != ARROW_DELETE && step.script.isEmpty()) {
        error = QStringLiteral("an add or replace step needs a script");
        return false;
    }
    if (step.kind != ARROW_ADD && step.count == 0) {
        error = QStringLiteral("a replace or delete step covers at least one line");
        return false;
    }
    return true;
}

bool ApplyStep(const TutorialStep& step, QString& source, QStringList& oldLines, QString& error)
{
    PageEntry entry;
    if (!StepEntry(step, entry, error))
        return false;
    // Whatever the check of the page finds would stop a learner too.
    const QList<CheckFinding> findings = CheckEntries(source, {entry});
    if (!findings.isEmpty()) {
        error = findings.first().text;
        return false;
    }
    const PageEdit edit = PlanPageEdit(source, entry);
    const QString removed = source.mid(edit.start, edit.end - edit.start);
    oldLines = removed.split(u'\n');
    oldLines.removeLast(); // the edit takes whole lines, each with its break
    source = ApplyPageEdit(source, edit);
    return true;
}

bool StepEntry(const TutorialStep& step, PageEntry& entry, QString& error)
{
    if (!CopyText(step, entry.text, error))
        return false;
    entry.color = step.kind;
    entry.line = step.line;
    entry.lineCount = step.count;
    return true;
}

bool CopyText(const TutorialStep& step, QByteArray& text, QString& error)
{
    QString copy;
    for (const QString& line : step.script)
        copy += line + QStringLiteral("\r\n");
    text = CodePage::fromUnicode(copy);
    if (CodePage::toUnicode(text) != copy) {
        error = QStringLiteral("the script has a character that code page 932 cannot hold");
        return false;
    }
    return true;
}
