// Prints what wexlin::unicode answers for every code point, so the whole
// table can be compared with the Unicode Character Database (see
// check_unicode_tables.py) or with another build of the same functions.
//
// One line per code point:
//   XXXX W A N SSSS U:<hex bytes> L:<hex bytes>
// W, A, N are the White_Space, Alphabetic and numeric answers (0 or 1);
// U and L the UTF-8 bytes of to_upper and to_lower of the code point alone
// (a surrogate's three-byte encoding, which is not UTF-8, included). SSSS
// says, for four texts around a capital sigma, whether it was lowered to
// the final form (1) or not (0):
//   X Σ,  α X Σ,  α Σ X,  α Σ X α
// which tells whether lowering counts X as cased and as case-ignorable.
// Without --all only the lines that differ from "0 0 0 0011", mapping to
// itself, are printed. Then come lines for ill-formed inputs:
//   bad <hex bytes> U:<hex bytes> L:<hex bytes>
//
// With --bench N, instead, times to_upper and to_lower of a long mixed text
// N times each.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "support/unicode.h"

namespace {

using wexlin::unicode::is_alphabetic;
using wexlin::unicode::is_numeric;
using wexlin::unicode::is_white_space;
using wexlin::unicode::to_lower;
using wexlin::unicode::to_upper;

// Encodes any value below 0x110000 the UTF-8 way, surrogates included, so
// that their (ill-formed) bytes can be swept too.
std::string encode(char32_t c) {
    std::string out;
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
    return out;
}

std::string hex(std::string_view bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (char b : bytes) {
        auto u = static_cast<unsigned char>(b);
        out.push_back(digits[u >> 4]);
        out.push_back(digits[u & 15]);
    }
    return out;
}

const std::string kAlpha = "\xce\xb1";        // α
const std::string kSigma = "\xce\xa3";        // Σ
const std::string kFinal = "\xcf\x82";        // ς
const std::size_t kAlphaSize = kAlpha.size(); // the lowered α keeps its size

bool ends_final(const std::string& text) {
    return text.size() >= kFinal.size() &&
           text.compare(text.size() - kFinal.size(), kFinal.size(), kFinal) == 0;
}

bool second_is_final(const std::string& text) {
    return text.compare(kAlphaSize, kFinal.size(), kFinal) == 0;
}

std::string sigma_flags(const std::string& x) {
    std::string flags;
    flags += ends_final(to_lower(x + kSigma)) ? '1' : '0';
    flags += ends_final(to_lower(kAlpha + x + kSigma)) ? '1' : '0';
    flags += second_is_final(to_lower(kAlpha + kSigma + x)) ? '1' : '0';
    flags += second_is_final(to_lower(kAlpha + kSigma + x + kAlpha)) ? '1' : '0';
    return flags;
}

void sweep(bool all) {
    for (char32_t c = 0; c < 0x110000; ++c) {
        const std::string text = encode(c);
        const bool w = is_white_space(c), a = is_alphabetic(c), n = is_numeric(c);
        const std::string upper = to_upper(text), lower = to_lower(text);
        const std::string flags = sigma_flags(text);
        if (!all && !w && !a && !n && flags == "0011" && upper == text && lower == text) continue;
        std::printf("%04X %d %d %d %s U:%s L:%s\n", static_cast<unsigned>(c), w, a, n, flags.c_str(),
                    hex(upper).c_str(), hex(lower).c_str());
    }
    // Beyond the last code point every property is false.
    for (char32_t c : {char32_t{0x110000}, char32_t{0x7FFFFFFF}, char32_t{0xFFFFFFFF}})
        if (is_white_space(c) || is_alphabetic(c) || is_numeric(c))
            std::printf("%X has a property\n", static_cast<unsigned>(c));

    const std::vector<std::string> bad = {
        "\xff",
        "\x80",
        "\xc3",
        "\xc0\x80",
        "\xc1\xbf",
        "\xe0\x80\x80",
        "\xe0\x9f\xbf",
        "\xed\xa0\x80",
        "\xed\xbf\xbf",
        "\xf0\x8f\xbf\xbf",
        "\xf4\x90\x80\x80",
        "\xf5\x80\x80\x80",
        "\xf8\x88\x80\x80\x80",
        "\xe2\x82",
        "\xf0\x9f\x98",
        "\xf0\x9f",
        "a\xff\x62\xc3",
        "\xc3\x9f\xff\xc3\x9f",
        "\xe2\x82\xc3\x9f",
        std::string("\xce\xa3\0\xce\xa3", 5),
        "\xce\xb1\xce\xa3\xff",
        "\xce\xb1\xce\xa3\xff\xce\xb1",
        "\xce\xb1\xff\xce\xa3",
        "\xce\xb1\xce\xa3\xed\xa0\x80",
        "\xce\xa3\xce\xa3\xce\xa3",
        "\xce\xb1\xcc\x81\xcc\x81\xce\xa3\xcc\x81\xcc\x81",
        "\xce\xb1\xce\xa3\xcc\x81\xcc\x81\xce\xb1",
    };
    for (const auto& text : bad)
        std::printf("bad %s U:%s L:%s\n", hex(text).c_str(), hex(to_upper(text)).c_str(),
                    hex(to_lower(text)).c_str());
}

// A long text of mixed scripts: ASCII, Latin with accents, Greek with final
// sigmas, Cyrillic, German sharp s, CJK without case, and an emoji.
void bench(int rounds) {
    const std::string piece = "Hello World, Straße café ΟΔΥΣΣΕΥΣ Москва 日本語 😀 ";
    std::string text;
    while (text.size() < 1 << 20)
        text += piece;
    for (bool upper : {true, false}) {
        std::size_t total = 0;
        auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < rounds; ++i)
            total += (upper ? to_upper(text) : to_lower(text)).size();
        auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("%s: %d x %zu bytes in %.3f s, %.1f MB/s (%zu bytes out)\n",
                    upper ? "to_upper" : "to_lower", rounds, text.size(), seconds,
                    rounds * static_cast<double>(text.size()) / seconds / 1e6, total);
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--bench") == 0) {
        bench(std::atoi(argv[2]));
        return 0;
    }
    sweep(argc == 2 && std::strcmp(argv[1], "--all") == 0);
    return 0;
}
