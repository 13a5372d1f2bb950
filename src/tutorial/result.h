#pragma once

#include <QFileDevice>
#include <QString>

// The outcome of an operation that can fail: a code that says what went
// wrong and, when the system gave one, the system's own message (such as
// QFileDevice::errorString()). Callers show the user a text of their own for
// the code and log the message. A code type's zero value means success.
template <typename Code>
class Result
{
public:
    Result() = default; // success
    Result(Code code, const QString& message = QString()) : m_code(code), m_message(message) {}

    bool ok() const { return m_code == Code{}; }
    explicit operator bool() const { return ok(); }
    Code code() const { return m_code; }
    // Empty on success and when the system said nothing.
    QString message() const { return m_message; }

private:
    Code m_code{};
    QString m_message;
};

// The result of a file operation, with QFileDevice's error code.
using FileResult = Result<QFileDevice::FileError>;
