#include "ui/VantrellView.h"

#include <QContextMenuEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QScopedValueRollback>
#include <QVBoxLayout>

#include "platform/Profile.h"
#include "platform/VirtualKeys.h"
#include "script/ScriptHeader.h"
#include "script/VantrellDoc.h"
#include "settings/Settings.h"
#include "ui/DlgAction.h"

using namespace platform;

namespace {

QPushButton* MultiLineButton(const QString& text, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setMinimumHeight(button->fontMetrics().height() * 2 + 12);
    return button;
}

QString ColumnValueName(int column) {
    return QStringLiteral("Column%1").arg(column);
}

}  // namespace

CVantrellView::CVantrellView(CServices& services, CVantrellDoc& doc, QWidget* parent)
    : QWidget(parent),
      m_services(services),
      m_doc(doc),
      m_captureHotKey(services.hotkeys),
      m_sequencer(m_list, services.makeRunInput) {
    g_pActionList = &m_list;
    BuildForm();
    BuildContextMenu();
    connect(&m_cursorTimer, &QTimer::timeout, this, &CVantrellView::OnCursorTimer);
    connect(&m_overlay, &CPickOverlay::Moved, this, &CVantrellView::OnCursorTimer);
    connect(&m_overlay, &CPickOverlay::Picked, this, [this](const QPoint& pos) {
        OnCursorTimer();
        if (auto then = std::exchange(m_afterPick, nullptr))
            then(pos);
    });
    connect(&m_overlay, &CPickOverlay::Cancelled, this, [this] {
        m_afterPick = nullptr;
        OnCursorTimer();
    });
    connect(&m_sequencer, &CSequencer::Progress, this, [this](quint64 executed) {
        m_wndExecutionInfo->setText(QStringLiteral("Executed %1 Action(s)").arg(executed));
    });
    // While a run waits for the desktop's consent the line says so; a Stop ends that wait too.
    connect(&m_sequencer, &CSequencer::WaitingFor, this, [this](const QString& what) {
        m_wndExecutionInfo->setText(what.isEmpty()
                                        ? QStringLiteral("Executed %1 Action(s)").arg(m_sequencer.Executed())
                                        : QStringLiteral("Waiting for %1\u2026").arg(what));
    });
    connect(&m_sequencer, &CSequencer::RunFinished, this, &CVantrellView::OnRunFinished);
    connect(&m_sequencer, &CSequencer::InputUnavailable, this,
            [this](const QString& error) { Message(error, MB_OK | MB_ICONERROR); });
}

CVantrellView::~CVantrellView() {
    m_sequencer.StopAndWait();
    m_captureHotKey.Release();
    m_services.hotkeys.UnregisterAll(this);
    if (g_pActionList == &m_list)
        g_pActionList = nullptr;
}

void CVantrellView::BuildForm() {
    m_btnAdd = MultiLineButton(QStringLiteral("&Add"), this);
    m_btnEdit = MultiLineButton(QStringLiteral("Edi&t Selected"), this);
    m_btnDelete = MultiLineButton(QStringLiteral("&Delete Selected"), this);
    m_btnAdd->setObjectName(QStringLiteral("btnAdd"));

    m_wndCursorInfo = new QGroupBox(this);
    m_wndList = new CColoredListCtrl(m_wndCursorInfo);
    m_wndList->setObjectName(QStringLiteral("listActions"));
    m_wndList->SetActionList(&m_list);
    auto* listLayout = new QVBoxLayout(m_wndCursorInfo);
    listLayout->addWidget(m_wndList);

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(m_btnAdd);
    buttons->addWidget(m_btnEdit);
    buttons->addWidget(m_btnDelete);
    buttons->addStretch();

    auto* repeatLabel = new QLabel(QStringLiteral("Script Re&peat Count :"), this);
    m_editRepeat = new CDigitsEdit(this);
    m_editRepeat->setObjectName(QStringLiteral("editRepeatCount"));
    m_editRepeat->setMaximumWidth(m_editRepeat->fontMetrics().horizontalAdvance(u'0') * 12);
    repeatLabel->setBuddy(m_editRepeat);
    m_wndExecutionInfo = new QLabel(QStringLiteral("Script Execution Info"), this);
    m_wndExecutionInfo->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* repeatRow = new QHBoxLayout;
    repeatRow->addWidget(repeatLabel);
    repeatRow->addWidget(m_editRepeat);
    repeatRow->addStretch();
    repeatRow->addWidget(m_wndExecutionInfo);

    auto* shortcutBox = new QGroupBox(QStringLiteral("&Keyboard Shortcut to Start / Stop Execution"), this);
    m_wndHotKey = new CHotKeyCtrl(shortcutBox);
    m_btnAssign = new QPushButton(QStringLiteral("Assi&gn"), shortcutBox);
    m_btnClear = new QPushButton(QStringLiteral("&Clear"), shortcutBox);
    auto* shortcutLayout = new QHBoxLayout(shortcutBox);
    shortcutLayout->addWidget(m_wndHotKey, 1);
    shortcutLayout->addWidget(m_btnAssign);
    shortcutLayout->addWidget(m_btnClear);

    auto* miscBox = new QGroupBox(QStringLiteral("Misc Control Parameters"), this);
    m_chkAutoMinimize = new QCheckBox(QStringLiteral("Automatically &Minimize on Script Execution"), miscBox);
    m_chkAutoRun = new QCheckBox(QStringLiteral("Auto &Run Script on"), miscBox);
    m_dateAutoRun = new QDateEdit(miscBox);
    m_dateAutoRun->setCalendarPopup(true);
    m_dateAutoRun->setDisplayFormat(COleDateTime::ShortDateFormat(QLocale()));
    m_dateAutoRun->setAlignment(Qt::AlignRight);
    m_timeAutoRun = new QTimeEdit(miscBox);
    m_timeAutoRun->setDisplayFormat(COleDateTime::LongTimeFormat(QLocale()));
    m_timeAutoRun->setAlignment(Qt::AlignRight);
    auto* miscLayout = new QGridLayout(miscBox);
    miscLayout->addWidget(m_chkAutoMinimize, 0, 0, 1, 3);
    miscLayout->addWidget(m_chkAutoRun, 1, 0);
    miscLayout->addWidget(m_dateAutoRun, 1, 1);
    miscLayout->addWidget(m_timeAutoRun, 1, 2);

    m_btnStartStop = MultiLineButton(QStringLiteral("&Start Script Execution"), this);
    m_btnHide = MultiLineButton(QStringLiteral("Hide to &Notification Area"), this);
    m_btnHide->setObjectName(QStringLiteral("btnHide"));
    auto* runRow = new QHBoxLayout;
    runRow->addWidget(m_btnStartStop, 1);
    runRow->addWidget(m_btnHide, 1);

    auto* top = new QHBoxLayout;
    top->addWidget(m_wndCursorInfo, 1);
    top->addLayout(buttons);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addLayout(repeatRow);
    layout->addWidget(shortcutBox);
    layout->addWidget(miscBox);
    layout->addLayout(runRow);

    // The list wants room for its six default columns, at the font in use, and a dozen rows.
    int width = 0;
    for (int c = 0; c < CActionList::ColumnCount; ++c)
        width += m_wndList->FittedColumnWidth(c);
    m_wndList->setMinimumSize(width + m_wndList->frameWidth() * 2 + 20,
                              m_wndList->verticalHeader()->defaultSectionSize() * 12);
    m_listMinimum = m_wndList->minimumSize();

    // Tab goes through the form from the list down; the buttons and boxes also answer their Alt letters.
    QWidget* const order[] = {m_wndList,     m_btnAdd,          m_btnEdit,    m_btnDelete,   m_editRepeat,
                              m_wndHotKey,   m_btnAssign,       m_btnClear,   m_chkAutoMinimize,
                              m_chkAutoRun,  m_dateAutoRun,     m_timeAutoRun, m_btnStartStop, m_btnHide};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

    connect(m_btnAdd, &QPushButton::clicked, this, &CVantrellView::OnAddAction);
    connect(m_btnEdit, &QPushButton::clicked, this, &CVantrellView::OnEditAction);
    connect(m_btnDelete, &QPushButton::clicked, this, &CVantrellView::OnDeleteAction);
    connect(m_wndList, &CColoredListCtrl::ListDoubleClicked, this, &CVantrellView::OnEditAction);
    connect(m_wndList, &CColoredListCtrl::EditKeyPressed, this, &CVantrellView::OnEditAction);
    connect(m_chkAutoMinimize, &QCheckBox::clicked, this, &CVantrellView::OnHeaderValueChanged);
    connect(m_chkAutoRun, &QCheckBox::clicked, this, &CVantrellView::OnHeaderValueChanged);
    connect(m_editRepeat, &QLineEdit::textEdited, this, &CVantrellView::OnHeaderValueChanged);
    connect(m_dateAutoRun, &QDateEdit::dateChanged, this, &CVantrellView::OnHeaderValueChanged);
    connect(m_timeAutoRun, &QTimeEdit::timeChanged, this, &CVantrellView::OnHeaderValueChanged);
    connect(m_btnStartStop, &QPushButton::clicked, this, &CVantrellView::OnStartStop);
    connect(m_btnHide, &QPushButton::clicked, this, &CVantrellView::HideRequested);
    connect(m_btnAssign, &QPushButton::clicked, this, &CVantrellView::OnAssignHotKey);
    connect(m_btnClear, &QPushButton::clicked, this, &CVantrellView::OnClearHotKey);
}

void CVantrellView::GiveListWay(const QSize& shortfall) {
    // However small the screen, the list keeps its first two columns and three rows in sight.
    const int rows = m_wndList->horizontalHeader()->sizeHint().height() +
                     m_wndList->verticalHeader()->defaultSectionSize() * 3 + m_wndList->frameWidth() * 2;
    const int columns = m_wndList->columnWidth(0) + m_wndList->columnWidth(1) + m_wndList->frameWidth() * 2;
    const QSize least = QSize(columns, rows).boundedTo(m_listMinimum);
    m_wndList->setMinimumSize((m_listMinimum - shortfall.expandedTo(QSize(0, 0))).expandedTo(least));
}

void CVantrellView::BuildContextMenu() {
    const auto add = [this](const QString& text, int id) {
        QAction* action = m_menuContext.addAction(text);
        action->setData(id);
        return action;
    };
    connect(add(QStringLiteral("Locate X,Y"), ID_LOCATE_XY), &QAction::triggered, this,
            &CVantrellView::OnLocateXY);
    m_menuContext.addSeparator();
    connect(add(QStringLiteral("Add New..."), ID_CONTEXT_ADD), &QAction::triggered, this,
            &CVantrellView::OnAddAction);
    m_menuContext.addSeparator();
    QAction* edit = add(QStringLiteral("Edit Selected..."), ID_CONTEXT_EDIT);
    connect(edit, &QAction::triggered, this, &CVantrellView::OnEditAction);
    QFont bold = edit->font();
    bold.setBold(true);
    edit->setFont(bold);  // the default item
    m_menuContext.setDefaultAction(edit);
    m_menuContext.addSeparator();
    connect(add(QStringLiteral("Delete Selected"), ID_CONTEXT_DELETE), &QAction::triggered, this,
            &CVantrellView::OnDeleteAction);
}

void CVantrellView::AddFrameCommands(QAction* settings, const QList<QAction*>& share) {
    m_menuContext.addSeparator();
    m_menuContext.addAction(settings);
    m_menuContext.addSeparator();
    // Separated as in the main Share menu.
    QMenu* shareMenu = m_menuContext.addMenu(QStringLiteral("Share"));
    for (QAction* action : share) {
        if (!shareMenu->isEmpty())
            shareMenu->addSeparator();
        shareMenu->addAction(action);
    }
}

QAction* CVantrellView::ContextAction(int id) const {
    QList<QAction*> actions = m_menuContext.actions();
    for (int i = 0; i < actions.size(); ++i) {
        if (actions[i]->data().toInt() == id && !actions[i]->isSeparator())
            return actions[i];
        if (QMenu* sub = actions[i]->menu())
            actions += sub->actions();
    }
    return nullptr;
}

void CVantrellView::OnInitialUpdate(bool bFromFile) {
    g_settings.Load();
    if (bFromFile)
        ConfirmFileHeader();
    UpdateData(false);
    g_pActionList = &m_list;
    // The list's title is written before the fit: the fitted form must have room for it.
    OnCursorTimer();
    Q_EMIT FitFrameRequested();
    m_cursorTimer.start(1000);
    BuildColumns();
    ClearList();
    RefreshAddShortcut();
    RegisterStartStopHotKey();
    m_list.AppendAll(g_arrLoadedActions);
    g_arrLoadedActions.clear();
}

void CVantrellView::ConfirmFileHeader() {
    const uint16_t vk = g_scriptHeader.m_wHotKeyCode;
    const uint16_t modifiers = HOTKEYF_SHIFT | HOTKEYF_CONTROL | HOTKEYF_ALT | HOTKEYF_EXT;
    if (IsTypingKey(vk) && (g_scriptHeader.m_wHotKeyModifiers & modifiers) == 0) {
        const QString key = VirtualKeyName(vk);
        const QString question =
            QStringLiteral(
                "This script's start/stop shortcut is %1 alone; while the script is open, "
                "%1 would stop typing in every program. Use it anyway?")
                .arg(key);
        if (Message(question, MB_YESNOCANCEL | MB_ICONQUESTION) != IDYES) {
            g_scriptHeader.m_wHotKeyCode = 0;
            g_scriptHeader.m_wHotKeyModifiers = 0;
            m_doc.SetModifiedFlag(true);
        }
    }
    const QDateTime start = g_scriptHeader.AutoRunMoment();
    if (g_scriptHeader.m_bAutoRun && start.isValid() && start > QDateTime::currentDateTime()) {
        const QString question =
            QStringLiteral("This script starts by itself on %1 at %2. Keep the automatic start?")
                .arg(g_scriptHeader.m_dtAutoRunDate.FormatDate(),
                     g_scriptHeader.m_dtAutoRunTime.FormatTime());
        if (Message(question, MB_YESNOCANCEL | MB_ICONQUESTION) != IDYES) {
            g_scriptHeader.m_bAutoRun = 0;
            m_doc.SetModifiedFlag(true);
        }
    }
}

void CVantrellView::BuildColumns() {
    if (m_bColumnsBuilt)
        return;
    m_bColumnsBuilt = true;
    // A stored width that is the built-in one is a width the user never set (it is what was stored for an
    // untouched column), so the column gets the width its texts need in the font in use.
    for (int c = 0; c < CActionList::ColumnCount; ++c) {
        const int builtIn = CActionList::DefaultColumnWidth(c);
        const int stored = g_settings.LoadColumnWidth(ColumnValueName(c), builtIn);
        m_wndList->setColumnWidth(c, stored == builtIn ? m_wndList->FittedColumnWidth(c) : stored);
    }
}

void CVantrellView::StoreColumnWidths() {
    if (!m_bColumnsBuilt)
        return;
    // A column at its default width is stored as the built-in width, so that it fits its texts again in
    // whatever font the next start has; a width the user has set is stored as it is.
    for (int c = 0; c < CActionList::ColumnCount; ++c) {
        const int width = m_wndList->OwnColumnWidth(c);
        WriteProfileInt(
            g_settings.m_strSection, ColumnValueName(c),
            width == m_wndList->FittedColumnWidth(c) ? CActionList::DefaultColumnWidth(c) : width);
    }
}

bool CVantrellView::UpdateData(bool bSaveAndValidate, bool bPrompt) {
    if (!bSaveAndValidate) {
        // Putting values into the controls is not a change by the user.
        m_bExchanging = true;
        m_editRepeat->setText(QString::number(g_scriptHeader.m_iRepeatCount));
        m_chkAutoMinimize->setChecked(g_scriptHeader.m_bAutoMinimize != 0);
        m_chkAutoRun->setChecked(g_scriptHeader.m_bAutoRun != 0);
        const QDate date = g_scriptHeader.m_dtAutoRunDate.GetDate();
        m_dateAutoRun->setDate(date.isValid() ? date : QDate::currentDate());
        const QTime time = g_scriptHeader.m_dtAutoRunTime.GetTime();
        m_timeAutoRun->setTime(time.isValid() ? QTime(time.hour(), time.minute(), time.second())
                                              : QTime(0, 0));
        m_wndHotKey->SetHotKey(g_scriptHeader.m_wHotKeyCode, g_scriptHeader.m_wHotKeyModifiers);
        m_bExchanging = false;
        return true;
    }
    bool ok = false;
    const int repeat = m_editRepeat->text().trimmed().toInt(&ok);
    if (!ok) {
        if (bPrompt) {
            Message(QStringLiteral("Please enter an integer."), MB_OK | MB_ICONINFORMATION);
            m_editRepeat->setFocus();
            m_editRepeat->selectAll();
        }
        return false;
    }
    g_scriptHeader.m_iRepeatCount = repeat;
    g_scriptHeader.m_bAutoMinimize = m_chkAutoMinimize->isChecked() ? 1 : 0;
    g_scriptHeader.m_bAutoRun = m_chkAutoRun->isChecked() ? 1 : 0;
    g_scriptHeader.m_dtAutoRunDate = COleDateTime(m_dateAutoRun->date(), QTime(0, 0));
    g_scriptHeader.m_dtAutoRunTime = COleDateTime::TimeOfDay(m_timeAutoRun->time());
    return true;
}

void CVantrellView::OnHeaderValueChanged() {
    if (m_bExchanging)
        return;
    // Taken while the user types: a repeat count field left empty for a moment keeps the last number
    // instead of interrupting the typing with a prompt; a run checks it when it starts.
    if (!UpdateData(true, false)) {
        g_scriptHeader.m_bAutoMinimize = m_chkAutoMinimize->isChecked() ? 1 : 0;
        g_scriptHeader.m_bAutoRun = m_chkAutoRun->isChecked() ? 1 : 0;
        g_scriptHeader.m_dtAutoRunDate = COleDateTime(m_dateAutoRun->date(), QTime(0, 0));
        g_scriptHeader.m_dtAutoRunTime = COleDateTime::TimeOfDay(m_timeAutoRun->time());
    }
    m_doc.SetModifiedFlag(true);
}

QPoint CVantrellView::CursorPos() const {
    POINT pt;
    if (!m_services.input.GetCursorPos(&pt))
        return {};
    return {pt.x, pt.y};
}

int CVantrellView::Message(const QString& text, unsigned type) {
    return m_services.messages.MessageBox(this, text, type);
}

int CVantrellView::AppendRow(std::unique_ptr<CMouseAction> pAction) {
    return m_list.Append(std::move(pAction));
}

void CVantrellView::ClearList() {
    m_sequencer.StopAndWait();
    m_list.RemoveAll();
}

void CVantrellView::PickThen(std::function<void(const QPoint&)> then) {
    if (m_overlay.IsOpen())
        return;
    m_afterPick = std::move(then);
    m_overlay.Open();
}

void CVantrellView::OnAddAction() {
    if (!m_services.bReadsPointer) {
        PickThen([this](const QPoint& pos) { OpenAddDialog(pos); });
        return;
    }
    OpenAddDialog(CursorPos());
}

void CVantrellView::OpenAddDialog(const QPoint& pos) {
    auto action = std::make_unique<CMouseAction>();
    action->m_iX = pos.x();
    action->m_iY = pos.y();
    CDlgAction dlg(m_services, this);
    dlg.m_pAction = action.get();
    dlg.m_bEditMode = false;
    if (dlg.exec() != QDialog::Accepted)
        return;
    AppendRow(std::move(action));
    m_doc.SetModifiedFlag(true);
}

void CVantrellView::OnEditAction() {
    const int sel = m_wndList->GetSelectedRow();
    if (sel < 0) {
        Message(QStringLiteral("Please Select a Record to Edit and then Try Again."),
                MB_OK | MB_ICONINFORMATION);
        return;
    }
    CMouseAction edited = *m_list.GetItemData(sel);
    CDlgAction dlg(m_services, this);
    dlg.m_pAction = &edited;
    dlg.m_bEditMode = true;
    if (dlg.exec() != QDialog::Accepted || sel >= m_list.GetItemCount())
        return;
    m_list.SetRecord(sel, edited);
    m_doc.SetModifiedFlag(true);
}

void CVantrellView::OnDeleteAction() {
    const int sel = m_wndList->GetSelectedRow();
    if (sel < 0) {
        Message(QStringLiteral("Please Select a Record to Delete and then Try Again."),
                MB_OK | MB_ICONINFORMATION);
        return;
    }
    if (g_settings.m_bDeletionConfirmation) {
        const QString question =
            QStringLiteral("Are you Sure that you wish to Delete Action with Sr No %1 ?").arg(sel + 1);
        if (Message(question, MB_YESNOCANCEL | MB_ICONQUESTION) != IDYES)
            return;
    }
    m_sequencer.StopAndWait();
    m_list.RemoveAt(sel);
    m_wndList->clearSelection();
    m_doc.SetModifiedFlag(true);
}

void CVantrellView::OnDeleteAll() {
    if (m_list.GetItemCount() == 0) {
        Message(QStringLiteral("No Action(s) in the List to Delete"), MB_OK | MB_ICONINFORMATION);
        return;
    }
    if (Message(QStringLiteral("Delete All Action(s) from the List ?"), MB_YESNOCANCEL | MB_ICONQUESTION) !=
        IDYES)
        return;
    ClearList();
}

void CVantrellView::OnLocateXY() {
    const int sel = m_wndList->GetSelectedRow();
    if (sel < 0) {
        Message(QStringLiteral("Please Select a Record to Locate X,Y and then Try Again."),
                MB_OK | MB_ICONINFORMATION);
        return;
    }
    const CMouseAction* action = m_list.GetItemData(sel);
    m_services.input.SetCursorPos(action->m_iX, action->m_iY);
}

void CVantrellView::OnSaveView() {
    UpdateData(true);
    QString path;
    // The path is the document's only once the save has worked, so a failed one leaves nothing behind.
    if (m_doc.GetPathName().isEmpty()) {
        if (!m_services.fileDialogs.GetSaveFileName(this, QString(), m_doc.GetTitle(), &path))
            return;
        path = WithScriptExtension(path);
    }
    Q_EMIT SaveRequested(path);
}

void CVantrellView::OnScriptFileInFileManager() {
    if (m_doc.GetPathName().isEmpty()) {
        Message(QStringLiteral(
                    "Script File Not Saved Yet.\n\nTo Save the Script File, you can Click on File - > Save."),
                MB_OK | MB_ICONINFORMATION);
        return;
    }
    m_services.shell.ShowInFileManager(m_doc.GetPathName());
}

void CVantrellView::contextMenuEvent(QContextMenuEvent* event) {
    OnContextMenu(event->globalPos());
    event->accept();
}

void CVantrellView::OnContextMenu(const QPoint& globalPos) {
    m_menuContext.popup(globalPos);
}

void CVantrellView::RefreshAddShortcut() {
    QString name;
    if (g_settings.m_bAutoShortcut)
        name = m_captureHotKey.RegisterFirstFree(this);
    else
        m_captureHotKey.Release();
    const QSize before = m_btnAdd->sizeHint();
    m_btnAdd->setText(name.isEmpty() ? QStringLiteral("&Add New Mouse Click to Script")
                                     : QStringLiteral("&Add New Mouse Click\n( %1 )").arg(name));
    // A wider text would squeeze the list out of the window: the frame fits the form again, once the
    // form's layout has taken in the new size.
    if (m_btnAdd->sizeHint() != before)
        QMetaObject::invokeMethod(this, &CVantrellView::FitFrameRequested, Qt::QueuedConnection);
}

void CVantrellView::OnHotKey(int id) {
    if (id == HOTKEY_START_STOP) {
        OnStartStop();
        return;
    }
    if (id != HOTKEY_CAPTURE)
        return;
    const auto addAt = [this](const QPoint& pos) {
        auto action = std::make_unique<CMouseAction>();
        action->m_iClickType = LeftClick;
        action->m_iX = pos.x();
        action->m_iY = pos.y();
        AppendRow(std::move(action));
        m_doc.SetModifiedFlag(true);
    };
    if (m_services.bReadsPointer) {
        addAt(CursorPos());
    } else if (m_overlay.IsOpen()) {
        // The key pressed again over the overlay takes the point there.
        m_overlay.Take();
    } else {
        PickThen(addAt);
    }
}

void CVantrellView::OnCursorTimer() {
    // Without a readable pointer the position is known only while the overlay is up; at other times none
    // is shown rather than an old one.
    if (!m_services.bReadsPointer && !m_overlay.Position()) {
        m_wndCursorInfo->setTitle(QStringLiteral("List of Actions to Execute in Sequence"));
        return;
    }
    const QPoint pos = m_services.bReadsPointer ? CursorPos() : *m_overlay.Position();
    m_wndCursorInfo->setTitle(
        QStringLiteral("List of Actions to Execute in Sequence, Cursor at X = %1, Y = %2")
            .arg(pos.x())
            .arg(pos.y()));
}

void CVantrellView::OnStartStop() {
    if (m_sequencer.IsRunning()) {
        m_sequencer.StopExecution();
        m_btnStartStop->setText(QStringLiteral("&Start Script Execution"));
        Q_EMIT RunningChanged(false);
        return;
    }
    // While a question of a start waits for its answer, the shortcut and the scheduled start do not ask
    // it again on top of it.
    if (m_bAskingToStart)
        return;
    const QScopedValueRollback asking(m_bAskingToStart, true);
    if (!UpdateData(true))
        return;
    if (m_list.GetItemCount() == 0) {
        Message(
            QStringLiteral("No Action(s) in the List of Actions to Execute.\n\nAdd Action(s) to the List of "
                           "Actions and then try Again."),
            MB_OK | MB_ICONINFORMATION);
        return;
    }
    if (g_scriptHeader.m_iRepeatCount < 1) {
        if (Message(QStringLiteral("Repeat Count will be made to 1, Continue ?"),
                    MB_YESNOCANCEL | MB_ICONQUESTION) != IDYES)
            return;
        g_scriptHeader.m_iRepeatCount = 1;
        UpdateData(false);
        m_doc.SetModifiedFlag(true);
    }
    if (g_scriptHeader.m_bAutoMinimize)
        Q_EMIT MinimizeRequested();
    if (!m_sequencer.Start(g_scriptHeader.m_iRepeatCount))
        return;
    m_btnStartStop->setText(QStringLiteral("&Stop Script Execution"));
    Q_EMIT RunningChanged(true);
}

void CVantrellView::OnRunFinished() {
    m_btnStartStop->setText(QStringLiteral("&Start Script Execution"));
    m_wndList->viewport()->update();
    Q_EMIT RunningChanged(false);
}

void CVantrellView::OnAutoRunStart() {
    UpdateData(true, false);
    g_scriptHeader.m_bAutoRun = 0;
    UpdateData(false);
    OnStartStop();
}

void CVantrellView::RegisterStartStopHotKey() {
    for (;;) {
        m_wndHotKey->SetHotKey(g_scriptHeader.m_wHotKeyCode, g_scriptHeader.m_wHotKeyModifiers);
        const unsigned modifiers = HotKeyFlagsToModifiers(g_scriptHeader.m_wHotKeyModifiers);
        m_services.hotkeys.UnregisterHotKey(this, HOTKEY_START_STOP);
        if (g_scriptHeader.m_wHotKeyCode == 0)
            return;
        if (m_services.hotkeys.RegisterHotKey(this, HOTKEY_START_STOP, modifiers,
                                              g_scriptHeader.m_wHotKeyCode))
            return;
        DropStartStopHotKey(m_services.hotkeys.LastError());
    }
}

void CVantrellView::DropStartStopHotKey(uint32_t error) {
    Message(QStringLiteral("Could Not Assign Keyboard Shortcut, Probably Already used by Some Other "
                           "Application.\n\nLast Error %1 ")
                .arg(error),
            MB_OK | MB_ICONERROR);
    g_scriptHeader.m_wHotKeyCode = 0;
    g_scriptHeader.m_wHotKeyModifiers = 0;
    m_doc.SetModifiedFlag(true);
}

void CVantrellView::OnHotKeyFailed(int id, uint32_t error) {
    if (id != HOTKEY_START_STOP)
        return;
    m_services.hotkeys.UnregisterHotKey(this, HOTKEY_START_STOP);
    DropStartStopHotKey(error);
    m_wndHotKey->SetHotKey(0, 0);
}

void CVantrellView::OnAssignHotKey() {
    g_scriptHeader.m_wHotKeyCode = m_wndHotKey->GetKeyCode() & 0xFF;
    g_scriptHeader.m_wHotKeyModifiers = m_wndHotKey->GetModifiers() & 0xFF;
    RegisterStartStopHotKey();
}

void CVantrellView::OnClearHotKey() {
    g_scriptHeader.m_wHotKeyCode = 0;
    g_scriptHeader.m_wHotKeyModifiers = 0;
    m_wndHotKey->SetHotKey(0, 0);
    m_doc.SetModifiedFlag(true);
    RegisterStartStopHotKey();
}
