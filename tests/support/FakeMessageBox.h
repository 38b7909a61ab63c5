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
        QString text;
        unsigned type = 0;
    };

    // The answers to give, in order, to the next messages.
    void QueueAnswer(int answer) { m_answers.push_back(answer); }

    // Called while each message is "open", as if the user did something before answering.
    std::function<void()> m_whileOpen;

    int MessageBox(QObject* /*parent*/, const QString& text, unsigned type) override {
        m_messages.push_back({text, type});
        if (m_whileOpen)
            m_whileOpen();
        if (m_answers.empty())
            return platform::IDOK;
        const int answer = m_answers.front();
        m_answers.pop_front();
        return answer;
    }

    const std::vector<Message>& Messages() const { return m_messages; }
    QStringList Texts() const {
        QStringList texts;
        for (const Message& m : m_messages)
            texts.append(m.text);
        return texts;
    }
    void Clear() { m_messages.clear(); }

private:
    std::deque<int> m_answers;
    std::vector<Message> m_messages;
};

}  // namespace testsupport
