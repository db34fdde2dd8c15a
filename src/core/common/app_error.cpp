#include "core/common/app_error.h"

namespace runpad {

AppError::AppError(const QString& message)
    : std::runtime_error(message.toStdString()), message_(message) {}

QString errorDisplayText(const QString& message) {
    if (!message.isEmpty() && message.back() > QChar(u'.'))
        return message + u'.';
    return message;
}

} // namespace runpad
