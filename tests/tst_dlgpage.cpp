// The page settings dialog: controls, texts, tab order, keys, data exchange
// and the end codes.

#include "tutorial/dlgpage.h"

#include "support/appfixture.h"

#include <QApplication>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include <functional>

class TestDlgPage : public QObject
{
    Q_OBJECT

private:
    AppFixture m_app; // message boxes only: the dialog runs without the program's windows

    template <typename T> static T* find(QWidget* dlg, const char* name)
    {
        auto* w = dlg->findChild<T*>(QLatin1String(name));
        if (!w)
            qWarning("control %s not found", name);
        return w;
    }

    // A dialog filled with some entry and shown modelessly, with the focus
    // where DoModal puts it.
    static void fillAndShow(CDlgPage& dlg)
    {
        dlg.m_strText = QByteArray("abc\r\ndef");
        dlg.m_nColor = 1;
        dlg.m_nLine = 12;
        dlg.m_nLineCount = 3;
        dlg.m_strStartPage = QByteArray("HTML\\index.html");
        dlg.OnInitDialog();
        dlg.show();
        dlg.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&dlg));
    }

private Q_SLOTS:
    void initTestCase() { m_app.SetUp(); }
    void cleanupTestCase() { m_app.TearDown(); }
    void init() { m_app.ClearMessages(); }

    void controlsAndTexts()
    {
        CDlgPage dlg(0);
        QCOMPARE(find<QPushButton>(&dlg, "okButton")->text(), QStringLiteral("OK"));
        QCOMPARE(find<QPushButton>(&dlg, "cancelButton")->text(), QStringLiteral("キャンセル"));
        QCOMPARE(find<QPushButton>(&dlg, "addButton")->text(), QStringLiteral("追加"));
        QCOMPARE(find<QPushButton>(&dlg, "deleteButton")->text(), QStringLiteral("削除"));
        QCOMPARE(find<QRadioButton>(&dlg, "redRadio")->text(), QStringLiteral("赤(追加)"));
        QCOMPARE(find<QRadioButton>(&dlg, "greenRadio")->text(), QStringLiteral("緑(置換)"));
        QCOMPARE(find<QRadioButton>(&dlg, "blueRadio")->text(), QStringLiteral("青(削除)"));
        QCOMPARE(find<QGroupBox>(&dlg, "colorGroup")->title(), QStringLiteral("色"));

        // Every label of the template, each next to its control.
        QStringList labels;
        for (auto* label : dlg.findChildren<QLabel*>())
            labels << label->text();
        labels.sort();
        QStringList expected{QStringLiteral("コピーするテキスト"), QStringLiteral("矢印の行番号"),
                             QStringLiteral("矢印の行数"), QStringLiteral("開始ページ")};
        expected.sort();
        QCOMPARE(labels, expected);
        for (auto* label : dlg.findChildren<QLabel*>())
            QVERIFY2(label->buddy(), qPrintable(label->text()));

        QVERIFY(find<QPushButton>(&dlg, "okButton")->isDefault());
        for (const char* name : {"cancelButton", "addButton", "deleteButton"})
            QVERIFY(!find<QPushButton>(&dlg, name)->isDefault());

        // The radio buttons are all in the colour group, exclusive, and the
        // Tab key passes them by.
        for (const char* name : {"redRadio", "greenRadio", "blueRadio"}) {
            auto* radio = find<QRadioButton>(&dlg, name);
            QCOMPARE(radio->parentWidget(), find<QGroupBox>(&dlg, "colorGroup"));
            QVERIFY(radio->autoExclusive());
            QVERIFY(!(radio->focusPolicy() & Qt::TabFocus));
        }

        auto* text = find<QPlainTextEdit>(&dlg, "textEdit");
        QCOMPARE(text->lineWrapMode(), QPlainTextEdit::NoWrap);
        QCOMPARE(text->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        QCOMPARE(text->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        QVERIFY(text->tabChangesFocus());
        QVERIFY(find<QLineEdit>(&dlg, "startPageEdit")->validator() == nullptr);
    }

    void caption_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("caption");
        QTest::newRow("page 4") << 4 << QStringLiteral("4ページ目の設定");
        QTest::newRow("page 0") << 0 << QStringLiteral("0ページ目の設定");
        QTest::newRow("index page") << -1 << QStringLiteral("-1ページ目の設定");
        QTest::newRow("large") << 2147483647 << QStringLiteral("2147483647ページ目の設定");
    }
    void caption()
    {
        QFETCH(int, page);
        QFETCH(QString, caption);
        CDlgPage dlg(page);
        QCOMPARE(dlg.m_nPageNumber, page);
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Dialog")); // until it opens
        dlg.OnInitDialog();
        QCOMPARE(dlg.windowTitle(), caption);
        QCOMPARE(CDlgPage::Caption(page), caption);
    }

    void fillControls_data()
    {
        QTest::addColumn<int>("color");
        QTest::addColumn<int>("checked"); // index of the set button, -1 none
        QTest::newRow("red") << 0 << 0;
        QTest::newRow("green") << 1 << 1;
        QTest::newRow("blue") << 2 << 2;
        QTest::newRow("none set") << -1 << -1;
        QTest::newRow("beyond blue") << 3 << -1;
        QTest::newRow("large") << 1000 << -1;
    }
    void fillControls()
    {
        QFETCH(int, color);
        QFETCH(int, checked);
        CDlgPage dlg(2);
        // "あ" CR LF "表ソ", and a start page with Japanese characters.
        dlg.m_strText = QByteArray("\x82\xa0\r\n\x95\x5c\x83\x5c");
        dlg.m_nColor = color;
        dlg.m_nLine = -7;
        dlg.m_nLineCount = 2147483647;
        dlg.m_strStartPage = QByteArray("HTML\\\x94\x5c.html"); // HTML\能.html
        // A button set before must be cleared by a value outside the group.
        find<QRadioButton>(&dlg, "blueRadio")->setChecked(true);
        dlg.UpdateData(false);

        QCOMPARE(find<QPlainTextEdit>(&dlg, "textEdit")->toPlainText(), QStringLiteral("あ\n表ソ"));
        const char* names[] = {"redRadio", "greenRadio", "blueRadio"};
        for (int i = 0; i < 3; ++i)
            QCOMPARE(find<QRadioButton>(&dlg, names[i])->isChecked(), i == checked);
        QCOMPARE(find<QLineEdit>(&dlg, "lineEdit")->text(), QStringLiteral("-7"));
        QCOMPARE(find<QLineEdit>(&dlg, "lineCountEdit")->text(), QStringLiteral("2147483647"));
        QCOMPARE(find<QLineEdit>(&dlg, "startPageEdit")->text(), QStringLiteral("HTML\\能.html"));

        // Taken back untouched, every field is as it was, and the colour is
        // the set button or -1.
        QVERIFY(dlg.UpdateData(true));
        QCOMPARE(dlg.m_strText, QByteArray("\x82\xa0\r\n\x95\x5c\x83\x5c"));
        QCOMPARE(dlg.m_nColor, checked);
        QCOMPARE(dlg.m_nLine, -7);
        QCOMPARE(dlg.m_nLineCount, 2147483647);
        QCOMPARE(dlg.m_strStartPage, QByteArray("HTML\\\x94\x5c.html"));
        QVERIFY(m_app.messages.isEmpty());
    }

    void typedTextReachesModelAsCodePage932()
    {
        CDlgPage dlg(0);
        dlg.UpdateData(false);
        // Japanese text with two line breaks, one character the code page
        // lacks (é) and one outside the BMP: each becomes one '?'.
        find<QPlainTextEdit>(&dlg, "textEdit")
            ->setPlainText(QStringLiteral("あい\n表ソ能予\n\nAé") +
                           QString::fromUcs4(U"\U0001F600"));
        find<QLineEdit>(&dlg, "startPageEdit")->setText(QStringLiteral("HTML\\予定.html"));
        find<QRadioButton>(&dlg, "greenRadio")->setChecked(true);
        find<QLineEdit>(&dlg, "lineEdit")->setText(QStringLiteral("15"));
        find<QLineEdit>(&dlg, "lineCountEdit")->setText(QStringLiteral("4"));
        QVERIFY(dlg.UpdateData(true));
        QCOMPARE(dlg.m_strText, QByteArray("\x82\xa0\x82\xa2\r\n\x95\x5c\x83\x5c\x94\x5c\x97\x5c"
                                           "\r\n\r\nA??"));
        QCOMPARE(dlg.m_strStartPage, QByteArray("HTML\\\x97\x5c\x92\xe8.html"));
        QCOMPARE(dlg.m_nColor, 1);
        QCOMPARE(dlg.m_nLine, 15);
        QCOMPARE(dlg.m_nLineCount, 4);
    }

    void untouchedTextKeepsItsBytes_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("lone LF") << QByteArray("a\nb");
        QTest::newRow("lone CR") << QByteArray("a\rb\r");
        QTest::newRow("cut lead byte") << QByteArray("abc\x82");
        QTest::newRow("unassigned byte") << QByteArray("x\xa0y");
        QTest::newRow("zero byte") << QByteArray("a\0b", 3);
    }
    void untouchedTextKeepsItsBytes()
    {
        QFETCH(QByteArray, bytes);
        CDlgPage dlg(0);
        dlg.m_strText = bytes;
        dlg.m_strStartPage = bytes;
        dlg.UpdateData(false);
        QVERIFY(dlg.UpdateData(true));
        QCOMPARE(dlg.m_strText, bytes);
        QCOMPARE(dlg.m_strStartPage, bytes);

        // Once edited, the text is what the control shows, with CR LF.
        auto* text = find<QPlainTextEdit>(&dlg, "textEdit");
        text->setPlainText(QStringLiteral("x\ny\n"));
        QVERIFY(dlg.UpdateData(true));
        QCOMPARE(dlg.m_strText, QByteArray("x\r\ny\r\n"));
    }

    void scanInt_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("value");
        QTest::newRow("digits") << "12" << true << 12;
        QTest::newRow("zero") << "0" << true << 0;
        QTest::newRow("leading zeros") << "007" << true << 7;
        QTest::newRow("leading blanks") << "  \t 7" << true << 7;
        QTest::newRow("plus") << "+5" << true << 5;
        QTest::newRow("minus") << "-3" << true << -3;
        QTest::newRow("trailing ignored") << "12abc" << true << 12;
        QTest::newRow("trailing blank") << "8 9" << true << 8;
        QTest::newRow("largest") << "2147483647" << true << 2147483647;
        QTest::newRow("smallest") << "-2147483648" << true << int(-2147483647 - 1);
        QTest::newRow("empty") << "" << false << 0;
        QTest::newRow("blanks only") << "   " << false << 0;
        QTest::newRow("letters") << "abc" << false << 0;
        QTest::newRow("sign only") << "-" << false << 0;
        QTest::newRow("two signs") << "+-1" << false << 0;
        QTest::newRow("blank after sign") << "- 1" << false << 0;
        QTest::newRow("too large") << "2147483648" << false << 0;
        QTest::newRow("too small") << "-2147483649" << false << 0;
        QTest::newRow("twenty digits") << "99999999999999999999" << false << 0;
        QTest::newRow("full-width digit") << QStringLiteral("１") << false << 0;
        QTest::newRow("number at 63rd character")
            << QString(62, QLatin1Char(' ')) + "5" << true << 5;
        QTest::newRow("number past 63 characters")
            << QString(63, QLatin1Char(' ')) + "5" << false << 0;
        QTest::newRow("digits cut at 63") << QString(61, QLatin1Char(' ')) + "123" << true << 12;
    }
    void scanInt()
    {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QFETCH(int, value);
        int result = 424242;
        QCOMPARE(CDlgPage::ScanInt(text, result), ok);
        QCOMPARE(result, ok ? value : 424242);
    }

    void digitsOnlyFields_data()
    {
        QTest::addColumn<QString>("field");
        QTest::newRow("line") << "lineEdit";
        QTest::newRow("line count") << "lineCountEdit";
    }
    void digitsOnlyFields()
    {
        QFETCH(QString, field);
        CDlgPage dlg(0);
        fillAndShow(dlg);
        auto* edit = find<QLineEdit>(&dlg, qPrintable(field));
        edit->setFocus();
        edit->clear();
        QTest::keyClicks(edit, QStringLiteral("1a2-3 +4.6"));
        // A full-width digit is no digit here.
        QKeyEvent wide(QEvent::KeyPress, 0, Qt::NoModifier, QStringLiteral("５"));
        QApplication::sendEvent(edit, &wide);
        QCOMPARE(edit->text(), QStringLiteral("12346"));

        // The start page takes any text.
        auto* start = find<QLineEdit>(&dlg, "startPageEdit");
        start->clear();
        QTest::keyClicks(start, QStringLiteral("a-1.b"));
        QCOMPARE(start->text(), QStringLiteral("a-1.b"));
    }

    void tabOrder()
    {
        CDlgPage dlg(1);
        fillAndShow(dlg);
        QCOMPARE(QApplication::focusWidget(), find<QWidget>(&dlg, "okButton"));

        const QStringList expected{"cancelButton",  "textEdit",  "lineEdit",     "lineCountEdit",
                                   "startPageEdit", "addButton", "deleteButton", "okButton"};
        QStringList seen;
        for (int i = 0; i < expected.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            seen << QApplication::focusWidget()->objectName();
        }
        QCOMPARE(seen, expected);

        // Backwards from OK: Delete, then Add.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("deleteButton"));
        QVERIFY(dlg.isVisible());
    }

    void enterInTextPressesOk()
    {
        CDlgPage dlg(1);
        fillAndShow(dlg);
        auto* text = find<QPlainTextEdit>(&dlg, "textEdit");
        text->setFocus();
        text->moveCursor(QTextCursor::End);

        // Ctrl+Enter types a line break and keeps the dialog open.
        QTest::keyClick(text, Qt::Key_Return, Qt::ControlModifier);
        QTest::keyClicks(text, QStringLiteral("g"));
        QTest::keyClick(text, Qt::Key_Enter, Qt::ControlModifier | Qt::KeypadModifier);
        QVERIFY(dlg.isVisible());
        QCOMPARE(text->toPlainText(), QStringLiteral("abc\ndef\ng\n"));

        // Enter alone presses OK, which takes the fields.
        QTest::keyClick(text, Qt::Key_Return);
        QVERIFY(!dlg.isVisible());
        QCOMPARE(dlg.result(), int(CDlgPage::IDOK));
        QCOMPARE(dlg.m_strText, QByteArray("abc\r\ndef\r\ng\r\n"));
    }

    void enterInFieldPressesOk_data()
    {
        QTest::addColumn<QString>("field");
        QTest::newRow("line") << "lineEdit";
        QTest::newRow("line count") << "lineCountEdit";
        QTest::newRow("start page") << "startPageEdit";
    }
    void enterInFieldPressesOk()
    {
        QFETCH(QString, field);
        CDlgPage dlg(1);
        fillAndShow(dlg);
        auto* edit = find<QLineEdit>(&dlg, qPrintable(field));
        edit->setFocus();
        edit->setText(QStringLiteral("42"));
        QTest::keyClick(edit, Qt::Key_Return);
        QVERIFY(!dlg.isVisible());
        QCOMPARE(dlg.result(), int(CDlgPage::IDOK));
        if (field == QLatin1String("lineEdit"))
            QCOMPARE(dlg.m_nLine, 42);
        else if (field == QLatin1String("lineCountEdit"))
            QCOMPARE(dlg.m_nLineCount, 42);
        else
            QCOMPARE(dlg.m_strStartPage, QByteArray("42"));
    }

    void escapeCancelsWithoutTaking()
    {
        CDlgPage dlg(1);
        fillAndShow(dlg);
        find<QPlainTextEdit>(&dlg, "textEdit")->setPlainText(QStringLiteral("changed"));
        find<QLineEdit>(&dlg, "lineEdit")->clear();
        QTest::keyClick(find<QWidget>(&dlg, "okButton"), Qt::Key_Escape);
        QVERIFY(!dlg.isVisible());
        QCOMPARE(dlg.result(), int(CDlgPage::IDCANCEL));
        QCOMPARE(dlg.m_strText, QByteArray("abc\r\ndef"));
        QCOMPARE(dlg.m_nLine, 12);
        QVERIFY(m_app.messages.isEmpty());
    }

    void integerMessage_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("badText");
        QTest::addColumn<QString>("button");
        QTest::newRow("empty line, OK") << "lineEdit"
                                        << ""
                                        << "okButton";
        QTest::newRow("empty line, Add") << "lineEdit"
                                         << ""
                                         << "addButton";
        QTest::newRow("empty count, OK") << "lineCountEdit"
                                         << ""
                                         << "okButton";
        QTest::newRow("blank count, Add") << "lineCountEdit"
                                          << "  "
                                          << "addButton";
        QTest::newRow("too large line, OK") << "lineEdit"
                                            << "2147483648"
                                            << "okButton";
        QTest::newRow("letters in count, OK") << "lineCountEdit"
                                              << "x1"
                                              << "okButton";
    }
    void integerMessage()
    {
        QFETCH(QString, field);
        QFETCH(QString, badText);
        QFETCH(QString, button);
        CDlgPage dlg(1);
        fillAndShow(dlg);
        find<QPlainTextEdit>(&dlg, "textEdit")->setPlainText(QStringLiteral("new"));
        find<QRadioButton>(&dlg, "blueRadio")->setChecked(true);
        find<QLineEdit>(&dlg, "lineEdit")->setText(QStringLiteral("5"));
        find<QLineEdit>(&dlg, "lineCountEdit")->setText(QStringLiteral("6"));
        find<QLineEdit>(&dlg, "startPageEdit")->setText(QStringLiteral("other.html"));
        auto* bad = find<QLineEdit>(&dlg, qPrintable(field));
        bad->setText(badText); // bypasses the digits-only input, as a paste could
        find<QWidget>(&dlg, "okButton")->setFocus();

        QTest::mouseClick(find<QPushButton>(&dlg, qPrintable(button)), Qt::LeftButton);

        QCOMPARE(m_app.messages, QStringList{QStringLiteral("整数を入力してください。")});
        QVERIFY(dlg.isVisible());
        QCOMPARE(QApplication::focusWidget(), bad);
        QCOMPARE(bad->selectedText(), badText);
        // Fields before the bad one were taken, fields after it were not.
        QCOMPARE(dlg.m_strText, QByteArray("new"));
        QCOMPARE(dlg.m_nColor, 2);
        QCOMPARE(dlg.m_strStartPage, QByteArray("HTML\\index.html"));
        if (field == QLatin1String("lineCountEdit"))
            QCOMPARE(dlg.m_nLine, 5);
        else
            QCOMPARE(dlg.m_nLineCount, 3);

        // Mended, the same button ends the dialog.
        bad->setText(QStringLiteral("9"));
        QTest::mouseClick(find<QPushButton>(&dlg, qPrintable(button)), Qt::LeftButton);
        QVERIFY(!dlg.isVisible());
        QCOMPARE(dlg.result(), button == QLatin1String("okButton") ? int(CDlgPage::IDOK)
                                                                   : int(CDlgPage::IDC_ADD));
        QCOMPARE(dlg.m_nLine, field == QLatin1String("lineEdit") ? 9 : 5);
        QCOMPARE(dlg.m_nLineCount, field == QLatin1String("lineCountEdit") ? 9 : 6);
        QCOMPARE(dlg.m_strStartPage, QByteArray("other.html"));
        QCOMPARE(m_app.messages.size(), 1);
    }

    void endCodes_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("code");
        QTest::addColumn<bool>("taken");
        QTest::newRow("OK") << "okButton" << int(CDlgPage::IDOK) << true;
        QTest::newRow("Cancel") << "cancelButton" << int(CDlgPage::IDCANCEL) << false;
        QTest::newRow("Add") << "addButton" << int(CDlgPage::IDC_ADD) << true;
        QTest::newRow("Delete") << "deleteButton" << int(CDlgPage::IDC_DELETE) << false;
        QTest::newRow("close box") << "" << int(CDlgPage::IDCANCEL) << false;
    }
    void endCodes()
    {
        QFETCH(QString, button);
        QFETCH(int, code);
        QFETCH(bool, taken);
        CDlgPage dlg(3);
        dlg.m_strText = "old";
        dlg.m_nColor = 0;
        dlg.m_nLine = 1;
        dlg.m_nLineCount = 1;
        dlg.m_strStartPage = "start.html";

        QString caption;
        QString focus;
        QTimer::singleShot(0, this, [&] {
            auto* modal = QApplication::activeModalWidget();
            if (modal != &dlg) {
                caption = QStringLiteral("no modal dialog");
                if (modal)
                    modal->close();
                return;
            }
            caption = dlg.windowTitle();
            // The window may not be active yet: ask where its focus is.
            focus = dlg.focusWidget() ? dlg.focusWidget()->objectName() : QString();
            find<QPlainTextEdit>(&dlg, "textEdit")->setPlainText(QStringLiteral("new"));
            find<QRadioButton>(&dlg, "greenRadio")->setChecked(true);
            find<QLineEdit>(&dlg, "lineEdit")->setText(QStringLiteral("7"));
            // Delete ends at once, even with a field that holds no number.
            find<QLineEdit>(&dlg, "lineCountEdit")
                ->setText(button == QLatin1String("deleteButton") ? QString()
                                                                  : QStringLiteral("8"));
            find<QLineEdit>(&dlg, "startPageEdit")->setText(QStringLiteral("s.html"));
            if (button.isEmpty())
                dlg.close();
            else
                find<QPushButton>(&dlg, qPrintable(button))->click();
            if (dlg.isVisible())
                dlg.done(-99);
        });
        QCOMPARE(dlg.DoModal(), code);
        QCOMPARE(caption, QStringLiteral("3ページ目の設定"));
        QCOMPARE(focus, QStringLiteral("okButton"));
        QVERIFY(m_app.messages.isEmpty());
        QCOMPARE(dlg.m_strText, taken ? QByteArray("new") : QByteArray("old"));
        QCOMPARE(dlg.m_nColor, taken ? 1 : 0);
        QCOMPARE(dlg.m_nLine, taken ? 7 : 1);
        QCOMPARE(dlg.m_nLineCount, taken ? 8 : 1);
        QCOMPARE(dlg.m_strStartPage, taken ? QByteArray("s.html") : QByteArray("start.html"));
    }
};

QTEST_MAIN(TestDlgPage)
#include "tst_dlgpage.moc"
