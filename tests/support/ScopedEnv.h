#pragma once

#include <QByteArray>
#include <QtGlobal>

namespace testsupport {

// Sets (or, with a null value, removes) an environment variable and restores it when it goes.
class CScopedEnv {
public:
    CScopedEnv(const char* name, const QByteArray& value)
        : m_name(name), m_bHad(qEnvironmentVariableIsSet(name)), m_old(qgetenv(name)) {
        Set(value);
    }
    ~CScopedEnv() { Set(m_bHad ? m_old : QByteArray()); }
    CScopedEnv(const CScopedEnv&) = delete;
    CScopedEnv& operator=(const CScopedEnv&) = delete;

private:
    void Set(const QByteArray& value) { value.isNull() ? qunsetenv(m_name) : qputenv(m_name, value); }

    const char* m_name;
    bool m_bHad;
    QByteArray m_old;
};

}  // namespace testsupport
