#pragma once
// The action editor: click type, position, delay and comment of one script row. While it is open it holds
// the first free function key from F6 to F12, which copies the cursor position into X and Y from any
// application, and it shows the live cursor position twice a second.
//
// The caller sets m_pAction (and m_bEditMode) before showing it. The record changes only when OK succeeds;
// Cancel, Esc, the close box and a refused OK leave it as it was. User-interface thread only.

#include <QDialog>
#include <QTimer>

#include "engine/CaptureHotKey.h"
#include "platform/HotKeys.h"
#include "script/MouseAction.h"
#include "ui/PickOverlay.h"
#include "ui/Services.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

class CDlgAction : public QDialog, public platform::IHotKeyOwner {
    Q_OBJECT

public:
    static constexpr int kLocationIntervalMs = 500;

    CDlgAction(CServices& services, QWidget* parent = nullptr);
    ~CDlgAction() override;
    CDlgAction(const CDlgAction&) = delete;
    CDlgAction& operator=(const CDlgAction&) = delete;

    // The capture key: the cursor position goes into the X and Y fields only, not yet into the record.
    void OnHotKey(int id) override;
    // Ends the dialog; the capture key and the position timer end with it, not with the object.
    void done(int result) override;

    CMouseAction* m_pAction = nullptr;  // not owned
    bool m_bEditMode = false;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void OnInitDialog();
    void OnTimer();
    void ShowLocation(const QPoint& pos);
    void OnOK();
    // Shows the prompt and puts the user back in the field, text selected, so it can be typed over.
    void Refuse(QLineEdit* field, const QString& prompt);

    CServices& m_services;
    CCaptureHotKey m_captureHotKey;
    QTimer m_timer;
    CPickOverlay m_overlay;  // where the pointer cannot be read
    bool m_bRunning = false;  // from the initialisation at showing until the dialog ends

    QComboBox* m_cmbClickType;
    QLabel* m_wndShortcutHint;
    QLineEdit* m_editX;
    QLineEdit* m_editY;
    QLineEdit* m_editDelay;
    QLineEdit* m_editComment;
    QPushButton* m_btnOK;
    QPushButton* m_btnCancel;
    QLabel* m_wndCurrentLocation;
};
