#pragma once
// A keyboard of the desktop portal's remote control (a RemoteDesktop session with the keyboard device):
// presses keys on a real desktop as a user at its keyboard would, so that the desktop's own shortcuts
// (global shortcuts among them) see them. For the test's own thread; each call waits for the portal.
//
//   testsupport::CPortalKeyboard keyboard;
//   QVERIFY2(keyboard.Open(kde.BusAddress(), &error), qPrintable(error));
//   QVERIFY2(keyboard.Tap(testsupport::kKeyF7, &error), qPrintable(error));

#include <QDBusMessage>
#include <QObject>
#include <QString>
#include <QVariantMap>

namespace testsupport {

// Linux input event codes (evdev) of the keys the suites press.
constexpr int kKeyLeftCtrl = 29;
constexpr int kKeyLeftShift = 42;
constexpr int kKeyF7 = 65;
constexpr int kKeyF10 = 68;
constexpr int kKeyF11 = 87;

class CPortalKeyboard : public QObject {
    Q_OBJECT

public:
    CPortalKeyboard() = default;
    ~CPortalKeyboard() override;

    // Makes the session on the bus at the address (the session bus when empty) and starts it.
    bool Open(const QString& busAddress, QString* error);
    // One key down or up, by its evdev code.
    bool Key(int code, bool pressed, QString* error);
    // The modifiers down in order, the key down and up, the modifiers up in reverse.
    bool Tap(int code, QString* error, const QList<int>& modifiers = {});
    void Close();

private Q_SLOTS:
    void OnResponse(uint response, const QVariantMap& results, const QDBusMessage& message);

private:
    bool Request(const QString& interface, const QString& method, QList<QVariant> args, QVariantMap options,
                 QVariantMap* results, QString* error);

    QString m_strConnection;
    QString m_strSession;
    QString m_strRequest;
    bool m_bAnswered = false;
    uint m_uResponse = 0;
    QVariantMap m_results;
    unsigned m_uToken = 0;
};

}  // namespace testsupport
