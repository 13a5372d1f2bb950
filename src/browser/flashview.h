#pragma once

#include <QWebEngineView>

class CFlashPage;

// The tutorial browser: shows the tutorial's pages, turns page links into
// the current page, filters the learner's clicks and keys, and copies the
// page's script.
class CFlashView : public QWebEngineView
{
    Q_OBJECT
public:
    explicit CFlashView(QWidget* parent = nullptr);
    ~CFlashView() override;

    void OnInitialUpdate();
    // FALSE: the project's start page; TRUE: the default index page.
    void ShowStartPage(bool bDefaultIndex);
    // The navigation rule, called before every navigation (never cancels).
    void OnBeforeNavigate2(const QUrl& url);
    bool CopyPageScript();
    void OnCopyScript();

    bool m_bCopyDone = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
