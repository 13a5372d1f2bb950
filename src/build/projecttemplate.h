#pragma once

#include "build/templatefile.h"

#include <QString>

// What the document keeps for its project's template (templatefile.h): the
// source as it was when the project was opened or created, so that a later
// save writes that text, not the editor's edits since, as the template of a
// project that has none; and the template itself once it exists.
//
//   opened or created  -> ProjectOpened(path, editor text) / ProjectCreated(editor text)
//   saved (Save, Save As) -> ProjectSaved(path): writes the template when missing
//   replay commands    -> HasTemplate(), Text(), or MissingMessage()
class ProjectTemplate
{
public:
    // A project was opened: sourceAtOpen is the editor's text at that
    // moment. Loads the template beside it when there is one; a missing one
    // is no failure (the result says missing), an unreadable one is.
    TemplateResult ProjectOpened(const QString& projectPath, const QString& sourceAtOpen);
    // A new, untitled project: its template will be sourceNow.
    void ProjectCreated(const QString& sourceNow);
    // The project was saved under projectPath: when it has no template yet,
    // the kept source is written as its template (and becomes Text()).
    TemplateResult ProjectSaved(const QString& projectPath);

    bool HasTemplate() const { return m_loaded; }
    // The template as the editor holds it ('\n' breaks); empty without one.
    QString Text() const { return m_text; }
    // NAME.template.as of the project; empty for an untitled one.
    QString Path() const { return m_path; }
    // The source kept from the project's opening or creation.
    QString SourceAtOpen() const { return m_sourceAtOpen; }
    // What the replay commands say while there is no template.
    QString MissingMessage() const;

private:
    // The template at m_path, or none (m_text empty).
    TemplateResult Load();

    QString m_path;
    QString m_sourceAtOpen;
    QString m_text;
    bool m_loaded = false;
};
