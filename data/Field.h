#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <functional>

class TRxMemoryData;

enum class TFieldType
{
    ftString,  // text of N single-byte characters, stored in N + 1 bytes (zero-terminated)
    ftInteger, // signed 32-bit, little-endian
};

// One field of a table. Its part of a record image is a presence byte (0: no value) followed
// by the payload. The as/setAs functions go to the table's current record, or to the record
// being edited or inserted; the In functions read or write any record image of the table
// (nullptr reads as no value). The object is owned by its table.
class TField
{
public:
    TRxMemoryData* dataSet() const { return m_table; }
    int index() const { return m_index; }
    const QString& fieldName() const { return m_name; }
    TFieldType dataType() const { return m_type; }
    int size() const { return m_size; }     // characters of a text field, 4 for an integer
    int offset() const { return m_offset; } // of the presence byte within the record image
    int dataSize() const;                   // payload bytes: size + 1 for text, 4 for integer

    QString asString() const;
    QByteArray asBytes() const; // raw code-page-1254 bytes before the zero byte
    qint32 asInteger() const;
    bool isNull() const; // presence byte 0

    void setAsString(const QString& value);
    void setAsBytes(const QByteArray& value);
    void setAsInteger(qint32 value);
    void clear(); // presence byte and payload back to zero

    bool isNullIn(const char* image) const;
    // A text field's characters before its zero byte, at most size(); empty without a value.
    QByteArrayView textIn(const char* image) const;
    // An integer field's value; 0 without a value.
    qint32 integerIn(const char* image) const;
    // As views show it: the text, or the number in decimal (empty without a value).
    QString displayIn(const char* image) const;
    QByteArray bytesIn(const char* image) const; // the shown text in code page 1254
    qint32 numberIn(const char* image) const;    // the value, or the number a text holds

    // Whether the text in image, upper-cased (Turkish), is upperKey, or begins with it.
    bool upperTextIs(const char* image, QByteArrayView upperKey, bool prefix = false) const;
    // What a record must hold to be found by value: an integer field the number value spells (an
    // empty value finds no value); a text field the text, or one beginning with it (prefix),
    // upper-cased on both sides when caseInsensitive.
    std::function<bool(const char* image)> matcher(const QString& value, bool caseInsensitive, bool prefix) const;

    // A text keeps at most size() characters, zero bytes after them. An integer field takes the
    // number the bytes spell (blanks around it allowed); empty bytes clear it, anything else
    // throws EDatabaseError and leaves the image as it was.
    void writeBytes(char* image, QByteArrayView value) const;
    void writeInteger(char* image, qint32 value) const; // a text field gets the decimal digits
    void clearIn(char* image) const;

private:
    friend class TRxMemoryData;
    TField(TRxMemoryData* table, int index, QString name, TFieldType type, int size, int offset);

    TRxMemoryData* m_table;
    int m_index;
    QString m_name;
    TFieldType m_type;
    int m_size;
    int m_offset;
};
