#pragma once
// File dialogs and desktop services that show nothing: the dialogs answer from a queue of scripted paths,
// the shell writes down what it was asked to open.

#include <QString>
#include <deque>
#include <optional>
#include <vector>

#include "platform/RecordingInput.h"
#include "tests/support/FakeMessageBox.h"
#include "ui/Services.h"

namespace testsupport {

class CFakeFileDialogs final : public IFileDialogs {
public:
    enum class Kind { Open, Save };
    struct Request {
        Kind kind = Kind::Open;
        QString initialName;  // what a save dialog was pre-filled with; empty for an open dialog
    };

    // The next dialog, open or save, gives this path.
    void QueuePath(const QString& path) { m_answers.emplace_back(path); }
    // The next dialog is cancelled; so is every dialog once the queue is empty.
    void QueueCancel() { m_answers.emplace_back(std::nullopt); }

    bool GetOpenFileName(QWidget* /*parent*/, QString* path) override { return Answer(Kind::Open, {}, path); }
    bool GetSaveFileName(QWidget* /*parent*/, const QString& initialName, QString* path) override {
        return Answer(Kind::Save, initialName, path);
    }

    const std::vector<Request>& Requests() const { return m_requests; }

private:
    bool Answer(Kind kind, const QString& initialName, QString* path) {
        m_requests.push_back({kind, initialName});
        const std::optional<QString> answer = m_answers.empty() ? std::nullopt : m_answers.front();
        if (!m_answers.empty())
            m_answers.pop_front();
        if (answer)
            *path = *answer;
        return answer.has_value();
    }

    std::deque<std::optional<QString>> m_answers;
    std::vector<Request> m_requests;
};

class CFakeShell final : public IShell {
public:
    bool ShowInFileManager(const QString& path) override {
        m_shownFiles.push_back(path);
        return true;
    }
    bool OpenUrl(const QString& url) override {
        m_openedUrls.push_back(url);
        return true;
    }

    std::vector<QString> m_shownFiles;
    std::vector<QString> m_openedUrls;
};

// A service record for a window under test: message boxes, file dialogs and shell are fakes; the hotkey and
// input services are the caller's (fakes, or the real ones under a private X server).
struct CFakeServices {
    CFakeServices(platform::IHotKeys& hotkeys, platform::IInput& input)
        : services{
              hotkeys,  input,
              messages, fileDialogs,
              shell,    [this](QString*) { return std::make_unique<platform::CRecordingInput>(runLog); }} {}

    // What runs of the window injected.
    platform::CEventLog runLog;
    CFakeMessageBox messages;
    CFakeFileDialogs fileDialogs;
    CFakeShell shell;
    CServices services;
};

}  // namespace testsupport
