#include "ui/DlgAction.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include "platform/AppInfo.h"
#include "platform/MessageBox.h"
#include "script/ClickType.h"
#include "ui/DigitsEdit.h"
#include "ui/FittedDialog.h"

namespace {

const QString kShortcutHintTemplate = QStringLiteral("Shortcut Key to Update X,Y will be Displayed here");
const QString kCurrentLocation = QStringLiteral("Current Location");

QLabel* MakeLabel(const QString& text, QWidget* parent, QWidget* buddy = nullptr) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    if (buddy)
        label->setBuddy(buddy);
    return label;
}

QLineEdit* MakeEdit(QLineEdit* edit, const QString& name) {
    edit->setObjectName(name);
    return edit;
}

// Whitespace around the number is forgiven; anything else, or a value the field's type cannot hold, is not.
bool ParseInt32(const QString& text, int32_t* value) {
    bool bOk = false;
    const int v = text.trimmed().toInt(&bOk, 10);
    if (bOk)
        *value = v;
    return bOk;
}

bool ParseUInt32(const QString& text, uint32_t* value) {
    const QString trimmed = text.trimmed();
    // toUInt would take "+5"; a sign has no place in a delay.
    if (trimmed.isEmpty() || !trimmed.at(0).isDigit())
        return false;
    bool bOk = false;
    const uint v = trimmed.toUInt(&bOk, 10);
    if (bOk)
        *value = v;
    return bOk;
}

}  // namespace

CDlgAction::CDlgAction(CServices& services, QWidget* parent)
    : QDialog(parent), m_services(services), m_captureHotKey(services.hotkeys) {

    // Created in tab order: the focus chain follows creation.
    m_cmbClickType = new QComboBox(this);
    m_cmbClickType->setObjectName(QStringLiteral("cmbClickType"));
    m_cmbClickType->setEditable(false);
    for (int code = LeftClick; code <= DoubleRightClick; ++code)
        m_cmbClickType->addItem(GetClickTypeName(code), code);

    m_wndShortcutHint = MakeLabel(kShortcutHintTemplate, this);
    m_wndShortcutHint->setObjectName(QStringLiteral("lblShortcutHint"));
    m_wndShortcutHint->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    m_editX = MakeEdit(new QLineEdit(this), QStringLiteral("editX"));
    m_editY = MakeEdit(new QLineEdit(this), QStringLiteral("editY"));
    m_editDelay = MakeEdit(new CDigitsEdit(this), QStringLiteral("editDelay"));
    m_editComment = MakeEdit(new QLineEdit(this), QStringLiteral("editComment"));

    m_btnOK = new QPushButton(QStringLiteral("OK"), this);
    m_btnOK->setObjectName(QStringLiteral("btnOK"));
    m_btnOK->setDefault(true);
    m_btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_btnCancel->setObjectName(QStringLiteral("btnCancel"));

    m_wndCurrentLocation = MakeLabel(kCurrentLocation, this);
    m_wndCurrentLocation->setObjectName(QStringLiteral("lblCurrentLocation"));

    auto* grid = new QGridLayout;
    grid->addWidget(MakeLabel(QStringLiteral("Mouse Click Type :"), this, m_cmbClickType), 0, 0);
    grid->addWidget(m_cmbClickType, 0, 1);
    grid->addWidget(m_wndShortcutHint, 0, 2, 1, 2);
    grid->addWidget(MakeLabel(QStringLiteral("X Co-Ordinate :"), this, m_editX), 1, 0);
    grid->addWidget(m_editX, 1, 1);
    grid->addWidget(MakeLabel(QStringLiteral("Y Co-Ordinate :"), this, m_editY), 1, 2);
    grid->addWidget(m_editY, 1, 3);
    grid->addWidget(MakeLabel(QStringLiteral("Delay before Click :"), this, m_editDelay), 2, 0);
    grid->addWidget(m_editDelay, 2, 1);
    grid->addWidget(MakeLabel(QStringLiteral("Milli Second(s)"), this), 2, 2, 1, 2);
    grid->addWidget(MakeLabel(QStringLiteral("Comment :"), this, m_editComment), 3, 0);
    grid->addWidget(m_editComment, 3, 1, 1, 3);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_wndCurrentLocation, 1);
    bottom->addWidget(m_btnOK);
    bottom->addWidget(m_btnCancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addStretch(1);
    layout->addLayout(bottom);

    setTabOrder(m_cmbClickType, m_editX);
    setTabOrder(m_editX, m_editY);
    setTabOrder(m_editY, m_editDelay);
    setTabOrder(m_editDelay, m_editComment);
    setTabOrder(m_editComment, m_btnOK);
    setTabOrder(m_btnOK, m_btnCancel);

    connect(m_btnOK, &QPushButton::clicked, this, &CDlgAction::OnOK);
    connect(m_btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    m_timer.setInterval(kLocationIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &CDlgAction::OnTimer);
    connect(&m_overlay, &CPickOverlay::Moved, this, &CDlgAction::ShowLocation);
    connect(&m_overlay, &CPickOverlay::Picked, this, [this](const QPoint& pos) {
        m_editX->setText(QString::number(pos.x()));
        m_editY->setText(QString::number(pos.y()));
        m_wndCurrentLocation->setText(kCurrentLocation);
    });
    connect(&m_overlay, &CPickOverlay::Cancelled, this,
            [this] { m_wndCurrentLocation->setText(kCurrentLocation); });
    KeepFittedSize(*this);
}

CDlgAction::~CDlgAction() {
    m_captureHotKey.Release();
    m_services.hotkeys.UnregisterAll(this);
}

void CDlgAction::showEvent(QShowEvent* event) {
    // A spontaneous show (restored from minimized) is not a new opening.
    if (!m_bRunning)
        OnInitDialog();
    QDialog::showEvent(event);
}

void CDlgAction::OnInitDialog() {
    m_bRunning = true;
    Q_ASSERT(m_pAction);
    if (m_pAction) {
        m_editX->setText(QString::number(m_pAction->m_iX));
        m_editY->setText(QString::number(m_pAction->m_iY));
        m_editComment->setText(m_pAction->m_strComment);
        m_editDelay->setText(QString::number(m_pAction->m_dwDelay));
    }

    setWindowIcon(QGuiApplication::windowIcon());
    const QString title =
        m_bEditMode ? QStringLiteral("Edit Mouse Click - %1") : QStringLiteral("Add New Mouse Click - %1");
    setWindowTitle(title.arg(QString::fromUtf16(appinfo::kAppTitle)));

    // Chosen afresh at every opening: the view may have taken or given up F6 meanwhile.
    const QString name = m_captureHotKey.RegisterFirstFree(this);
    m_wndShortcutHint->setText(
        name.isEmpty() ? kShortcutHintTemplate
                       : QStringLiteral("Press %1 to Update X & Y with Current Location").arg(name));

    m_cmbClickType->setCurrentIndex(m_pAction ? m_cmbClickType->findData(m_pAction->m_iClickType) : -1);

    m_wndCurrentLocation->setText(kCurrentLocation);
    m_timer.start();
    m_cmbClickType->setFocus(Qt::OtherFocusReason);
}

void CDlgAction::OnHotKey(int /*id*/) {
    // Where the pointer cannot be read, the key opens the overlay, and pressed again there takes the point.
    if (!m_services.bReadsPointer) {
        if (m_overlay.IsOpen())
            m_overlay.Take();
        else
            m_overlay.Open();
        return;
    }
    platform::POINT pt;
    if (!m_services.input.GetCursorPos(&pt))
        return;
    m_editX->setText(QString::number(pt.x));
    m_editY->setText(QString::number(pt.y));
}

void CDlgAction::OnTimer() {
    platform::POINT pt;
    if (!m_services.bReadsPointer || !m_services.input.GetCursorPos(&pt))
        return;
    ShowLocation({pt.x, pt.y});
}

void CDlgAction::ShowLocation(const QPoint& pos) {
    m_wndCurrentLocation->setText(QStringLiteral("Mouse Cursor at X = %1 and Y = %2").arg(pos.x()).arg(pos.y()));
}

void CDlgAction::OnOK() {
    if (!m_pAction)
        return;
    // Everything is converted first and stored only when all of it converts, so a refused OK followed by
    // Cancel leaves the caller's record as it was.
    int32_t iClickType = m_pAction->m_iClickType;  // kept when no entry is selected (a type from a file)
    if (m_cmbClickType->currentIndex() >= 0)
        iClickType = m_cmbClickType->currentData().toInt();
    int32_t iX = 0;
    int32_t iY = 0;
    uint32_t dwDelay = 0;
    const QString kIntegerPrompt = QStringLiteral("Please enter an integer.");
    if (!ParseInt32(m_editX->text(), &iX)) {
        Refuse(m_editX, kIntegerPrompt);
        return;
    }
    if (!ParseInt32(m_editY->text(), &iY)) {
        Refuse(m_editY, kIntegerPrompt);
        return;
    }
    const QString strComment = m_editComment->text();
    if (!ParseUInt32(m_editDelay->text(), &dwDelay)) {
        Refuse(m_editDelay, QStringLiteral("Please enter a positive integer or 0."));
        return;
    }

    // Field by field: the row colour belongs to a run, not to the editor.
    m_pAction->m_iClickType = iClickType;
    m_pAction->m_iX = iX;
    m_pAction->m_iY = iY;
    m_pAction->m_strComment = strComment;
    m_pAction->m_dwDelay = dwDelay;
    accept();
}

void CDlgAction::Refuse(QLineEdit* field, const QString& prompt) {
    m_services.messages.MessageBox(this, prompt, platform::MB_OK | platform::MB_ICONINFORMATION);
    field->setFocus(Qt::OtherFocusReason);
    field->selectAll();
}

void CDlgAction::done(int result) {
    m_timer.stop();
    m_overlay.Cancel();
    m_captureHotKey.Release();
    m_bRunning = false;
    QDialog::done(result);
}
