#include "pagelist.h"

#include "app/tutorialcheck.h"
#include "editor/pagecheck.h"
#include "editor/replay.h"
#include "tutorial/codepage.h"
#include "tutorial/copytext.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <algorithm>

namespace {

// A title lies near the top of a page: this much is read at most.
constexpr qint64 kHeadBytes = 64 * 1024;

QString DecodeEntities(QString text)
{
    static const QRegularExpression entity(QStringLiteral("&(#x[0-9A-Fa-f]+|#[0-9]+|[a-z]+);"));
    QString out;
    qsizetype last = 0;
    auto it = entity.globalMatch(text);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        out += QStringView(text).mid(last, m.capturedStart() - last);
        const QString name = m.captured(1);
        QString replacement = m.captured(0);
        bool ok = false;
        uint code = 0;
        if (name.startsWith(QLatin1String("#x")))
            code = name.mid(2).toUInt(&ok, 16);
        else if (name.startsWith(QLatin1Char('#')))
            code = name.mid(1).toUInt(&ok, 10);
        if (ok && code > 0 && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF)) {
            const char32_t c = code;
            replacement = QString::fromUcs4(&c, 1);
        } else if (name == QLatin1String("amp")) {
            replacement = QStringLiteral("&");
        } else if (name == QLatin1String("lt")) {
            replacement = QStringLiteral("<");
        } else if (name == QLatin1String("gt")) {
            replacement = QStringLiteral(">");
        } else if (name == QLatin1String("quot")) {
            replacement = QStringLiteral("\"");
        } else if (name == QLatin1String("apos")) {
            replacement = QStringLiteral("'");
        } else if (name == QLatin1String("nbsp")) {
            replacement = QStringLiteral(" ");
        }
        out += replacement;
        last = m.capturedEnd();
    }
    out += QStringView(text).mid(last);
    return out;
}

} // namespace

QString HtmlPageTitle(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    const QByteArray head = file.read(kHeadBytes);
    static const QRegularExpression sjis(
        QStringLiteral(
            "charset\\s*=\\s*[\"']?\\s*(shift[_-]?jis|sjis|x-sjis|windows-31j|cp932|ms932)"),
        QRegularExpression::CaseInsensitiveOption);
    // The declaration is ASCII whatever the page's encoding.
    const QString ascii = QString::fromLatin1(head);
    const QString text =
        sjis.match(ascii).hasMatch() ? CodePage::toUnicode(head) : QString::fromUtf8(head);
    static const QRegularExpression title(QStringLiteral("<title[^>]*>(.*?)</title\\s*>"),
                                          QRegularExpression::CaseInsensitiveOption |
                                              QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch m = title.match(text);
    if (!m.hasMatch())
        return QString();
    return DecodeEntities(m.captured(1)).simplified();
}

QString FirstLineOf(const QByteArray& text)
{
    // What a click copies, up to its first line break (code page 932 has
    // no CR or LF inside a character).
    qsizetype cut = text.size();
    for (const char lineBreak : {'\n', '\r'}) {
        const qsizetype at = text.indexOf(lineBreak);
        if (at >= 0)
            cut = std::min(cut, at);
    }
    return PageClipboardText(text.left(cut));
}

QString KindName(int kind)
{
    switch (kind) {
    case ARROW_ADD:
        return QStringLiteral("赤(追加)");
    case ARROW_REPLACE:
        return QStringLiteral("緑(置換)");
    case ARROW_DELETE:
        return QStringLiteral("青(削除)");
    default:
        return QString::number(kind);
    }
}

QList<PageListRow> PageListRows(const CPeltra& tutorial, const QString& htmlFolder,
                                const QString* templateText)
{
    const QList<PageEntry> entries = PageEntries(tutorial);
    QList<CheckFinding> findings;
    if (templateText)
        findings = CheckEntries(*templateText, entries);
    findings += CheckHtmlPages(htmlFolder, int(entries.size()));

    int rowCount = int(entries.size());
    for (const CheckFinding& finding : std::as_const(findings)) {
        if (finding.kind == CheckFinding::PageWithoutEntry)
            rowCount = std::max(rowCount, finding.page + 1);
    }

    QList<PageListRow> rows(rowCount);
    const QDir folder(htmlFolder);
    for (int page = 0; page < rowCount; ++page) {
        PageListRow& row = rows[page];
        row.page = page;
        row.title = HtmlPageTitle(folder.filePath(QStringLiteral("index%1.html").arg(page)));
        row.hasEntry = page < entries.size();
        if (row.hasEntry) {
            row.entry = entries[page];
            row.firstLine = FirstLineOf(row.entry.text);
        }
    }
    for (const CheckFinding& finding : std::as_const(findings)) {
        if (finding.page >= 0 && finding.page < rowCount)
            rows[finding.page].findings << finding.text;
    }
    return rows;
}
