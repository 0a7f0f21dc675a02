#include "Messages.h"

#include <QtGlobal>

namespace
{
MessageSeam& current()
{
    static MessageSeam seam;
    return seam;
}
} // namespace

MessageSeam setMessageSeam(MessageSeam seam)
{
    MessageSeam previous = std::move(current());
    current() = std::move(seam);
    return previous;
}

void ShowBilgi(const QString& text)
{
    if (current().information)
        current().information(QStringLiteral("Bilgi"), text);
    else
        qInfo("Bilgi: %s", qUtf8Printable(text));
}

int AskSoru(const QString& text)
{
    if (current().question)
        return current().question(QStringLiteral("Soru"), text);
    qInfo("Soru (answered No): %s", qUtf8Printable(text));
    return mrNo;
}

int AskSoruHayir(const QString& text)
{
    if (current().questionDefaultNo)
        return current().questionDefaultNo(QStringLiteral("Soru"), text);
    return AskSoru(text);
}
