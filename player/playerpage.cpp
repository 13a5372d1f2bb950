#include "playerpage.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLoggingCategory>

// The web player's own reports are many: shown only when asked for
// (QT_LOGGING_RULES="peltra.player.page.debug=true").
Q_LOGGING_CATEGORY(lcPlayerPage, "peltra.player.page", QtInfoMsg)

namespace {

QString PageHtml()
{
    QFile file(QStringLiteral(":/player/player.html"));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}

// A string as a JavaScript literal.
QString JsString(const QString& text)
{
    return QString::fromUtf8(QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact))
        .mid(1)
        .chopped(1);
}

} // namespace

CPlayerPage::CPlayerPage(QWebEngineProfile* profile, QObject* parent)
    : QWebEnginePage(profile, parent)
{
    connect(this, &QWebEnginePage::loadFinished, this, &CPlayerPage::OnLoadFinished);
    // A page whose process died is loaded afresh for the next movie.
    connect(this, &QWebEnginePage::renderProcessTerminated, this,
            [this](RenderProcessTerminationStatus status, int exitCode) {
                if (status == NormalTerminationStatus)
                    return;
                m_playerState = PlayerState::None;
                ++m_nMovie;
                Q_EMIT movieFailed(QStringLiteral("renderer %1/%2").arg(int(status)).arg(exitCode));
            });
}

void CPlayerPage::LoadPlayer(const QUrl& base, bool warm)
{
    m_playerState = PlayerState::Loading;
    m_bWarm = warm;
    ++m_nMovie;
    setHtml(PageHtml(), base);
}

void CPlayerPage::OnLoadFinished(bool ok)
{
    if (m_playerState != PlayerState::Loading)
        return;
    m_playerState = ok ? PlayerState::Ready : PlayerState::Broken;
    if (ok && m_bWarm)
        runJavaScript(QStringLiteral("peltraWarm(2);"));
    Q_EMIT playerLoaded(ok);
}

void CPlayerPage::PlayMovie(const QUrl& movie)
{
    ++m_nMovie;
    runJavaScript(QStringLiteral("peltraLoad(%1, %2);")
                      .arg(JsString(movie.toString(QUrl::FullyEncoded)))
                      .arg(m_nMovie));
}

void CPlayerPage::StopMovie()
{
    ++m_nMovie;
    if (m_playerState == PlayerState::Ready)
        runJavaScript(QStringLiteral("peltraUnload();"));
}

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
    // "peltra:<kind>:<movie number>:<text>"
    const int kindEnd = message.indexOf(QLatin1Char(':'), prefix.size());
    const int numberEnd = kindEnd < 0 ? -1 : message.indexOf(QLatin1Char(':'), kindEnd + 1);
    if (numberEnd < 0)
        return;
    const QString kind = message.mid(prefix.size(), kindEnd - prefix.size());
    const int number = message.mid(kindEnd + 1, numberEnd - kindEnd - 1).toInt();
    const QString text = message.mid(numberEnd + 1);
    qCDebug(lcPlayerPage) << kind << number << text;
    if (kind == QLatin1String("warm")) {
        Q_EMIT playerWarm();
        return;
    }
    if (number != m_nMovie)
        return; // news of a movie that has been replaced
    if (kind == QLatin1String("trace")) {
        Q_EMIT traceLine(text);
    } else if (kind == QLatin1String("runtimeerror")) {
        Q_EMIT runtimeError(text);
    } else if (kind == QLatin1String("metadata")) {
        const QJsonObject m = QJsonDocument::fromJson(text.toUtf8()).object();
        const int w = m.value(QLatin1String("width")).toInt();
        const int h = m.value(QLatin1String("height")).toInt();
        if (w > 0 && h > 0)
            Q_EMIT movieSize(QSize(w, h));
    } else if (kind == QLatin1String("loaded")) {
        Q_EMIT movieLoaded();
    } else if (kind == QLatin1String("frame")) {
        Q_EMIT firstFrameShown();
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
