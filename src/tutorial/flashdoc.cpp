#include "flashdoc.h"

#include "build/locations.h"
#include "tutorial/archive.h"
#include "tutorial/dlgpage.h"
#include "tutorial/pathname.h"
#include "tutorial/peltra.h"
#include "tutorial/wholefile.h"
#include "widgets/prompts.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <utility>

CFlashDoc::CFlashDoc(QObject* parent) : QObject(parent), m_strTitle(UntitledName())
{
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
    // Compared byte-wise, ASCII letters without regard to case: no other
    // character folds onto "lrnf".
    const QString extension = GetPathExtension(path);
    static const char expected[] = "lrnf";
    if (extension.size() != 4)
        return false;
    for (int i = 0; i < 4; ++i) {
        const char16_t c = extension[i].unicode();
        const char16_t lower = (c >= u'A' && c <= u'Z') ? char16_t(c - u'A' + u'a') : c;
        if (lower != char16_t(expected[i]))
            return false;
    }
    return true;
}

CFlashDoc::LoadResult CFlashDoc::LoadProject(const QString& path, CPeltra& model)
{
    if (!HasProjectExtension(path))
        return LoadResult::WrongExtension;

    const QFileInfo info(path);
    if (!info.exists())
        return LoadResult::NotFound;
    // Only regular files: a folder, a pipe or a device is no project.
    if (!info.isFile())
        return LoadResult::CannotOpen;

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QFileInfo::exists(path) ? LoadResult::CannotOpen : LoadResult::NotFound;

    // A zero-length file is an empty project.
    if (file.size() == 0)
        return LoadResult::Ok;

    CArchive ar(&file, CArchive::load);
    model.Serialize(ar);
    switch (ar.error()) {
    case CArchive::NoError:
        return LoadResult::Ok;
    case CArchive::EndOfFile:
        return LoadResult::EndOfFile;
    default:
        return LoadResult::BadFormat;
    }
}

QString CFlashDoc::LoadErrorMessage(LoadResult result, const QString& path)
{
    switch (result) {
    case LoadResult::Ok:
    case LoadResult::WrongExtension:
        return {};
    case LoadResult::NotFound:
        return QStringLiteral("%1 が見つかりませんでした。").arg(path);
    case LoadResult::EndOfFile:
        return QStringLiteral("予期しないファイル形式です。");
    case LoadResult::CannotOpen:
    case LoadResult::BadFormat:
        break;
    }
    return QStringLiteral("ドキュメントを開くことに失敗しました。");
}

bool CFlashDoc::SaveProject(const QString& path, CPeltra& model)
{
    // The whole file is built in memory first: a model that cannot be stored
    // never touches the disk.
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        CArchive ar(&buffer, CArchive::store);
        model.Serialize(ar);
        if (!ar.Flush())
            return false;
    }
    return SaveWholeFile(path, buffer.data());
}

bool CFlashDoc::OnNewDocument()
{
    m_strPathName.clear();
    SetModifiedFlag(false);
    SetTitle(UntitledName());

    Q_EMIT contentCleared();
    theTutorial.Clear();
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
    SetModifiedFlag(false);

    Q_EMIT projectOpened();

    SetPathName(path, true);
    return true;
}

bool CFlashDoc::OnSaveDocument(const QString& path)
{
    if (!SaveProject(path, theTutorial)) {
        AfxMessageBox(QStringLiteral("ドキュメントの保存に失敗しました。"));
        return false;
    }
    SetModifiedFlag(false);
    return true;
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
    CDlgPage dlg(theTutorial.GetCurrentPage(), AfxGetDialogParent());
    dlg.m_strText = theTutorial.GetText();
    dlg.m_nColor = theTutorial.GetColor();
    dlg.m_nLine = theTutorial.GetLine();
    dlg.m_nLineCount = theTutorial.GetLineCount();
    dlg.m_strStartPage = theTutorial.GetStartPage();

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

    // Whatever the author chose, the editor follows the current page's entry
    // again and a click on the page copies its text again.
    Q_EMIT pageSettingsApplied();
}
