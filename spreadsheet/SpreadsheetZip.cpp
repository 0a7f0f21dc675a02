#include "SpreadsheetZip.h"

#include "LittleEndian.h"
#include "SpreadsheetReader.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <zlib.h>

namespace {
constexpr std::uint32_t endOfDirectorySignature = 0x06054b50;
constexpr std::uint32_t directorySignature = 0x02014b50;
constexpr std::uint32_t localSignature = 0x04034b50;
constexpr qsizetype endOfDirectorySize = 22;
constexpr qsizetype directoryHeaderSize = 46;
constexpr qsizetype localHeaderSize = 30;

// Little-endian reads that never step outside the buffer: out of range reads as "not there".
class Bytes
{
public:
    explicit Bytes(const QByteArray& data) : m_data(data) {}
    bool has(qsizetype offset, qsizetype count) const
    {
        return offset >= 0 && count >= 0 && offset <= m_data.size() && count <= m_data.size() - offset;
    }
    std::uint32_t u16(qsizetype offset) const
    {
        return leU16([this](qint64 i) { return byte(qsizetype(i)); }, offset);
    }
    std::uint32_t u32(qsizetype offset) const
    {
        return leU32([this](qint64 i) { return byte(qsizetype(i)); }, offset);
    }

private:
    std::uint32_t byte(qsizetype offset) const
    {
        return has(offset, 1) ? static_cast<unsigned char>(m_data[offset]) : 0u;
    }
    const QByteArray& m_data;
};

qsizetype findEndOfDirectory(const Bytes& bytes, qsizetype size)
{
    // The record sits at the end, followed by a comment of at most 65535 bytes.
    const qsizetype lowest = std::max<qsizetype>(0, size - endOfDirectorySize - 0xFFFF);
    for (qsizetype pos = size - endOfDirectorySize; pos >= lowest; --pos)
        if (bytes.u32(pos) == endOfDirectorySignature)
            return pos;
    return -1;
}

SpreadsheetZipDirectory refuse(const char* why)
{
    SpreadsheetZipDirectory directory;
    directory.problem = QString::fromLatin1(why);
    return directory;
}

// The bytes of a package fetched a block at a time around where they are asked for, so that a
// directory of many small records costs a few reads, and the package is never held whole.
class Window
{
public:
    Window(const SpreadsheetZipRead& read, qint64 size) : m_read(read), m_size(size) {}
    // The `count` bytes from `offset`; nullptr where the package ends first.
    const char* at(qint64 offset, qint64 count)
    {
        if (offset < 0 || count < 0 || count > m_size - offset)
            return nullptr;
        if (offset < m_start || offset + count > m_start + m_block.size())
        {
            m_start = offset;
            m_block = m_read(offset, std::max<qint64>(count, blockSize));
            if (m_block.size() < count)
                return nullptr;
        }
        return m_block.constData() + (offset - m_start);
    }
    std::uint32_t u16(const char* p) const { return leU16(reinterpret_cast<const unsigned char*>(p)); }
    std::uint32_t u32(const char* p) const { return leU32(reinterpret_cast<const unsigned char*>(p)); }

private:
    static constexpr qint64 blockSize = 64 * 1024;
    const SpreadsheetZipRead& m_read;
    qint64 m_size;
    qint64 m_start = 0;
    QByteArray m_block;
};
} // namespace

bool SpreadsheetZipDirectory::contains(const std::string& name) const
{
    return std::any_of(entries.begin(), entries.end(), [&](const SpreadsheetZipEntry& e) { return e.name == name; });
}

bool spreadsheetLooksLikeZip(const QByteArray& content)
{
    return content.startsWith(QByteArrayLiteral("PK\x03\x04"));
}

SpreadsheetZipDirectory spreadsheetReadZipDirectory(const QByteArray& content, int maxEntries)
{
    return spreadsheetReadZipDirectory([&](qint64 offset, qint64 count) { return content.mid(offset, count); },
                                       content.size(), maxEntries);
}

SpreadsheetZipDirectory spreadsheetReadZipDirectory(const SpreadsheetZipRead& read, qint64 size, int maxEntries)
{
    const qint64 tailSize = std::min<qint64>(size, endOfDirectorySize + 0xFFFF);
    const QByteArray tail = tailSize > 0 ? read(size - tailSize, tailSize) : QByteArray();
    const Bytes bytes(tail);
    const qsizetype end = findEndOfDirectory(bytes, tail.size());
    if (end < 0)
        return refuse("zip package without a central directory (truncated?)");
    const std::uint32_t count = bytes.u16(end + 10);
    const std::uint32_t directorySize = bytes.u32(end + 12);
    const std::uint32_t directoryOffset = bytes.u32(end + 16);
    if (count == 0xFFFF || directorySize == 0xFFFFFFFFu || directoryOffset == 0xFFFFFFFFu)
        return refuse("zip64 packages are not supported");
    if (count > static_cast<std::uint32_t>(maxEntries))
        return refuse("zip package with too many parts");
    if (qint64(directoryOffset) + directorySize > size)
        return refuse("zip central directory outside the file");

    SpreadsheetZipDirectory directory;
    Window window(read, size);
    qint64 pos = directoryOffset;
    const qint64 directoryEnd = qint64(directoryOffset) + directorySize;
    for (std::uint32_t i = 0; i < count; ++i)
    {
        const char* header = window.at(pos, directoryHeaderSize);
        if (!header || pos + directoryHeaderSize > directoryEnd || window.u32(header) != directorySignature)
            return refuse("damaged zip central directory");
        SpreadsheetZipEntry entry;
        entry.encrypted = (window.u16(header + 8) & 1u) != 0;
        entry.method = window.u16(header + 10);
        entry.crc = window.u32(header + 16);
        entry.packedSize = window.u32(header + 20);
        entry.unpackedSize = window.u32(header + 24);
        const qint64 nameLength = window.u16(header + 28);
        const qint64 extraLength = window.u16(header + 30);
        const qint64 commentLength = window.u16(header + 32);
        const qint64 localOffset = window.u32(header + 42);
        const char* name = window.at(pos + directoryHeaderSize, nameLength);
        if (!name || pos + directoryHeaderSize + nameLength > directoryEnd)
            return refuse("damaged zip central directory");
        entry.name.assign(name, static_cast<std::size_t>(nameLength));

        // An unpacker may trust the local header instead; the larger claim is the one to bound.
        const QByteArray localHeader = read(localOffset, localHeaderSize);
        const Bytes local(localHeader);
        if (localHeader.size() != localHeaderSize || local.u32(0) != localSignature)
            return refuse("zip part without its local header");
        entry.encrypted = entry.encrypted || (local.u16(6) & 1u) != 0;
        entry.localOffset = static_cast<std::uint64_t>(localOffset);
        entry.packedSize = std::max<std::uint64_t>(entry.packedSize, local.u32(18));
        entry.unpackedSize = std::max<std::uint64_t>(entry.unpackedSize, local.u32(22));
        entry.dataOffset = entry.localOffset + localHeaderSize + local.u16(26) + local.u16(28);
        if (entry.dataOffset + entry.packedSize > static_cast<std::uint64_t>(size))
            return refuse("zip part data outside the file");

        directory.entries.push_back(std::move(entry));
        pos += directoryHeaderSize + nameLength + extraLength + commentLength;
    }
    directory.valid = true;
    return directory;
}

void spreadsheetCheckZipLimits(const SpreadsheetZipDirectory& directory, const SpreadsheetLimits& limits)
{
    if (!directory.valid)
        throw ESpreadsheetError("unreadable workbook package: " + directory.problem.toStdString());
    std::uint64_t total = 0;
    for (const SpreadsheetZipEntry& entry : directory.entries)
    {
        if (entry.encrypted)
            throw ESpreadsheetError("encrypted workbook package part: " + entry.name);
        total += entry.unpackedSize;
        if (total > static_cast<std::uint64_t>(limits.maxUnpackedBytes))
            throw ESpreadsheetError("workbook package unpacks beyond " + std::to_string(limits.maxUnpackedBytes) +
                                    " bytes");
        // Deflate never grows data by more than a few bytes per 64 KiB block; packed data much
        // larger than the declared size means the size is false and the part would be cut.
        const bool sizeTooSmall = entry.method == 0
                                      ? entry.packedSize != entry.unpackedSize
                                      : entry.packedSize > entry.unpackedSize + entry.unpackedSize / 16 + 64;
        if (sizeTooSmall)
            throw ESpreadsheetError("workbook package part declares a false size: " + entry.name);
        if (entry.unpackedSize > static_cast<std::uint64_t>(limits.ratioFloorBytes) &&
            entry.unpackedSize / std::max<std::uint64_t>(entry.packedSize, 1) >
                static_cast<std::uint64_t>(limits.maxRatio))
            throw ESpreadsheetError("workbook package part packed beyond the allowed ratio (zip bomb?): " + entry.name);
    }
}

namespace {
// The first byte of [p, end) that is `a`, `b` or `c`, or `end`. Markup changes state every few
// bytes: a plain loop beats a library search (or a vector one), whose start costs more than
// such short stretches take.
inline const char* findAny(const char* p, const char* end, char a, char b, char c)
{
    for (; p < end; ++p)
        if (*p == a || *p == b || *p == c)
            return p;
    return end;
}

// Where the bytes a MarkupCap keeps go: written over the very bytes it reads, which the writing
// never overtakes (it only ever drops), or nowhere when `base` is null (a look whether anything
// would be cut).
struct Kept
{
    char* base = nullptr;
    std::size_t end = 0;

    void keep(const char* p, std::size_t n)
    {
        if (base && base + end != p)
            std::memmove(base + end, p, n);
        end += n;
    }
    void add(std::string_view s)
    {
        std::memcpy(base + end, s.data(), s.size());
        end += s.size();
    }
    std::string_view tail(std::size_t n) const { return {base + end - std::min(n, end), std::min(n, end)}; }
};

// The filter behind spreadsheetCappedMarkup, one piece of the part at a time: it remembers
// where in the markup a piece ended.
class MarkupCap
{
public:
    explicit MarkupCap(std::size_t cap) : m_cap(cap) {}

    // Takes the piece [in, in + n) into `kept`; false (and nothing written) at the first cut when
    // `kept` writes nowhere.
    bool feed(const char* in, std::size_t n, Kept& kept)
    {
        std::size_t i = 0;
        std::size_t from = 0; // bytes [from, i) are still to be kept, unless the run is dropped
        const auto flush = [&] {
            if (!m_dropping && i > from)
                kept.keep(in + from, i - from);
            from = i;
        };
        // The run ends at `i` unless its cut is done: what came before is kept, what follows dropped.
        const auto cut = [&](bool entity, char mark) {
            flush();
            m_cut = true;
            if (!kept.base)
                return false;
            kept.end -= trimmed(kept.tail(std::min<std::size_t>(m_run, 32)), in[i], entity, mark);
            m_dropping = true;
            return true;
        };
        const auto resume = [&] {
            m_dropping = false;
            from = i;
        };
        while (i < n)
        {
            if (!m_dropping)
                i = skimKept(in, i, n);
            if (i == n)
                break;
            switch (m_state)
            {
            case State::Text:
            case State::Quote: {
                const char end = m_state == State::Text ? '<' : m_quote;
                if (m_dropping)
                {
                    const auto* found = static_cast<const char*>(std::memchr(in + i, end, n - i));
                    if (!found)
                    {
                        i = n;
                        break;
                    }
                    i = std::size_t(found - in);
                    resume();
                }
                const std::size_t span = std::min(n - i, m_cap - m_run);
                if (const char* found = findAny(in + i, in + i + span, end, end, end); found != in + i + span)
                {
                    i = std::size_t(found - in) + 1;
                    leaveRun();
                    break;
                }
                m_run += span;
                i += span;
                if (i < n && in[i] == end)
                    ++i, leaveRun();
                else if (i < n && !cut(true, 0))
                    return false;
                break;
            }
            case State::Open:
                if (in[i] == '!')
                    m_state = State::Bang, m_bang.clear(), ++i;
                else if (in[i] == '?')
                    enter(State::Pi), ++i;
                else
                    enter(State::Tag);
                break;
            case State::Bang: {
                const std::string next = m_bang + in[i];
                if (next == "--")
                    enter(State::Comment);
                else if (next == "[CDATA[")
                    enter(State::CData);
                else if (!std::string_view("--").starts_with(next) && !std::string_view("[CDATA[").starts_with(next))
                {
                    // A declaration (<!DOCTYPE ...>) reads as a tag.
                    enter(State::Tag);
                    m_run = m_bang.size();
                    break;
                }
                m_bang = next;
                ++i;
                break;
            }
            case State::Tag:
                if (m_dropping)
                {
                    for (; i < n && !(in[i] == '>' && m_quote == 0); ++i)
                        if (m_quote != 0 && in[i] == m_quote)
                            m_quote = 0;
                        else if (m_quote == 0 && (in[i] == '"' || in[i] == '\''))
                            m_quote = in[i];
                    if (i < n)
                        resume();
                    break;
                }
                {
                    const std::size_t span = std::min(n - i, m_cap - m_run);
                    const std::size_t found = std::size_t(findAny(in + i, in + i + span, '>', '"', '\'') - in);
                    m_run += found - i;
                    i = found;
                }
                if (i == n)
                    break;
                if (in[i] == '>')
                    ++i, enter(State::Text);
                else if (in[i] == '"' || in[i] == '\'')
                {
                    m_quote = in[i++];
                    m_tagRun = m_run;
                    m_state = State::Quote;
                    m_run = 0;
                }
                else if (!cut(false, 0))
                    return false;
                break;
            case State::Comment:
            case State::CData:
            case State::Pi: {
                const char mark = m_state == State::Comment ? '-' : m_state == State::CData ? ']' : '?';
                const int marks = m_state == State::Pi ? 1 : 2;
                for (; i < n && !(in[i] == '>' && m_marks >= marks); ++i)
                {
                    m_marks = in[i] == mark ? m_marks + 1 : 0;
                    if (m_dropping)
                        continue;
                    if (m_run < m_cap)
                        ++m_run;
                    else if (!cut(false, mark))
                        return false;
                }
                if (i == n)
                    break;
                if (m_dropping)
                {
                    // The kept text ends with none of the closing marks, which were all dropped
                    // with at least as many bytes as they take written here.
                    kept.add(m_state == State::Comment ? "-->" : m_state == State::CData ? "]]>" : "?>");
                    m_dropping = false;
                    from = i + 1;
                }
                ++i;
                enter(State::Text);
                break;
            }
            }
        }
        flush();
        return true;
    }

    bool cutAny() const { return m_cut; }

private:
    // Text, tags and quoted values within the cap, the bulk of any part, taken in one tight loop
    // that leaves the rest (a cut, the piece's end, a comment and the like) to feed().
    std::size_t skimKept(const char* in, std::size_t i, std::size_t n)
    {
        const char* p = in + i;
        const char* const end = in + n;
        State state = m_state;
        std::size_t run = m_run;
        for (;;)
        {
            const auto limit = [&] { return p + std::min(std::size_t(end - p), m_cap - run); };
            if (state == State::Text)
            {
                const char* const stop = limit();
                const char* const found = findAny(p, stop, '<', '<', '<');
                run += std::size_t(found - p);
                p = found;
                if (found == stop || found + 1 == end || found[1] == '!' || found[1] == '?')
                    break;
                ++p, state = State::Tag, run = 0;
            }
            if (state == State::Tag)
            {
                const char* const stop = limit();
                const char* const found = findAny(p, stop, '>', '"', '\'');
                run += std::size_t(found - p);
                p = found;
                if (found == stop)
                    break;
                ++p;
                if (*found == '>')
                {
                    state = State::Text, run = 0;
                    continue;
                }
                m_quote = *found, m_tagRun = run, state = State::Quote, run = 0;
            }
            if (state != State::Quote)
                break;
            const char* const stop = limit();
            const char* const found = findAny(p, stop, m_quote, m_quote, m_quote);
            run += std::size_t(found - p);
            p = found;
            if (found == stop)
                break;
            ++p, state = State::Tag, run = m_tagRun, m_quote = 0;
        }
        m_state = state;
        m_run = run;
        return std::size_t(p - in);
    }

    enum class State
    {
        Text,    // character data between tags
        Open,    // past a '<'
        Bang,    // past "<!", before what it opens is known
        Tag,     // inside a tag, outside its quoted values
        Quote,   // inside an attribute's quoted value
        Comment, // <!-- ... -->
        CData,   // <![CDATA[ ... ]]>
        Pi,      // <? ... ?>
    };

    void enter(State state)
    {
        m_state = state;
        m_run = 0;
        m_marks = 0;
        m_quote = 0;
    }
    // Past the end of text ('<') or of a quoted value (its quote).
    void leaveRun()
    {
        if (m_state == State::Text)
            enter(State::Open);
        else
            m_state = State::Tag, m_run = m_tagRun, m_quote = 0;
    }

    // How many of the kept bytes before a cut go too: a character whose continuation bytes are
    // dropped, an entity without its ';', and the marks a closing delimiter is made of.
    static std::size_t trimmed(std::string_view kept, char firstDropped, bool entity, char mark)
    {
        const std::size_t size = kept.size();
        const auto isContinuation = [](char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; };
        if (isContinuation(firstDropped))
        {
            std::size_t k = 0;
            while (k < 3 && k < kept.size() && isContinuation(kept[kept.size() - 1 - k]))
                ++k;
            if (k < kept.size() && static_cast<unsigned char>(kept[kept.size() - 1 - k]) >= 0xC0)
                kept.remove_suffix(k + 1);
        }
        if (entity)
            if (const std::size_t at = kept.find_last_of("&;"); at != std::string_view::npos && kept[at] == '&')
                kept = kept.substr(0, at);
        while (mark != 0 && !kept.empty() && kept.back() == mark)
            kept.remove_suffix(1);
        return size - kept.size();
    }

    std::size_t m_cap;
    State m_state = State::Text;
    std::size_t m_run = 0;    // bytes of the current run kept so far
    std::size_t m_tagRun = 0; // of the tag around a quoted value
    std::string m_bang;
    int m_marks = 0; // closing marks ('-', ']', '?') just read
    char m_quote = 0;
    bool m_dropping = false;
    bool m_cut = false;
};

// Unpacked bytes land here a piece at a time, right after what was kept of the pieces before,
// and are cut in place: a part costs what is kept of it and one piece.
constexpr std::size_t pieceBytes = 256 * 1024;

struct PartBuffer
{
    // Left unfilled: pages never written to cost nothing, however large the part declares itself.
    explicit PartBuffer(std::uint64_t unpacked)
        : capacity(std::size_t(unpacked) + pieceBytes + 1), data(new char[capacity])
    {}
    std::size_t capacity;
    std::unique_ptr<char[]> data;
    Kept kept{data.get(), 0};
};

std::string damaged(const SpreadsheetZipEntry& entry, const char* why)
{
    return "workbook package part is damaged (" + std::string(why) + "): " + entry.name.substr(0, 64);
}

void unpackStored(const char* packed, const SpreadsheetZipEntry& entry, PartBuffer& part)
{
    MarkupCap cap(spreadsheetMarkupRunCap);
    for (std::uint64_t done = 0; done < entry.packedSize; done += pieceBytes)
    {
        const auto n = std::size_t(std::min<std::uint64_t>(pieceBytes, entry.packedSize - done));
        std::memcpy(part.data.get() + part.kept.end, packed + done, n);
        cap.feed(part.data.get() + part.kept.end, n, part.kept);
    }
}

void unpackDeflated(const char* packed, const SpreadsheetZipEntry& entry, PartBuffer& part)
{
    z_stream stream{};
    if (inflateInit2(&stream, -MAX_WBITS) != Z_OK)
        throw ESpreadsheetError("workbook package part could not be unpacked: " + entry.name.substr(0, 64));
    const std::unique_ptr<z_stream, int (*)(z_stream*)> ending(&stream, inflateEnd);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed));
    stream.avail_in = uInt(entry.packedSize);
    MarkupCap cap(spreadsheetMarkupRunCap);
    uLong crc = crc32(0, nullptr, 0);
    std::uint64_t unpacked = 0;
    for (;;)
    {
        char* piece = part.data.get() + part.kept.end;
        stream.next_out = reinterpret_cast<Bytef*>(piece);
        stream.avail_out = uInt(pieceBytes);
        const int status = inflate(&stream, Z_NO_FLUSH);
        const std::size_t n = pieceBytes - stream.avail_out;
        unpacked += n;
        if (unpacked > entry.unpackedSize)
            throw ESpreadsheetError(damaged(entry, "it unpacks to more bytes than it declares"));
        crc = crc32(crc, reinterpret_cast<const Bytef*>(piece), uInt(n));
        cap.feed(piece, n, part.kept);
        if (status == Z_STREAM_END)
            break;
        if (status != Z_OK)
            throw ESpreadsheetError(damaged(entry, status == Z_BUF_ERROR ? "cut short" : "bad compressed data"));
    }
    if (crc != entry.crc)
        throw ESpreadsheetError(damaged(entry, "CRC-32 mismatch"));
}
} // namespace

std::string spreadsheetCappedMarkup(std::string_view xml, std::size_t cap, std::size_t pieceSize)
{
    std::string out(xml.size() + 3, '\0');
    Kept kept{out.data(), 0};
    MarkupCap filter(cap);
    for (std::size_t done = 0; done < xml.size(); done += pieceSize)
    {
        const std::size_t n = std::min(pieceSize, xml.size() - done);
        std::memcpy(out.data() + kept.end, xml.data() + done, n);
        filter.feed(out.data() + kept.end, n, kept);
    }
    out.resize(kept.end);
    return out;
}

void spreadsheetVisitZip(const QByteArray& content, const std::function<bool(std::string_view)>& wanted,
                         const std::function<void(std::string_view data)>& visit)
{
    const SpreadsheetZipDirectory directory = spreadsheetReadZipDirectory(content, 65535);
    if (!directory.valid)
        return;
    for (const SpreadsheetZipEntry& entry : directory.entries)
    {
        if (!wanted(entry.name))
            continue;
        const char* packed = content.constData() + entry.dataOffset;
        if (entry.method == 0)
        {
            if (entry.packedSize != entry.unpackedSize)
                throw ESpreadsheetError(damaged(entry, "false size"));
            const auto size = std::size_t(entry.packedSize);
            if (crc32(0, reinterpret_cast<const Bytef*>(packed), uInt(size)) != entry.crc)
                throw ESpreadsheetError(damaged(entry, "CRC-32 mismatch"));
            // Where nothing needs cutting the part is read where it lies. (It is followed by the
            // "PK" of the package's next record, which no markup runs on into.)
            Kept nowhere;
            if (MarkupCap(spreadsheetMarkupRunCap).feed(packed, size, nowhere))
            {
                visit(std::string_view(packed, size));
                continue;
            }
        }
        else if (entry.method != 8)
            throw ESpreadsheetError(damaged(entry, "unknown compression method"));
        PartBuffer part(entry.unpackedSize);
        if (entry.method == 0)
            unpackStored(packed, entry, part);
        else
            unpackDeflated(packed, entry, part);
        // liborcus's XML parser runs on past the end of some damaged markup, skipping control
        // characters; a '<' right after the part stops it at once.
        part.data[part.kept.end] = '<';
        visit(std::string_view(part.data.get(), part.kept.end));
    }
}
