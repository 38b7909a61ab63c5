#include "app/MainFrame.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QMimeData>
#include <QScopedValueRollback>
#include <QScreen>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QSystemTrayIcon>
#include <QUrl>

#include "platform/AppInfo.h"
#include "platform/Profile.h"
#include "res/AppIcon.h"
#include "script/ScriptHeader.h"
#include "script/VantrellDoc.h"
#include "settings/Settings.h"
#include "ui/AboutDlg.h"
#include "ui/DlgSettings.h"
#include "ui/DocManager.h"
#include "ui/HotKeyCtrl.h"
#include "ui/VantrellView.h"

using namespace platform;

CMainFrame::CMainFrame(CServices& services) : m_services(services), m_doc(std::make_unique<CVantrellDoc>()) {
    m_view = new CVantrellView(services, *m_doc, this);
    setCentralWidget(m_view);
    m_docManager = std::make_unique<CCustomDocManager>(services, *m_doc, *m_view, this);
    BuildMenus();
    m_view->AddFrameCommands(CommandAction(ID_VIEW_SETTINGS),
                             {CommandAction(ID_SHARE_FACEBOOK), CommandAction(ID_SHARE_TWITTER)});
    BuildStatusBar();
    setWindowIcon(res::AppIcon());
    setAcceptDrops(true);
    qApp->installEventFilter(this);

    connect(m_doc.get(), &CVantrellDoc::TitleChanged, this, &CMainFrame::UpdateCaption);
    connect(m_view, &CVantrellView::FitFrameRequested, this, &CMainFrame::FitToForm);
    // The view's save comes back through the event loop, as a posted command does.
    connect(m_view, &CVantrellView::SaveRequested, m_docManager.get(), &CCustomDocManager::SaveTo,
            Qt::QueuedConnection);
    connect(m_docManager.get(), &CCustomDocManager::RecentFilesChanged, this,
            &CMainFrame::RebuildRecentFiles);
    connect(m_view, &CVantrellView::MinimizeRequested, this, &QWidget::showMinimized);
    connect(m_view, &CVantrellView::HideRequested, this, &CMainFrame::OnHideToTray);
    RebuildRecentFiles();
    UpdateCaption();

    // The clock takes the stored interval from the start.
    g_settings.Load();
    m_lastTick = m_now();
    connect(&m_clock, &QTimer::timeout, this, &CMainFrame::OnClockTick);
    RestartClock();
}

CMainFrame::~CMainFrame() {
    qApp->removeEventFilter(this);
}

QAction* CMainFrame::AddCommand(QMenu* menu, const QString& text, int id) {
    QAction* action = menu->addAction(text);
    action->setData(id);
    m_commands.insert(id, action);
    return action;
}

void CMainFrame::BuildMenus() {
    // Menu texts show their keys after a tab; the keys themselves are the accelerators below, so that
    // Ctrl+S reaches the view's save while the menu's Save is the document's.
    m_fileMenu = menuBar()->addMenu(tr("&File"));
    connect(AddCommand(m_fileMenu, tr("&New\tCtrl+N"), ID_FILE_NEW), &QAction::triggered, m_docManager.get(),
            &CCustomDocManager::OnFileNew);
    connect(AddCommand(m_fileMenu, tr("&Open...\tCtrl+O"), ID_FILE_OPEN), &QAction::triggered,
            m_docManager.get(), &CCustomDocManager::OnFileOpen);
    connect(AddCommand(m_fileMenu, tr("&Save\tCtrl+S"), ID_FILE_SAVE), &QAction::triggered,
            m_docManager.get(), &CCustomDocManager::OnFileSave);
    connect(AddCommand(m_fileMenu, tr("Save &As..."), ID_FILE_SAVE_AS), &QAction::triggered,
            m_docManager.get(), &CCustomDocManager::OnFileSaveAs);
    m_fileMenu->addSeparator();
    m_recentAnchor = AddCommand(m_fileMenu, tr("Recent File"), ID_FILE_MRU_FILE1);
    m_recentAnchor->setEnabled(false);
    m_fileMenu->addSeparator();
    connect(AddCommand(m_fileMenu, tr("E&xit"), ID_APP_EXIT), &QAction::triggered, this, &QWidget::close);

    QMenu* edit = menuBar()->addMenu(tr("&Edit"));
    connect(AddCommand(edit, tr("Delete Selected\tDel"), ID_EDIT_DELETE), &QAction::triggered, m_view,
            &CVantrellView::OnDeleteAction);
    edit->addSeparator();
    connect(AddCommand(edit, tr("Delete All"), ID_DELETE_ALL), &QAction::triggered, m_view,
            &CVantrellView::OnDeleteAll);

    QMenu* view = menuBar()->addMenu(tr("&View"));
    connect(AddCommand(view, tr("Locate X,Y"), ID_LOCATE_XY), &QAction::triggered, m_view,
            &CVantrellView::OnLocateXY);
    view->addSeparator();
    connect(AddCommand(view, tr("Script File in Explorer"), ID_SCRIPT_IN_FILE_MANAGER), &QAction::triggered,
            m_view, &CVantrellView::OnScriptFileInFileManager);
    view->addSeparator();
    connect(AddCommand(view, tr("Settings..."), ID_VIEW_SETTINGS), &QAction::triggered, this,
            &CMainFrame::OnSettings);
    view->addSeparator();
    QAction* statusBarAction = AddCommand(view, tr("&Status Bar"), ID_VIEW_STATUS_BAR);
    statusBarAction->setCheckable(true);
    statusBarAction->setChecked(true);
    connect(statusBarAction, &QAction::toggled, statusBar(), &QWidget::setVisible);

    QMenu* share = menuBar()->addMenu(tr("Share"));
    connect(AddCommand(share, tr("Facebook"), ID_SHARE_FACEBOOK), &QAction::triggered, this,
            [this] { OnShare(ID_SHARE_FACEBOOK); });
    share->addSeparator();
    connect(AddCommand(share, tr("Twitter"), ID_SHARE_TWITTER), &QAction::triggered, this,
            [this] { OnShare(ID_SHARE_TWITTER); });

    // The Help menu stands at the right end of the bar where the style puts it there.
    menuBar()->addSeparator();
    QMenu* help = menuBar()->addMenu(tr("&Help"));
    connect(AddCommand(help, tr("&About Vantrell..."), ID_APP_ABOUT), &QAction::triggered, this,
            &CMainFrame::OnAbout);
    help->addSeparator();
    connect(AddCommand(help, tr("Contact Us"), ID_CONTACT_US), &QAction::triggered, this,
            &CMainFrame::OnContactUs);

    // The message pane's prompt of each command.
    const std::pair<int, const char*> prompts[] = {
        {ID_FILE_NEW, "Create a new script"},
        {ID_FILE_OPEN, "Open an existing script"},
        {ID_FILE_SAVE, "Save the active document"},
        {ID_FILE_SAVE_AS, "Save the active document with a new name"},
        {ID_APP_EXIT, "Quit the application; prompts to save the script"},
        {ID_EDIT_DELETE, "Delete the selected action"},
        {ID_DELETE_ALL, "Delete all actions from the list"},
        {ID_LOCATE_XY, "Move the mouse cursor to the selected action's position"},
        {ID_SCRIPT_IN_FILE_MANAGER, "Show the script file in the file manager"},
        {ID_VIEW_SETTINGS, "View Settings..."},
        {ID_VIEW_STATUS_BAR, "Show or hide the status bar"},
        {ID_SHARE_FACEBOOK, "Share Vantrell on Facebook"},
        {ID_SHARE_TWITTER, "Share Vantrell on Twitter"},
        {ID_APP_ABOUT, "Display program information, version number and copyright"},
        {ID_CONTACT_US, "Write to us by e-mail"},
    };
    for (const auto& [id, prompt] : prompts)
        m_commands.value(id)->setStatusTip(tr(prompt));

    const auto accelerator = [this](const QKeySequence& keys, auto slot, auto* receiver) {
        auto* action = new QAction(this);
        action->setShortcut(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        addAction(action);
        connect(action, &QAction::triggered, receiver, slot);
        return action;
    };
    accelerator(QKeySequence(Qt::CTRL | Qt::Key_N), &CCustomDocManager::OnFileNew, m_docManager.get());
    accelerator(QKeySequence(Qt::CTRL | Qt::Key_O), &CCustomDocManager::OnFileOpen, m_docManager.get());
    accelerator(QKeySequence(Qt::CTRL | Qt::Key_S), &CVantrellView::OnSaveView, m_view)
        ->setData(ID_FILE_SAVE_VIEW);
}

void CMainFrame::BuildStatusBar() {
    // Panes in order: the clock, Caps Lock, Num Lock, Scroll Lock, then the message pane; none stretches.
    const auto pane = [this](const QString& text, const QString& widest) {
        auto* label = new QLabel(text, statusBar());
        label->setFrameShape(QFrame::Panel);
        label->setFrameShadow(QFrame::Sunken);
        label->setAlignment(Qt::AlignCenter);
        label->setFixedWidth(label->fontMetrics().horizontalAdvance(widest) + 12);
        statusBar()->addWidget(label);
        return label;
    };
    m_paneClock = pane(tr("System Time Display"), tr("System Time Display"));
    m_paneClock->setObjectName(QStringLiteral("paneClock"));
    const QString locks[3] = {tr("CAP"), tr("NUM"), tr("SCRL")};
    for (int i = 0; i < 3; ++i)
        m_paneLocks[i] = pane(QString(), locks[i]);
    m_paneMessage = pane(tr("Ready"), QString());
    m_paneMessage->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    const QScreen* screen = QGuiApplication::primaryScreen();
    m_paneMessage->setFixedWidth(screen ? screen->geometry().width() / 4 : 300);
}

bool CMainFrame::event(QEvent* event) {
    // Menu prompts go to the message pane; with none, it says "Ready".
    if (event->type() == QEvent::StatusTip) {
        const QString tip = static_cast<QStatusTipEvent*>(event)->tip();
        m_paneMessage->setText(tip.isEmpty() ? tr("Ready") : tip);
        return true;
    }
    return QMainWindow::event(event);
}

void CMainFrame::RestartClock() {
    // The timer service's own limits: at least 10 ms, and a negative value is a very long period.
    const qint64 interval = static_cast<uint32_t>(g_settings.m_iTimeUpdateInterval);
    m_clock.start(static_cast<int>(std::clamp<qint64>(interval, 10, std::numeric_limits<int>::max())));
}

void CMainFrame::OnClockTick() {
    const QDateTime now = m_now();
    m_paneClock->setText(
        COleDateTime(now.date(), QTime(now.time().hour(), now.time().minute(), now.time().second()))
            .FormatTime());
    const unsigned locks = m_services.input.GetLockKeys();
    const unsigned flags[3] = {kCapsLock, kNumLock, kScrollLock};
    const QString names[3] = {tr("CAP"), tr("NUM"), tr("SCRL")};
    for (int i = 0; i < 3; ++i)
        m_paneLocks[i]->setText(locks & flags[i] ? names[i] : QString());

    // The scheduled second fires when it lies after the previous tick and not after this one, so a long
    // interval or a late tick never skips it, and a moment already past never fires.
    const QDateTime previous = m_lastTick;
    m_lastTick = now;
    if (!g_scriptHeader.m_bAutoRun)
        return;
    const QDateTime scheduled = g_scriptHeader.AutoRunMoment();
    if (scheduled.isValid() && scheduled > previous && scheduled <= now)
        QMetaObject::invokeMethod(m_view, &CVantrellView::OnAutoRunStart, Qt::QueuedConnection);
}

void CMainFrame::OnSettings() {
    CDlgSettings dlg(m_services.messages, this);
    connect(&dlg, &CDlgSettings::SettingsChanged, m_view, &CVantrellView::RefreshAddShortcut);
    if (dlg.exec() == QDialog::Accepted)
        RestartClock();
}

void CMainFrame::OnAbout() {
    CAboutDlg dlg(m_services.shell, m_services.backendDescription, this);
    dlg.exec();
}

void CMainFrame::OnContactUs() {
    m_services.messages.MessageBox(
        this, tr("Please Send us an EMail at ") + QString::fromUtf16(appinfo::kSupportEmail),
        MB_OK | MB_ICONINFORMATION);
}

void CMainFrame::OnShare(int id) {
    const QString page =
        QString::fromLatin1(QUrl::toPercentEncoding(QString::fromUtf16(appinfo::kProductPage)));
    const QString url = id == ID_SHARE_FACEBOOK
                            ? QStringLiteral("https://www.facebook.com/sharer.php?u=") + page
                            : QStringLiteral("https://twitter.com/share?url=") + page;
    m_services.shell.OpenUrl(url);
}

void CMainFrame::OnHideToTray() {
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        showMinimized();
        return;
    }
    if (m_tray == nullptr) {
        m_tray = new QSystemTrayIcon(res::AppIcon(), this);
        auto* menu = new QMenu(this);
        connect(menu->addAction(tr("Show")), &QAction::triggered, this, &CMainFrame::ShowFromTray);
        QAction* startStop = menu->addAction(tr("Start Script Execution"));
        connect(startStop, &QAction::triggered, m_view, &CVantrellView::OnStartStop);
        connect(m_view, &CVantrellView::RunningChanged, startStop, [startStop](bool running) {
            startStop->setText(running ? tr("Stop Script Execution") : tr("Start Script Execution"));
        });
        menu->addSeparator();
        connect(menu->addAction(tr("Exit")), &QAction::triggered, this, [this] {
            ShowFromTray();
            close();
        });
        m_tray->setContextMenu(menu);
        connect(m_tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
            if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
                ShowFromTray();
        });
    }
    m_tray->setToolTip(m_doc->GetTitle() + QStringLiteral(" - ") + QString::fromUtf16(appinfo::kAppTitle));
    m_tray->show();
    hide();
}

void CMainFrame::ShowFromTray() {
    // A window minimized once (by a run, or by the fallback when there was no tray) and restored by the
    // window manager still carries the window system's hint to start iconic, which the next map obeys: the
    // window would come back minimized and, with no task bar, out of reach. Passing through the minimized
    // state while the window is hidden has the hint set anew and then cleared.
    if (isHidden())
        setWindowState(windowState() | Qt::WindowMinimized);
    setWindowState(windowState() & ~Qt::WindowMinimized);
    showNormal();
    raise();
    activateWindow();
    if (m_tray)
        m_tray->hide();
}

bool CMainFrame::TellHowToBindToggle() {
    const QString section = QStringLiteral("Settings");
    const QString entry = QStringLiteral("m_bToldHowToBindToggle");
    if (GetProfileInt(section, entry, 0) != 0)
        return false;
    // Remembered before it shows, so that a window that ends during the message does not tell it again.
    WriteProfileInt(section, entry, 1);
    m_services.messages.MessageBox(
        this,
        tr("This desktop does not let Vantrell take a key for the whole desktop, so a script's start/stop "
           "shortcut and the add key work only while a Vantrell window has the focus.\n\n"
           "Instead, give the command  vantrell --toggle  a key in your desktop's own settings. It starts "
           "the script in the Vantrell window, or stops its run.\n\n"
           "sway: add a line such as\n    bindsym F9 exec vantrell --toggle\nto ~/.config/sway/config and "
           "reload sway.\n\n"
           "GNOME: Settings \u2192 Keyboard \u2192 View and Customize Shortcuts \u2192 Custom Shortcuts, add "
           "one with the command  vantrell --toggle  and a key of your choice.\n\n"
           "vantrell --start and vantrell --stop do only the one or the other."),
        MB_OK | MB_ICONINFORMATION);
    return true;
}

// Del deletes the selected action wherever the focus is in this window, the repeat count field
// included, as an accelerator is translated before any control sees the key.
bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        auto* widget = qobject_cast<QWidget*>(watched);
        if (key->key() == Qt::Key_Delete && key->modifiers() == Qt::NoModifier && widget != nullptr &&
            widget->window() == this && QApplication::activeModalWidget() == nullptr &&
            qobject_cast<CHotKeyCtrl*>(widget) == nullptr) {
            if (event->type() == QEvent::KeyPress)
                m_view->OnDeleteAction();
            event->accept();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void CMainFrame::NewDocument() {
    m_doc->OnNewDocument();
    m_view->OnInitialUpdate();
}

void CMainFrame::UpdateCaption() {
    setWindowTitle(m_doc->GetTitle() + QStringLiteral(" - ") + QString::fromUtf16(appinfo::kAppTitle));
}

void CMainFrame::FitToForm() {
    // The window takes exactly the room the form needs and never less, but no more than the screen offers
    // around the window manager's frame: where the screen is short (a high scale), the list gives way.
    const QScopedValueRollback fitting(m_bFitting, true);
    setMinimumSize(0, 0);
    m_view->GiveListWay({});
    layout()->activate();
    QSize fitted = sizeHint().expandedTo(minimumSizeHint());
    const QRect outer = frameGeometry();
    const QSize margins = outer.size() - size();
    m_fitMargins = margins;
    if (const QScreen* onScreen = screen()) {
        const QSize room = onScreen->availableGeometry().size() - margins;
        if (fitted.width() > room.width() || fitted.height() > room.height()) {
            m_view->GiveListWay(fitted - room);
            layout()->activate();
            fitted = sizeHint().expandedTo(minimumSizeHint()).boundedTo(room);
        }
    }
    resize(fitted);
    // The outer rectangle: the fitted size with the window manager's frame around it. The window may not
    // be made smaller than it.
    CRect& rc = g_settings.m_rcMainFrame;
    rc = {outer.left(), outer.top(), outer.left() + fitted.width() + margins.width(),
          outer.top() + fitted.height() + margins.height()};
    setMinimumSize(rc.Width() - margins.width(), rc.Height() - margins.height());
}

// The window manager's frame is known only some time after it has taken the window in, and no event
// says when: the window fits itself again once it sees a new frame as it is moved, resized or activated,
// and looks for one now and then during its first seconds on the screen.
void CMainFrame::RefitForNewFrame() {
    if (m_bShown && !m_bFitting && frameGeometry().size() - size() != m_fitMargins)
        FitToForm();
}

void CMainFrame::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    RefitForNewFrame();
}

void CMainFrame::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    RefitForNewFrame();
}

void CMainFrame::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange)
        RefitForNewFrame();
}

void CMainFrame::RebuildRecentFiles() {
    for (QAction* action : m_recentActions) {
        m_fileMenu->removeAction(action);
        action->deleteLater();
    }
    m_recentActions.clear();
    const QStringList& paths = m_docManager->RecentFiles().Paths();
    m_recentAnchor->setVisible(paths.isEmpty());
    for (int i = 0; i < paths.size(); ++i) {
        const QString text = QStringLiteral("&%1 %2").arg(i + 1).arg(QDir::toNativeSeparators(paths[i]));
        auto* action = new QAction(text, m_fileMenu);
        action->setData(ID_FILE_MRU_FILE1 + i);
        m_fileMenu->insertAction(m_recentAnchor, action);
        connect(action, &QAction::triggered, this, [this, path = paths[i]] { OnRecentFile(path); });
        m_recentActions << action;
    }
}

void CMainFrame::OnRecentFile(const QString& path) {
    if (!QFileInfo::exists(path)) {
        m_services.messages.MessageBox(this,
                                       tr("The file %1 no longer exists; it is removed from the list of "
                                          "recent files.")
                                           .arg(QDir::toNativeSeparators(path)),
                                       MB_OK | MB_ICONINFORMATION);
        m_docManager->RecentFiles().Remove(path);
        RebuildRecentFiles();
        return;
    }
    m_docManager->OpenDocumentFile(path);
}

void CMainFrame::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    // Fonts and style are settled only now; fit again so the minimum is the real size of the form.
    if (!m_bShown) {
        m_bShown = true;
        FitToForm();
        m_frameWatch.setInterval(100);
        connect(&m_frameWatch, &QTimer::timeout, this, [this, ticks = 0]() mutable {
            RefitForNewFrame();
            if (++ticks == 30)
                m_frameWatch.stop();
        });
        m_frameWatch.start();
    }
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (!m_bClosing && !m_docManager->SaveModified()) {
        event->ignore();
        return;
    }
    EndSession();
    event->accept();
}

void CMainFrame::EndSession() {
    m_bClosing = true;
    // The action under way completes its button events, at once, before this returns.
    m_view->StopRun();
    m_view->StoreColumnWidths();
    if (m_tray)
        m_tray->hide();
}

void CMainFrame::EndOnSignal(int signal) {
    if (m_iEndSignal != 0)
        return;
    m_iEndSignal = signal;
    EndSession();
    // Leaves every event loop, a question's included (which then answers Cancel), so nothing is saved.
    QCoreApplication::exit(EndStatus());
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.isEmpty() || !urls.constFirst().isLocalFile())
        return;
    event->acceptProposedAction();
    const QString path = urls.constFirst().toLocalFile();
    // Opened after the drop has finished, so the question to save does not run inside the drag.
    QMetaObject::invokeMethod(
        this, [this, path] { m_docManager->OpenDocumentFile(path); }, Qt::QueuedConnection);
}
