#include "tests/support/Xvfb.h"

namespace testsupport {

bool CXvfb::Start(QString* error, int width, int height) {
    QByteArray number;
    if (!m_children.Prepare(QStringLiteral("Xvfb"), error) ||
        m_children.Spawn(QStringLiteral("Xvfb"),
                         {QStringLiteral("Xvfb"), QStringLiteral("-displayfd"), QStringLiteral("{fd}"),
                          QStringLiteral("-screen"), QStringLiteral("0"),
                          QStringLiteral("%1x%2x24").arg(width).arg(height), QStringLiteral("-nolisten"),
                          QStringLiteral("tcp"), QStringLiteral("-noreset"), QStringLiteral("+extension"),
                          QStringLiteral("XTEST")},
                         {}, false, &number, error) < 0)
        return false;
    qputenv("DISPLAY", ':' + number);
    return true;
}

}  // namespace testsupport
