#include "flashpage.h"

#include "flashview.h"

#include "browser/fileaccess.h"

CFileRequestGuard::CFileRequestGuard(Folders folders, QObject* parent)
    : QWebEngineUrlRequestInterceptor(parent), m_folders(std::move(folders))
{}

void CFileRequestGuard::interceptRequest(QWebEngineUrlRequestInfo& info)
{
    if (!MayReadLocalFile(info.requestUrl(), m_folders ? m_folders() : QStringList()))
        info.block(true);
}

CFlashPage::CFlashPage(QWebEngineProfile* profile, CFlashView* view, QObject* parent)
    : QWebEnginePage(profile, parent), m_pView(view)
{}

CFlashPage::~CFlashPage() = default;

bool CFlashPage::acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame)
{
    Q_UNUSED(type);
    Q_UNUSED(isMainFrame);
    // Frames go through the rule as well: a frame that loads a numbered page
    // makes it the current page just as a top-level link does.
    if (m_pView)
        m_pView->OnBeforeNavigate2(url);
    return true;
}
