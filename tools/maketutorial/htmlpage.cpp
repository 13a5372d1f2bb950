#include "htmlpage.h"

#include "browser/pagescript.h"
#include "tutorialsource.h"

#include <algorithm>

namespace {

const char* const pageStyle = R"(body {
    font-family: "Meiryo", "IPAPGothic", "IPAGothic", "Noto Sans CJK JP", sans-serif;
    line-height: 1.8;
    margin: 1em 1.5em 2em;
    color: #222;
    background: #fdfbf4;
}
h1 { font-size: 1.4em; border-bottom: 3px solid #f0b400; padding-bottom: 0.2em; }
h1 small { display: block; font-size: 0.6em; color: #9a6a00; }
h2 { font-size: 1.05em; margin-top: 1.4em; }
code, pre { font-family: "MS Gothic", "IPAGothic", "Noto Sans Mono CJK JP", monospace; }
code { background: #efe9da; padding: 0 0.25em; border-radius: 3px; }
pre {
    tab-size: 2;
    -moz-tab-size: 2;
    line-height: 1.45;
    padding: 0.8em 1em;
    border-radius: 6px;
    overflow-x: auto;
    background: #000;
    color: #fff;
}
pre.old { background: #e4e0d6; color: #555; }
.task { padding: 0.4em 0.8em; border-left: 8px solid; background: #fff; }
.add { border-color: #ff0000; }
.replace { border-color: #00a000; }
.delete { border-color: #0000ff; }
nav { margin-top: 2em; padding-top: 0.6em; border-top: 1px solid #ddd; }
nav a { margin-right: 2em; }
.start { font-size: 1.3em; }
)";

QString Page(const QString& title, const QString& body)
{
    return QStringLiteral("<!DOCTYPE html>\n<html lang=\"ja\">\n<head>\n<meta charset=\"utf-8\">\n"
                          "<title>%1</title>\n<style>\n%2</style>\n</head>\n<body>\n%3</body>\n"
                          "</html>\n")
        .arg(HtmlEscape(title), QString::fromLatin1(pageStyle), body);
}

// Inline markup of one paragraph: `code`.
QString InlineHtml(const QString& text)
{
    QString html;
    int from = 0;
    for (;;) {
        const int open = text.indexOf(u'`', from);
        const int close = open < 0 ? -1 : text.indexOf(u'`', open + 1);
        if (close < 0)
            break;
        html += HtmlEscape(text.mid(from, open - from)) + QStringLiteral("<code>") +
                HtmlEscape(text.mid(open + 1, close - open - 1)) + QStringLiteral("</code>");
        from = close + 1;
    }
    return html + HtmlEscape(text.mid(from));
}

QString Pre(const QString& cssClass, const QString& content)
{
    // The parser drops a line break right after <pre>; this one keeps a
    // script's own leading empty line.
    return QStringLiteral("<pre class=\"%1\">\n%2</pre>\n").arg(cssClass, content);
}

// Where the program shows the page's script: it fills the element with the
// copy text of the project file when the page is shown, so the script is
// written once.
QString ScriptPlace()
{
    return QStringLiteral("<pre class=\"%1\"></pre>\n").arg(PageScriptClass());
}

QString PlainLines(const QStringList& lines)
{
    QString html;
    for (const QString& line : lines)
        html += HtmlEscape(line) + u'\n';
    return html;
}

QString TaskHtml(const TutorialStep& step)
{
    const QString lines = step.count == 1
                              ? QStringLiteral("%1行目").arg(step.line)
                              : QStringLiteral("%1行目から%2行").arg(step.line).arg(step.count);
    const QString copyAndPaste = QStringLiteral(
        "ページをクリックしてスクリプトをコピーし、右のエディタで貼り付けてください。");
    switch (step.kind) {
    case ARROW_ADD:
        return QStringLiteral(
                   "<p class=\"task "
                   "add\">赤い矢印のところ(%1行目の前)に、下のスクリプトを追加します。%2</p>\n")
            .arg(step.line)
            .arg(copyAndPaste);
    case ARROW_REPLACE:
        return QStringLiteral("<p class=\"task "
                              "replace\">緑の矢印の%1を、下のスクリプトに置き換えます。%2</p>\n")
            .arg(lines, copyAndPaste);
    case ARROW_DELETE:
        return QStringLiteral("<p class=\"task "
                              "delete\">青い矢印の%"
                              "1を削除します。行は右のエディタで選ばれているので、Backspace "
                              "キーを押して消してください。</p>\n")
            .arg(lines);
    }
    return QString();
}

} // namespace

QString HtmlEscape(const QString& text)
{
    return text.toHtmlEscaped();
}

QString ExplanationHtml(const QString& text)
{
    QString html;
    const QStringList paragraphs = text.split(QStringLiteral("\n\n"), Qt::SkipEmptyParts);
    for (const QString& paragraph : paragraphs) {
        const QStringList lines = paragraph.trimmed().split(u'\n');
        const bool isList = std::all_of(lines.begin(), lines.end(), [](const QString& line) {
            return line.startsWith(QStringLiteral("- "));
        });
        if (isList) {
            html += QStringLiteral("<ul>\n");
            for (const QString& line : lines)
                html += QStringLiteral("<li>%1</li>\n").arg(InlineHtml(line.mid(2)));
            html += QStringLiteral("</ul>\n");
        } else {
            html += QStringLiteral("<p>%1</p>\n").arg(InlineHtml(lines.join(u'\n')));
        }
    }
    return html;
}

QString PageFileName(int page)
{
    return QStringLiteral("index%1.html").arg(page);
}

QString StepPageHtml(const QString& tutorialTitle, const TutorialStep& step, int page,
                     int pageCount, const QStringList& oldLines, const QString& nextTitle)
{
    QString body = QStringLiteral("<h1><small>%1 ステップ %2 / %3</small>%4</h1>\n")
                       .arg(HtmlEscape(tutorialTitle), QString::number(page + 1),
                            QString::number(pageCount), HtmlEscape(step.title));
    body += TaskHtml(step);
    body += ExplanationHtml(step.explanation);
    if (step.kind == ARROW_REPLACE) {
        body += QStringLiteral("<h2>置き換える前の行</h2>\n") + Pre("old", PlainLines(oldLines));
        body += QStringLiteral("<h2>置き換えたあとのスクリプト</h2>\n") + ScriptPlace();
    } else if (step.kind == ARROW_DELETE) {
        body += QStringLiteral("<h2>削除する行</h2>\n") + Pre("old", PlainLines(oldLines));
    } else {
        body += QStringLiteral("<h2>追加するスクリプト</h2>\n") + ScriptPlace();
    }

    body += QStringLiteral("<nav>\n");
    if (!nextTitle.isEmpty()) {
        body += QStringLiteral("<a href=\"%1\">次へ: %2</a>\n")
                    .arg(PageFileName(page + 1), HtmlEscape(nextTitle));
    }
    body += QStringLiteral("<a href=\"index.html\">目次</a>\n</nav>\n");
    return Page(QStringLiteral("%1. %2 - %3").arg(page + 1).arg(step.title, tutorialTitle), body);
}

QString ContentsPageHtml(const QString& tutorialTitle, const QString& explanation,
                         const QStringList& stepTitles)
{
    QString body = QStringLiteral("<h1>%1</h1>\n").arg(HtmlEscape(tutorialTitle));
    body += ExplanationHtml(explanation);
    body += QStringLiteral("<h2>ステップ</h2>\n<ol>\n");
    for (const QString& title : stepTitles)
        body += QStringLiteral("<li>%1</li>\n").arg(HtmlEscape(title));
    body += QStringLiteral("</ol>\n");
    if (!stepTitles.isEmpty()) {
        body += QStringLiteral("<p class=\"start\"><a href=\"%1\">はじめる</a></p>\n")
                    .arg(PageFileName(0));
    }
    return Page(tutorialTitle, body);
}
