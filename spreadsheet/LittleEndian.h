#pragma once

#include <QtGlobal>
#include <cstdint>

// Little-endian numbers as the workbook formats store them. `byteAt(i)` gives byte i as 0 .. 255,
// so each reader keeps its own rule for bytes outside its buffer.
template <typename ByteAt> std::uint32_t leU16(const ByteAt& byteAt, qint64 offset)
{
    return std::uint32_t(byteAt(offset)) | std::uint32_t(byteAt(offset + 1)) << 8;
}

template <typename ByteAt> std::uint32_t leU32(const ByteAt& byteAt, qint64 offset)
{
    return leU16(byteAt, offset) | leU16(byteAt, offset + 2) << 16;
}

// The same over bytes the caller has checked are there.
inline std::uint32_t leU16(const unsigned char* p)
{
    return leU16([p](qint64 i) { return p[i]; }, 0);
}

inline std::uint32_t leU32(const unsigned char* p)
{
    return leU32([p](qint64 i) { return p[i]; }, 0);
}
