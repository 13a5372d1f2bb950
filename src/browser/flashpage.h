#pragma once

#include <QPointer>
#include <QWebEnginePage>

class CFlashView;

// The tutorial browser's page: hands every navigation, of the main frame and
// of sub-frames, to the view's navigation rule before it happens. It never
// cancels one.
class CFlashPage : public QWebEnginePage
{
    Q_OBJECT
public:
    CFlashPage(QWebEngineProfile* profile, CFlashView* view, QObject* parent = nullptr);
    ~CFlashPage() override;

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;

private:
    QPointer<CFlashView> m_pView;
};
