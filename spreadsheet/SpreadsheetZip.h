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
};

struct SpreadsheetZipDirectory
{
    bool valid = false;
    QString problem; // why the directory is not valid
    std::vector<SpreadsheetZipEntry> entries;

    bool contains(const std::string& name) const;
};

bool spreadsheetLooksLikeZip(const QByteArray& content);
SpreadsheetZipDirectory spreadsheetReadZipDirectory(const QByteArray& content, int maxEntries);

// Throws ESpreadsheetError when the package would unpack beyond the limits: too many parts,
// too large a total, or a part packed suspiciously tight (a zip bomb); or when a part declares
// fewer unpacked bytes than its packed data can hold (liborcus would read it cut short).
void spreadsheetCheckZipLimits(const SpreadsheetZipDirectory& directory, const SpreadsheetLimits& limits);

struct SpreadsheetZipPart
{
    std::string name;
    std::string data;
};

// The parts of the package whose names `wanted` accepts (all without it), unpacked through
// liborcus. Check the limits first.
std::vector<SpreadsheetZipPart> spreadsheetUnpackZip(const QByteArray& content,
                                                     const std::function<bool(std::string_view)>& wanted = {});
// Shows each part whose name `wanted` accepts to `visit`, one at a time: a stored part where it
// lies in `content`, a compressed one unpacked into a buffer reused for the next. Check the
// limits first.
void spreadsheetVisitZip(const QByteArray& content, const std::function<bool(std::string_view)>& wanted,
                         const std::function<void(std::string_view data)>& visit);
// A package of the parts, stored without compression, in their order.
QByteArray spreadsheetStoredZip(const std::vector<SpreadsheetZipPart>& parts);
