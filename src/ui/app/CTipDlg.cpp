#include "CTipDlg.h"

#include "UrlOpener.h"

#include "app/Cferix_razazApp.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QPropertyAnimation>
#include <QScreen>
#include <QShortcut>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include <atomic>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>

// What the window shares with its fetch: the worker may still be running when the window is
// gone, so it reaches the window only through here, and only while the window exists.
struct CTipDlg::Channel {
    std::mutex mutex;
    CTipDlg* window = nullptr;
};

namespace {
std::atomic<int> g_runningFetches{0};

QIcon ClosePicture() {
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x1f, 0x4e, 0x79, 200));
    p.drawEllipse(QRectF(2, 2, 28, 28));
    p.setPen(QPen(Qt::white, 3.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(11, 11), QPointF(21, 21));
    p.drawLine(QPointF(21, 11), QPointF(11, 21));
    return QIcon(pm);
}
} // namespace

CTipDlg::CTipDlg(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint), m_channel(std::make_shared<Channel>()) {
    m_channel->window = this;
    setObjectName("CTipDlg");
    // A notice must not take the keyboard away from the window the user works in.
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFixedSize(kWidth, kHeight);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 4, 6, 12);
    layout->setSpacing(4);

    auto* top = new QHBoxLayout;
    top->addStretch(1);
    m_close = new QToolButton(this);
    m_close->setObjectName("close");
    m_close->setIcon(ClosePicture());
    m_close->setIconSize(QSize(16, 16));
    m_close->setAutoRaise(true);
    m_close->setCursor(Qt::PointingHandCursor);
    m_close->setToolTip(QStringLiteral("关闭"));
    top->addWidget(m_close);
    layout->addLayout(top);

    m_title = new QLabel(this);
    m_title->setObjectName("title");
    m_title->setTextFormat(Qt::PlainText); // texts from the network are never markup
    m_title->setAlignment(Qt::AlignCenter);
    m_title->setCursor(Qt::PointingHandCursor);
    m_title->setAttribute(Qt::WA_TranslucentBackground);
    QFont titleFont = m_title->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.15);
    m_title->setFont(titleFont);
    m_title->setStyleSheet("color: #1f4e79;");
    m_title->installEventFilter(this);
    layout->addWidget(m_title);

    m_text = new QPlainTextEdit(this);
    m_text->setObjectName("text");
    m_text->setReadOnly(true);
    m_text->setTextInteractionFlags(Qt::NoTextInteraction);
    m_text->setFrameShape(QFrame::NoFrame);
    m_text->setFocusPolicy(Qt::NoFocus);
    m_text->setStyleSheet("QPlainTextEdit { background: transparent; color: #333333; }");
    m_text->viewport()->setAutoFillBackground(false);
    m_text->viewport()->setCursor(Qt::PointingHandCursor);
    m_text->viewport()->installEventFilter(this);
    layout->addWidget(m_text, 1);

    connect(m_close, &QToolButton::clicked, this, &QWidget::hide);
    auto* esc = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    esc->setContext(Qt::WidgetWithChildrenShortcut);
    connect(esc, &QShortcut::activated, this, &QWidget::hide);

    m_slide = new QPropertyAnimation(this, "pos", this);
    m_slide->setDuration(kSlideMs);
    m_slide->setEasingCurve(QEasingCurve::OutCubic);
}

CTipDlg::~CTipDlg() {
    std::lock_guard<std::mutex> lock(m_channel->mutex);
    m_channel->window = nullptr;
}

void CTipDlg::StartFetch(const std::string& host, const std::filesystem::path& programFolder,
                         const CHttpDownload::Timeouts& timeouts) {
    std::shared_ptr<Channel> channel = m_channel;
    ++g_runningFetches;
    try {
        std::thread([channel, host, programFolder, timeouts] {
            NoticeFetchResult result = FetchNotice(host, programFolder, timeouts);
            {
                std::lock_guard<std::mutex> lock(channel->mutex);
                if (CTipDlg* window = channel->window) {
                    std::optional<NoticeTexts> notice = std::move(result.notice);
                    // Runs on the GUI thread; dropped if the window goes first.
                    QMetaObject::invokeMethod(
                        window,
                        [window, notice] {
                            if (notice)
                                window->ShowNotice(*notice);
                            emit window->FetchEnded(notice.has_value());
                        },
                        Qt::QueuedConnection);
                }
            }
            --g_runningFetches;
        }).detach();
    } catch (const std::system_error&) {
        // No thread, no notice; the program goes on.
        --g_runningFetches;
    }
}

int CTipDlg::RunningFetches() {
    return g_runningFetches;
}

QPoint CTipDlg::RestingPosition() const {
    QScreen* screen = parentWidget() ? parentWidget()->screen() : this->screen();
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1366, 768);
    // Right edge 5 pixels in from the work area's right edge, bottom edge on its bottom edge.
    return {area.x() + area.width() - 5 - kWidth, area.y() + area.height() - kHeight};
}

void CTipDlg::ShowNotice(const NoticeTexts& notice) {
    m_title->setText(QString::fromStdString(notice.title));
    m_text->setPlainText(QString::fromStdString(notice.content));
    m_url = QString::fromStdString(notice.url);

    QPoint rest = RestingPosition();
    QScreen* screen = parentWidget() ? parentWidget()->screen() : this->screen();
    int below = screen ? screen->availableGeometry().bottom() + 1 : rest.y() + kHeight;
    m_slide->stop();
    m_slide->setStartValue(QPoint(rest.x(), below));
    m_slide->setEndValue(rest);
    move(rest.x(), below);
    show();
    m_slide->start();
}

QString CTipDlg::Title() const {
    return m_title->text();
}

QString CTipDlg::Text() const {
    return m_text->toPlainText();
}

void CTipDlg::OpenNotice() {
    // Only web addresses: a notice must not be able to open local files or programs.
    QUrl url = QUrl::fromUserInput(m_url.trimmed());
    if (url.isValid() && (url.scheme() == "http" || url.scheme() == "https"))
        OpenExternalUrl(url);
    hide();
}

bool CTipDlg::eventFilter(QObject* watched, QEvent* event) {
    if ((watched == m_title || watched == m_text->viewport()) &&
        event->type() == QEvent::MouseButtonRelease) {
        auto* me = static_cast<QMouseEvent*>(event);
        auto* widget = static_cast<QWidget*>(watched);
        if (me->button() == Qt::LeftButton && widget->rect().contains(me->position().toPoint())) {
            OpenNotice();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void CTipDlg::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient bg(0, 0, 0, height());
    bg.setColorAt(0.0, QColor(0xdd, 0xea, 0xf7));
    bg.setColorAt(0.25, QColor(0xf4, 0xf8, 0xfc));
    bg.setColorAt(1.0, Qt::white);
    p.fillRect(rect(), bg);
    p.setPen(QPen(QColor(0x7a, 0x9c, 0xc0), 1));
    p.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
}

CTipDlg* StartNoticeFetch(QWidget* mainWindow) {
    auto* tip = new CTipDlg(mainWindow);
    tip->StartFetch(NoticeHost(), ProgramFolder());
    return tip;
}
