#include "tests/support/FakeUiServices.h"

namespace testsupport {

bool CFakeFileDialogs::GetOpenFileName(QWidget* /*parent*/, QString* path) {
    m_requests.push_back({Kind::Open, QString()});
    return Answer(path);
}

bool CFakeFileDialogs::GetSaveFileName(QWidget* /*parent*/, const QString& initialName, QString* path) {
    m_requests.push_back({Kind::Save, initialName});
    return Answer(path);
}

bool CFakeFileDialogs::Answer(QString* path) {
    if (m_answers.empty())
        return false;
    const std::optional<QString> answer = m_answers.front();
    m_answers.pop_front();
    if (!answer)
        return false;
    *path = *answer;
    return true;
}

}  // namespace testsupport
