#pragma once
// A message box service that shows nothing: it writes down every message and answers from a queue of
// scripted answers, IDOK once the queue is empty.

#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <vector>

#include "platform/MessageBox.h"

namespace testsupport {

class CFakeMessageBox final : public platform::IMessageBox {
public:
    struct Message {
        QObject* parent = nullptr;
        QString text;
        unsigned type = 0;
    };

    // The answers to give, in order, to the next messages.
    void QueueAnswer(int answer) { m_answers.push_back(answer); }
    // Called with each message before it is answered, while the caller waits as it would on a real box.
    void SetOnMessage(std::function<void(const Message&)> onMessage) { m_onMessage = std::move(onMessage); }

    int MessageBox(QObject* parent, const QString& text, unsigned type) override;

    const std::vector<Message>& Messages() const { return m_messages; }
    QStringList Texts() const;
    void Clear() { m_messages.clear(); }

private:
    std::deque<int> m_answers;
    std::vector<Message> m_messages;
    std::function<void(const Message&)> m_onMessage;
};

}  // namespace testsupport
