#pragma once

// Shared by the editor's and the gutter's tests: the model's page, texts,
// and a counter of paint events.

#include "editor/programmingview.h"
#include "tutorial/peltra.h"

#include <QApplication>
#include <QEvent>
#include <QMenu>
#include <QObject>
#include <QStringList>
#include <QTest>
#include <QTimer>

#include <functional>

namespace editortest {

// Makes page `page` current with the given arrow; pageCount pages exist.
inline void SetCurrentPage(int page, int kind, int line, int count, int pageCount = 5)
{
    theTutorial.Clear();
    for (int p = 0; p < pageCount; ++p) {
        theTutorial.SetCurrentPage(p);
        theTutorial.SetPage(PageEntry{QByteArray("text"), 0, 0, 0});
    }
    theTutorial.SetCurrentPage(page);
    if (page >= 0)
        theTutorial.SetPage(PageEntry{QByteArray("text"), kind, line, count});
}

// Runs fn on the popup menu once it is shown (the menu's exec blocks meanwhile).
inline void OnPopup(std::function<void(QMenu*)> fn)
{
    auto* timer = new QTimer(qApp);
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, qApp, [timer, fn] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            timer->stop();
            timer->deleteLater();
            fn(menu);
        }
    });
    timer->start();
}

// Pages exist, but none is current.
inline void SetNoCurrentPage()
{
    SetCurrentPage(-1, 0, 0, 0);
}

// "line 1" .. "line n", each ended by a line break unless lastBreak is false.
inline QString NumberedLines(int n, bool lastBreak = true)
{
    QStringList lines;
    for (int i = 1; i <= n; ++i)
        lines << QStringLiteral("line %1").arg(i);
    return lines.join(u'\n') + (lastBreak ? QStringLiteral("\n") : QString());
}

class PaintCounter : public QObject
{
public:
    explicit PaintCounter(QWidget* widget) : QObject(widget) { widget->installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++count;
        return false;
    }
};

// An editor of a fixed size, shown, with the given text.
inline void ShowEditor(CProgrammingView& editor, const QString& text, QSize size = {400, 300})
{
    editor.resize(size);
    editor.SetWindowText(text);
    editor.show();
    QVERIFY(QTest::qWaitForWindowExposed(&editor));
    editor.OnInitialUpdate();
}

} // namespace editortest
