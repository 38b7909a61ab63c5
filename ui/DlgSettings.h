#pragma once
// The dialog in which the user views and changes the eight settings, with a live clock to the millisecond.

#include <QDialog>
#include <QLocale>
#include <QTime>

#include "platform/MessageBox.h"

class QCheckBox;
class QLineEdit;
class QTimer;
class CDigitsEdit;

class CDlgSettings : public QDialog {
    Q_OBJECT

public:
    CDlgSettings(platform::IMessageBox& messages, QWidget* parent = nullptr);

    // The clock's text: the time of day to the second in the locale's long form, then a colon and the
    // milliseconds in at least two digits ("2:05:09 PM:07").
    static QString ClockText(const QTime& time, const QLocale& locale = QLocale());

    // Takes the fields back; on success stores all eight settings, writes them to the profile, emits
    // SettingsChanged and closes. A field that is not a number is reported and keeps the dialog open.
    void accept() override;

Q_SIGNALS:
    // After OK has stored the settings: the view re-applies the add-action shortcut, the frame restarts
    // its clock with the new interval.
    void SettingsChanged();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void OnTimer();

    platform::IMessageBox& m_messages;
    QCheckBox* m_checkAutoShortcut = nullptr;
    QCheckBox* m_checkDeletionConfirmation = nullptr;
    CDigitsEdit* m_editTimeUpdateInterval = nullptr;
    CDigitsEdit* m_editMdMuMin = nullptr;
    CDigitsEdit* m_editMdMuMax = nullptr;
    CDigitsEdit* m_editDcMin = nullptr;
    CDigitsEdit* m_editDcMax = nullptr;
    CDigitsEdit* m_editDefaultTimeDelay = nullptr;
    QLineEdit* m_editTime = nullptr;
    QTimer* m_timer = nullptr;
};
