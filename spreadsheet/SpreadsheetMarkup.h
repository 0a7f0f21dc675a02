#pragma once

#include "SpreadsheetReader.h"

#include <cstdint>
#include <optional>
#include <orcus/sax_parser.hpp>
#include <string>
#include <string_view>

// What the markup readers of the package formats (.xlsx, .ods) share: each part goes once through
// liborcus's XML parser with a handler of its own that keeps only what the import takes.

// What a part's handler leaves alone unless it says otherwise.
struct SpreadsheetMarkupHandler
{
    void doctype(const orcus::sax::doctype_declaration&) {}
    void start_declaration(std::string_view) {}
    void end_declaration(std::string_view) {}
    void attribute(const orcus::sax::parser_attribute&) {}
    void end_element(const orcus::sax::parser_element&) {}
    void characters(std::string_view, bool) {}
};

// A part whose markup is cut short is refused before the parser sees it: liborcus's parser reads
// one byte past the end of markup that stops inside a tag. Whole markup ends with a '>', whatever
// blanks follow it.
template <class H> void spreadsheetParseMarkup(std::string_view xml, H& handler)
{
    const std::size_t last = xml.find_last_not_of(" \t\r\n");
    if (last == std::string_view::npos || xml[last] != '>')
        throw ESpreadsheetError("workbook part cut short");
    orcus::sax_parser<H> parser(xml.data(), xml.size(), false, handler);
    parser.parse();
}

std::string_view spreadsheetTrimmed(std::string_view s);

// A whole number of decimal digits, cut at `limit` (at most 2^32); blanks around it are allowed.
std::optional<std::int64_t> spreadsheetDigits(std::string_view s, std::int64_t limit);

// A date as the package formats write it: "2024-03-15", "2024-03-15T10:30:00", with seconds'
// fractions and a zone that are of no account; as a day serial.
std::optional<double> spreadsheetIsoSerial(std::string_view s);

// Text a cell collects before the sheet keeps its first SpreadsheetSheet::maxCellBytes, with room
// for escapes that shrink when decoded.
constexpr std::size_t spreadsheetCollectedTextBytes = 3200;

// Appends characters as XML reads them: a CR LF pair, and a CR alone, are one LF (a multi-line
// cell shows LF). Past spreadsheetCollectedTextBytes nothing more is collected, so that a hostile
// cell costs no memory.
void spreadsheetAppendText(std::string& text, std::string_view s);
