#pragma once

#include <QString>

class QAction;
class QObject;

// Command ids, with their designed values.
enum CommandId : int {
    ID_BUILD_AND_RUN = 32771,
    ID_DELETE_REGISTRY = 32783,
    ID_COPY_SCRIPT = 32784,
    ID_OPEN_LAST_SOURCE = 32785,
    ID_PAGE_SETTINGS = 313,
    // The tutorial's replay commands (ツール menu).
    ID_CHECK_TUTORIAL = 32800,
    ID_GOTO_PAGE = 32801,
    ID_RESTART_PAGE = 32802,
    ID_RECORD_PAGE = 32803,
    // The page list (表示 menu).
    ID_VIEW_PAGE_LIST = 32810,
    ID_FILE_NEW = 57600,
    ID_FILE_OPEN = 57601,
    ID_FILE_SAVE = 57603,
    ID_FILE_SAVE_AS = 57604,
    ID_FILE_MRU_FILE1 = 57616,
    ID_EDIT_COPY = 57634,
    ID_EDIT_CUT = 57635,
    ID_EDIT_PASTE = 57637,
    ID_EDIT_UNDO = 57643,
    ID_APP_ABOUT = 57664,
    ID_APP_EXIT = 57665,
    ID_NEXT_PANE = 57680,
    ID_PREV_PANE = 57681,
    ID_VIEW_TOOLBAR = 59392,
    ID_VIEW_STATUS_BAR = 59393,
};

// The string table entry of a command: status prompt, then "\n" and the tool tip.
QString CommandString(int id);
// The part before the line break (status-bar prompt).
QString CommandPrompt(int id);
// The part after the line break (tool tip), or empty.
QString CommandToolTip(int id);

// Application name: message-box caption and settings sub-key.
inline QString AppName()
{
    return QStringLiteral("Flash");
}

// The idle text of the status bar's message pane.
inline QString IdleMessage()
{
    return QStringLiteral("レディ");
}
