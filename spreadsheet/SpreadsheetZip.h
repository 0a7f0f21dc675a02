#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

struct SpreadsheetLimits;

// The table of contents of a zip package, read from its central directory and checked
// against the local headers, without unpacking anything.
struct SpreadsheetZipEntry
{
    std::string name;
    std::uint64_t packedSize = 0;
    std::uint64_t unpackedSize = 0; // the larger of the two sizes the package declares
    std::uint32_t method = 0;       // 0 stored, 8 deflated
    bool encrypted = false;
    std::uint64_t localOffset = 0; // of its local header
    std::uint64_t dataOffset = 0;  // of its packed bytes, past the local header
    std::uint32_t crc = 0;         // CRC-32 of the unpacked bytes, as the directory gives it
};

struct SpreadsheetZipDirectory
{
    bool valid = false;
    QString problem; // why the directory is not valid
    std::vector<SpreadsheetZipEntry> entries;

    bool contains(const std::string& name) const;
};

bool spreadsheetLooksLikeZip(const QByteArray& content);
// `count` bytes of a package from `offset`; fewer, or none, where the package ends.
using SpreadsheetZipRead = std::function<QByteArray(qint64 offset, qint64 count)>;
// The directory read from the package's tail and the few bytes of each local header, never
// the whole package: what `read` is asked for stays within the directory's bounds (at most
// maxEntries parts).
SpreadsheetZipDirectory spreadsheetReadZipDirectory(const SpreadsheetZipRead& read, qint64 size, int maxEntries);
SpreadsheetZipDirectory spreadsheetReadZipDirectory(const QByteArray& content, int maxEntries);

// Throws ESpreadsheetError when the package would unpack beyond the limits: too many parts,
// too large a total, or a part packed suspiciously tight (a zip bomb); or when a part declares
// fewer unpacked bytes than its packed data can hold (liborcus would read it cut short).
void spreadsheetCheckZipLimits(const SpreadsheetZipDirectory& directory, const SpreadsheetLimits& limits);

// Character data kept of each run of markup text: far more than a cell keeps, written with
// entities or escapes, and far less than what a hostile cell could cost.
constexpr std::size_t spreadsheetMarkupRunCap = 8192;

// Cuts every run of character data in XML (text between tags, a CDATA section, a comment, a
// processing instruction, an attribute value, the rest of a tag) beyond `cap` bytes, never
// inside a UTF-8 character or an entity, and keeps the markup around it whole. Fed piece by
// piece, as the bytes are unpacked; `pieceSize` is how the test splits its input.
std::string spreadsheetCappedMarkup(std::string_view xml, std::size_t cap, std::size_t pieceSize);

// Shows each part whose name `wanted` accepts to `visit`, one at a time, with its runs of
// character data cut to spreadsheetMarkupRunCap: a stored part where it lies in `content` when
// nothing needs cutting, otherwise a copy; a deflated part unpacked piece by piece and cut as it
// comes, so a huge cell never takes memory. Throws ESpreadsheetError for a part whose bytes do
// not unpack or do not match their CRC-32. Check the limits first.
void spreadsheetVisitZip(const QByteArray& content, const std::function<bool(std::string_view)>& wanted,
                         const std::function<void(std::string_view data)>& visit);
