#include "playerwindow.h"

#include "movieerror.h"
#include "playerpage.h"
#include "swfheader.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollBar>
#include <QStackedWidget>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineView>

// The page lives in this library's resources, which a static library has to
// register itself.
static void InitPlayerResources()
{
    Q_INIT_RESOURCE(player);
}

namespace {

const QSize kDefaultMovieSize(550, 400); // the authoring tool's default stage
const QSize kSmallestView(160, 120);
constexpr int kTracePaneHeight = 160;
constexpr int kMaxTraceLines = 5000;

// The view asks for the movie's size, so that the window fits the movie.
class CStageView : public QWebEngineView
{
public:
    using QWebEngineView::QWebEngineView;
    QSize sizeHint() const override { return m_hint; }
    void SetHint(const QSize& size)
    {
        m_hint = size;
        updateGeometry();
    }

private:
    QSize m_hint = kDefaultMovieSize;
};

// The path as given by whoever started us: quotes of a command line that
// reached us whole, and file: URLs, are taken off.
QString CleanMoviePath(QString path)
{
    if (path.size() >= 2 && path.startsWith(QLatin1Char('"')) && path.endsWith(QLatin1Char('"')))
        path = path.mid(1, path.size() - 2);
    if (path.startsWith(QLatin1String("file:")))
        path = QUrl(path).toLocalFile();
    return path.isEmpty() ? path : QFileInfo(path).absoluteFilePath();
}

} // namespace

CPlayerWindow::CPlayerWindow(const QString& filesFolder, QWidget* parent)
    : QMainWindow(parent), m_strFilesFolder(filesFolder)
{
    InitPlayerResources();
    setWindowTitle(QStringLiteral("Flash Player"));

    // Off the record: nothing of the player is written to the home folder.
    m_pProfile = new QWebEngineProfile(this);
    m_pProfile->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
    m_pProfile->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
    QWebEngineSettings* settings = m_pProfile->settings();
    settings->setAttribute(QWebEngineSettings::PlaybackRequiresUserGesture, false);
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, true);
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    settings->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    settings->setAttribute(QWebEngineSettings::ShowScrollBars, false);
    settings->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);

    m_pPage = new CPlayerPage(m_pProfile, this);
    m_pPage->setBackgroundColor(Qt::black);
    auto* view = new CStageView;
    view->setPage(m_pPage);
    view->setContextMenuPolicy(Qt::NoContextMenu);
    view->setFocusPolicy(Qt::StrongFocus);
    m_pView = view;

    m_pErrorLabel = new QLabel;
    m_pErrorLabel->setAlignment(Qt::AlignCenter);
    m_pErrorLabel->setWordWrap(true);
    m_pErrorLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_pErrorLabel->setMargin(16);
    m_pErrorLabel->setStyleSheet(
        QStringLiteral("QLabel { background: #202020; color: #f0f0f0; font-size: 11pt; }"));

    m_pStack = new QStackedWidget;
    m_pStack->addWidget(m_pView);
    m_pStack->addWidget(m_pErrorLabel);

    m_pTracePane = new QPlainTextEdit;
    m_pTracePane->setObjectName(QStringLiteral("tracePane"));
    m_pTracePane->setReadOnly(true);
    m_pTracePane->setMaximumBlockCount(kMaxTraceLines);
    m_pTracePane->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_pTracePane->setFixedHeight(kTracePaneHeight);
    m_pTracePane->setFocusPolicy(Qt::ClickFocus);
    m_pTracePane->hide();

    m_pTraceButton = new QToolButton;
    m_pTraceButton->setObjectName(QStringLiteral("traceButton"));
    m_pTraceButton->setCheckable(true);
    m_pTraceButton->setAutoRaise(true);
    m_pTraceButton->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_pTraceButton->setFocusPolicy(Qt::NoFocus);
    m_pTraceButton->setToolTip(QStringLiteral("trace() の出力を表示します"));
    connect(m_pTraceButton, &QToolButton::toggled, this, &CPlayerWindow::SetTracePaneOpen);

    auto* bar = new QHBoxLayout;
    bar->setContentsMargins(4, 0, 4, 0);
    bar->addWidget(m_pTraceButton);
    bar->addStretch();

    auto* central = new QWidget;
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_pStack, 1);
    layout->addWidget(m_pTracePane);
    layout->addLayout(bar);
    setCentralWidget(central);
    UpdateTraceButton();

    connect(m_pPage, &CPlayerPage::playerLoaded, this, &CPlayerWindow::OnPlayerLoaded);
    connect(m_pPage, &CPlayerPage::playerWarm, this, &CPlayerWindow::playerReady);
    connect(m_pPage, &CPlayerPage::traceLine, this, &CPlayerWindow::OnTraceLine);
    connect(m_pPage, &CPlayerPage::runtimeError, this, &CPlayerWindow::OnRuntimeError);
    connect(m_pPage, &CPlayerPage::movieLoaded, this, &CPlayerWindow::OnMovieLoaded);
    connect(m_pPage, &CPlayerPage::firstFrameShown, this, &CPlayerWindow::OnFirstFrame);
    connect(m_pPage, &CPlayerPage::movieFailed, this, &CPlayerWindow::OnMovieFailed);
    connect(m_pPage, &CPlayerPage::movieSize, this, &CPlayerWindow::OnMovieSize);
}

CPlayerWindow::~CPlayerWindow()
{
    // The page goes before its profile.
    delete m_pView;
    m_pView = nullptr;
    delete m_pPage;
    m_pPage = nullptr;
}

QString CPlayerWindow::DefaultFilesFolder()
{
    return QDir(QCoreApplication::applicationDirPath())
        .filePath(QStringLiteral("flashplayer_11_sa.d"));
}

void CPlayerWindow::OpenMovie(const QString& givenPath)
{
    m_strMoviePath = CleanMoviePath(givenPath);
    m_pTracePane->clear();
    m_nUnseenTraceLines = 0;
    m_strLastError.clear();
    UpdateTraceButton();

    if (m_strMoviePath.isEmpty()) {
        ShowError(QStringLiteral("ムービーが指定されていません。"));
        return;
    }
    setWindowTitle(QStringLiteral("%1 - Flash Player").arg(QFileInfo(m_strMoviePath).fileName()));
    const QFileInfo movie(m_strMoviePath);
    if (!movie.isFile()) {
        ShowError(QStringLiteral("ムービーが見つかりません:\n%1")
                      .arg(QDir::toNativeSeparators(m_strMoviePath)));
        return;
    }
    SwfHeader header;
    QString reason;
    if (!ReadSwfHeaderFromFile(m_strMoviePath, &header, &reason)) {
        ShowError(QStringLiteral("ムービーを読み込めません:\n%1\n(%2)")
                      .arg(QDir::toNativeSeparators(m_strMoviePath), reason));
        return;
    }
    const QString runtime = QDir(m_strFilesFolder).filePath(QStringLiteral("ruffle/ruffle.js"));
    if (!QFileInfo::exists(runtime)) {
        ShowError(QStringLiteral("プレーヤーのファイルが見つかりません:\n%1\n"
                                 "scripts/setup-toolchain で用意してください。")
                      .arg(QDir::toNativeSeparators(runtime)));
        return;
    }

    m_movieSize = header.frameSize();
    FitToMovie();
    m_strError.clear();
    m_pStack->setCurrentWidget(m_pView);
    SetState(State::Loading);
    switch (m_pPage->playerState()) {
    case CPlayerPage::PlayerState::Ready:
        StartMovie();
        break;
    case CPlayerPage::PlayerState::Loading:
        break; // the movie starts once the page is there
    case CPlayerPage::PlayerState::None:
    case CPlayerPage::PlayerState::Broken:
        LoadPlayer(false);
        break;
    }
}

void CPlayerWindow::Preload()
{
    if (m_pPage->playerState() != CPlayerPage::PlayerState::None)
        return;
    if (!QFileInfo::exists(QDir(m_strFilesFolder).filePath(QStringLiteral("ruffle/ruffle.js"))))
        return; // the first movie will say what is missing
    LoadPlayer(true);
}

void CPlayerWindow::LoadPlayer(bool warm)
{
    const QUrl base =
        QUrl::fromLocalFile(QDir(m_strFilesFolder).filePath(QStringLiteral("player.html")));
    m_pPage->LoadPlayer(base, warm);
}

void CPlayerWindow::OnPlayerLoaded(bool ok)
{
    if (m_state != State::Loading)
        return;
    if (!ok) {
        OnMovieFailed(QStringLiteral("page"));
        return;
    }
    StartMovie();
}

void CPlayerWindow::StartMovie()
{
    m_pPage->PlayMovie(QUrl::fromLocalFile(m_strMoviePath));
}

void CPlayerWindow::OnMovieLoaded()
{
    if (m_state != State::Loading)
        return;
    SetState(State::Playing);
    // Keys go to the movie straight away, without a click on it first.
    m_pView->setFocus();
    if (QWidget* proxy = m_pView->focusProxy())
        proxy->setFocus();
    m_pPage->runJavaScript(QStringLiteral("peltraFocus();"));
}

void CPlayerWindow::OnFirstFrame()
{
    // The frame implies the start, whose news may still be on its way.
    if (m_state == State::Loading)
        OnMovieLoaded();
    if (m_state == State::Playing)
        Q_EMIT firstFrameShown(m_strMoviePath);
}

void CPlayerWindow::OnMovieFailed(const QString& reason)
{
    if (m_state != State::Loading && m_state != State::Playing)
        return;
    ShowError(QStringLiteral("ムービーを再生できません:\n%1\n(%2)")
                  .arg(QDir::toNativeSeparators(m_strMoviePath), reason));
}

void CPlayerWindow::OnMovieSize(const QSize& size)
{
    // The header gave the size already; the web player's word only counts
    // when that did not work out.
    if (!m_movieSize.isValid() || m_movieSize.isEmpty()) {
        m_movieSize = size;
        FitToMovie();
    }
}

void CPlayerWindow::OnTraceLine(const QString& text)
{
    AppendTrace(text, false);
}

void CPlayerWindow::OnRuntimeError(const QString& text)
{
    const QString shown = ParseMovieError(text).displayText();
    // An error in a frame handler comes again every frame: once is enough.
    if (shown == m_strLastError)
        return;
    m_strLastError = shown;
    AppendTrace(shown, true);
    SetTracePaneOpen(true);
}

void CPlayerWindow::AppendTrace(const QString& text, bool isError)
{
    QTextCharFormat format;
    if (isError)
        format.setForeground(QColor(0xc0, 0x00, 0x00));
    // Keep following the end unless the learner scrolled up to read.
    QScrollBar* bar = m_pTracePane->verticalScrollBar();
    const bool atEnd = bar->value() == bar->maximum();
    QTextCursor cursor(m_pTracePane->document());
    cursor.movePosition(QTextCursor::End);
    if (!m_pTracePane->document()->isEmpty())
        cursor.insertBlock(QTextBlockFormat(), format);
    cursor.insertText(text, format);
    if (atEnd)
        bar->setValue(bar->maximum());
    if (!isTracePaneOpen()) {
        ++m_nUnseenTraceLines;
        UpdateTraceButton();
    }
}

void CPlayerWindow::ShowError(const QString& text)
{
    m_strError = text;
    m_pErrorLabel->setText(text);
    m_pStack->setCurrentWidget(m_pErrorLabel);
    // Stop whatever the page was running; the page itself stays for the
    // next movie.
    m_pPage->StopMovie();
    SetState(State::Failed);
    Q_EMIT movieFailed(m_strMoviePath);
}

void CPlayerWindow::SetState(State state)
{
    if (m_state == state)
        return;
    m_state = state;
    Q_EMIT stateChanged(state);
}

void CPlayerWindow::FitToMovie()
{
    QSize size = m_movieSize.isEmpty() ? kDefaultMovieSize : m_movieSize;
    // Keep the window on the screen; the web player scales the movie into
    // whatever room it gets, keeping its proportions.
    if (const QScreen* s = screen()) {
        const QSize room = s->availableGeometry().size() - QSize(40, 120);
        if (room.isValid() && (size.width() > room.width() || size.height() > room.height()))
            size.scale(room, Qt::KeepAspectRatio);
    }
    size = size.expandedTo(kSmallestView);
    static_cast<CStageView*>(m_pView)->SetHint(size);
    if (isMaximized() || isFullScreen())
        return;
    if (isVisible()) {
        // Laid out already: change the window by what the stage is off.
        resize(this->size() + (size - m_pStack->size()));
    } else {
        adjustSize();
    }
}

bool CPlayerWindow::isTracePaneOpen() const
{
    return !m_pTracePane->isHidden();
}

void CPlayerWindow::SetTracePaneOpen(bool open)
{
    if (open == isTracePaneOpen())
        return;
    m_pTracePane->setVisible(open);
    if (open)
        m_nUnseenTraceLines = 0;
    if (m_pTraceButton->isChecked() != open)
        m_pTraceButton->setChecked(open);
    UpdateTraceButton();
    if (!isMaximized() && !isFullScreen())
        resize(width(), height() + (open ? kTracePaneHeight : -kTracePaneHeight));
}

QStringList CPlayerWindow::traceLines() const
{
    const QString text = m_pTracePane->toPlainText();
    return text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
}

void CPlayerWindow::UpdateTraceButton()
{
    QString text =
        isTracePaneOpen() ? QStringLiteral("▼ トレース出力") : QStringLiteral("▶ トレース出力");
    if (m_nUnseenTraceLines > 0)
        text += QStringLiteral(" (%1)").arg(m_nUnseenTraceLines);
    m_pTraceButton->setText(text);
}

void CPlayerWindow::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    // Back in the window: keys go to the movie again.
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && m_state == State::Playing)
        m_pView->setFocus();
}
