#pragma once

#include <QString>
#include <stdexcept>

namespace runpad {

// The one error type of the program: it carries the text the user sees.
class AppError : public std::runtime_error {
public:
    explicit AppError(const QString& message);
    const QString& message() const { return message_; }

private:
    QString message_;
};

// Text as the general error display shows it: a period is appended when the
// last character's code is above that of ".".
QString errorDisplayText(const QString& message);

} // namespace runpad
