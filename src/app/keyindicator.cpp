#include "keyindicator.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>

CKeyIndicator::CKeyIndicator(const QString& text, Qt::Key key, const QString& ledName,
                             QWidget* parent)
    : QLabel(parent), m_strText(text), m_key(key), m_strLedName(ledName),
      m_strLedsFolder(QStringLiteral("/sys/class/leds"))
{
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setAlignment(Qt::AlignCenter);
    // As wide as the widest of the three texts, so the panes never jump.
    setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("SCRL")) + 12);
    // The key may be pressed in any window of the program.
    qApp->installEventFilter(this);
    UpdateState();
}

CKeyIndicator::~CKeyIndicator()
{
    qApp->removeEventFilter(this);
}

std::optional<bool> CKeyIndicator::LockKeyState(const QString& ledsFolder, const QString& ledName)
{
    const QDir leds(ledsFolder);
    if (!leds.exists())
        return std::nullopt;
    const QStringList names =
        leds.entryList({QStringLiteral("*::") + ledName}, QDir::Dirs | QDir::System);
    if (names.isEmpty())
        return std::nullopt;
    for (const QString& name : names) {
        QFile brightness(leds.filePath(name + QStringLiteral("/brightness")));
        if (brightness.open(QIODevice::ReadOnly) && brightness.readAll().trimmed().toInt() > 0)
            return true;
    }
    return false;
}

void CKeyIndicator::SetLedsFolder(const QString& folder)
{
    m_strLedsFolder = folder;
    UpdateState();
}

void CKeyIndicator::UpdateState()
{
    const std::optional<bool> on = LockKeyState(m_strLedsFolder, m_strLedName);
    setText(on.value_or(false) ? m_strText : QString());
}

bool CKeyIndicator::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyRelease && static_cast<QKeyEvent*>(event)->key() == m_key)
        UpdateState();
    return QLabel::eventFilter(watched, event);
}

void CKeyIndicator::showEvent(QShowEvent* event)
{
    QLabel::showEvent(event);
    UpdateState();
}

void CKeyIndicator::changeEvent(QEvent* event)
{
    QLabel::changeEvent(event);
    // The key may have changed while another program had the keyboard.
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        UpdateState();
}
