#pragma once

#include <QHash>
#include <QString>
#include <QTranslator>

// A translator over a Qt Linguist source file (.ts) read as it stands: the program's few texts
// need no compiled catalogue. Each message matches its context and source text; the
// disambiguation Qt passes (a platform note such as "All other platforms") is not looked at.
class TTsTranslator : public QTranslator
{
    Q_OBJECT

public:
    using QTranslator::QTranslator;

    // False when the file cannot be read or holds no translation.
    bool loadTs(const QString& fileName);

    QString translate(const char* context, const char* sourceText, const char* disambiguation = nullptr,
                      int n = -1) const override;
    bool isEmpty() const override { return m_texts.isEmpty(); }

private:
    QHash<QString, QString> m_texts; // context, NUL, source -> translation
};

// Installs the program's own Turkish translation (after Qt's, so it is asked first).
void installProgramTranslation();
