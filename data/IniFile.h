#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <vector>

// Profile-string (INI) functions for the settings file, as the platform's functions behave:
// section and key names match without regard to letter case; lines outside a section and
// lines without '=' are ignored on reading; the first of duplicate sections or keys wins;
// reading trims blanks around the value and strips one pair of enclosing double or single
// quotes. Writing a key replaces its line, or adds it after the last line of its section, or
// adds the section at the end of the file; written lines end in CR LF and every other line is
// kept byte for byte (also LF-only endings and a last line without a newline). Text is code
// page 1254.
//
// The object reads the file once, answers reads and collects writes; updateFile() writes it
// back atomically (only when something changed). Lookups go through an index of the sections
// and of the keys of each section asked for, so reading and writing stay linear in the size of
// the file. A UTF-8 byte-order mark at the start is ignored, and not written back: the file is
// code page 1254. A name that is not a regular file (a FIFO, a device, also through a link) is
// never opened: it reads as unreadable. A file larger than MaxBytes is not read either: it reads
// as empty and is refused() (refusedText() tells the operator); the first updateFile() keeps it
// aside under asideName() before writing the new one, so nothing is lost.
class TIniFile
{
public:
    explicit TIniFile(QString fileName); // a missing or unreadable file reads as empty
    // Far above what the program writes (a few hundred bytes); a larger file is not its settings.
    static constexpr qint64 MaxBytes = 1024 * 1024;
    const QString& fileName() const { return m_fileName; }

    QString readString(const QString& section, const QString& key, const QString& defaultValue) const;
    // Missing key or text that is not a decimal integer: defaultValue.
    int readInteger(const QString& section, const QString& key, int defaultValue) const;
    bool valueExists(const QString& section, const QString& key) const;
    // CR and LF in the value would start new lines of the file; they are written as blanks.
    void writeString(const QString& section, const QString& key, const QString& value);
    void writeInteger(const QString& section, const QString& key, int value);

    // Writes the file through a temporary file renamed over it. Throws EFileError when that
    // fails, and when the file exists but could not be read (its other keys would be lost);
    // the old file then stays as it was.
    void updateFile();
    bool unreadable() const { return m_unreadable; }
    bool refused() const { return m_refusal != Refusal::None; }
    const QString& asideName() const { return m_aside; }
    QString refusedText() const; // empty when the file was not refused
    bool isDirty() const { return m_dirty; }
    QByteArray contents() const; // the bytes updateFile() would write

private:
    struct Line
    {
        QByteArray text;   // without its line ending
        QByteArray ending; // "\r\n", "\n", "\r" or empty for a last line without one
    };
    struct Section
    {
        int header;       // line of the first header of that name
        int end;          // line of the next header, or the number of lines
        int lastNonBlank; // last line of the section that is not blank (the header at least)
        bool keysIndexed = false;
        QHash<QString, int> keys; // folded name -> line of the first key of that name
    };
    int findSection(const QString& section) const;      // index into m_sections or -1
    int findKey(int section, const QString& key) const; // line index or -1
    void shiftFrom(int line);                           // a line was inserted at `line`
    static bool parseSection(const QByteArray& line, QByteArray* name);
    static bool parseKey(const QByteArray& line, QByteArray* name, QByteArray* value);

    enum class Refusal
    {
        None,
        TooLarge,
    };
    void refuse(Refusal refusal, qint64 size);

    QString m_fileName;
    QString m_aside;
    Refusal m_refusal = Refusal::None;
    qint64 m_foundSize = 0;
    QList<Line> m_lines;
    mutable std::vector<Section> m_sections; // first occurrences, in file order
    QHash<QString, int> m_sectionIndex;      // folded name -> index into m_sections
    bool m_dirty = false;
    bool m_unreadable = false;
};

// One-key conveniences: each reads the file; the writer writes it back at once.
QString IniReadString(const QString& fileName, const QString& section, const QString& key, const QString& defaultValue);
int IniReadInteger(const QString& fileName, const QString& section, const QString& key, int defaultValue);
bool IniWriteString(const QString& fileName, const QString& section, const QString& key, const QString& value);
