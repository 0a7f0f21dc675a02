#include "ProgramTranslation.h"

#include <QCoreApplication>
#include <QFile>
#include <QXmlStreamReader>

namespace {
QString key(const QString& context, const QString& source)
{
    return context + QChar(0) + source;
}
} // namespace

bool TTsTranslator::loadTs(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QHash<QString, QString> texts;
    QXmlStreamReader xml(&file);
    QString context;
    QString source;
    while (!xml.atEnd())
    {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QStringView name = xml.name();
        if (name == u"name")
            context = xml.readElementText();
        else if (name == u"source")
            source = xml.readElementText();
        else if (name == u"translation")
        {
            const QString translation = xml.readElementText();
            if (!translation.isEmpty())
                texts.insert(key(context, source), translation);
        }
    }
    if (xml.hasError() || texts.isEmpty())
        return false;
    m_texts = std::move(texts);
    return true;
}

QString TTsTranslator::translate(const char* context, const char* sourceText, const char*, int) const
{
    if (!context || !sourceText)
        return {};
    return m_texts.value(key(QString::fromUtf8(context), QString::fromUtf8(sourceText)));
}

void installProgramTranslation()
{
    // A static library's resources are registered by name.
    Q_INIT_RESOURCE(translations);
    auto* translator = new TTsTranslator(QCoreApplication::instance());
    if (translator->loadTs(QStringLiteral(":/cekilis/cekilis_tr.ts")))
        QCoreApplication::installTranslator(translator);
    else
        delete translator;
}
