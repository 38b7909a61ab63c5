#include "tests/support/FakeMessageBox.h"

namespace testsupport {

int CFakeMessageBox::MessageBox(QObject* parent, const QString& text, unsigned type) {
    m_messages.push_back({parent, text, type});
    if (m_onMessage)
        m_onMessage(m_messages.back());
    if (m_answers.empty())
        return platform::IDOK;
    const int answer = m_answers.front();
    m_answers.pop_front();
    return answer;
}

QStringList CFakeMessageBox::Texts() const {
    QStringList texts;
    for (const Message& m : m_messages)
        texts.append(m.text);
    return texts;
}

}  // namespace testsupport
