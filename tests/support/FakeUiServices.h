#pragma once
// File dialogs and desktop services that show nothing: the dialogs answer from a queue of scripted paths,
// the shell writes down the web pages it was asked to open.

#include <QString>
#include <deque>
#include <vector>

#include "platform/RecordingInput.h"
#include "tests/support/FakeMessageBox.h"
#include "ui/Services.h"

namespace testsupport {

class CFakeFileDialogs final : public IFileDialogs {
public:
    struct Request {
        QString initialName;  // what a save dialog was pre-filled with; empty for an open dialog
        QString scriptPath;   // the open script the dialog was given to start beside
    };

    // The next dialog, open or save, gives this path; once the queue is empty every dialog is cancelled.
    void QueuePath(const QString& path) { m_answers.push_back(path); }

    bool GetOpenFileName(QWidget* /*parent*/, const QString& scriptPath, QString* path) override {
        return Answer(scriptPath, {}, path);
    }
    bool GetSaveFileName(QWidget* /*parent*/, const QString& scriptPath, const QString& initialName,
                         QString* path) override {
        return Answer(scriptPath, initialName, path);
    }

    const std::vector<Request>& Requests() const { return m_requests; }

private:
    bool Answer(const QString& scriptPath, const QString& initialName, QString* path) {
        m_requests.push_back({initialName, scriptPath});
        if (m_answers.empty())
            return false;
        *path = m_answers.front();
        m_answers.pop_front();
        return true;
    }

    std::deque<QString> m_answers;
    std::vector<Request> m_requests;
};

class CFakeShell final : public IShell {
public:
    bool ShowInFileManager(const QString& /*path*/) override { return true; }
    bool OpenUrl(const QString& url) override {
        m_openedUrls.push_back(url);
        return true;
    }

    std::vector<QString> m_openedUrls;
};

// A service record for a window under test: message boxes, file dialogs and shell are fakes; the hotkey and
// input services are the caller's (fakes, or the real ones under a private X server).
struct CFakeServices {
    CFakeServices(platform::IHotKeys& hotkeys, platform::IInput& input)
        : services{
              hotkeys,  input,
              messages, fileDialogs,
              shell,    [this](QString*) { return std::make_unique<platform::CRecordingInput>(runLog); },
              true,     true,
              {}} {}

    // What runs of the window injected.
    platform::CEventLog runLog;
    CFakeMessageBox messages;
    CFakeFileDialogs fileDialogs;
    CFakeShell shell;
    CServices services;
};

}  // namespace testsupport
