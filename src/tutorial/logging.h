#pragma once

#include <QLoggingCategory>

// One logging category per subsystem, for what the system reports and the
// user does not see: the reason a file could not be written, a registration
// that failed. Warnings are on; debug output is off unless asked for, e.g.
// QT_LOGGING_RULES="peltra.*.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcTutorial) // peltra.tutorial: project files, the model
Q_DECLARE_LOGGING_CATEGORY(lcBuild)    // peltra.build: Main.as, the compiler
Q_DECLARE_LOGGING_CATEGORY(lcBrowser)  // peltra.browser: the tutorial pages
Q_DECLARE_LOGGING_CATEGORY(lcEditor)   // peltra.editor: the source editor
Q_DECLARE_LOGGING_CATEGORY(lcApp)      // peltra.app: start-up, settings, registration
