#pragma once

#include <QPointer>
#include <QStringList>
#include <QWebEnginePage>
#include <QWebEngineUrlRequestInterceptor>

#include <functional>

class CFlashView;

// Refuses every request for a local file outside the folders the tutorial
// may read (MayReadLocalFile): pages, frames, images, scripts and the
// scripts' own requests alike. The folders are asked for at each request,
// so that they follow the project that is open.
class CFileRequestGuard : public QWebEngineUrlRequestInterceptor
{
    Q_OBJECT
public:
    using Folders = std::function<QStringList()>;

    explicit CFileRequestGuard(Folders folders, QObject* parent = nullptr);

    void interceptRequest(QWebEngineUrlRequestInfo& info) override;

private:
    Folders m_folders;
};

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
