#include "platform/x11/X11Input.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "platform/x11/X11Connection.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

namespace platform {

namespace {

// X's button numbers: 1 left, 2 middle, 3 right.
constexpr unsigned XButton(EMouseButton button) {
    return button == EMouseButton::Left ? Button1 : button == EMouseButton::Right ? Button3 : Button2;
}

// The protocol carries 16-bit coordinates; without this, 65636 would wrap round to 100.
int ClampToProtocol(int value) {
    return std::clamp(value, int{std::numeric_limits<int16_t>::min()},
                      int{std::numeric_limits<int16_t>::max()});
}

}  // namespace

CX11Input::CX11Input(std::unique_ptr<CX11Connection> connection)
    : m_pConnection(std::move(connection)), m_root(DefaultRootWindow(m_pConnection->Get())) {
    // Our clicks must go through even while another client has grabbed the server.
    if (!m_pConnection->IsLost())
        XTestGrabControl(m_pConnection->Get(), True);
}

CX11Input::~CX11Input() {
    ReleaseHeld();
    Flush();
}

bool CX11Input::SetCursorPos(int x, int y) {
    if (m_pConnection->IsLost())
        return false;
    Display* display = m_pConnection->Get();
    XWarpPointer(display, None, m_root, 0, 0, 0, 0, ClampToProtocol(x), ClampToProtocol(y));
    FlushUnlessBatching();
    return !m_pConnection->IsLost();
}

void CX11Input::Flush() {
    if (!m_pConnection->IsLost())
        XFlush(m_pConnection->Get());
}

void CX11Input::EndBatch() {
    m_bBatching = false;
    Flush();
}

void CX11Input::FlushUnlessBatching() {
    if (!m_bBatching)
        Flush();
}

bool CX11Input::GetCursorPos(POINT* pt) {
    if (!pt || m_pConnection->IsLost())
        return false;
    Window root = None, child = None;
    int rootX = 0, rootY = 0, windowX = 0, windowY = 0;
    unsigned mask = 0;
    // False means the pointer is on another screen of a multi-screen display, where our root has no position.
    if (!XQueryPointer(m_pConnection->Get(), m_root, &root, &child, &rootX, &rootY, &windowX, &windowY,
                       &mask) ||
        m_pConnection->IsLost())
        return false;
    pt->x = rootX;
    pt->y = rootY;
    return true;
}

unsigned CX11Input::GetLockKeys() {
    if (m_pConnection->IsLost())
        return 0;
    Display* display = m_pConnection->Get();
    static constexpr const char* kNames[3] = {"Caps Lock", "Num Lock", "Scroll Lock"};
    static constexpr unsigned kFlags[3] = {kCapsLock, kNumLock, kScrollLock};
    unsigned keys = 0;
    for (int i = 0; i < 3 && !m_pConnection->IsLost(); ++i) {
        if (m_lockAtoms[i] == None)
            m_lockAtoms[i] = XInternAtom(display, kNames[i], False);
        Bool on = False;
        if (XkbGetNamedIndicator(display, m_lockAtoms[i], nullptr, &on, nullptr, nullptr) && on)
            keys |= kFlags[i];
    }
    return keys;
}

bool CX11Input::Button(EMouseButton button, bool bPress) {
    // A request may have been the one that met the broken connection (Xlib writes when its buffer fills);
    // after that, none goes out.
    if (m_pConnection->IsLost())
        return false;
    return XTestFakeButtonEvent(m_pConnection->Get(), XButton(button), bPress ? True : False, CurrentTime) != 0;
}

bool CX11Input::Deliver() {
    // One write for the call; a press held in our buffer would reach the server only with the next request.
    FlushUnlessBatching();
    // A lost connection shows once the requests were written.
    return !m_pConnection->IsLost();
}

QString CX11Input::ErrorText() const {
    return m_pConnection->IsLost() ? QStringLiteral("the X server connection was lost") : QString();
}

std::unique_ptr<IInput> CreateX11Input(QString* error) {
    std::unique_ptr<CX11Connection> connection = CX11Connection::Open(error);
    if (!connection)
        return nullptr;
    int eventBase = 0, errorBase = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(connection->Get(), &eventBase, &errorBase, &major, &minor)) {
        if (error)
            *error = QStringLiteral("The X server has no XTEST extension, so Vantrell cannot make clicks.");
        return nullptr;
    }
    return std::make_unique<CX11Input>(std::move(connection));
}

}  // namespace platform
