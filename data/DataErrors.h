#pragma once

#include <QByteArray>
#include <QString>
#include <exception>

// Errors of the data layer. Neither is ever shown to the user: they unwind to the nearest
// guard, which hands them to the application-wide handler (or the caller catches them).

// A table operation that cannot be done in the table's state (closed table, delete on an
// empty table, a field set outside edit or insert, an unknown field name, ...).
class EDatabaseError : public std::exception
{
public:
    explicit EDatabaseError(QByteArray message) : m_message(std::move(message)) {}
    const char* what() const noexcept override { return m_message.constData(); }

private:
    QByteArray m_message;
};

// A file that cannot be opened, created, read or written.
class EFileError : public std::exception
{
public:
    EFileError(QByteArray message, QString path) : m_message(std::move(message)), m_path(std::move(path))
    {
        m_message += ": ";
        m_message += m_path.toUtf8();
    }
    const char* what() const noexcept override { return m_message.constData(); }
    const QString& path() const { return m_path; }

private:
    QByteArray m_message;
    QString m_path;
};
