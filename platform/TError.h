#pragma once

#include <QString>
#include <stdexcept>

// An error an operation does not handle itself: input and output, conversion, table store.
// It carries the error's own text; the guard at the handler boundary shows it in an error box.
class TError : public std::runtime_error
{
public:
    explicit TError(const QString& message) : std::runtime_error(message.toStdString()), m_message(message) {}
    const QString& message() const { return m_message; }

private:
    QString m_message;
};

// The text of any exception, for the error box.
inline QString ErrorText(const std::exception& e)
{
    if (auto* err = dynamic_cast<const TError*>(&e))
        return err->message();
    return QString::fromUtf8(e.what());
}
