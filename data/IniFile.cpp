#include "IniFile.h"

#include "Codec1254.h"
#include "DataErrors.h"
#include "SaveFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

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
    // Opening a FIFO for reading would wait for a writer that never comes; a device never ends.
    const QFileInfo info(m_fileName);
    if (info.exists() && !info.isFile())
    {
        m_unreadable = true;
        return;
    }
    if (info.size() > MaxBytes)
    {
        refuse(Refusal::TooLarge, info.size());
        return;
    }
    if (!file.open(QIODevice::ReadOnly))
    {
        // Writing back what could not be read would wipe the keys it holds.
        m_unreadable = file.exists();
        return;
    }
    QByteArray all = file.read(MaxBytes + 1);
    if (file.error() != QFileDevice::NoError)
    {
        m_unreadable = true;
        return;
    }
    if (all.size() > MaxBytes)
    {
        refuse(Refusal::TooLarge, file.size()); // it grew since it was looked at
        return;
    }
    // A text editor's byte-order mark; the program writes code page 1254, so it is not kept.
    if (all.startsWith("\xEF\xBB\xBF"))
        all.remove(0, 3);
    int open = -1; // the section whose lines follow, when it is the first of its name
    qsizetype start = 0;
    QByteArray name;
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
        const int index = static_cast<int>(m_lines.size());
        if (parseSection(line.text, &name))
        {
            if (open >= 0)
                m_sections[open].end = index;
            open = -1;
            const QString folded = Cp1254::toUnicode(name).toCaseFolded();
            if (!m_sectionIndex.contains(folded))
            {
                open = static_cast<int>(m_sections.size());
                m_sectionIndex.insert(folded, open);
                m_sections.push_back(Section{index, -1, index, false, {}});
            }
        }
        else if (open >= 0 && !trimBlanks(line.text).isEmpty())
        {
            m_sections[open].lastNonBlank = index;
        }
        m_lines << line;
        start = i;
    }
    if (open >= 0)
        m_sections[open].end = static_cast<int>(m_lines.size());
}

void TIniFile::refuse(Refusal refusal, qint64 size)
{
    m_unreadable = true;
    m_refusal = refusal;
    m_foundSize = size;
    m_aside = m_fileName + QStringLiteral(".okunamayan");
    for (int n = 2; QFileInfo::exists(m_aside) || QFileInfo(m_aside).isSymLink(); ++n)
        m_aside = m_fileName + QStringLiteral(".okunamayan_%1").arg(n);
}

QString TIniFile::refusedText() const
{
    const QString shown = QDir::toNativeSeparators(m_fileName);
    QString why;
    if (m_refusal == Refusal::TooLarge)
        why = QStringLiteral("dosya %1 MB, ayar dosyası en çok %2 MB olabilir")
                  .arg(QLocale(QLocale::Turkish).toString(double(m_foundSize) / (1024 * 1024), 'f', 1))
                  .arg(MaxBytes / (1024 * 1024));
    else
        return QString();
    return QStringLiteral("\"%1\" okunmadı: %2. Ayarlar varsayılan değerleriyle açıldı; dosya silinmeyecek, ilk "
                          "kayıtta \"%3\" adıyla kenara alınacak.")
        .arg(shown, why, QDir::toNativeSeparators(m_aside));
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
    return m_sectionIndex.value(section.trimmed().toCaseFolded(), -1);
}

int TIniFile::findKey(int section, const QString& key) const
{
    Section& s = m_sections[static_cast<size_t>(section)];
    if (!s.keysIndexed)
    {
        QByteArray name, value;
        for (int i = s.header + 1; i < s.end; ++i)
        {
            if (!parseKey(m_lines[i].text, &name, &value))
                continue;
            const QString folded = Cp1254::toUnicode(name).toCaseFolded();
            if (!s.keys.contains(folded)) // the first one wins
                s.keys.insert(folded, i);
        }
        s.keysIndexed = true;
    }
    return s.keys.value(key.trimmed().toCaseFolded(), -1);
}

void TIniFile::shiftFrom(int line)
{
    auto shift = [line](int& index) {
        if (index >= line)
            ++index;
    };
    for (Section& s : m_sections)
    {
        shift(s.header);
        shift(s.end);
        shift(s.lastNonBlank);
        for (int& k : s.keys)
            shift(k);
    }
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
    const QByteArray keyName = oneLine(key.trimmed());
    const QString foldedKey = Cp1254::toUnicode(keyName).toCaseFolded();
    const QByteArray text = keyName + '=' + oneLine(value);
    const QByteArray crlf("\r\n");
    const int h = findSection(section);
    if (h < 0)
    {
        if (!m_lines.isEmpty() && m_lines.back().ending.isEmpty())
            m_lines.back().ending = crlf;
        const QByteArray sectionName = oneLine(section.trimmed());
        const int header = static_cast<int>(m_lines.size());
        m_lines << Line{'[' + sectionName + ']', crlf} << Line{text, crlf};
        Section added{header, header + 2, header + 1, true, {}};
        added.keys.insert(foldedKey, header + 1);
        m_sectionIndex.insert(Cp1254::toUnicode(trimBlanks(sectionName)).toCaseFolded(),
                              static_cast<int>(m_sections.size()));
        m_sections.push_back(std::move(added));
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
    const int after = m_sections[static_cast<size_t>(h)].lastNonBlank;
    if (m_lines[after].ending.isEmpty())
        m_lines[after].ending = crlf;
    m_lines.insert(after + 1, Line{text, crlf});
    shiftFrom(after + 1);
    Section& s = m_sections[static_cast<size_t>(h)];
    s.lastNonBlank = after + 1;
    s.keys.insert(foldedKey, after + 1);
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

void TIniFile::updateFile()
{
    if (!m_dirty)
        return;
    if (m_unreadable && !refused())
        throw EFileError("Cannot write file", m_fileName);
    // A refused file is kept aside, never written over; a link is moved, not what it points to.
    if (refused())
    {
        if (!QFile::rename(m_fileName, m_aside))
            throw EFileError("Cannot keep the unreadable file aside", m_fileName);
        m_refusal = Refusal::None;
        m_unreadable = false;
    }
    SaveFileAtomically(m_fileName, contents());
    m_dirty = false;
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
    try
    {
        ini.updateFile();
    }
    catch (const EFileError&)
    {
        return false;
    }
    return true;
}
