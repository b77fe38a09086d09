#pragma once

#include <QString>
#include <stdexcept>

// Base of the host's own exceptions; message() keeps the Latvian text intact.
class VarnisError : public std::runtime_error {
public:
    explicit VarnisError(const QString& message)
        : std::runtime_error(message.toStdString()), message_(message) {}
    const QString& message() const { return message_; }

private:
    QString message_;
};

// A registry value that is missing or does not read as the asked type.
class RegistryError : public VarnisError {
    using VarnisError::VarnisError;
};

// A text that is not a valid date, time or number.
class ConvertError : public VarnisError {
    using VarnisError::VarnisError;
};

// The text of any exception, for the log lines that end with the error's message.
QString errorText(const std::exception& e);
