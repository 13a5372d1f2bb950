#include "pagenumber.h"

#include <climits>

namespace {

// The blanks of the C locale's isspace; no other character is skipped.
bool IsBlank(QChar c)
{
    return c == u' ' || (c >= u'\t' && c <= u'\r');
}

bool IsAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

} // namespace

int ParseLeadingInt(QStringView text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && IsBlank(text.at(i)))
        ++i;
    bool negative = false;
    if (i < n && (text.at(i) == u'+' || text.at(i) == u'-')) {
        negative = text.at(i) == u'-';
        ++i;
    }
    // Accumulate towards the sign's side so INT_MIN itself fits; stop at the
    // limit instead of overflowing, but keep reading the digits.
    const long long limit = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
    long long value = 0;
    for (; i < n && IsAsciiDigit(text.at(i)); ++i) {
        value = value * 10 + (text.at(i).unicode() - u'0');
        if (value > limit)
            value = limit;
    }
    return static_cast<int>(negative ? -value : value);
}

bool ParsePageNumber(const QString& title, const QString& prefix, int& page)
{
    if (!title.startsWith(prefix, Qt::CaseSensitive)) {
        page = -1;
        return false;
    }
    const QStringView rest = QStringView(title).mid(prefix.size());
    page = rest.isEmpty() ? -1 : ParseLeadingInt(rest);
    return true;
}
