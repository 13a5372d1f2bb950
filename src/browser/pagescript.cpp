#include "pagescript.h"

#include "tutorial/copytext.h"

#include <QJsonArray>
#include <QJsonDocument>

QString PageScriptFiller(const QString& script)
{
    const QString text = EditorText(script);
    // A JSON string is a JavaScript string literal: every quote, backslash
    // and control character arrives escaped. textContent takes it as text.
    const QByteArray literal = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return QStringLiteral("(function (t) {"
                          " for (const p of document.querySelectorAll('pre.%1'))"
                          " p.textContent = t;"
                          "})(%2[0]);")
        .arg(PageScriptClass(), QString::fromUtf8(literal));
}
