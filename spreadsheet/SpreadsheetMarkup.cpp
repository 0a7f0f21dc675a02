#include "SpreadsheetMarkup.h"

#include "SpreadsheetSheet.h"

#include <QDate>
#include <algorithm>

namespace {
bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}
} // namespace

std::string_view spreadsheetTrimmed(std::string_view s)
{
    while (!s.empty() && isBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

std::optional<std::int64_t> spreadsheetDigits(std::string_view s, std::int64_t limit)
{
    std::int64_t value = 0;
    std::size_t i = 0;
    for (; i < s.size() && static_cast<unsigned char>(s[i] - '0') < 10; ++i)
        value = value < limit ? value * 10 + (s[i] - '0') : limit;
    if (i > 0 && i == s.size())
        return std::min(value, limit);
    const std::string_view inner = spreadsheetTrimmed(s);
    if (inner.size() == s.size())
        return std::nullopt;
    return spreadsheetDigits(inner, limit);
}

std::optional<double> spreadsheetIsoSerial(std::string_view s)
{
    auto number = [&](std::size_t at, std::size_t length) -> int {
        int value = 0;
        if (at + length > s.size())
            return -1;
        for (std::size_t i = at; i < at + length; ++i)
        {
            if (s[i] < '0' || s[i] > '9')
                return -1;
            value = value * 10 + (s[i] - '0');
        }
        return value;
    };
    const int year = number(0, 4), month = number(5, 2), day = number(8, 2);
    if (year < 0 || month < 0 || day < 0 || s[4] != '-' || s[7] != '-')
        return std::nullopt;
    const QDate date(year, month, day);
    if (!date.isValid())
        return std::nullopt;
    double serial = double(spreadsheetDayZero().daysTo(date));
    if (s.size() > 10 && s[10] == 'T')
    {
        const int hour = number(11, 2), minute = number(14, 2);
        const int second = s.size() >= 19 && s[16] == ':' ? number(17, 2) : 0;
        if (hour < 0 || minute < 0 || second < 0 || s[13] != ':')
            return std::nullopt;
        double fraction = 0;
        if (s.size() > 20 && s[19] == '.')
        {
            double scale = 0.1;
            for (std::size_t i = 20; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i, scale /= 10)
                fraction += (s[i] - '0') * scale;
        }
        serial += (hour * 3600.0 + minute * 60.0 + second + fraction) / 86400.0;
    }
    return serial;
}

void spreadsheetAppendText(std::string& text, std::string_view s)
{
    const std::size_t room =
        spreadsheetCollectedTextBytes > text.size() ? spreadsheetCollectedTextBytes - text.size() : 0;
    s = s.substr(0, room);
    if (s.find('\r') == std::string_view::npos)
    {
        text += s;
        return;
    }
    for (std::size_t i = 0; i < s.size(); ++i)
        if (s[i] != '\r')
            text += s[i];
        else if (i + 1 >= s.size() || s[i + 1] != '\n')
            text += '\n';
}
