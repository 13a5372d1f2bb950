#pragma once

#include <QLabel>

#include <optional>

// One lock key's pane of the status bar (CAP, NUM, SCRL): like a status
// bar's key indicator, the pane stays and its text shows only while the key
// is on; blank when the key's state cannot be told. It follows the key by
// itself: on its key's release anywhere in the program, when its window
// becomes active and when it is shown.
class CKeyIndicator : public QLabel
{
    Q_OBJECT
    Q_PROPERTY(QString indicatorText READ IndicatorText CONSTANT)
public:
    // text: what the pane shows while the key is on; key: the lock key;
    // ledName: the keyboard LED that tells its state ("capslock").
    CKeyIndicator(const QString& text, Qt::Key key, const QString& ledName,
                  QWidget* parent = nullptr);
    ~CKeyIndicator() override;

    QString IndicatorText() const { return m_strText; }
    // Reads the key's state again and shows or blanks the text.
    void UpdateState();
    // Where the keyboard LEDs are looked for (the system's LED class
    // folder unless set).
    void SetLedsFolder(const QString& folder);

    // The state of a lock key as the keyboard's LED shows it, where the
    // system tells it (LED class devices named "<device>::<ledName>" in
    // ledsFolder): on when any such LED is lit; nullopt when it cannot be
    // told.
    static std::optional<bool> LockKeyState(const QString& ledsFolder, const QString& ledName);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QString m_strText;
    Qt::Key m_key;
    QString m_strLedName;
    QString m_strLedsFolder;
};
