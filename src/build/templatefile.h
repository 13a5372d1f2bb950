#pragma once

#include "tutorial/result.h"

#include <QString>

// The template of a tutorial: the source its first page starts from. It lies
// beside the project file NAME.lrnf as NAME.template.as and has the form of
// Main.as (UTF-8 without BOM, CR LF line ends; see sourcefile.h). The project
// file itself knows nothing of it.

// NAME.template.as beside NAME.lrnf (the project's last extension, whatever
// it is, gives way to ".template.as"); empty for a project without a path.
QString TemplatePathFor(const QString& projectPath);

// Why a template could not be read or written.
enum class TemplateError {
    None,
    Missing,    // the file does not exist
    NotAFile,   // a folder or the like has its name
    Unreadable, // it exists but cannot be read, or is too large
    NoFolder,   // the folder to write it in does not exist
    Unwritable, // the write failed
};

// The outcome of reading or writing a template: its code and, where the
// system said why, the system's own text.
using TemplateResult = Result<TemplateError>;

// What went wrong with the template at path, in Japanese, for the user.
QString TemplateErrorText(const QString& path, const TemplateResult& result);

// Reads a template as the editor would hold it (lines separated by '\n').
TemplateResult LoadTemplateFile(const QString& path, QString& text);

// Writes text (lines separated by '\n' or CR LF) as a template; the previous
// file stays whole when this fails.
TemplateResult SaveTemplateFile(const QString& path, const QString& text);

// Writes the template of a project unless it has one already: text is the
// source as it was when the project was opened or created, not the editor's
// text of the moment. Nothing is written (and the result is ok) when the
// template exists or the project has no path yet.
TemplateResult SaveTemplateIfMissing(const QString& projectPath, const QString& text);

// The sentence the commands that replay a tutorial show when a project has
// no template: what is missing and how to make one.
QString MissingTemplateMessage(const QString& templatePath);
