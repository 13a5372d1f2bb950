#include "guisupport.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

QString ClipboardText()
{
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    return data ? data->text() : QString();
}
