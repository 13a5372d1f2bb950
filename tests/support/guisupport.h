#pragma once

// Helpers for tests that run with a QGuiApplication.

#include <QString>

// The clipboard's text; empty when the clipboard holds no data at all (after
// clear() some platforms have none).
QString ClipboardText();
