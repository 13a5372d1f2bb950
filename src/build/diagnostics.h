#pragma once

#include <QList>
#include <QMetaType>
#include <QRegularExpression>
#include <QString>

// The game compiler's messages, read out of its output, and explanations
// of them for beginners.
//
// The compiler writes a message about a place in a source as
//   /path/game/src/Main.as(5): col: 13 Syntax error: ';' is not allowed here
//
//   var x:int = ;
//               ^
//
// and messages of its own without a place as
//   Error: Unable to resolve root class of SWF: Main
//   /path/game/src/Main.as Error: No externally-visible definition ...
struct Diagnostic
{
    enum class Kind {
        Error,
        Warning,
        Other, // a line of output the compiler gave no kind (a crash, a tool's note)
    };

    Kind kind = Kind::Other;
    QString file;   // as the compiler names it; empty when the message names none
    int line = 0;   // 1-based; 0 when the message names none
    int column = 0; // 1-based in UTF-16 units, as QString counts; 0 when none
    // The message after its kind: "Access of possibly undefined property foo."
    // A syntax error keeps its own words: "Syntax error: ';' is not allowed here".
    QString message;
    // The compiler's own lines for this message, as printed: the message
    // line and, for a place in a source, the source line and its caret.
    QString text;

    // Whether the message is about the file at path (the same file, however
    // the compiler spelt its path).
    bool isAbout(const QString& path) const;
};
Q_DECLARE_METATYPE(Diagnostic)

// "エラー", "警告", or empty for Diagnostic::Kind::Other.
QString KindName(Diagnostic::Kind kind);

// Every message in the compiler's output, in order. Lines the compiler
// writes on every run (the configuration it loads, the size of the movie it
// wrote) are no messages; any other line that is no message of the forms
// above becomes one of kind Other, so nothing the compiler said is lost.
QList<Diagnostic> ParseDiagnostics(const QString& output);
QList<Diagnostic> ParseDiagnostics(const QByteArray& output); // UTF-8

// The number of messages of a kind.
qsizetype CountDiagnostics(const QList<Diagnostic>& diagnostics, Diagnostic::Kind kind);

// A short explanation for a beginner, in Japanese, of one of the messages a
// learner meets most. The table is the data file explanations.tsv, compiled
// into the program: one row per message, each with an id, the pattern of the
// message's text (a regular expression matched against the whole of
// Diagnostic::message) and the explanation, in which %1, %2, ... stand for
// the pattern's captured names. The first matching row wins.
struct Explanation
{
    QString id;   // the table row's id; empty when no row matched
    QString text; // the explanation with the captured names filled in

    bool isNull() const { return id.isEmpty(); }
};

class ExplanationTable
{
public:
    // The program's own table.
    static const ExplanationTable& builtIn();

    // Reads a table in the data file's form: UTF-8, lines of
    // id<TAB>pattern<TAB>explanation; lines that are empty or start with
    // '#' are skipped. Returns false with the line and its fault in error
    // when a row is malformed (no rows are kept then).
    bool load(const QByteArray& tsv, QString* error = nullptr);

    Explanation explain(const Diagnostic& diagnostic) const;
    Explanation explain(const QString& message) const;

    QStringList ids() const;
    qsizetype size() const { return m_rows.size(); }

private:
    struct Row
    {
        QString id;
        QRegularExpression pattern;
        QString text;
    };
    QList<Row> m_rows;
};
