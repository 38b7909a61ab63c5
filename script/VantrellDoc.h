#pragma once
// The open script as a document: its title, path and modified flag, and its new, open and save. The
// document holds no data of its own: the rows are the view's list (g_pActionList) and the header values
// g_scriptHeader. The dialogs around these steps belong to the document manager.

#include <QObject>
#include <QString>

class CVantrellDoc : public QObject {
    Q_OBJECT

public:
    static constexpr char16_t kExtension[] = u".Vantrell";

    explicit CVantrellDoc(QObject* parent = nullptr);

    QString GetTitle() const { return m_strTitle; }
    QString GetPathName() const { return m_strPathName; }
    bool IsModified() const { return m_bModified; }

    void SetModifiedFlag(bool bModified = true);
    // Takes the title without any ".Vantrell" in it: "batch.Vantrell" is titled "batch".
    void SetTitle(const QString& title);
    // Sets the path and titles the document after the file's name.
    void SetPathName(const QString& path);

    // A new untitled script: no path, not modified, the auto-run date and time set to now, no rows waiting.
    bool OnNewDocument();
    // Reads path as the open script; on failure nothing changes and error says why.
    bool OnOpenDocument(const QString& path, QString* error);
    // Writes the open script to path; on success the document takes path and is no longer modified.
    bool OnSaveDocument(const QString& path, QString* error);

Q_SIGNALS:
    void TitleChanged(const QString& title);

private:
    QString m_strTitle;
    QString m_strPathName;
    bool m_bModified = false;
};
