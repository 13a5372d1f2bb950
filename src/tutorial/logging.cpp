#include "logging.h"

Q_LOGGING_CATEGORY(lcTutorial, "peltra.tutorial", QtInfoMsg)
Q_LOGGING_CATEGORY(lcBuild, "peltra.build", QtInfoMsg)
Q_LOGGING_CATEGORY(lcBrowser, "peltra.browser", QtInfoMsg)
Q_LOGGING_CATEGORY(lcEditor, "peltra.editor", QtInfoMsg)
Q_LOGGING_CATEGORY(lcApp, "peltra.app", QtInfoMsg)
