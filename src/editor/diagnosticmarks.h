#pragma once

#include <QColor>
#include <QList>
#include <QObject>
#include <QTextCursor>

class QPlainTextEdit;

// The compiler's findings marked in an editor: a red wavy underline under
// each error's place, an orange one under each warning's. A mark goes when
// its line is edited, and all go with the next SetMarks or Clear.
class CDiagnosticMarks : public QObject
{
    Q_OBJECT
public:
    struct Mark
    {
        int line = 0;   // 1-based
        int column = 0; // 1-based; 0: the whole line
        bool error = true;
    };

    explicit CDiagnosticMarks(QPlainTextEdit* editor);

    void SetMarks(const QList<Mark>& marks);
    void Clear();

    // The marks still shown, with their lines as they are now.
    QList<Mark> Marks() const;

    static QColor ErrorColor() { return QColor(0xff, 0x30, 0x30); }
    static QColor WarningColor() { return QColor(0xff, 0xb0, 0x00); }

    // Puts the editor's caret at line:column (1-based; column 0 is the
    // line's start), scrolls it into view and gives the editor the focus.
    // Nothing else of the editor changes.
    static void ShowPlace(QPlainTextEdit* editor, int line, int column);

private:
    struct Shown
    {
        QTextCursor cursor; // the marked text; it follows edits elsewhere
        int column = 0;
        bool error = true;
        bool gone = false; // its line was edited; dropped at the next Apply
    };

    void OnContentsChange(int position, int removed, int added);
    void Apply();

    QPlainTextEdit* m_pEditor;
    QList<Shown> m_shown;
};
