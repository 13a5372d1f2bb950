#pragma once

#include <QString>

// A tutorial page writes its script once: where it holds
// <pre class="peltra-script"></pre>, the program puts the page's copy text,
// as text, when the page is shown.

// The class of the element the program fills.
inline QString PageScriptClass()
{
    return QStringLiteral("peltra-script");
}

// JavaScript that sets the text of every <pre class="peltra-script"> of the
// document to script (line breaks as '\n'; markup in it stays text).
QString PageScriptFiller(const QString& script);
