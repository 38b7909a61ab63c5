#pragma once
// Mouse input through the XTEST extension, on a display connection of the instance's own. Positions are root
// window pixels as the server counts them, never Qt's logical coordinates.

#include <QString>
#include <memory>

#include "platform/Input.h"

namespace platform {

class CX11Connection;

class CX11Input final : public CButtonInput {
public:
    // Takes a connection whose server has XTEST; CreateX11Input checks that.
    explicit CX11Input(std::unique_ptr<CX11Connection> connection);
    // Releases a button this input left down, while the server is there.
    ~CX11Input() override;

    // Coordinates beyond the protocol's 16 bits are clamped; the server clamps the rest to the screen. The
    // warp is flushed, not waited for: clicks on this connection follow it, other clients see it a moment
    // later.
    bool SetCursorPos(int x, int y) override;
    bool GetCursorPos(POINT* pt) override;
    unsigned GetLockKeys() override;
    // "the X server connection was lost" once it was; every call fails from then on.
    QString ErrorText() const override;
    void BeginBatch() override { m_bBatching = true; }
    void Flush() override;
    void EndBatch() override;

private:
    bool Button(EMouseButton button, bool bPress) override;
    // Flushes a call's events at its end (outside a batch); false once the connection is lost.
    bool Deliver() override;
    // Sends what is queued unless a batch holds it back.
    void FlushUnlessBatching();

    std::unique_ptr<CX11Connection> m_pConnection;
    unsigned long m_root;
    unsigned long m_lockAtoms[3] = {};  // the lock indicators' names, looked up once
    bool m_bBatching = false;
};

// The input service for the calling thread. Returns nullptr and a message for the user (when error is given)
// if there is no X display or it has no XTEST extension; an InputFactory.
std::unique_ptr<IInput> CreateX11Input(QString* error);

}  // namespace platform
