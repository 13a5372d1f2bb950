#pragma once

#include <QByteArray>
#include <QDialog>
#include <QList>
#include <QRect>
#include <QString>

#include <functional>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
struct PageEntry;

// The page settings dialog: the current page's copy text, arrow colour,
// arrow line and line count, and the tutorial's start page.
//
// The text fields hold code page 932 bytes exactly as the model keeps them
// (copy text with CR LF line breaks); the dialog decodes them for display and
// encodes what the author typed. A field the author did not touch is handed
// back byte for byte, so opening the dialog and pressing OK never alters a
// text the code page cannot round-trip.
class CDlgPage : public QDialog
{
    Q_OBJECT
public:
    // End codes of DoModal.
    enum Result : int { IDOK = 1, IDCANCEL = 2, IDC_ADD = 3, IDC_DELETE = 4 };

    explicit CDlgPage(int nPage, QWidget* parent = nullptr);
    ~CDlgPage() override;

    // The whole lines the editor's selection touches: the first (1-based),
    // how many, and their text with a '\n' after each. count 0: none.
    struct EditorLines
    {
        int line = 0;
        int count = 0;
        QString text;
    };
    // What the check at OK found about an entry, and the field concerned.
    enum Field { FieldText, FieldKind, FieldLine, FieldCount };
    struct Problem
    {
        Field field = FieldLine;
        QString text; // a Japanese sentence
    };
    // What the dialog may ask of the windows around it, handed in by the
    // main window (through the document); the dialog knows no pane. Unset,
    // the button 選択範囲から is hidden, OK checks nothing and the dialog
    // opens where the system puts it.
    struct Queries
    {
        std::function<EditorLines()> selection;
        // The problems of `entry` stored as page `page`'s, judged against
        // the source at that page's stage.
        std::function<QList<Problem>(int page, const PageEntry& entry)> check;
        // Where the dialog should open (global coordinates): beside the
        // editor, so that the lines it describes stay in view.
        std::function<QRect()> area;
    };
    void SetQueries(const Queries& queries);

    // The text of the question the check at OK asks ("このまま保存しますか?").
    static QString CheckQuestion(int nPage, const QList<Problem>& problems);

    // Fills the controls from the fields, sets the caption, makes OK the
    // default button with the focus, and runs the dialog modally. Returns
    // the end code (IDOK, IDCANCEL, IDC_ADD or IDC_DELETE).
    int DoModal();

    // Fills the controls, caption and focus as DoModal does, without running
    // the dialog (for showing it modelessly).
    void OnInitDialog();

    // Moves the fields to the controls (false) or takes them from the
    // controls (true). Taking stops at the first number field that does not
    // hold an integer: it shows "整数を入力してください。", puts the focus on
    // that field with its text selected and returns false; fields after it
    // keep their values.
    bool UpdateData(bool bSaveAndValidate = true);

    // Reads an integer as "%d" reads the first 63 characters of a field:
    // leading blanks and one sign accepted, characters after the digits
    // ignored. Fails for no digits and for a value outside 32 bits.
    static bool ScanInt(const QString& text, int& value);

    // The caption for a page number ("%dページ目の設定").
    static QString Caption(int nPage);

    QByteArray m_strText;      // copy text, code page 932, CR LF
    int m_nColor = 0;          // 0 red, 1 green, 2 blue, -1 none set
    int m_nLine = 0;           // arrow line number
    int m_nLineCount = 0;      // arrow line count
    QByteArray m_strStartPage; // start page, code page 932
    int m_nPageNumber;         // page number shown in the caption

public Q_SLOTS:
    void accept() override; // OK
    void reject() override; // Cancel, Esc, the close box

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnAdd();
    void OnDelete();
    void OnFromSelection();
    // True when the check finds nothing or the author stores anyway.
    bool CheckBeforeStoring();
    void PlaceBesideEditor();
    bool TakeInt(QLineEdit* edit, int& value);

    QPlainTextEdit* m_pText = nullptr;
    QRadioButton* m_pRadios[3] = {};
    QLineEdit* m_pLine = nullptr;
    QLineEdit* m_pLineCount = nullptr;
    QLineEdit* m_pStartPage = nullptr;
    QPushButton* m_pOk = nullptr;
    QPushButton* m_pCancel = nullptr;
    QPushButton* m_pAdd = nullptr;
    QPushButton* m_pDelete = nullptr;
    QPushButton* m_pFromSelection = nullptr;
    Queries m_queries;

    // What the two text controls showed when filled, and the bytes they came
    // from: an untouched control gives back its original bytes.
    QString m_strShownText;
    QByteArray m_strFilledText;
    QString m_strShownStartPage;
    QByteArray m_strFilledStartPage;
};
