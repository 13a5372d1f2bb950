#pragma once

#include "build/projecttemplate.h"
#include "tutorial/dlgpage.h"

#include <QObject>
#include <QString>
#include <QStringList>

class CPeltra;
class QUndoStack;
struct PageEntry;

// The open tutorial project. The content is the global model theTutorial;
// the document clears, loads and saves it and keeps path, title and the
// modified flag.
class CFlashDoc : public QObject
{
    Q_OBJECT
public:
    explicit CFlashDoc(QObject* parent = nullptr);

    bool OnNewDocument();
    // Loads into a fresh model and replaces theTutorial only on success; a
    // failed open leaves model, title, path and modified flag as they were.
    bool OnOpenDocument(const QString& path);
    bool OnSaveDocument(const QString& path);

    // Commands.
    void OnFileOpen();     // own dialog, starting in the program folder
    bool OnFileSave();     // Ctrl+S
    bool OnFileSaveAs();   // F10
    void OnPageSettings(); // F9
    // The page settings dialog showing `proposed` instead of the page's
    // entry (a change recorded in the editor); its buttons act as for F9.
    void OnPageSettings(const PageEntry& proposed);
    // What the page settings dialog may ask of the windows around it (the
    // editor's selection, the check at OK, where to open); the main window
    // hands them in and takes them back before it goes.
    void SetPageSettingsQueries(const CDlgPage::Queries& queries) { m_pageQueries = queries; }

    // The project's template: the source as it was when the project was
    // opened or created (Main.as at that moment), written beside the project
    // at its first save, and read from there when it exists.
    const ProjectTemplate& Template() const { return m_template; }

    // Asks "%1 への変更を保存しますか?" when modified. Returns false on Cancel
    // (or when the chosen save fails).
    bool SaveModified();

    // The author's changes of the page entries (the dialog's OK, 追加 and
    // 削除, a recorded page, the page list's 追加 and 削除), each undone in
    // one step. Emptied when a project is created or opened; clean where it
    // was saved, so that the modified flag follows undo and redo.
    QUndoStack* UndoStack() const { return m_pUndoStack; }
    // Keeps the change from `before` to theTutorial as it is now as one undo
    // step named text; nothing when the entries are the same. For commands
    // that change the entries themselves.
    void RecordEntryChange(const QString& text, const CPeltra& before);
    // The page list's 追加 (a blank entry before entry page) and 削除.
    void InsertEntry(int page);
    void DeleteEntry(int page);

    bool IsModified() const { return m_bModified; }
    void SetModifiedFlag(bool modified = true);
    QString GetTitle() const { return m_strTitle; }
    void SetTitle(const QString& title);
    QString GetPathName() const { return m_strPathName; }
    // Stores the full path, takes the title from the file name and, with
    // addToRecent, says so with pathNameRecorded (the recent-file list).
    void SetPathName(const QString& path, bool addToRecent = true);

    // Saves to pathName; with an empty pathName asks for a name first. With
    // replace, the document takes the new path and title after the save.
    bool DoSave(const QString& pathName, bool replace = true);

    // How a load ended.
    enum class LoadResult {
        Ok,
        WrongExtension, // refused without a message
        NotFound,       // "%1 が見つかりませんでした。"
        CannotOpen,     // "ドキュメントを開くことに失敗しました。"
        EndOfFile,      // "予期しないファイル形式です。"
        BadFormat,      // "ドキュメントを開くことに失敗しました。"
    };
    // Reads a project file into model (which should be cleared); no message,
    // no change to the document. An empty file leaves the model as it is.
    static LoadResult LoadProject(const QString& path, CPeltra& model);
    // The message a failed load shows (empty for none).
    static QString LoadErrorMessage(LoadResult result, const QString& path);
    // Writes model to path through a temporary file that replaces the target
    // only when everything was written: a failed save leaves the old file.
    static bool SaveProject(const QString& path, CPeltra& model);
    // The extension test of an open: "lrnf" in any ASCII case.
    static bool HasProjectExtension(const QString& path);

    // File dialog texts and the default extension of project files.
    static QString UntitledName() { return QStringLiteral("無題"); }
    static QString OpenFilter() { return QStringLiteral("Peltraファイル(*.lrnf)"); }
    static QStringList SaveFilters()
    {
        return {QStringLiteral("Peltra (*.lrnf)"), QStringLiteral("すべてのファイル (*.*)")};
    }
    static QString DefaultExtension() { return QStringLiteral(".lrnf"); }

Q_SIGNALS:
    // Title or modified flag changed; the main window updates its caption.
    void titleChanged();
    // A new project is starting: the editor's text goes (the model is
    // cleared right after).
    void contentCleared();
    // A project was loaded into the model: the browser shows its start page
    // and the editor's text goes (the path and title are set right after).
    void projectOpened();
    // The page settings dialog has closed, whatever the author chose: the
    // editor follows the current page again and a click copies again.
    void pageSettingsApplied();
    // The project now lives at path (opened or saved there): it heads the
    // recent-file list.
    void pathNameRecorded(const QString& path);
    // The page entries or the start page may have changed (any change of
    // the author's, an undo or redo, a project created or opened): the page
    // list shows them again.
    void entriesChanged();

private:
    void RunPageSettings(const PageEntry& shown);
    // Main.as as it is now (empty when it cannot be read).
    static QString CurrentSource();

    ProjectTemplate m_template;
    CDlgPage::Queries m_pageQueries;
    QString m_strTitle;
    QString m_strPathName;
    bool m_bModified = false;
    QUndoStack* m_pUndoStack = nullptr;
};
