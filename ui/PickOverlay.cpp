#include "ui/PickOverlay.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QWidget>

namespace {

// One screen's cover: nearly transparent (a fully transparent surface may not be given the pointer), a
// cross-hair cursor and a line of help at the top.
class COverlayWindow final : public QWidget {
public:
    COverlayWindow(CPickOverlay& owner, QScreen* screen, QWidget* parent)
        : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), m_owner(owner) {
        setAttribute(Qt::WA_TranslucentBackground);
        setAttribute(Qt::WA_DeleteOnClose);
        setMouseTracking(true);
        setCursor(Qt::CrossCursor);
        setFocusPolicy(Qt::StrongFocus);
        setWindowTitle(QStringLiteral("Pick a position"));
        setScreen(screen);
        setGeometry(screen->geometry());
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), QColor(0, 0, 0, 40));
        const QString help = QStringLiteral("Click to pick this position, or press Esc to cancel.");
        QFont font = painter.font();
        font.setPointSizeF(font.pointSizeF() * 1.4);
        painter.setFont(font);
        const QRect box = painter.fontMetrics().boundingRect(help).adjusted(-16, -10, 16, 10);
        const QRect where(QPoint((width() - box.width()) / 2, 24), box.size());
        painter.fillRect(where, QColor(0, 0, 0, 180));
        painter.setPen(Qt::white);
        painter.drawText(where, Qt::AlignCenter, help);
    }
    void enterEvent(QEnterEvent* event) override { m_owner.PointerAt(Global(event->position())); }
    void mouseMoveEvent(QMouseEvent* event) override { m_owner.PointerAt(Global(event->position())); }
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton)
            m_owner.Pick(Global(event->position()));
        else
            event->ignore();
    }
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_Escape)
            m_owner.Cancel();
        else
            QWidget::keyPressEvent(event);
    }
    void closeEvent(QCloseEvent*) override { m_owner.Cancel(); }

private:
    // Where the pointer is in the whole layout: the screen's place plus the point inside the full-screen
    // window. (A Wayland client is not told where its windows are, so the window's own position and the
    // event's global position cannot be trusted there.)
    QPoint Global(const QPointF& local) const { return screen()->geometry().topLeft() + local.toPoint(); }

    CPickOverlay& m_owner;
};

}  // namespace

CPickOverlay::CPickOverlay(QObject* parent) : QObject(parent) {}

CPickOverlay::~CPickOverlay() {
    Close();
}

void CPickOverlay::Open() {
    if (IsOpen())
        return;
    m_position.reset();
    // The first window is modal so that it can be used while a modal dialog waits for the point; the
    // others are its children, which its modality does not block.
    QWidget* first = nullptr;
    for (QScreen* screen : QGuiApplication::screens()) {
        auto* window = new COverlayWindow(*this, screen, first);
        if (!first) {
            first = window;
            window->setWindowModality(Qt::ApplicationModal);
        }
        m_windows.emplace_back(window);
    }
    for (const QPointer<QWidget>& window : m_windows) {
        window->showFullScreen();
        window->raise();
    }
    if (first) {
        first->activateWindow();
        first->setFocus(Qt::OtherFocusReason);
    }
}

void CPickOverlay::Take() {
    if (IsOpen() && m_position)
        Pick(*m_position);
}

void CPickOverlay::Cancel() {
    if (!IsOpen())
        return;
    Close();
    Q_EMIT Cancelled();
}

void CPickOverlay::PointerAt(const QPoint& global) {
    if (!IsOpen())
        return;
    m_position = global;
    Q_EMIT Moved(global);
}

void CPickOverlay::Pick(const QPoint& global) {
    if (!IsOpen())
        return;
    Close();
    Q_EMIT Picked(global);
}

void CPickOverlay::Close() {
    // Children go with the first window; closing must not call back into Cancel.
    std::vector<QPointer<QWidget>> windows;
    windows.swap(m_windows);
    for (const QPointer<QWidget>& window : windows) {
        if (window && !window->parentWidget())
            window->deleteLater();
        if (window)
            window->hide();
    }
}
