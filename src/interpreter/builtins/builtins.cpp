#include "interpreter/builtins/builtins.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sodium.h>

#include "interpreter/graphics_ops/graphics_builtins.h"
#include "support/limits.h"
#include "support/unicode.h"
#include "support/utf8.h"

namespace wexlin {

namespace {

using Args = std::vector<Value>;

// --- argument helpers ---

bool as_integer(const Value& v, std::int64_t& out) {
    return numeric_argument(v, out);
}

bool as_double(const Value& v, double& out) {
    if (v.is_number()) {
        out = static_cast<double>(v.as_number());
        return true;
    }
    if (v.is_float()) {
        out = v.as_float();
        return true;
    }
    return false;
}

// --- random numbers ---

// A ChaCha20 key stream, keyed once from the operating system's random source.
class RandomStream {
  public:
    std::uint64_t next() {
        if (m_used + 8 > m_buffer.size()) refill();
        std::uint64_t value;
        std::memcpy(&value, m_buffer.data() + m_used, 8);
        m_used += 8;
        return value;
    }

  private:
    void refill() {
        if (!m_keyed) {
            if (sodium_init() < 0) std::abort();
            randombytes_buf(m_key, sizeof m_key);
            m_keyed = true;
        }
        std::array<unsigned char, 4096> zeros{};
        crypto_stream_chacha20_xor_ic(m_buffer.data(), zeros.data(), zeros.size(), m_nonce, m_counter, m_key);
        m_counter += zeros.size() / 64;
        m_used = 0;
    }

    std::array<unsigned char, 4096> m_buffer{};
    std::size_t m_used{4096};
    unsigned char m_key[crypto_stream_chacha20_KEYBYTES]{};
    unsigned char m_nonce[crypto_stream_chacha20_NONCEBYTES]{};
    std::uint64_t m_counter{0};
    bool m_keyed{false};
};

RandomStream& random_stream() {
    thread_local RandomStream stream;
    return stream;
}

// --- text helpers ---

// --- console ---

Value b_print(Args& args, GraphicsState&) {
    for (const auto& arg : args) {
        std::string text = arg.display_text();
        text.push_back('\n');
        std::fwrite(text.data(), 1, text.size(), stdout);
    }
    return Value::null();
}

Value b_input(Args& args, GraphicsState&) {
    if (args.empty()) return Value::null();
    std::string prompt = args[0].display_text();
    std::fwrite(prompt.data(), 1, prompt.size(), stdout);
    std::fflush(stdout);
    std::string line;
    int c;
    bool too_long = false;
    while ((c = std::fgetc(stdin)) != EOF) {
        if (c == '\n') break;
        // A line past the string limit is read to its end and refused, so
        // input without line breaks cannot take all memory.
        if (line.size() < limits::max_string_length)
            line.push_back(static_cast<char>(c));
        else
            too_long = true;
    }
    if (too_long) throw limits::LimitExceeded(limits::string_too_large);
    // A String is UTF-8 text: bytes that are not (a file in another encoding
    // piped in, a stray byte) become U+FFFD, so the rest of the line is kept
    // and every text function sees the same characters.
    if (!utf8::is_valid(line)) {
        line = utf8::decode_lossy(line);
        limits::check_string_length(line.size());
    }
    return Value::string(trim_unicode_whitespace(line));
}

// --- text ---

Value b_len(Args& args, GraphicsState&) {
    if (args.empty()) return Value::null();
    const Value& a = args[0];
    if (a.is_string()) return Value::number(static_cast<std::int64_t>(a.as_string().size()));
    if (a.is_array()) return Value::number(static_cast<std::int64_t>(a.as_array().size()));
    if (a.is_dict()) return Value::number(static_cast<std::int64_t>(a.as_dict().size()));
    return Value::null();
}

Value b_upper(Args& args, GraphicsState&) {
    if (args.empty() || !args[0].is_string()) return Value::null();
    return Value::string(unicode::to_upper(args[0].as_string()));
}

Value b_lower(Args& args, GraphicsState&) {
    if (args.empty() || !args[0].is_string()) return Value::null();
    return Value::string(unicode::to_lower(args[0].as_string()));
}

Value b_slice(Args& args, GraphicsState&) {
    if (args.size() < 3 || !args[0].is_string()) return Value::null();
    std::int64_t start_signed = 0;
    std::int64_t end_signed = 0;
    if (!as_integer(args[1], start_signed) || !as_integer(args[2], end_signed)) return Value::null();
    // Compared as unsigned, a negative position is past any length.
    auto start = static_cast<std::uint64_t>(start_signed);
    auto end = static_cast<std::uint64_t>(end_signed);
    if (start > end) return Value::string("");
    const std::string& text = args[0].as_string();
    std::size_t byte_start = text.size();
    std::size_t byte_end = text.size();
    std::uint64_t index = 0;
    for (std::size_t i = 0; i < text.size();) {
        if (index == start) byte_start = i;
        if (index == end) {
            byte_end = i;
            break;
        }
        utf8::decode(text, i);
        ++index;
    }
    if (byte_start > byte_end) byte_start = byte_end;
    return Value::string(text.substr(byte_start, byte_end - byte_start));
}

Value b_contains(Args& args, GraphicsState&) {
    if (args.size() < 2) return Value::null();
    std::string haystack = args[0].display_text();
    std::string needle = args[1].display_text();
    return Value::boolean(haystack.find(needle) != std::string::npos);
}

Value b_split(Args& args, GraphicsState&) {
    if (args.size() < 2) return Value::null();
    std::string text = args[0].display_text();
    std::string separator = args[1].display_text();
    ValueArray pieces;
    if (separator.empty()) {
        // Every character boundary matches, the start and the end included.
        pieces.push_back(Value::string(""));
        for (std::size_t i = 0; i < text.size();) {
            std::size_t start = i;
            utf8::decode(text, i);
            pieces.push_back(Value::string(text.substr(start, i - start)));
        }
        pieces.push_back(Value::string(""));
        return Value::array(std::move(pieces));
    }
    std::size_t start = 0;
    while (true) {
        std::size_t found = text.find(separator, start);
        if (found == std::string::npos) break;
        pieces.push_back(Value::string(text.substr(start, found - start)));
        start = found + separator.size();
    }
    pieces.push_back(Value::string(text.substr(start)));
    return Value::array(std::move(pieces));
}

Value b_concat(Args& args, GraphicsState&) {
    std::string out;
    for (const auto& arg : args)
        arg.append_display_text(out);
    return Value::string(std::move(out));
}

// --- arrays ---

Value b_push(Args& args, GraphicsState&) {
    if (args.size() < 2 || !args[0].is_array()) return Value::null();
    // When the caller handed over the only reference, the array grows in place.
    Value result = std::move(args[0]);
    result.array_mut().push_back(std::move(args[1]));
    return result;
}

Value b_pop(Args& args, GraphicsState&) {
    if (args.empty() || !args[0].is_array() || args[0].as_array().empty()) return Value::null();
    return args[0].as_array().back();
}

Value b_reverse(Args& args, GraphicsState&) {
    if (args.empty() || !args[0].is_array()) return Value::null();
    const auto& items = args[0].as_array();
    return Value::array(ValueArray(items.rbegin(), items.rend()));
}

// --- arithmetic ---

Value b_abs(Args& args, GraphicsState&) {
    if (args.empty()) return Value::null();
    const Value& a = args[0];
    if (a.is_number()) {
        std::int64_t n = a.as_number();
        return Value::number(n < 0 ? static_cast<std::int64_t>(0 - static_cast<std::uint64_t>(n)) : n);
    }
    if (a.is_float()) return Value::floating(std::fabs(a.as_float()));
    return Value::null();
}

Value b_sqrt(Args& args, GraphicsState&) {
    double x = 0;
    if (args.empty() || !as_double(args[0], x)) return Value::null();
    return Value::floating(std::sqrt(x));
}

Value b_pow(Args& args, GraphicsState&) {
    double a = 0;
    double b = 0;
    if (args.size() < 2 || !as_double(args[0], a) || !as_double(args[1], b)) return Value::null();
    return Value::floating(std::pow(a, b));
}

Value extreme(Args& args, bool want_max) {
    if (args.size() < 2) return Value::null();
    bool found = false;
    double best = 0;
    for (const auto& arg : args) {
        double x = 0;
        if (!as_double(arg, x)) continue;
        if (!found || (want_max ? x > best : x < best)) best = x;
        found = true;
    }
    return found ? Value::floating(best) : Value::null();
}

Value b_min(Args& args, GraphicsState&) {
    return extreme(args, false);
}
Value b_max(Args& args, GraphicsState&) {
    return extreme(args, true);
}

template <double (*Round)(double)>
Value rounded(Args& args, GraphicsState&) {
    double x = 0;
    if (args.empty() || !as_double(args[0], x)) return Value::null();
    return Value::number(saturating_float_to_int(Round(x)));
}

double floor_of(double x) {
    return std::floor(x);
}
double ceil_of(double x) {
    return std::ceil(x);
}
double round_of(double x) {
    return std::round(x);
}

Value b_random(Args&, GraphicsState&) {
    std::uint64_t r = random_stream().next();
    return Value::floating(static_cast<double>(r >> 11) * 0x1.0p-53);
}

Value b_random_range(Args& args, GraphicsState&) {
    std::int64_t start = 0;
    std::int64_t end = 0;
    if (args.size() < 2 || !as_integer(args[0], start) || !as_integer(args[1], end)) return Value::null();
    auto span =
        static_cast<std::int64_t>(static_cast<std::uint64_t>(end) - static_cast<std::uint64_t>(start));
    if (span == 0) return Value::null(); // an empty range has no value to draw
    auto r = static_cast<std::int64_t>(random_stream().next());
    std::int64_t rem = span == -1 ? 0 : r % span;
    return Value::number(
        static_cast<std::int64_t>(static_cast<std::uint64_t>(start) + static_cast<std::uint64_t>(rem)));
}

// --- kinds ---

Value b_typeof(Args& args, GraphicsState&) {
    if (args.empty()) return Value::null();
    return Value::string(std::string(args[0].typeof_name()));
}

Value b_is_number(Args& args, GraphicsState&) {
    return Value::boolean(!args.empty() && (args[0].is_number() || args[0].is_float()));
}
Value b_is_string(Args& args, GraphicsState&) {
    return Value::boolean(!args.empty() && args[0].is_string());
}
Value b_is_array(Args& args, GraphicsState&) {
    return Value::boolean(!args.empty() && args[0].is_array());
}
Value b_is_dict(Args& args, GraphicsState&) {
    return Value::boolean(!args.empty() && args[0].is_dict());
}

constexpr std::array<Builtin, 39> table = {{
    {"print", b_print},
    {"input", b_input},
    {"len", b_len},
    {"upper", b_upper},
    {"lower", b_lower},
    {"slice", b_slice},
    {"contains", b_contains},
    {"split", b_split},
    {"concat", b_concat},
    {"push", b_push},
    {"pop", b_pop},
    {"reverse", b_reverse},
    {"abs", b_abs},
    {"sqrt", b_sqrt},
    {"pow", b_pow},
    {"min", b_min},
    {"max", b_max},
    {"floor", rounded<floor_of>},
    {"ceil", rounded<ceil_of>},
    {"round", rounded<round_of>},
    {"random", b_random},
    {"random_range", b_random_range},
    {"typeof", b_typeof},
    {"is_number", b_is_number},
    {"is_string", b_is_string},
    {"is_array", b_is_array},
    {"is_dict", b_is_dict},
    {"window", graphics::builtin_window},
    {"window_width", graphics::builtin_window_width},
    {"window_height", graphics::builtin_window_height},
    {"clear", graphics::builtin_clear},
    {"present", graphics::builtin_present},
    {"is_open", graphics::builtin_is_open},
    {"rect", graphics::builtin_rect},
    {"circle", graphics::builtin_circle},
    {"triangle", graphics::builtin_triangle},
    {"color", graphics::builtin_color},
    {"fill", graphics::builtin_fill},
    {"draw", graphics::builtin_draw},
}};

} // namespace

std::span<const Builtin> builtin_table() {
    return table;
}

int builtin_index(std::string_view name) {
    for (std::size_t i = 0; i < table.size(); ++i)
        if (table[i].name == name) return static_cast<int>(i);
    return -1;
}

std::string trim_unicode_whitespace(std::string_view text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end) {
        std::size_t next = begin;
        char32_t cp = utf8::decode(text, next);
        if (!unicode::is_white_space(cp)) break;
        begin = next;
    }
    while (end > begin) {
        // Step back to the start of the last code point.
        std::size_t start = end - 1;
        while (start > begin && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80)
            --start;
        std::size_t probe = start;
        char32_t cp = utf8::decode(text, probe);
        if (!unicode::is_white_space(cp)) break;
        end = start;
    }
    return std::string(text.substr(begin, end - begin));
}

} // namespace wexlin
