#pragma once

#include <QObject>
#include <QString>

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
    void OnFileOpen();      // own dialog, starting in the program folder
    bool OnFileSave();      // Ctrl+S
    bool OnFileSaveAs();    // F10
    void OnPageSettings();  // F9

    // Asks "%1 への変更を保存しますか?" when modified. Returns false on Cancel
    // (or when the chosen save fails).
    bool SaveModified();

    bool IsModified() const { return m_bModified; }
    void SetModifiedFlag(bool modified = true);
    QString GetTitle() const { return m_strTitle; }
    void SetTitle(const QString& title);
    QString GetPathName() const { return m_strPathName; }
    // Stores the full path, takes the title from the file name and, with
    // addToRecent, puts the path at the head of the recent-file list.
    void SetPathName(const QString& path, bool addToRecent = true);

Q_SIGNALS:
    // Title or modified flag changed; the main window updates its caption.
    void titleChanged();

private:
    QString m_strTitle;
    QString m_strPathName;
    bool m_bModified = false;
};
