#include "SpreadsheetZip.h"

#include "LittleEndian.h"
#include "SpreadsheetReader.h"

#include <algorithm>
#include <array>
#include <memory>
#include <orcus/zip_archive.hpp>
#include <orcus/zip_archive_stream.hpp>

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
    const char* at(qsizetype offset) const { return m_data.constData() + offset; }

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
    const Bytes bytes(content);
    const qsizetype end = findEndOfDirectory(bytes, content.size());
    if (end < 0)
        return refuse("zip package without a central directory (truncated?)");
    const std::uint32_t count = bytes.u16(end + 10);
    const std::uint32_t directorySize = bytes.u32(end + 12);
    const std::uint32_t directoryOffset = bytes.u32(end + 16);
    if (count == 0xFFFF || directorySize == 0xFFFFFFFFu || directoryOffset == 0xFFFFFFFFu)
        return refuse("zip64 packages are not supported");
    if (count > static_cast<std::uint32_t>(maxEntries))
        return refuse("zip package with too many parts");
    if (!bytes.has(directoryOffset, directorySize))
        return refuse("zip central directory outside the file");

    SpreadsheetZipDirectory directory;
    qsizetype pos = directoryOffset;
    const qsizetype directoryEnd = static_cast<qsizetype>(directoryOffset) + directorySize;
    for (std::uint32_t i = 0; i < count; ++i)
    {
        if (pos + directoryHeaderSize > directoryEnd || bytes.u32(pos) != directorySignature)
            return refuse("damaged zip central directory");
        SpreadsheetZipEntry entry;
        entry.encrypted = (bytes.u16(pos + 8) & 1u) != 0;
        entry.method = bytes.u16(pos + 10);
        entry.packedSize = bytes.u32(pos + 20);
        entry.unpackedSize = bytes.u32(pos + 24);
        const qsizetype nameLength = bytes.u16(pos + 28);
        const qsizetype extraLength = bytes.u16(pos + 30);
        const qsizetype commentLength = bytes.u16(pos + 32);
        const qsizetype localOffset = bytes.u32(pos + 42);
        if (pos + directoryHeaderSize + nameLength > directoryEnd)
            return refuse("damaged zip central directory");
        entry.name.assign(bytes.at(pos + directoryHeaderSize), static_cast<std::size_t>(nameLength));

        // An unpacker may trust the local header instead; the larger claim is the one to bound.
        if (!bytes.has(localOffset, localHeaderSize) || bytes.u32(localOffset) != localSignature)
            return refuse("zip part without its local header");
        entry.encrypted = entry.encrypted || (bytes.u16(localOffset + 6) & 1u) != 0;
        entry.localOffset = static_cast<std::uint64_t>(localOffset);
        entry.packedSize = std::max<std::uint64_t>(entry.packedSize, bytes.u32(localOffset + 18));
        entry.unpackedSize = std::max<std::uint64_t>(entry.unpackedSize, bytes.u32(localOffset + 22));

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

std::vector<SpreadsheetZipPart> spreadsheetUnpackZip(const QByteArray& content,
                                                     const std::function<bool(std::string_view)>& wanted)
{
    orcus::zip_archive_stream_blob stream(reinterpret_cast<const std::uint8_t*>(content.constData()),
                                          static_cast<std::size_t>(content.size()));
    orcus::zip_archive archive(&stream);
    archive.load();
    std::vector<SpreadsheetZipPart> parts;
    std::vector<unsigned char> buffer;
    const std::size_t count = archive.get_file_entry_count();
    for (std::size_t i = 0; i < count; ++i)
    {
        SpreadsheetZipPart part;
        part.name = archive.get_file_entry_name(i);
        if (wanted && !wanted(part.name))
            continue;
        buffer.clear();
        if (!part.name.empty() && part.name.back() != '/' && archive.read_file_entry(part.name, buffer))
            part.data.assign(buffer.begin(), buffer.end());
        parts.push_back(std::move(part));
    }
    return parts;
}

void spreadsheetVisitZip(const QByteArray& content, const std::function<bool(std::string_view)>& wanted,
                         const std::function<void(std::string_view data)>& visit)
{
    const SpreadsheetZipDirectory directory = spreadsheetReadZipDirectory(content, 65535);
    if (!directory.valid)
        return;
    const Bytes bytes(content);
    std::unique_ptr<orcus::zip_archive_stream_blob> stream;
    std::unique_ptr<orcus::zip_archive> archive;
    std::vector<unsigned char> buffer;
    for (const SpreadsheetZipEntry& entry : directory.entries)
    {
        if (!wanted(entry.name))
            continue;
        const auto local = static_cast<qsizetype>(entry.localOffset);
        const qsizetype start = local + localHeaderSize + bytes.u16(local + 26) + bytes.u16(local + 28);
        const auto size = static_cast<qsizetype>(entry.packedSize);
        if (entry.method == 0 && entry.packedSize == entry.unpackedSize && bytes.has(start, size))
        {
            visit(std::string_view(bytes.at(start), static_cast<std::size_t>(size)));
            continue;
        }
        if (!archive)
        {
            stream = std::make_unique<orcus::zip_archive_stream_blob>(
                reinterpret_cast<const std::uint8_t*>(content.constData()), static_cast<std::size_t>(content.size()));
            archive = std::make_unique<orcus::zip_archive>(stream.get());
            archive->load();
        }
        buffer.clear();
        if (!archive->read_file_entry(entry.name, buffer))
            continue;
        // liborcus's XML parser runs on past the end of some damaged markup, skipping control
        // characters. The part comes unpacked with one more byte, a zero; a '<' there stops the
        // parser at once. (A stored part is followed by the "PK" of the package's next record.)
        std::size_t unpacked = buffer.size();
        if (unpacked == entry.unpackedSize + 1 && buffer.back() == 0)
            --unpacked;
        else
            buffer.push_back(0);
        buffer[unpacked] = '<';
        visit(std::string_view(reinterpret_cast<const char*>(buffer.data()), unpacked));
    }
}

namespace {
std::uint32_t crc32Of(const std::string& data)
{
    static const auto table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t n = 0; n < 256; ++n)
        {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    std::uint32_t crc = 0xFFFFFFFFu;
    for (const char ch : data)
        crc = table[(crc ^ static_cast<unsigned char>(ch)) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

void put16(QByteArray& out, std::uint32_t v)
{
    out.append(static_cast<char>(v & 0xFF)).append(static_cast<char>((v >> 8) & 0xFF));
}

void put32(QByteArray& out, std::uint32_t v)
{
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}
} // namespace

QByteArray spreadsheetStoredZip(const std::vector<SpreadsheetZipPart>& parts)
{
    QByteArray out;
    QByteArray directory;
    for (const SpreadsheetZipPart& part : parts)
    {
        const auto size = static_cast<std::uint32_t>(part.data.size());
        const auto nameSize = static_cast<std::uint32_t>(part.name.size());
        const std::uint32_t crc = crc32Of(part.data);
        const auto offset = static_cast<std::uint32_t>(out.size());
        put32(out, localSignature);
        put16(out, 20), put16(out, 0), put16(out, 0), put16(out, 0), put16(out, 0);
        put32(out, crc), put32(out, size), put32(out, size);
        put16(out, nameSize), put16(out, 0);
        out.append(part.name.data(), nameSize).append(part.data.data(), static_cast<qsizetype>(size));
        put32(directory, directorySignature);
        put16(directory, 20), put16(directory, 20), put16(directory, 0), put16(directory, 0);
        put16(directory, 0), put16(directory, 0);
        put32(directory, crc), put32(directory, size), put32(directory, size);
        put16(directory, nameSize), put16(directory, 0), put16(directory, 0), put16(directory, 0), put16(directory, 0);
        put32(directory, 0), put32(directory, offset);
        directory.append(part.name.data(), nameSize);
    }
    const auto directoryOffset = static_cast<std::uint32_t>(out.size());
    out += directory;
    put32(out, endOfDirectorySignature);
    put16(out, 0), put16(out, 0);
    put16(out, static_cast<std::uint32_t>(parts.size())), put16(out, static_cast<std::uint32_t>(parts.size()));
    put32(out, static_cast<std::uint32_t>(directory.size())), put32(out, directoryOffset), put16(out, 0);
    return out;
}
