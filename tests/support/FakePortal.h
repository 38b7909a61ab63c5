#pragma once
// A desktop portal of the tests' own: owns org.freedesktop.portal.Desktop on a private bus and answers
// RemoteDesktop and ScreenCast just enough for a remote-control session of the pointer, as a desktop's
// portal does: each set-up method returns its request's path and answers through that request's Response
// signal. It records every call as a line of text, in order, for the tests to compare:
//   "CreateSession", "SelectDevices types=2 persist_mode=2 restore_token=T", "SelectSources types=1
//   multiple=true", "Start", "Motion NODE X Y", "Button CODE STATE", "Close".
// It offers GlobalShortcuts as well, once given a version, with the lines "GlobalShortcuts.CreateSession
// ID=TRIGGER ...", "GlobalShortcuts.BindShortcuts ID=TRIGGER ..." and "GlobalShortcuts.Close".
// The Response signal goes out before the method's reply, so a client that starts listening only once
// the reply arrived misses it.

#include <QDBusConnection>
#include <QDBusVirtualObject>
#include <QMap>
#include <QMutex>
#include <QPoint>
#include <QSize>
#include <QStringList>

namespace testsupport {

struct SFakeStream {
    uint node = 0;
    bool bHasPosition = true;
    QPoint position;
    QSize size;
};

class CFakePortal final : public QDBusVirtualObject {
    Q_OBJECT

public:
    // Connects to the bus at address and takes the portal's name.
    explicit CFakePortal(const QString& address);
    ~CFakePortal() override;
    bool IsRegistered() const { return m_bRegistered; }

    // Set before the client asks.
    void SetVersion(uint version) { m_uVersion = version; }
    void SetStreams(const QList<SFakeStream>& streams) { m_streams = streams; }
    // The answer of a set-up step ("CreateSession", "SelectDevices", "SelectSources", "Start"): 0 granted,
    // 1 cancelled by the user, 2 failed. -1 answers nothing until AnswerHeld.
    void SetResponse(const QString& method, int response) { m_responses[method] = response; }
    // The restore token that Start accepts; any other token offered makes Start fail (2). A granted Start
    // with persist_mode 2 hands out a new token, which becomes the accepted one.
    void SetValidToken(const QString& token) { m_strValidToken = token; }
    QString ValidToken() const { return m_strValidToken; }
    // Without a RemoteDesktop interface the version property is an error.
    void SetRemoteDesktop(bool offered) { m_bRemoteDesktop = offered; }

    // GlobalShortcuts' version; 0 (the default) offers no such interface. Its methods' answers are set
    // with SetResponse("GlobalShortcuts.CreateSession", ...) and "GlobalShortcuts.BindShortcuts".
    void SetShortcutsVersion(uint version) { m_uShortcutsVersion = version; }
    // The desktop's key of a shortcut was pressed: Activated for the id on the live shortcuts session, or
    // on the last one made when none is live.
    void Activate(const QString& id);

    // Sends the Response held back by -1, with this answer.
    void AnswerHeld(int response);
    // The desktop ends the remote-control session, or the shortcuts session (the user revoked it):
    // Session.Closed, and calls on it fail from now on.
    void CloseSession() { SendClosed(m_strSession); }
    void CloseShortcutsSession() { SendClosed(m_strShortcutsSession); }
    // The portal leaves the bus, with its sessions, and comes back; with it comes its desktop half (a name
    // of its own).
    void Unregister();
    void Register();
    // The desktop half leaves the bus, the front end stays, answering as if nothing happened.
    void BackEndLeaves();
    // A portal description of the desktop half, for the folder in XDG_DESKTOP_PORTAL_DIR.
    static QString BackEndDescription();

    QStringList Calls() const;
    int CountOf(const QString& prefix) const;

    QString introspect(const QString& path) const override;
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

private:
    void Respond(const QString& request, uint response, const QVariantMap& results);
    void SendClosed(QString& session);
    void Record(const QString& line);
    QVariantMap StartResults();
    bool HandleShortcuts(const QDBusMessage& message, QDBusConnection& bus);
    // Sends the request's Response (or holds it back, for a response of -1), then the call's reply.
    bool AnswerOrHold(const QDBusMessage& message, QDBusConnection& bus, const QString& request, int response,
                      const QVariantMap& results);

    QString m_strConnection;
    bool m_bRegistered = false;
    uint m_uVersion = 1;
    bool m_bRemoteDesktop = true;
    QList<SFakeStream> m_streams;
    QMap<QString, int> m_responses;
    QString m_strValidToken;
    QString m_strOfferedToken;
    bool m_bPersist = false;
    int m_iTokens = 0;
    QString m_strSession;  // the live session's path
    uint m_uShortcutsVersion = 0;
    QString m_strShortcutsSession;   // the live shortcuts session's path
    QStringList m_shortcutsSessions;  // every one made
    QString m_strHeldRequest;
    QString m_strHeldMethod;

    mutable QMutex m_mutex;
    QStringList m_calls;
};

}  // namespace testsupport
