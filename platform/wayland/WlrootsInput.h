#pragma once
#include <QString>
#include <memory>
#include "platform/Input.h"
namespace platform {
std::unique_ptr<IInput> CreateWlrootsInput(QString* error);
bool WlrootsPointerOffered(QString* why);
}  // namespace platform
