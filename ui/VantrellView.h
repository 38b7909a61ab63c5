#pragma once
// The form that fills the main window: the action list with its editing commands, the script's header
// values (repeat count, start/stop shortcut, minimize and auto-run options) and the start/stop button.

#include <QCheckBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTimeEdit>
#include <QWidget>
#include <functional>
#include <memory>

#include "engine/CaptureHotKey.h"
#include "engine/Sequencer.h"
#include "script/ActionList.h"
#include "ui/ColoredListCtrl.h"
#include "ui/DigitsEdit.h"
#include "ui/HotKeyCtrl.h"
#include "ui/PickOverlay.h"
#include "ui/Services.h"

class CVantrellDoc;

// Command ids, kept from the menus and accelerators the program has always had.
enum CommandId : int {
    ID_ADD_ACTION_BUTTON = 1000,
    ID_EDIT_ACTION_BUTTON = 1001,
    ID_DELETE_ACTION_BUTTON = 1002,
    ID_START_STOP = 1012,
    ID_HIDE_TO_TRAY = 1013,
    ID_EDIT_DELETE = 32773,
    ID_CONTEXT_DELETE = 32774,
    ID_FILE_SAVE_VIEW = 32777,
    ID_CONTEXT_ADD = 32778,
    ID_CONTEXT_EDIT = 32779,
    ID_SHARE_FACEBOOK = 32782,
    ID_SHARE_TWITTER = 32783,
    ID_SCRIPT_IN_FILE_MANAGER = 32784,
    ID_LOCATE_XY = 32785,
    ID_DELETE_ALL = 32786,
};

class CVantrellView : public QWidget, public platform::IHotKeyOwner {
    Q_OBJECT

public:
    CVantrellView(CServices& services, CVantrellDoc& doc, QWidget* parent = nullptr);
    ~CVantrellView() override;

    // After every new or opened script, start-up included: settings re-read, header values into the
    // form, the rows rebuilt from the records the reader left, the shortcuts registered anew.
    // After New and after an open. A script that comes from a file (bFromFile) is asked about first when
    // it would act on the whole desktop by itself: a typing key alone as its shortcut, or a scheduled start.
    void OnInitialUpdate(bool bFromFile = false);
    // Moves the header values between the form and g_scriptHeader. Taking them in (true) checks the
    // repeat count: with bPrompt a bad number is reported and gets the focus; false when it did not convert.
    bool UpdateData(bool bSaveAndValidate, bool bPrompt = true);

    void OnAddAction();
    void OnEditAction();
    void OnDeleteAction();
    void OnDeleteAll();
    void OnLocateXY();
    void OnSaveView();
    void OnScriptFileInFileManager();
    void OnHeaderValueChanged();
    void OnContextMenu(const QPoint& globalPos);
    void RefreshAddShortcut();
    void OnHotKey(int id) override;
    // The desktop refused the start/stop shortcut after all: told as a key that cannot be had.
    void OnHotKeyFailed(int id, uint32_t error) override;

    // Starts a run of the list, or stops the run in progress.
    void OnStartStop();
    // The scheduled start: the auto-run box is cleared, then the run starts (or stops) as from the button.
    void OnAutoRunStart();
    // Shows the script's start/stop shortcut and registers it as hotkey 2; a key that cannot be had is
    // reported and removed from the script.
    void RegisterStartStopHotKey();
    void OnAssignHotKey();
    void OnClearHotKey();
    bool IsRunning() const { return m_sequencer.IsRunning(); }
    // Stops a run and lets its worker end: before rows go away.
    void StopRun() { m_sequencer.StopAndWait(); }

    int AppendRow(std::unique_ptr<CMouseAction> pAction);
    void ClearList();
    // Writes the list's column widths to the profile (the view's window going away).
    void StoreColumnWidths();

    // Lowers the list's minimum size, room for the default columns and a dozen rows, by what the screen
    // lacks for the form (the list is what gives way); an empty shortfall restores it.
    void GiveListWay(const QSize& shortfall);

    CActionList& List() { return m_list; }
    CColoredListCtrl& ListCtrl() { return *m_wndList; }
    QPushButton& AddButton() { return *m_btnAdd; }
    CDigitsEdit& RepeatCountEdit() { return *m_editRepeat; }
    QCheckBox& AutoRunCheck() { return *m_chkAutoRun; }
    QDateEdit& AutoRunDateEdit() { return *m_dateAutoRun; }
    QTimeEdit& AutoRunTimeEdit() { return *m_timeAutoRun; }
    CHotKeyCtrl& HotKeyCtrl() { return *m_wndHotKey; }
    QPushButton& StartStopButton() { return *m_btnStartStop; }
    QLabel& ExecutionInfo() { return *m_wndExecutionInfo; }
    // The action of a command id in the context menu, for the frame and for tests.
    // The frame's Settings and Share commands, which end the context menu.
    void AddFrameCommands(QAction* settings, const QList<QAction*>& share);
    QAction* ContextAction(int id) const;

Q_SIGNALS:
    // The document's save to path, chosen by the view's save; an empty path means the document's own.
    void SaveRequested(const QString& path);
    // The form's size changed its needs: the frame fits itself to it.
    void FitFrameRequested();
    // A run starts with minimizing on.
    void MinimizeRequested();
    // "Hide to Notification Area".
    void HideRequested();
    void RunningChanged(bool running);

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void BuildForm();
    void BuildContextMenu();
    void BuildColumns();
    // The questions about a script from a file that would act on the whole desktop by itself.
    void ConfirmFileHeader();
    void OnCursorTimer();
    void OnRunFinished();
    QPoint CursorPos() const;
    // Where the pointer cannot be read: takes the point on the overlay, then calls then with it; Esc
    // there changes nothing.
    void PickThen(std::function<void(const QPoint&)> then);
    void OpenAddDialog(const QPoint& pos);
    int Message(const QString& text, unsigned type);
    // Tells that the start/stop shortcut cannot be had and removes it from the script.
    void DropStartStopHotKey(uint32_t error);

    CServices& m_services;
    CVantrellDoc& m_doc;
    CActionList m_list;
    QMenu m_menuContext;
    CCaptureHotKey m_captureHotKey;
    CSequencer m_sequencer;
    QTimer m_cursorTimer;
    CPickOverlay m_overlay;
    std::function<void(const QPoint&)> m_afterPick;
    bool m_bColumnsBuilt = false;
    bool m_bExchanging = false;
    bool m_bAskingToStart = false;  // a start's question is open
    QSize m_listMinimum;            // the list's minimum where the screen has room

    QGroupBox* m_wndCursorInfo = nullptr;
    CColoredListCtrl* m_wndList = nullptr;
    CHotKeyCtrl* m_wndHotKey = nullptr;
    QLabel* m_wndExecutionInfo = nullptr;
    QPushButton* m_btnAdd = nullptr;
    QPushButton* m_btnEdit = nullptr;
    QPushButton* m_btnDelete = nullptr;
    QPushButton* m_btnAssign = nullptr;
    QPushButton* m_btnClear = nullptr;
    QPushButton* m_btnStartStop = nullptr;
    QPushButton* m_btnHide = nullptr;
    CDigitsEdit* m_editRepeat = nullptr;
    QCheckBox* m_chkAutoMinimize = nullptr;
    QCheckBox* m_chkAutoRun = nullptr;
    QDateEdit* m_dateAutoRun = nullptr;
    QTimeEdit* m_timeAutoRun = nullptr;
};
