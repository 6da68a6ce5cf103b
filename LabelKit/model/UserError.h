#pragma once

#include <QByteArray>
#include <QString>

#include <exception>

namespace vantrel {

// A failure whose message is shown to the user as it stands. Operations that throw (importing a
// label file, attaching a list, printing) throw this or a subclass.
class UserError : public std::exception {
public:
    explicit UserError(QString message);

    const QString& message() const noexcept { return m_message; }
    const char* what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    QByteArray m_utf8;
};

} // namespace vantrel
