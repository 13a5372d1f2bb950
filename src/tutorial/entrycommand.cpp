#include "entrycommand.h"

CEntryChangeCommand::CEntryChangeCommand(const QString& text, const EntryChange& change,
                                         std::function<void()> applied)
    : QUndoCommand(text), m_change(change), m_applied(std::move(applied))
{}

void CEntryChangeCommand::undo()
{
    m_change.Undo(theTutorial);
    if (m_applied)
        m_applied();
}

void CEntryChangeCommand::redo()
{
    // The push itself: the change is in the model already.
    if (!m_bPushed) {
        m_bPushed = true;
        return;
    }
    m_change.Redo(theTutorial);
    if (m_applied)
        m_applied();
}
