#pragma once

#include "tutorial/entrychange.h"

#include <QUndoCommand>

#include <functional>

// One undo step of the author's: a change of the page entries already made
// to theTutorial when the command is pushed (its first redo does nothing).
// applied runs after every later undo and redo.
class CEntryChangeCommand : public QUndoCommand
{
public:
    CEntryChangeCommand(const QString& text, const EntryChange& change,
                        std::function<void()> applied);

    void undo() override;
    void redo() override;

private:
    EntryChange m_change;
    std::function<void()> m_applied;
    bool m_bPushed = false;
};
