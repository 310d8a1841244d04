#include "inspect/exif_formatters.h"

#include "inspect/exif_values.h"
#include "inspect/text_util.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <stdexcept>
#include <string_view>
#include <vector>

namespace fetchly::inspect {
namespace {

bool parseInt(std::string_view s, long long &out, bool allowTrailingBlanks)
{
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    if (allowTrailingBlanks)
        s = trimBlanks(s);
    if (!s.empty() && s.front() == '+')
        s.remove_prefix(1);
    const auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    return !s.empty() && ec == std::errc() && ptr == s.data() + s.size();
}

// Splits "a, b, c" into its three numbers the way the GPS texts are laid out:
// each part ends at ", " and the rest starts one character after the comma,
// cut to 64 characters.
struct Triple {
    double a, b, c;
};

Triple splitTriple(std::string_view text)
{
    auto next = [](std::string_view &rest) {
        const std::size_t comma = rest.find(", ");
        const std::string_view head =
            comma == std::string_view::npos ? std::string_view{} : rest.substr(0, comma);
        const std::size_t from = comma == std::string_view::npos ? 0 : comma + 1;
        const double value = ParseFraction(head);
        rest = rest.substr(from, 64);
        return value;
    };
    Triple t{};
    t.a = next(text);
    t.b = next(text);
    t.c = ParseFraction(text);
    return t;
}

// Whole number, halves away from zero, never "-0".
double roundHalfAway(double v)
{
    return std::round(v) + 0.0;
}

} // namespace

std::string ComponentsText(const std::string &value)
{
    static const char *const names[] = {"", "Y", "Cb", "Cr", "R", "G", "B"};
    std::string out;
    for (std::size_t i = 1; i <= 4 && i < value.size(); ++i) {
        const auto c = static_cast<unsigned char>(value[i]);
        if (c >= 1 && c <= 6)
            out += names[c];
    }
    return out;
}

std::string ShutterText(const std::string &value)
{
    const double v = ParseFraction(value);
    const double t = 1.0 / std::pow(2.0, v);
    char buf[96];
    std::snprintf(buf, sizeof buf, "%4.4f sec", t);
    std::string out = buf;
    if (t <= 0.5) {
        const double inverse = std::nearbyint(1.0 / t); // ties to even
        if (std::isfinite(inverse)) {
            std::snprintf(buf, sizeof buf, " (1/%.0f)", inverse);
            out += buf;
        }
    }
    return out;
}

std::string FlashText(const std::string &value)
{
    long long f = 0;
    if (!parseInt(value, f, true))
        throw std::invalid_argument("'" + value + "' is not a valid integer value");
    std::string out = (f & 1) ? "On" : "Off";
    switch (f & 6) {
    case 2:
        out += ", UNKNOWN";
        break;
    case 4:
        out += ", no strobe return";
        break;
    case 6:
        out += ", strobe return";
        break;
    }
    switch (f & 0x18) {
    case 8:
        out += ", forced";
        break;
    case 16:
        out += ", surpressed";
        break;
    case 24:
        out += ", auto mode";
        break;
    }
    if (f & 0x20)
        out += ", no flash function";
    if (f & 0x40)
        out += ", red-eye reduction";
    return out;
}

std::string UserCommentFormatter(const std::string &value)
{
    return value.size() > 8 ? value.substr(8) : std::string();
}

std::string XpText(const std::string &value)
{
    std::vector<std::string_view> fields;
    std::string_view rest = value;
    for (;;) {
        const std::size_t comma = rest.find(',');
        fields.push_back(rest.substr(0, comma));
        if (comma == std::string_view::npos)
            break;
        rest = rest.substr(comma + 1);
    }
    const std::size_t commas = fields.size() - 1;
    std::string out;
    for (std::size_t k = 1; k <= commas; k += 2) {
        long long code = 0;
        if (parseInt(fields[k - 1], code, false) && (code & 0xFF) != 0)
            out += static_cast<char>(code & 0xFF);
    }
    return out;
}

std::string GpsPositionText(const std::string &value)
{
    Triple t = splitTriple(value);
    if (t.c == 0) {
        const double whole = std::trunc(t.b);
        t.c = (t.b - whole) * 100 * 0.6;
        t.b = whole;
    }
    char buf[256];
    std::snprintf(buf, sizeof buf, "%0.0f Degrees %0.0f Minutes %0.0f Seconds", roundHalfAway(t.a),
                  roundHalfAway(t.b), roundHalfAway(t.c));
    return buf;
}

std::string GpsTimeText(const std::string &value)
{
    const Triple t = splitTriple(value);
    char buf[256];
    std::snprintf(buf, sizeof buf, "%0.0f:%0.0f:%0.0f", roundHalfAway(t.a), roundHalfAway(t.b),
                  roundHalfAway(t.c));
    return buf;
}

} // namespace fetchly::inspect
