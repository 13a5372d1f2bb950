#include "flashpage.h"

#include "flashview.h"

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
