#include "support/float_format.h"

#include <charconv>
#include <cmath>
#include <string_view>
#include <system_error>

namespace wexlin {

namespace {

// The shortest round-trip significant digits of |value| and the decimal
// exponent of the first digit: value = 0.d1d2d3... * 10^(exponent + 1).
struct ShortestDigits {
    std::string digits;
    int exponent{0};
};

ShortestDigits shortest_digits(double magnitude) {
    char buffer[64];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, magnitude, std::chars_format::scientific);
    std::string_view text(buffer, static_cast<std::size_t>(result.ptr - buffer));
    ShortestDigits out;
    std::size_t e_pos = text.find('e');
    for (std::size_t i = 0; i < e_pos; ++i)
        if (text[i] != '.') out.digits.push_back(text[i]);
    std::string_view exp_text = text.substr(e_pos + 1);
    int sign = 1;
    if (!exp_text.empty() && (exp_text[0] == '+' || exp_text[0] == '-')) {
        if (exp_text[0] == '-') sign = -1;
        exp_text.remove_prefix(1);
    }
    int exponent = 0;
    std::from_chars(exp_text.data(), exp_text.data() + exp_text.size(), exponent);
    out.exponent = sign * exponent;
    while (out.digits.size() > 1 && out.digits.back() == '0')
        out.digits.pop_back();
    return out;
}

// Writes digits d1d2... with the decimal point after position (exponent + 1).
std::string positional(const ShortestDigits& d, bool keep_fraction_digit) {
    std::string out;
    int point = d.exponent + 1; // digits before the decimal point
    int count = static_cast<int>(d.digits.size());
    if (point <= 0) {
        out = "0.";
        out.append(static_cast<std::size_t>(-point), '0');
        out += d.digits;
    } else if (point >= count) {
        out = d.digits;
        out.append(static_cast<std::size_t>(point - count), '0');
        if (keep_fraction_digit) out += ".0";
    } else {
        out = d.digits.substr(0, static_cast<std::size_t>(point));
        out += '.';
        out += d.digits.substr(static_cast<std::size_t>(point));
    }
    return out;
}

} // namespace

std::string format_float_display(double value) {
    if (std::isnan(value)) return "NaN";
    if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
    std::string out;
    if (std::signbit(value)) out.push_back('-');
    if (value == 0.0) {
        out.push_back('0');
        return out;
    }
    out.append(positional(shortest_digits(std::fabs(value)), false));
    return out;
}

std::string format_float_debug(double value) {
    if (std::isnan(value)) return "NaN";
    if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
    std::string out;
    if (std::signbit(value)) out.push_back('-');
    double magnitude = std::fabs(value);
    if (magnitude == 0.0) {
        out.append("0.0");
        return out;
    }
    ShortestDigits d = shortest_digits(magnitude);
    if (magnitude >= 1e16 || magnitude < 1e-4) {
        out.push_back(d.digits[0]);
        if (d.digits.size() > 1) {
            out.push_back('.');
            out.append(d.digits, 1);
        }
        out.push_back('e');
        out.append(std::to_string(d.exponent));
        return out;
    }
    out.append(positional(d, true));
    return out;
}

} // namespace wexlin
