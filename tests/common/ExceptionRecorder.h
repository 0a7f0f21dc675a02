#pragma once

#include "Guard.h"

#include <QString>
#include <QStringList>

// Records what reaches the application-wide exception handler while it exists, and puts the
// previous handler back when it goes, also when a check returns from the test early. An
// exception without a message is recorded as an empty text.
class ScopedExceptionRecorder
{
public:
    ScopedExceptionRecorder()
        : m_previous(setAppExceptionHandler(
              [this](const std::exception* e) { m_errors << (e ? QString::fromUtf8(e->what()) : QString()); }))
    {
    }
    ~ScopedExceptionRecorder() { setAppExceptionHandler(std::move(m_previous)); }
    ScopedExceptionRecorder(const ScopedExceptionRecorder&) = delete;
    ScopedExceptionRecorder& operator=(const ScopedExceptionRecorder&) = delete;

    const QStringList& errors() const { return m_errors; }
    int count() const { return static_cast<int>(m_errors.size()); }
    void clear() { m_errors.clear(); }

private:
    AppExceptionHandler m_previous;
    QStringList m_errors;
};
