#pragma once

// Helpers of the window tests: the tutorial browser's page and small
// programs that stand in for the compiler and the player.

#include <QByteArray>
#include <QString>
#include <QVariant>

class QWebEngineView;
class QWidget;

// The widget that receives the page's input; it exists once a page is
// shown (until then the view itself).
QWidget* BrowserInput(QWebEngineView* view);

// Runs script in the view's page and waits for its result.
bool RunPageScript(QWebEngineView* view, const QString& script, QVariant* result,
                   int timeoutMs = 20000);

// Writes script to path (making its folder) and makes it executable by its
// owner; true when all of it is there.
bool WriteExecutable(const QString& path, const QByteArray& script);
