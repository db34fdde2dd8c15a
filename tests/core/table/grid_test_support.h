#pragma once

// Helpers shared by the tests of the grid model and its editing operations.

#include "core/common/app_error.h"

#include <QString>
#include <functional>

namespace runpad::testing {

inline const QString kOutOfRange = QStringLiteral("Grid index out of range");

// The message of the AppError thrown by action, or a null string when none is thrown.
inline QString errorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const AppError& error) {
        return error.message();
    }
    return {};
}

} // namespace runpad::testing
