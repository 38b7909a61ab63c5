#include "app/MainFrame.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLayout>
#include <QMenuBar>
#include <QMimeData>
#include <QStatusBar>

#include "platform/AppInfo.h"
#include "script/VantrellDoc.h"
#include "settings/Settings.h"
#include "ui/DocManager.h"
#include "ui/VantrellView.h"

using namespace platform;

CMainFrame::CMainFrame(CServices& services) : m_services(services), m_doc(std::make_unique<CVantrellDoc>()) {
    m_view = new CVantrellView(services, *m_doc, this);
    setCentralWidget(m_view);
    m_docManager = std::make_unique<CCustomDocManager>(services, *m_doc, *m_view, this);
    BuildMenus();
    statusBar()->showMessage(tr("Ready"));
    setAcceptDrops(true);
    qApp->installEventFilter(this);

    connect(m_doc.get(), &CVantrellDoc::TitleChanged, this, &CMainFrame::UpdateCaption);
    connect(m_view, &CVantrellView::FitFrameRequested, this, &CMainFrame::FitToForm);
    // The view's save comes back through the event loop, as a posted command does.
    connect(m_view, &CVantrellView::SaveRequested, m_docManager.get(), &CCustomDocManager::OnFileSave,
            Qt::QueuedConnection);
    connect(m_docManager.get(), &CCustomDocManager::RecentFilesChanged, this,
            &CMainFrame::RebuildRecentFiles);
    RebuildRecentFiles();
    UpdateCaption();
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
    AddCommand(view, tr("Settings..."), ID_VIEW_SETTINGS);
    view->addSeparator();
    QAction* statusBarAction = AddCommand(view, tr("&Status Bar"), ID_VIEW_STATUS_BAR);
    statusBarAction->setCheckable(true);
    statusBarAction->setChecked(true);
    connect(statusBarAction, &QAction::toggled, statusBar(), &QWidget::setVisible);

    QMenu* share = menuBar()->addMenu(tr("Share"));
    AddCommand(share, tr("Facebook"), ID_SHARE_FACEBOOK);
    share->addSeparator();
    AddCommand(share, tr("Twitter"), ID_SHARE_TWITTER);

    QMenu* help = menuBar()->addMenu(tr("&Help"));
    AddCommand(help, tr("&About Vantrell..."), ID_APP_ABOUT);
    help->addSeparator();
    AddCommand(help, tr("Contact Us"), ID_CONTACT_US);

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

// Del deletes the selected action wherever the focus is in this window, the repeat count field
// included, as an accelerator is translated before any control sees the key.
bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        auto* widget = qobject_cast<QWidget*>(watched);
        if (key->key() == Qt::Key_Delete && key->modifiers() == Qt::NoModifier && widget != nullptr &&
            widget->window() == this && QApplication::activeModalWidget() == nullptr) {
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
    // The window takes exactly the room the form needs and never less.
    setMinimumSize(0, 0);
    layout()->activate();
    const QSize fitted = sizeHint();
    resize(fitted);
    setMinimumSize(fitted);
    // The outer rectangle: the fitted size with the window manager's frame around it.
    const QRect outer = frameGeometry();
    const QSize margins = outer.size() - size();
    g_settings.m_rcMainFrame = {outer.left(), outer.top(), outer.left() + fitted.width() + margins.width(),
                                outer.top() + fitted.height() + margins.height()};
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
    }
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (!m_bClosing && !m_docManager->SaveModified()) {
        event->ignore();
        return;
    }
    m_bClosing = true;
    m_view->StoreColumnWidths();
    event->accept();
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
