#include "copytext.h"

#include "tutorial/codepage.h"

QString PageClipboardText(const QByteArray& copyText)
{
    const qsizetype nul = copyText.indexOf('\0');
    return CodePage::toUnicode(nul < 0 ? copyText : copyText.left(nul));
}
