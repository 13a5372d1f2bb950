#include "pagescript.h"

#include <QJsonArray>
#include <QJsonDocument>

QString PageScriptFiller(const QString& script)
{
    QString text = script;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(u'\r', u'\n');
    // A JSON string is a JavaScript string literal: every quote, backslash
    // and control character arrives escaped. textContent takes it as text.
    const QByteArray literal = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return QStringLiteral("(function (t) {"
                          " for (const p of document.querySelectorAll('pre.%1'))"
                          " p.textContent = t;"
                          "})(%2[0]);")
        .arg(PageScriptClass(), QString::fromUtf8(literal));
}
