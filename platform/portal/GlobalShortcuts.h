#pragma once
// Shortcuts that work across the whole desktop through the desktop portal's GlobalShortcuts interface
// (KDE Plasma 5.27 and later, GNOME 48 and later, Hyprland), for sessions where no program may grab a key
// itself.
//
// Threads: lives on the thread that made it (the user-interface thread) and never waits there: every call
// goes out without blocking, and its reply, the portal's Response and the Activated signal all come back
// through that thread's event loop.
//
// Every change of the set of shortcuts makes a new portal session (the old one is closed): the portal binds
// shortcuts once per session, and KDE 5.27 takes them only when the session is created. A session the
// desktop closes, or one lost with the portal's service, is made again for the shortcuts set then.

#include <QElapsedTimer>
#include <QMap>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QVariant>

class QDBusMessage;

namespace platform {

class CPortalRequest;

// How the shortcuts reach the portal.
enum class EShortcutsForm {
    // From the interface's version: 1 is the first form, 2 and later the second (see Decide).
    Detect,
    // In CreateSession's options ("shortcuts"), and nothing more. KDE 5.27 (interface version 1) works only
    // so: its BindShortcuts does not bind, it opens System Settings. Hyprland's portal, also version 1,
    // takes them there as well.
    InCreateSession,
    // CreateSession, then BindShortcuts(session, shortcuts, "", {}): the documented way, which the desktops
    // of interface version 2 and later (GNOME 48 and later) answer, with a dialog of their own.
    BindShortcuts,
};

struct SGlobalShortcutsOptions {
    // The bus to find the portal on; empty for the session bus.
    QString busAddress;
    EShortcutsForm form = EShortcutsForm::Detect;
};

class CGlobalShortcuts final : public QObject {
    Q_OBJECT

public:
    enum class EState { Probing, Absent, Present };

    explicit CGlobalShortcuts(SGlobalShortcutsOptions options = {}, QObject* parent = nullptr);
    // Closes the session.
    ~CGlobalShortcuts() override;

    // The form for an interface version: the one place where it is decided.
    static EShortcutsForm Decide(EShortcutsForm forced, uint version);
    // A shortcut's id at the portal: its own id and its trigger ("start-stop-CTRL-SHIFT-F11"). KDE keeps the
    // key first bound to an id and takes a later trigger for it as a default only, so each key has an id of
    // its own; an unchanged key keeps its id, and with it a binding the user chose for it in the desktop.
    static QString PortalId(const QString& id, const QString& trigger);

    // Asks for the interface's version; Probed follows. Nothing else is asked before.
    void Probe();
    EState State() const { return m_state; }
    EShortcutsForm Form() const { return m_form; }

    // Sets the shortcut id to trigger (the desktops' trigger text, "CTRL+SHIFT+F11"), or removes it
    // with an empty trigger. Registered from the event loop once the probe found the portal; Bound or
    // Failed tell how it went.
    void Set(const QString& id, const QString& description, const QString& trigger);

Q_SIGNALS:
    void Probed(bool present);
    // The portal took the shortcuts as they are now.
    void Bound();
    // The portal refused the shortcuts or could not bind them, or the desktop closed their session again
    // at once: every shortcut set is without effect.
    void Failed(const QString& reason);
    void Activated(const QString& id);

private Q_SLOTS:
    void OnActivated(const QDBusMessage& message);
    void OnClosed(const QDBusMessage& message);

private:
    struct SShortcut {
        QString description;
        QString trigger;
        bool operator==(const SShortcut&) const = default;
    };
    // Registers the shortcuts set now unless the current session carries them already. Run from the event
    // loop, so that a shortcut removed and set again at once (a key registered anew) changes nothing.
    void Sync();
    bool Connect();
    // a(sa{sv}): each shortcut's id, description and preferred trigger.
    QVariant ShortcutList() const;
    // Closes the current session and makes one for the shortcuts set now; reopen when it replaces a session
    // the desktop closed.
    void Register(bool reopen = false);
    void Bind();
    void CloseSession();
    void Drop(QPointer<CPortalRequest>& request);
    // The current session is gone without a Close of ours: nothing is registered.
    void Forget();
    void OnOwnerChanged(const QString& newOwner);

    SGlobalShortcutsOptions m_options;
    QString m_strConnection;
    EState m_state = EState::Probing;
    EShortcutsForm m_form = EShortcutsForm::Detect;
    bool m_bProbing = false;
    QMap<QString, SShortcut> m_shortcuts;
    QMap<QString, SShortcut> m_registered;  // what the current session carries, or is asked to
    bool m_bSyncPending = false;
    bool m_bPortalGone = false;  // the portal's name has no owner: nothing is registered until it has one
    QString m_strSession;  // the current session's path, known before the portal answers
    QPointer<CPortalRequest> m_pRequest;
    unsigned m_uSessions = 0;  // sessions asked for; an answer for an earlier one is late
    bool m_bReopened = false;  // the current session replaces one the desktop closed
    QElapsedTimer m_sinceRegistered;
    QTimer m_reopen;
};

}  // namespace platform
