#include "ui/DlgSettings.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <initializer_list>
#include <tuple>

#include "platform/AppInfo.h"
#include "platform/OleDateTime.h"
#include "res/AppIcon.h"
#include "settings/Settings.h"
#include "ui/DigitsEdit.h"
#include "ui/FittedDialog.h"

namespace {

// 10 ms is as fine as the clock needs to look continuous; a finer timer only wakes the program for nothing.
constexpr int kClockPeriodMs = 10;

const QString kMilliseconds = QStringLiteral("Milli Second(s)");

// The eight settings as the dialog takes them back, committed to g_settings only when all of them parse.
struct CValues {
    int bAutoShortcut = 0;
    int bDeletionConfirmation = 0;
    int iTimeUpdateInterval = 0;
    int iMdMuMin = 0;
    int iMdMuMax = 0;
    int iDcMin = 0;
    int iDcMax = 0;
    int iDefaultTimeDelay = 0;
};

CDigitsEdit* NewNumberEdit(int value, const char* name, QWidget* parent) {
    auto* edit = new CDigitsEdit(QString::number(value), parent);
    edit->setObjectName(QLatin1String(name));
    // Its natural width, which follows the font, rather than stretched across the row.
    edit->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    return edit;
}

QCheckBox* NewCheckBox(const QString& text, int value, const char* name, QWidget* parent) {
    auto* check = new QCheckBox(text, parent);
    check->setObjectName(QLatin1String(name));
    check->setChecked(value != 0);
    return check;
}

QLabel* NewLabel(const QString& text, QWidget* buddy, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setBuddy(buddy);
    return label;
}

QHBoxLayout* FieldRow(const QString& label, QWidget* edit, QWidget* parent) {
    auto* row = new QHBoxLayout;
    row->addWidget(NewLabel(label, edit, parent));
    row->addWidget(edit);
    row->addWidget(new QLabel(kMilliseconds, parent));
    row->addStretch(1);
    return row;
}

QGroupBox* BoundsGroup(const QString& title, QWidget* editMin, QWidget* editMax, QWidget* parent) {
    auto* group = new QGroupBox(title, parent);
    auto* row = new QHBoxLayout(group);
    row->addWidget(NewLabel(QStringLiteral("Minimum :"), editMin, group));
    row->addWidget(editMin);
    row->addSpacing(row->spacing() * 4);
    row->addWidget(NewLabel(QStringLiteral("Maximum :"), editMax, group));
    row->addWidget(editMax);
    row->addStretch(1);
    return group;
}

// The field's text as an integer in range, as a number field of a dialog takes it back.
bool TakeInt(const QLineEdit* edit, CSettingRange range, int* value) {
    bool ok = false;
    const int n = edit->text().trimmed().toInt(&ok, 10);
    if (ok && range.Contains(n)) {
        *value = n;
        return true;
    }
    return false;
}

}  // namespace

CDlgSettings::CDlgSettings(platform::IMessageBox& messages, QWidget* parent)
    : QDialog(parent), m_messages(messages) {
    setWindowTitle(QStringLiteral("Settings - %1").arg(QString::fromUtf16(appinfo::kAppTitle)));
    setWindowIcon(res::AppIcon());

    // Created in tab order; the clock comes last although it sits left of the buttons.
    m_checkAutoShortcut =
        NewCheckBox(QStringLiteral("Automatically Use a Keyboard Shortcut to Add Mouse Action to the Script"),
                    g_settings.m_bAutoShortcut, "autoShortcutCheck", this);
    m_checkDeletionConfirmation = NewCheckBox(
        QStringLiteral("Display a Confirmation Screen when Action is Deleted from the List of Actions"),
        g_settings.m_bDeletionConfirmation, "deletionConfirmationCheck", this);
    m_editTimeUpdateInterval =
        NewNumberEdit(g_settings.m_iTimeUpdateInterval, "timeUpdateIntervalEdit", this);
    m_editMdMuMin = NewNumberEdit(g_settings.m_iMdMuMin.load(), "mdMuMinEdit", this);
    m_editMdMuMax = NewNumberEdit(g_settings.m_iMdMuMax.load(), "mdMuMaxEdit", this);
    m_editDcMin = NewNumberEdit(g_settings.m_iDcMin.load(), "dcMinEdit", this);
    m_editDcMax = NewNumberEdit(g_settings.m_iDcMax.load(), "dcMaxEdit", this);
    m_editDefaultTimeDelay = NewNumberEdit(g_settings.m_iDefaultTimeDelay, "defaultTimeDelayEdit", this);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName(QStringLiteral("buttonBox"));
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &CDlgSettings::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CDlgSettings::reject);

    m_editTime = new QLineEdit(this);
    m_editTime->setObjectName(QStringLiteral("clockEdit"));
    m_editTime->setReadOnly(true);
    m_editTime->setAlignment(Qt::AlignCenter);
    // Room for the widest clock text of this locale, so the field never scrolls as the time changes.
    const QFontMetrics metrics = m_editTime->fontMetrics();
    int widest = 0;
    for (const QTime& sample : {QTime(10, 58, 58, 888), QTime(23, 58, 58, 888)})
        widest = std::max(widest, metrics.horizontalAdvance(ClockText(sample)));
    m_editTime->setMinimumWidth(widest + metrics.averageCharWidth() * 3);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_checkAutoShortcut);
    layout->addWidget(m_checkDeletionConfirmation);
    layout->addLayout(FieldRow(QStringLiteral("Time Update Interval :"), m_editTimeUpdateInterval, this));
    layout->addWidget(
        BoundsGroup(QStringLiteral("Random Time Delay Between Mouse Down and Mouse Up in Milli Second(s)"),
                    m_editMdMuMin, m_editMdMuMax, this));
    layout->addWidget(BoundsGroup(
        QStringLiteral("Random Time Delay Between Individual Clicks of Double Click in Milli Second(s)"),
        m_editDcMin, m_editDcMax, this));
    layout->addLayout(FieldRow(QStringLiteral("Default Time Delay :"), m_editDefaultTimeDelay, this));
    layout->addSpacing(layout->spacing());
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_editTime);
    bottom->addStretch(1);
    bottom->addWidget(buttons);
    layout->addLayout(bottom);

    m_timer = new QTimer(this);
    m_timer->setInterval(kClockPeriodMs);
    connect(m_timer, &QTimer::timeout, this, &CDlgSettings::OnTimer);
    KeepFittedSize(*this);
}

QString CDlgSettings::ClockText(const QTime& time, const QLocale& locale) {
    // The time text is whole seconds, as the status bar's clock shows it; the milliseconds follow it.
    const COleDateTime seconds(QDate(2000, 1, 1), QTime(time.hour(), time.minute(), time.second()));
    return QStringLiteral("%1:%2").arg(seconds.FormatTime(locale)).arg(time.msec(), 2, 10, QLatin1Char('0'));
}

void CDlgSettings::accept() {
    CValues v;
    v.bAutoShortcut = m_checkAutoShortcut->isChecked() ? 1 : 0;
    v.bDeletionConfirmation = m_checkDeletionConfirmation->isChecked() ? 1 : 0;
    // In the order of the exchange, so that the first bad field is the one reported.
    const std::tuple<CDigitsEdit*, CSettingRange, int*> numbers[] = {
        {m_editTimeUpdateInterval, kClockIntervalRange, &v.iTimeUpdateInterval},
        {m_editMdMuMin, kMillisecondsRange, &v.iMdMuMin},
        {m_editMdMuMax, kMillisecondsRange, &v.iMdMuMax},
        {m_editDcMin, kMillisecondsRange, &v.iDcMin},
        {m_editDcMax, kMillisecondsRange, &v.iDcMax},
        {m_editDefaultTimeDelay, kMillisecondsRange, &v.iDefaultTimeDelay},
    };
    for (const auto& [edit, range, value] : numbers) {
        if (!TakeInt(edit, range, value)) {
            m_messages.MessageBox(
                this,
                QStringLiteral("Please enter a whole number from %1 to %2.").arg(range.min).arg(range.max),
                platform::MB_OK | platform::MB_ICONINFORMATION);
            edit->setFocus();
            edit->selectAll();
            return;
        }
    }

    g_settings.m_bAutoShortcut = v.bAutoShortcut;
    g_settings.m_bDeletionConfirmation = v.bDeletionConfirmation;
    g_settings.m_iTimeUpdateInterval = v.iTimeUpdateInterval;
    g_settings.m_iMdMuMin.store(v.iMdMuMin);
    g_settings.m_iMdMuMax.store(v.iMdMuMax);
    g_settings.m_iDcMin.store(v.iDcMin);
    g_settings.m_iDcMax.store(v.iDcMax);
    g_settings.m_iDefaultTimeDelay = v.iDefaultTimeDelay;
    g_settings.Save();
    Q_EMIT SettingsChanged();
    QDialog::accept();
}

void CDlgSettings::showEvent(QShowEvent* event) {
    OnTimer();
    m_timer->start();
    QDialog::showEvent(event);
}

void CDlgSettings::hideEvent(QHideEvent* event) {
    // A closed dialog kept alive by its owner must not go on waking the program.
    m_timer->stop();
    QDialog::hideEvent(event);
}

void CDlgSettings::OnTimer() {
    m_editTime->setText(ClockText(QTime::currentTime()));
}
