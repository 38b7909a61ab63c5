#include "platform/wayland/WlrootsInput.h"
namespace platform {
std::unique_ptr<IInput> CreateWlrootsInput(QString* error) {
    if (error)
        *error = QStringLiteral("not built");
    return nullptr;
}
bool WlrootsPointerOffered(QString* why) {
    if (why)
        *why = QStringLiteral("not built");
    return false;
}
}  // namespace platform
