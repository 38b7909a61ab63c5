#include "ui/DocManager.h"

#include <QFileInfo>

#include "script/VantrellDoc.h"
#include "ui/VantrellView.h"

using namespace platform;

CCustomDocManager::CCustomDocManager(CServices& services, CVantrellDoc& doc, CVantrellView& view,
                                     QWidget* mainWindow)
    : m_services(services), m_doc(doc), m_view(view), m_mainWindow(mainWindow) {
    m_recent.Load();
}

bool CCustomDocManager::DoPromptFileName(QString* path, bool bOpen) {
    QString chosen;
    const QString script = m_doc.GetPathName();
    const bool ok = bOpen ? m_services.fileDialogs.GetOpenFileName(m_mainWindow, script, &chosen)
                          : m_services.fileDialogs.GetSaveFileName(m_mainWindow, script, QString(), &chosen);
    if (ok)
        *path = bOpen ? chosen : WithScriptExtension(chosen);
    return ok;
}

void CCustomDocManager::Report(const QString& text) {
    m_services.messages.MessageBox(m_mainWindow, text, MB_OK | MB_ICONERROR);
}

bool CCustomDocManager::SaveModified() {
    if (!m_doc.IsModified())
        return true;
    const QString question = QStringLiteral("Save changes to %1?").arg(m_doc.GetTitle());
    switch (m_services.messages.MessageBox(m_mainWindow, question, MB_YESNOCANCEL | MB_ICONQUESTION)) {
        case IDYES:
            return OnFileSave();
        case IDNO:
            return true;
        default:
            return false;
    }
}

void CCustomDocManager::OnFileNew() {
    if (!SaveModified())
        return;
    m_doc.OnNewDocument();
    m_view.OnInitialUpdate();
}

void CCustomDocManager::OnFileOpen() {
    QString path;
    if (DoPromptFileName(&path, true))
        OpenDocumentFile(path);
}

bool CCustomDocManager::OpenDocumentFile(const QString& path) {
    const QString absolute = QFileInfo(path).absoluteFilePath();
    // The script that is open already is not read again.
    if (!m_doc.GetPathName().isEmpty() && absolute == m_doc.GetPathName())
        return true;
    if (!SaveModified())
        return false;
    QString error;
    if (!m_doc.OnOpenDocument(absolute, &error)) {
        Report(QStringLiteral("Cannot open %1:\n%2").arg(absolute, error));
        return false;
    }
    m_recent.Add(absolute);
    Q_EMIT RecentFilesChanged();
    m_view.OnInitialUpdate(true);
    return true;
}

bool CCustomDocManager::OnFileSave() {
    const QString path = m_doc.GetPathName();
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists() || !info.isWritable())
        return OnFileSaveAs();
    return DoSave(path);
}

bool CCustomDocManager::OnFileSaveAs() {
    QString path;
    if (!DoPromptFileName(&path, false))
        return false;
    return DoSave(path);
}

bool CCustomDocManager::SaveTo(const QString& path) {
    return path.isEmpty() ? OnFileSave() : DoSave(path);
}

bool CCustomDocManager::DoSave(const QString& path) {
    QString error;
    if (!m_doc.OnSaveDocument(path, &error)) {
        Report(QStringLiteral("Cannot save %1:\n%2").arg(path, error));
        return false;
    }
    m_recent.Add(m_doc.GetPathName());
    Q_EMIT RecentFilesChanged();
    return true;
}
