#include "flashdoc.h"

#include "build/locations.h"
#include "build/sourcefile.h"
#include "tutorial/dlgpage.h"
#include "tutorial/entrycommand.h"
#include "tutorial/logging.h"
#include "tutorial/pathname.h"
#include "tutorial/peltra.h"
#include "tutorial/projectfile.h"
#include "widgets/prompts.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUndoStack>

#include <utility>

CFlashDoc::CFlashDoc(QObject* parent) : QObject(parent), m_strTitle(UntitledName())
{
    m_pUndoStack = new QUndoStack(this);
    // Undone back to where it was saved, the project is unmodified again.
    connect(m_pUndoStack, &QUndoStack::indexChanged, this,
            [this] { SetModifiedFlag(!m_pUndoStack->isClean()); });
    setObjectName(QStringLiteral("CFlashDoc"));
}

void CFlashDoc::SetModifiedFlag(bool modified)
{
    if (m_bModified == modified)
        return;
    m_bModified = modified;
    Q_EMIT titleChanged();
}

void CFlashDoc::SetTitle(const QString& title)
{
    if (m_strTitle == title)
        return;
    m_strTitle = title;
    Q_EMIT titleChanged();
}

void CFlashDoc::SetPathName(const QString& path, bool addToRecent)
{
    const QFileInfo info(path);
    m_strPathName = info.absoluteFilePath();

    // The file's title; a name that is only an extension keeps its whole name.
    QString title = info.fileName();
    GetPathTitle(m_strPathName, title);
    SetTitle(title);

    if (addToRecent)
        Q_EMIT pathNameRecorded(m_strPathName);
}

bool CFlashDoc::HasProjectExtension(const QString& path)
{
    return ProjectFile::HasExtension(path);
}

CFlashDoc::LoadResult CFlashDoc::LoadProject(const QString& path, CPeltra& model)
{
    using ProjectFile::Error;
    const ProjectFile::Status status = ProjectFile::Load(path, model);
    if (!status.ok() && status.code() != Error::WrongExtension)
        qCWarning(lcTutorial).noquote() << "cannot load" << path << "-" << status.message();
    switch (status.code()) {
    case Error::Ok:
        return LoadResult::Ok;
    case Error::WrongExtension:
        return LoadResult::WrongExtension;
    case Error::NotFound:
        return LoadResult::NotFound;
    case Error::EndOfFile:
        return LoadResult::EndOfFile;
    case Error::BadFormat:
        return LoadResult::BadFormat;
    case Error::CannotOpen:
    case Error::CannotStore:
    case Error::CannotWrite:
        break;
    }
    return LoadResult::CannotOpen;
}

QString CFlashDoc::LoadErrorMessage(LoadResult result, const QString& path)
{
    using ProjectFile::Error;
    Error error = Error::CannotOpen;
    switch (result) {
    case LoadResult::Ok:
        error = Error::Ok;
        break;
    case LoadResult::WrongExtension:
        error = Error::WrongExtension;
        break;
    case LoadResult::NotFound:
        error = Error::NotFound;
        break;
    case LoadResult::EndOfFile:
        error = Error::EndOfFile;
        break;
    case LoadResult::BadFormat:
        error = Error::BadFormat;
        break;
    case LoadResult::CannotOpen:
        break;
    }
    return ProjectFile::LoadErrorMessage(error, path);
}

bool CFlashDoc::SaveProject(const QString& path, CPeltra& model)
{
    const ProjectFile::Status status = ProjectFile::Save(path, model);
    if (!status.ok())
        qCWarning(lcTutorial).noquote() << "cannot save" << path << "-" << status.message();
    return status.ok();
}

bool CFlashDoc::OnNewDocument()
{
    m_strPathName.clear();
    SetModifiedFlag(false);
    SetTitle(UntitledName());

    Q_EMIT contentCleared();
    theTutorial.Clear();
    m_pUndoStack->clear();
    Q_EMIT entriesChanged();
    m_template.ProjectCreated(CurrentSource());
    return true;
}

bool CFlashDoc::OnOpenDocument(const QString& path)
{
    // Everything is read into a model of its own, so that a failed open
    // leaves the open project exactly as it was.
    CPeltra loaded;
    const LoadResult result = LoadProject(path, loaded);
    if (result != LoadResult::Ok) {
        const QString message = LoadErrorMessage(result, path);
        if (!message.isEmpty())
            AfxMessageBox(message);
        return false;
    }

    theTutorial = std::move(loaded); // current page -1 until the browser shows one
    m_pUndoStack->clear();
    SetModifiedFlag(false);
    Q_EMIT entriesChanged();

    Q_EMIT projectOpened();

    SetPathName(path, true);
    const TemplateResult kept = m_template.ProjectOpened(m_strPathName, CurrentSource());
    if (!kept && kept.code() != TemplateError::Missing)
        qCWarning(lcTutorial).noquote() << "cannot read the template of" << path << "-"
                                        << TemplateErrorText(m_template.Path(), kept);
    return true;
}

bool CFlashDoc::OnSaveDocument(const QString& path)
{
    if (!SaveProject(path, theTutorial)) {
        AfxMessageBox(QStringLiteral("ドキュメントの保存に失敗しました。"));
        return false;
    }
    m_pUndoStack->setClean();
    SetModifiedFlag(false);
    // A project without a template gets the source it was opened with.
    const TemplateResult kept = m_template.ProjectSaved(QFileInfo(path).absoluteFilePath());
    if (!kept)
        AfxMessageBox(TemplateErrorText(m_template.Path(), kept));
    return true;
}

QString CFlashDoc::CurrentSource()
{
    QString text;
    LoadSourceFile(SourcePath(GetGameRoot()), text);
    return text;
}

void CFlashDoc::OnFileOpen()
{
    // Unsaved page edits are offered for saving first, as on every other
    // road that replaces the project.
    if (!SaveModified())
        return;
    const QString path = AfxFileDialog(FileDialogKind::Open, GetProgramFolder());
    if (path.isEmpty())
        return;
    OnOpenDocument(path);
}

bool CFlashDoc::DoSave(const QString& pathName, bool replace)
{
    QString newName = pathName;
    if (newName.isEmpty()) {
        QString folder;
        QString suggested;
        if (m_strPathName.isEmpty()) {
            folder = GetGameRoot(); // the program folder unless the user cannot write there
            suggested = m_strTitle;
            // A title never names a folder.
            const qsizetype bad = suggested.indexOf(QRegularExpression(QStringLiteral("[:/\\\\]")));
            if (bad >= 0)
                suggested.truncate(bad);
            suggested += DefaultExtension();
        } else {
            const QFileInfo info(m_strPathName);
            folder = info.absolutePath();
            suggested = info.fileName();
        }
        newName = AfxFileDialog(FileDialogKind::SaveAs, folder, suggested);
        if (newName.isEmpty())
            return false;
        if (GetPathExtension(newName).isEmpty())
            newName += DefaultExtension();
    }

    if (!OnSaveDocument(newName))
        return false;
    if (replace)
        SetPathName(newName, true);
    return true;
}

bool CFlashDoc::OnFileSave()
{
    return DoSave(m_strPathName, true);
}

bool CFlashDoc::OnFileSaveAs()
{
    return DoSave(QString(), true);
}

bool CFlashDoc::SaveModified()
{
    if (!m_bModified)
        return true;

    const QString name = m_strTitle.isEmpty() ? UntitledName() : m_strTitle;
    const auto answer = AfxMessageBox(QStringLiteral("%1 への変更を保存しますか?").arg(name),
                                      QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    switch (answer) {
    case QMessageBox::Yes:
        return OnFileSave();
    case QMessageBox::No:
        return true;
    default:
        return false;
    }
}

void CFlashDoc::OnPageSettings()
{
    RunPageSettings(PageEntry{theTutorial.GetText(), theTutorial.GetColor(), theTutorial.GetLine(),
                              theTutorial.GetLineCount()});
}

void CFlashDoc::OnPageSettings(const PageEntry& proposed)
{
    RunPageSettings(proposed);
}

void CFlashDoc::RunPageSettings(const PageEntry& shown)
{
    CDlgPage dlg(theTutorial.GetCurrentPage(), AfxGetDialogParent());
    dlg.m_strText = shown.text;
    dlg.m_nColor = shown.color;
    dlg.m_nLine = shown.line;
    dlg.m_nLineCount = shown.lineCount;
    dlg.m_strStartPage = theTutorial.GetStartPage();
    dlg.SetQueries(m_pageQueries);

    const CPeltra before = theTutorial;
    PageEntry entry;
    switch (dlg.DoModal()) {
    case CDlgPage::IDOK:
        entry = {dlg.m_strText, dlg.m_nColor, dlg.m_nLine, dlg.m_nLineCount};
        theTutorial.SetPage(entry);
        theTutorial.SetStartPage(dlg.m_strStartPage);
        SetModifiedFlag(true);
        break;
    case CDlgPage::IDC_ADD:
        entry = {dlg.m_strText, dlg.m_nColor, dlg.m_nLine, dlg.m_nLineCount};
        theTutorial.InsertPage(entry);
        SetModifiedFlag(true);
        break;
    case CDlgPage::IDC_DELETE:
        theTutorial.DeletePage();
        SetModifiedFlag(true);
        break;
    default:
        break;
    }

    switch (dlg.result()) {
    case CDlgPage::IDOK:
        RecordEntryChange(QStringLiteral("ページ %1 の設定").arg(dlg.m_nPageNumber), before);
        break;
    case CDlgPage::IDC_ADD:
        RecordEntryChange(QStringLiteral("ページ %1 への追加").arg(dlg.m_nPageNumber), before);
        break;
    case CDlgPage::IDC_DELETE:
        RecordEntryChange(QStringLiteral("ページ %1 の削除").arg(dlg.m_nPageNumber), before);
        break;
    default:
        break;
    }

    // Whatever the author chose, the editor follows the current page's entry
    // again and a click on the page copies its text again.
    Q_EMIT pageSettingsApplied();
}

void CFlashDoc::RecordEntryChange(const QString& text, const CPeltra& before)
{
    const EntryChange change(before, theTutorial);
    if (!change.IsEmpty()) {
        m_pUndoStack->push(new CEntryChangeCommand(text, change, [this] {
            // The current page's entry may be another now.
            Q_EMIT entriesChanged();
            Q_EMIT pageSettingsApplied();
        }));
    }
    Q_EMIT entriesChanged();
}

void CFlashDoc::InsertEntry(int page)
{
    const CPeltra before = theTutorial;
    InsertEntryAt(theTutorial, page, BlankEntry());
    RecordEntryChange(QStringLiteral("ページ %1 への追加").arg(page), before);
    Q_EMIT pageSettingsApplied();
}

void CFlashDoc::DeleteEntry(int page)
{
    const CPeltra before = theTutorial;
    DeleteEntryAt(theTutorial, page);
    RecordEntryChange(QStringLiteral("ページ %1 の削除").arg(page), before);
    Q_EMIT pageSettingsApplied();
}
