#pragma once
// Takes a screen position where no program may read the pointer (Wayland): a see-through window covers
// every screen, follows the pointer over it, and takes the point of a click or of Take() (the capture key);
// Esc cancels. Positions are global: the screen's geometry plus the position inside it, which on Wayland is
// the compositor's logical layout space. User-interface thread only.

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <optional>
#include <vector>

class QWidget;

class CPickOverlay final : public QObject {
    Q_OBJECT

public:
    explicit CPickOverlay(QObject* parent = nullptr);
    ~CPickOverlay() override;
    CPickOverlay(const CPickOverlay&) = delete;
    CPickOverlay& operator=(const CPickOverlay&) = delete;

    // Covers every screen until a point is picked or the pick is cancelled. Opening an open overlay does
    // nothing.
    void Open();
    bool IsOpen() const { return !m_windows.empty(); }
    // Picks the last position the pointer had over the overlay; with none yet, does nothing.
    void Take();
    void Cancel();
    // The pointer's position while it is over the overlay; nothing before it has been seen there.
    std::optional<QPoint> Position() const { return m_position; }

    // Called by the overlay's windows.
    void PointerAt(const QPoint& global);
    void Pick(const QPoint& global);

Q_SIGNALS:
    void Moved(const QPoint& global);
    void Picked(const QPoint& global);
    void Cancelled();

private:
    void Close();

    std::vector<QPointer<QWidget>> m_windows;
    std::optional<QPoint> m_position;
};
