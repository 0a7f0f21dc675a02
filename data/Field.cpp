#include "Field.h"

#include "Codec1254.h"
#include "DataErrors.h"
#include "RxMemoryData.h"
#include "TurkishUpper.h"

#include <QtEndian>
#include <algorithm>
#include <cstring>

TField::TField(TRxMemoryData* table, int index, QString name, TFieldType type, int size, int offset)
    : m_table(table), m_index(index), m_name(std::move(name)), m_type(type), m_size(size), m_offset(offset)
{}

int TField::dataSize() const
{
    return m_type == TFieldType::ftString ? m_size + 1 : 4;
}

QString TField::asString() const
{
    return m_table->fieldAsString(m_index);
}

QByteArray TField::asBytes() const
{
    return m_table->fieldAsBytes(m_index);
}

qint32 TField::asInteger() const
{
    return m_table->fieldAsInteger(m_index);
}

bool TField::isNull() const
{
    return m_table->fieldIsNull(m_index);
}

void TField::setAsString(const QString& value)
{
    m_table->setFieldString(m_index, value);
}

void TField::setAsBytes(const QByteArray& value)
{
    m_table->setFieldBytes(m_index, value);
}

void TField::setAsInteger(qint32 value)
{
    m_table->setFieldInteger(m_index, value);
}

void TField::clear()
{
    m_table->clearField(m_index);
}

bool TField::isNullIn(const char* image) const
{
    return !image || !image[m_offset];
}

QByteArrayView TField::textIn(const char* image) const
{
    if (isNullIn(image))
        return {};
    const char* p = image + m_offset + 1;
    const void* zero = std::memchr(p, 0, static_cast<size_t>(m_size));
    return QByteArrayView(p, zero ? static_cast<const char*>(zero) - p : m_size);
}

qint32 TField::integerIn(const char* image) const
{
    return isNullIn(image) ? 0 : qFromLittleEndian<qint32>(image + m_offset + 1);
}

QString TField::displayIn(const char* image) const
{
    if (m_type == TFieldType::ftInteger)
        return isNullIn(image) ? QString() : QString::number(integerIn(image));
    const QByteArrayView t = textIn(image);
    return Cp1254::toUnicode(t.data(), t.size());
}

QByteArray TField::bytesIn(const char* image) const
{
    if (m_type == TFieldType::ftInteger)
        return isNullIn(image) ? QByteArray() : QByteArray::number(integerIn(image));
    return textIn(image).toByteArray();
}

qint32 TField::numberIn(const char* image) const
{
    if (m_type == TFieldType::ftInteger)
        return integerIn(image);
    return displayIn(image).trimmed().toInt();
}

bool TField::upperTextIs(const char* image, QByteArrayView upperKey, bool prefix) const
{
    const QByteArrayView text = textIn(image);
    if (prefix ? text.size() < upperKey.size() : text.size() != upperKey.size())
        return false;
    for (qsizetype i = 0; i < upperKey.size(); ++i)
        if (CharFUp2(text[i]) != upperKey[i])
            return false;
    return true;
}

std::function<bool(const char*)> TField::matcher(const QString& value, bool caseInsensitive, bool prefix) const
{
    if (m_type == TFieldType::ftInteger)
    {
        bool ok = false;
        const qint32 wanted = value.trimmed().toInt(&ok);
        return [this, wanted, ok, empty = value.trimmed().isEmpty()](const char* image) {
            return isNullIn(image) ? empty : ok && integerIn(image) == wanted;
        };
    }
    const QByteArray key = Cp1254::fromUnicode(value);
    if (caseInsensitive)
        return [this, key = FUp2(key), prefix](const char* image) { return upperTextIs(image, key, prefix); };
    return [this, key, prefix](const char* image) {
        const QByteArrayView text = textIn(image);
        return prefix ? text.startsWith(key) : text == key;
    };
}

void TField::writeBytes(char* image, QByteArrayView value) const
{
    char* p = image + m_offset;
    if (m_type == TFieldType::ftInteger)
    {
        bool ok = false;
        const int v = Cp1254::toUnicode(value.data(), value.size()).trimmed().toInt(&ok);
        if (!ok && !value.trimmed().isEmpty())
            throw EDatabaseError("'" + value.toByteArray() + "' is not a valid integer value");
        if (!ok)
            return clearIn(image);
        p[0] = 1;
        qToLittleEndian<qint32>(v, p + 1);
        return;
    }
    const qsizetype n = std::min<qsizetype>(value.size(), m_size);
    p[0] = 1;
    std::memset(p + 1, 0, static_cast<size_t>(dataSize()));
    if (n > 0)
        std::memcpy(p + 1, value.data(), static_cast<size_t>(n));
}

void TField::writeInteger(char* image, qint32 value) const
{
    if (m_type == TFieldType::ftString)
        return writeBytes(image, QByteArray::number(value));
    image[m_offset] = 1;
    qToLittleEndian<qint32>(value, image + m_offset + 1);
}

void TField::clearIn(char* image) const
{
    std::memset(image + m_offset, 0, static_cast<size_t>(1 + dataSize()));
}
