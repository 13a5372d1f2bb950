#pragma once

#include "tutorial/peltra.h"

#include <QString>

// One change an author makes to a tutorial's page entries (the page settings
// dialog's OK, 追加 or 削除, a recorded page, the page list's 追加 or 削除),
// kept so that it can be undone and made again in one step: the model's
// entries and start page before and after. The current page is where the
// author is, not part of the change: undoing and redoing keep it.
class EntryChange
{
public:
    EntryChange(const CPeltra& before, const CPeltra& after);

    // The two models hold the same entries and start page.
    bool IsEmpty() const;
    // model takes the entries of before (Undo) or after (Redo) and keeps
    // its current page.
    void Undo(CPeltra& model) const { Restore(model, m_before); }
    void Redo(CPeltra& model) const { Restore(model, m_after); }

private:
    static void Restore(CPeltra& model, const CPeltra& entries);

    CPeltra m_before;
    CPeltra m_after;
};

// Inserting and removing entry `page` whatever the current page (the page
// list's 追加 and 削除); the current page stays. An insert at or past the
// last entry stores the entry there (placeholders below it); a delete of no
// entry changes nothing.
void InsertEntryAt(CPeltra& model, int page, const PageEntry& entry);
void DeleteEntryAt(CPeltra& model, int page);

// The entry the page list's 追加 inserts: an add page without a script,
// which changes no source, so that the pages after it keep their stages.
PageEntry BlankEntry();

// What the page list asks before it inserts or removes entry `page` of
// entryCount: which entries move to which pages.
QString InsertQuestion(int page, int entryCount);
QString DeleteQuestion(int page, int entryCount);
