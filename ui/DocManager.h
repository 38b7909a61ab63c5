#pragma once
// The document manager: the file commands around the one open script (New, Open, Save, Save As, the
// recent files, Exit), with the question to save unsaved changes and the file dialogs.

#include <QObject>

#include "ui/RecentFileList.h"
#include "ui/Services.h"

class CVantrellDoc;
class CVantrellView;
class QWidget;

class CCustomDocManager : public QObject {
    Q_OBJECT

public:
    CCustomDocManager(CServices& services, CVantrellDoc& doc, CVantrellView& view, QWidget* mainWindow);

    // The open and save dialogs, with the script filter; false when cancelled.
    bool DoPromptFileName(QString* path, bool bOpen);

    void OnFileNew();
    void OnFileOpen();
    // Opens path as the script (after the question to save); false when it stayed closed.
    bool OpenDocumentFile(const QString& path);
    bool OnFileSave();
    bool OnFileSaveAs();
    // Saves to path, or with an empty path as OnFileSave does; a failed save changes neither the title nor
    // the path, and leaves no file behind.
    bool SaveTo(const QString& path);
    // Offers to save unsaved changes: Yes saves, No discards; false when the command should end.
    bool SaveModified();

    CRecentFileList& RecentFiles() { return m_recent; }

Q_SIGNALS:
    void RecentFilesChanged();

private:
    bool DoSave(const QString& path);
    void Report(const QString& text);

    CServices& m_services;
    CVantrellDoc& m_doc;
    CVantrellView& m_view;
    QWidget* m_mainWindow;
    CRecentFileList m_recent;
};
