#include "playerwindow.h"

#include "playerpage.h"
#include "swfheader.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScreen>
#include <QStackedWidget>
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

QString PageHtml()
{
    QFile file(QStringLiteral(":/player/player.html"));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}

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

    connect(m_pPage, &QWebEnginePage::loadFinished, this, &CPlayerWindow::StartMovie);
    connect(m_pPage, &CPlayerPage::traceLine, this, &CPlayerWindow::OnTraceLine);
    connect(m_pPage, &CPlayerPage::movieLoaded, this, &CPlayerWindow::OnMovieLoaded);
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
    // A fresh page for every movie: nothing of the previous run (sound,
    // timers, state) survives.
    const QUrl base =
        QUrl::fromLocalFile(QDir(m_strFilesFolder).filePath(QStringLiteral("player.html")));
    m_pPage->setHtml(PageHtml(), base);
}

void CPlayerWindow::StartMovie(bool pageOk)
{
    if (m_state != State::Loading)
        return;
    if (!pageOk) {
        OnMovieFailed(QStringLiteral("page"));
        return;
    }
    const QString url = QUrl::fromLocalFile(m_strMoviePath).toString(QUrl::FullyEncoded);
    const QString call =
        QStringLiteral("peltraLoad(%1);")
            .arg(QString::fromUtf8(QJsonDocument(QJsonArray{url}).toJson(QJsonDocument::Compact))
                     .mid(1)
                     .chopped(1));
    m_pPage->runJavaScript(call);
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

void CPlayerWindow::OnMovieFailed(const QString& reason)
{
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
    m_pTracePane->appendPlainText(text);
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
    // Stop whatever the page was running.
    m_pPage->setHtml(QString());
    SetState(State::Failed);
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
