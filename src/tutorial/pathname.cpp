#include "pathname.h"

namespace {

bool IsSeparator(QChar c)
{
    return c == u'\\' || c == u'/';
}

} // namespace

QString GetPathExtension(const QString& path)
{
    for (qsizetype i = path.size() - 1; i >= 0; --i) {
        const QChar c = path.at(i);
        if (c == u'.')
            return path.mid(i + 1);
        if (IsSeparator(c))
            break; // the last component has no dot
    }
    return QString();
}

bool GetPathTitle(const QString& path, QString& title)
{
    const qsizetype end = path.size();
    qsizetype dot = end;
    qsizetype start = 0;
    for (qsizetype i = end - 1; i >= 0; --i) {
        const QChar c = path.at(i);
        if (IsSeparator(c)) {
            start = i + 1;
            break;
        }
        if (c == u'.' && dot == end)
            dot = i; // only the last dot of the component counts
    }
    if (start >= dot)
        return false; // empty component, or one that begins with its last dot
    title = path.mid(start, dot - start);
    return true;
}
