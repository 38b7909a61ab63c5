#include "script/VantrellDoc.h"

#include <QFileInfo>

#include "script/ScriptFile.h"

namespace {
const QString kUntitled = QStringLiteral("Untitled");
}

CVantrellDoc::CVantrellDoc(QObject* parent) : QObject(parent), m_strTitle(kUntitled) {}

void CVantrellDoc::SetModifiedFlag(bool bModified) {
    m_bModified = bModified;
}

void CVantrellDoc::SetTitle(const QString& title) {
    QString stripped = title;
    stripped.remove(QString::fromUtf16(kExtension), Qt::CaseSensitive);
    m_strTitle = stripped;
    Q_EMIT TitleChanged(m_strTitle);
}

void CVantrellDoc::SetPathName(const QString& path) {
    m_strPathName = path.isEmpty() ? QString() : QFileInfo(path).absoluteFilePath();
    SetTitle(m_strPathName.isEmpty() ? kUntitled : QFileInfo(path).fileName());
}

bool CVantrellDoc::OnNewDocument() {
    SetPathName({});
    SetModifiedFlag(false);
    g_scriptHeader.m_dtAutoRunDate = COleDateTime::GetCurrentTime();
    g_scriptHeader.m_dtAutoRunTime = g_scriptHeader.m_dtAutoRunDate;
    g_arrLoadedActions.clear();
    return true;
}

bool CVantrellDoc::OnOpenDocument(const QString& path, QString* error) {
    if (!ReadScriptFileIntoOpenScript(path, error))
        return false;
    SetPathName(path);
    SetModifiedFlag(false);
    return true;
}

bool CVantrellDoc::OnSaveDocument(const QString& path, QString* error) {
    if (g_pActionList == nullptr) {
        *error = QStringLiteral("there is no list to save");
        return false;
    }
    if (!WriteScriptFile(path, g_scriptHeader, *g_pActionList, error))
        return false;
    SetPathName(path);
    SetModifiedFlag(false);
    return true;
}
