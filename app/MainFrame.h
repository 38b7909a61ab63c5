#pragma once
// The one top-level window: the form view, the menus and accelerators, the status bar.

#include <QDateTime>
#include <QMainWindow>
#include <QMap>
#include <QTimer>
#include <functional>
#include <memory>

#include "platform/OleDateTime.h"

#include "ui/Services.h"

class CVantrellDoc;
class CVantrellView;
class CCustomDocManager;
class QLabel;
class QMenu;
class QSystemTrayIcon;

enum FrameCommandId : int {
    ID_FILE_NEW = 57600,
    ID_FILE_OPEN = 57601,
    ID_FILE_SAVE = 57603,
    ID_FILE_SAVE_AS = 57604,
    ID_FILE_MRU_FILE1 = 57616,
    ID_APP_EXIT = 57665,
    ID_APP_ABOUT = 57664,
    ID_VIEW_SETTINGS = 32771,
    ID_CONTACT_US = 32780,
    ID_VIEW_STATUS_BAR = 59393,
};

class CMainFrame : public QMainWindow {
    Q_OBJECT

public:
    explicit CMainFrame(CServices& services);
    ~CMainFrame() override;

    CVantrellDoc& Doc() { return *m_doc; }
    CVantrellView& View() { return *m_view; }
    CCustomDocManager& DocManager() { return *m_docManager; }
    // The menu action of a command id (for routing and tests); null when there is none.
    QAction* CommandAction(int id) const { return m_commands.value(id); }
    QMenu* RecentFilesMenu() const { return m_fileMenu; }

    // A new untitled script, as at start-up without a file.
    void NewDocument();

    // The clock: status-bar time, lock keys, and the scheduled start of the script.
    void OnClockTick();
    void RestartClock();
    // Where the clock reads the time; tests set a manual one.
    void SetClock(std::function<QDateTime()> now) {
        m_now = std::move(now);
        m_lastTick = m_now();
    }
    QLabel& ClockPane() { return *m_paneClock; }
    void OnSettings();
    void OnAbout();
    void OnContactUs();
    void OnShare(int id);
    // "Hide to Notification Area": into the tray where the desktop has one, else minimized.
    void OnHideToTray();
    // Back from the tray or from minimized, raised and active.
    void ShowFromTray();

    // For a session where no key can be had for the whole desktop, so the script's start/stop shortcut
    // cannot work: tells how to bind a key of the desktop to `vantrell --toggle` instead. Only the first
    // time ever (the profile remembers it); true when the message was shown now.
    bool TellHowToBindToggle();

    // SIGINT, SIGTERM or SIGHUP: stops the run (its button released), asks nothing, saves no script, and
    // leaves the event loop with EndStatus(). A signal that comes before the loop runs is kept for main.
    void EndOnSignal(int signal);
    // 128 + the signal's number once one ended the program, as a shell reports it; 0 before.
    int EndStatus() const { return m_iEndSignal != 0 ? 128 + m_iEndSignal : 0; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* event) override;

private:
    void BuildMenus();
    QAction* AddCommand(QMenu* menu, const QString& text, int id);
    void RebuildRecentFiles();
    void UpdateCaption();
    void FitToForm();
    void RefitForNewFrame();
    void OnRecentFile(const QString& path);
    void BuildStatusBar();
    // What every end of the window goes through: the run stopped and its button released.
    void EndSession();

    CServices& m_services;
    std::unique_ptr<CVantrellDoc> m_doc;
    CVantrellView* m_view = nullptr;
    std::unique_ptr<CCustomDocManager> m_docManager;
    QMap<int, QAction*> m_commands;
    QMenu* m_fileMenu = nullptr;
    QAction* m_recentAnchor = nullptr;
    QList<QAction*> m_recentActions;
    bool m_bClosing = false;
    int m_iEndSignal = 0;
    bool m_bShown = false;
    bool m_bFitting = false;
    QSize m_fitMargins;
    QTimer m_frameWatch;  // looks for the window manager's frame after the first show  // the window manager's frame when the window was last fitted
    QTimer m_clock;
    std::function<QDateTime()> m_now = [] { return QDateTime::currentDateTime(); };
    QDateTime m_lastTick;
    QLabel* m_paneClock = nullptr;
    QLabel* m_paneLocks[3] = {};
    QLabel* m_paneMessage = nullptr;
    QSystemTrayIcon* m_tray = nullptr;
};
