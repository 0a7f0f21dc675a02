#include "IniFile.h"

#include "Codec1254.h"
#include "DataErrors.h"
#include "SaveFile.h"

#include <QFile>

namespace {
bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

QByteArray trimBlanks(QByteArrayView v)
{
    qsizetype b = 0, e = v.size();
    while (b < e && isBlank(v[b]))
        ++b;
    while (e > b && isBlank(v[e - 1]))
        --e;
    return v.sliced(b, e - b).toByteArray();
}

bool sameName(const QByteArray& stored, const QString& wanted)
{
    return Cp1254::toUnicode(stored).compare(wanted.trimmed(), Qt::CaseInsensitive) == 0;
}

QByteArray oneLine(const QString& text)
{
    QByteArray bytes = Cp1254::fromUnicode(text);
    bytes.replace('\r', ' ').replace('\n', ' ');
    return bytes;
}
} // namespace

TIniFile::TIniFile(QString fileName) : m_fileName(std::move(fileName))
{
    QFile file(m_fileName);
    if (!file.open(QIODevice::ReadOnly))
    {
        // Writing back what could not be read would wipe the keys it holds.
        m_unreadable = file.exists();
        return;
    }
    const QByteArray all = file.readAll();
    qsizetype start = 0;
    while (start < all.size())
    {
        qsizetype i = start;
        while (i < all.size() && all[i] != '\n' && all[i] != '\r')
            ++i;
        Line line;
        line.text = all.mid(start, i - start);
        if (i < all.size())
        {
            const qsizetype endLen = (all[i] == '\r' && i + 1 < all.size() && all[i + 1] == '\n') ? 2 : 1;
            line.ending = all.mid(i, endLen);
            i += endLen;
        }
        m_lines << line;
        start = i;
    }
}

bool TIniFile::parseSection(const QByteArray& line, QByteArray* name)
{
    qsizetype b = 0;
    while (b < line.size() && isBlank(line[b]))
        ++b;
    if (b >= line.size() || line[b] != '[')
        return false;
    const qsizetype close = line.indexOf(']', b + 1);
    if (close < 0)
        return false;
    *name = trimBlanks(QByteArrayView(line).sliced(b + 1, close - b - 1));
    return true;
}

bool TIniFile::parseKey(const QByteArray& line, QByteArray* name, QByteArray* value)
{
    const qsizetype eq = line.indexOf('=');
    if (eq < 0)
        return false;
    *name = trimBlanks(QByteArrayView(line).first(eq));
    if (name->isEmpty())
        return false;
    *value = trimBlanks(QByteArrayView(line).sliced(eq + 1));
    return true;
}

int TIniFile::findSection(const QString& section) const
{
    QByteArray name;
    for (int i = 0; i < m_lines.size(); ++i)
        if (parseSection(m_lines[i].text, &name) && sameName(name, section))
            return i;
    return -1;
}

int TIniFile::sectionEnd(int headerLine) const
{
    QByteArray name;
    for (int i = headerLine + 1; i < m_lines.size(); ++i)
        if (parseSection(m_lines[i].text, &name))
            return i;
    return static_cast<int>(m_lines.size());
}

int TIniFile::findKey(int headerLine, const QString& key) const
{
    QByteArray name, value;
    const int end = sectionEnd(headerLine);
    for (int i = headerLine + 1; i < end; ++i)
        if (parseKey(m_lines[i].text, &name, &value) && sameName(name, key))
            return i;
    return -1;
}

bool TIniFile::valueExists(const QString& section, const QString& key) const
{
    const int h = findSection(section);
    return h >= 0 && findKey(h, key) >= 0;
}

QString TIniFile::readString(const QString& section, const QString& key, const QString& defaultValue) const
{
    const int h = findSection(section);
    const int k = h >= 0 ? findKey(h, key) : -1;
    if (k < 0)
        return defaultValue;
    QByteArray name, value;
    parseKey(m_lines[k].text, &name, &value);
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        value = value.mid(1, value.size() - 2);
    return Cp1254::toUnicode(value);
}

int TIniFile::readInteger(const QString& section, const QString& key, int defaultValue) const
{
    if (!valueExists(section, key))
        return defaultValue;
    bool ok = false;
    const int v = readString(section, key, QString()).trimmed().toInt(&ok);
    return ok ? v : defaultValue;
}

void TIniFile::writeString(const QString& section, const QString& key, const QString& value)
{
    const QByteArray text = oneLine(key.trimmed()) + '=' + oneLine(value);
    const QByteArray crlf("\r\n");
    const int h = findSection(section);
    if (h < 0)
    {
        if (!m_lines.isEmpty() && m_lines.back().ending.isEmpty())
            m_lines.back().ending = crlf;
        m_lines << Line{'[' + oneLine(section.trimmed()) + ']', crlf} << Line{text, crlf};
        m_dirty = true;
        return;
    }
    const int k = findKey(h, key);
    if (k >= 0)
    {
        if (m_lines[k].text != text || m_lines[k].ending != crlf)
        {
            m_lines[k] = Line{text, crlf};
            m_dirty = true;
        }
        return;
    }
    // After the last non-blank line of the section, so blank lines before the next section stay.
    int after = h;
    for (int i = h + 1; i < sectionEnd(h); ++i)
        if (!trimBlanks(m_lines[i].text).isEmpty())
            after = i;
    if (m_lines[after].ending.isEmpty())
        m_lines[after].ending = crlf;
    m_lines.insert(after + 1, Line{text, crlf});
    m_dirty = true;
}

void TIniFile::writeInteger(const QString& section, const QString& key, int value)
{
    writeString(section, key, QString::number(value));
}

QByteArray TIniFile::contents() const
{
    QByteArray out;
    for (const Line& l : m_lines)
        out += l.text + l.ending;
    return out;
}

bool TIniFile::updateFile()
{
    if (!m_dirty)
        return true;
    if (m_unreadable)
        return false;
    try
    {
        SaveFileAtomically(m_fileName, contents());
    }
    catch (const EFileError&)
    {
        return false;
    }
    m_dirty = false;
    return true;
}

QString IniReadString(const QString& fileName, const QString& section, const QString& key, const QString& defaultValue)
{
    return TIniFile(fileName).readString(section, key, defaultValue);
}

int IniReadInteger(const QString& fileName, const QString& section, const QString& key, int defaultValue)
{
    return TIniFile(fileName).readInteger(section, key, defaultValue);
}

bool IniWriteString(const QString& fileName, const QString& section, const QString& key, const QString& value)
{
    TIniFile ini(fileName);
    ini.writeString(section, key, value);
    return ini.updateFile();
}
