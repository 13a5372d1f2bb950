#include "playerpage.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcPlayerPage, "peltra.player.page")

CPlayerPage::CPlayerPage(QWebEngineProfile* profile, QObject* parent)
    : QWebEnginePage(profile, parent)
{}

void CPlayerPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level,
                                           const QString& message, int lineNumber,
                                           const QString& sourceID)
{
    static const QLatin1String prefix("peltra:");
    if (!message.startsWith(prefix)) {
        // The web player's own reports; only worth a log line.
        qCDebug(lcPlayerPage) << level << sourceID << lineNumber << message;
        return;
    }
    const int colon = message.indexOf(QLatin1Char(':'), prefix.size());
    if (colon < 0)
        return;
    const QString kind = message.mid(prefix.size(), colon - prefix.size());
    const QString text = message.mid(colon + 1);
    qCDebug(lcPlayerPage) << kind << text;
    if (kind == QLatin1String("trace")) {
        Q_EMIT traceLine(text);
    } else if (kind == QLatin1String("metadata")) {
        const QJsonObject m = QJsonDocument::fromJson(text.toUtf8()).object();
        const int w = m.value(QLatin1String("width")).toInt();
        const int h = m.value(QLatin1String("height")).toInt();
        if (w > 0 && h > 0)
            Q_EMIT movieSize(QSize(w, h));
    } else if (kind == QLatin1String("loaded")) {
        Q_EMIT movieLoaded();
    } else if (kind == QLatin1String("error")) {
        Q_EMIT movieFailed(text);
    }
}

bool CPlayerPage::acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame)
{
    // Only the player's own page is ever shown; a movie cannot navigate the
    // window away (navigateToURL and the like).
    Q_UNUSED(url);
    return isMainFrame && (type == NavigationTypeTyped || type == NavigationTypeReload ||
                           type == NavigationTypeOther);
}
