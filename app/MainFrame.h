#pragma once
// The one top-level window: the form view, the menus and accelerators, the status bar.

#include <QMainWindow>
#include <QMap>
#include <memory>

#include "ui/Services.h"

class CVantrellDoc;
class CVantrellView;
class CCustomDocManager;
class QMenu;

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

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildMenus();
    QAction* AddCommand(QMenu* menu, const QString& text, int id);
    void RebuildRecentFiles();
    void UpdateCaption();
    void FitToForm();
    void OnRecentFile(const QString& path);

    CServices& m_services;
    std::unique_ptr<CVantrellDoc> m_doc;
    CVantrellView* m_view = nullptr;
    std::unique_ptr<CCustomDocManager> m_docManager;
    QMap<int, QAction*> m_commands;
    QMenu* m_fileMenu = nullptr;
    QAction* m_recentAnchor = nullptr;
    QList<QAction*> m_recentActions;
    bool m_bClosing = false;
    bool m_bShown = false;
};
