#include "copytext.h"

#include "tutorial/codepage.h"

QString PageClipboardText(const QByteArray& copyText)
{
    const qsizetype nul = copyText.indexOf('\0');
    return CodePage::toUnicode(nul < 0 ? copyText : copyText.left(nul));
}

QString EditorText(const QString& text)
{
    QString lines = text;
    lines.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    lines.replace(u'\r', u'\n');
    return lines;
}
