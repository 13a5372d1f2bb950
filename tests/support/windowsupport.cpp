#include "windowsupport.h"

#include "testsupport.h"

#include <QFile>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <memory>

QWidget* BrowserInput(QWebEngineView* view)
{
    return view->focusProxy() ? view->focusProxy() : view;
}

bool RunPageScript(QWebEngineView* view, const QString& script, QVariant* result, int timeoutMs)
{
    // Shared with the callback, which may come after a timeout.
    auto done = std::make_shared<bool>(false);
    auto value = std::make_shared<QVariant>();
    view->page()->runJavaScript(script, [done, value](const QVariant& v) {
        *value = v;
        *done = true;
    });
    const bool finished = QTest::qWaitFor([done] { return *done; }, timeoutMs);
    if (finished && result)
        *result = *value;
    return finished;
}

bool WriteExecutable(const QString& path, const QByteArray& script)
{
    if (!WriteFile(path, script))
        return false;
    QFile file(path);
    return file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
}
