#include "entrychange.h"

namespace {

// Equal entries and start page, whatever the current pages.
bool SameEntries(const CPeltra& a, CPeltra b)
{
    b.SetCurrentPage(a.GetCurrentPage());
    return a == b;
}

// "ページ 3" or "ページ 3〜7".
QString PageRun(int first, int last)
{
    if (first == last)
        return QStringLiteral("ページ %1").arg(first);
    return QStringLiteral("ページ %1〜%2").arg(first).arg(last);
}

} // namespace

EntryChange::EntryChange(const CPeltra& before, const CPeltra& after)
    : m_before(before), m_after(after)
{}

bool EntryChange::IsEmpty() const
{
    return SameEntries(m_before, m_after);
}

void EntryChange::Restore(CPeltra& model, const CPeltra& entries)
{
    const int page = model.GetCurrentPage();
    model = entries;
    model.SetCurrentPage(page);
}

void InsertEntryAt(CPeltra& model, int page, const PageEntry& entry)
{
    if (page < 0)
        return;
    const int current = model.GetCurrentPage();
    model.SetCurrentPage(page);
    if (page < model.GetPageCount())
        model.InsertPage(entry);
    else
        model.SetPage(entry);
    model.SetCurrentPage(current);
}

void DeleteEntryAt(CPeltra& model, int page)
{
    if (page < 0)
        return;
    const int current = model.GetCurrentPage();
    model.SetCurrentPage(page);
    model.DeletePage();
    model.SetCurrentPage(current);
}

PageEntry BlankEntry()
{
    return PageEntry{QByteArray(), ARROW_ADD, 1, 0};
}

QString InsertQuestion(int page, int entryCount)
{
    if (page >= entryCount) {
        return QStringLiteral("ページ %1 に空の設定を作ります。ほかの設定は移りません。\n"
                              "よろしいですか?")
            .arg(page);
    }
    return QStringLiteral("ページ %1 の前に空の設定を入れます。\n"
                          "%2 の設定は、1 ページずつ後ろの %3 へ移ります。\n"
                          "よろしいですか?")
        .arg(page)
        .arg(PageRun(page, entryCount - 1), PageRun(page + 1, entryCount));
}

QString DeleteQuestion(int page, int entryCount)
{
    if (page >= entryCount - 1) {
        return QStringLiteral("ページ %1 の設定を削除します。ほかの設定は移りません。\n"
                              "よろしいですか?")
            .arg(page);
    }
    return QStringLiteral("ページ %1 の設定を削除します。\n"
                          "%2 の設定は、1 ページずつ前の %3 へ移ります。\n"
                          "よろしいですか?")
        .arg(page)
        .arg(PageRun(page + 1, entryCount - 1), PageRun(page, entryCount - 2));
}
