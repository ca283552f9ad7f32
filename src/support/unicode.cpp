#include "support/unicode.h"

#include <dlfcn.h>
#include <unicode/uchar.h>
#include <unicode/ustring.h>
#include <unicode/uvernum.h>

#include <climits>
#include <cstdint>

namespace wexlin::unicode {

namespace {

// ICU's functions carry its major version in their exported names
// (u_charType_72); its headers rename every call that way, and stringizing
// the renamed name gives the symbol to look up.
#define WEXLIN_ICU_SYMBOL(function) WEXLIN_ICU_STRINGIZE(function)
#define WEXLIN_ICU_STRINGIZE(name) #name

#define WEXLIN_ICU_FUNCTIONS(X)                                                                              \
    X(has_binary_property, u_hasBinaryProperty)                                                              \
    X(char_type, u_charType)                                                                                 \
    X(from_utf8, u_strFromUTF8WithSub)                                                                       \
    X(to_utf8, u_strToUTF8WithSub)                                                                           \
    X(upper, u_strToUpper)                                                                                   \
    X(lower, u_strToLower)

struct IcuLibrary {
#define WEXLIN_ICU_POINTER(member, function) decltype(&::function) member = nullptr;
    WEXLIN_ICU_FUNCTIONS(WEXLIN_ICU_POINTER)
#undef WEXLIN_ICU_POINTER
};

bool g_loaded = false;

const IcuLibrary* load() {
    static IcuLibrary library;
    void* handle = dlopen("libicuuc.so." U_ICU_VERSION_SHORT, RTLD_NOW | RTLD_LOCAL);
    if (!handle) return nullptr;
    g_loaded = true;
    bool complete = true;
#define WEXLIN_ICU_RESOLVE(member, function)                                                                 \
    library.member = reinterpret_cast<decltype(library.member)>(dlsym(handle, WEXLIN_ICU_SYMBOL(function))); \
    complete = complete && library.member != nullptr;
    WEXLIN_ICU_FUNCTIONS(WEXLIN_ICU_RESOLVE)
#undef WEXLIN_ICU_RESOLVE
    // The handle stays open for the life of the process, as a linked
    // library would.
    return complete ? &library : nullptr;
}

const IcuLibrary* icu() {
    static const IcuLibrary* library = load();
    return library;
}

bool is_ascii(std::string_view text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

std::string ascii_mapped(std::string_view text, bool upper) {
    std::string out(text);
    for (char& c : out) {
        if (upper && c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        if (!upper && c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

int32_t capacity_of(std::size_t size) {
    return size > static_cast<std::size_t>(INT32_MAX) ? INT32_MAX : static_cast<int32_t>(size);
}

// Runs an ICU call that writes into out, first with the room out has and,
// when ICU answers that it needs more, once more with that much. False when
// ICU fails.
template <typename Text, typename Call>
bool write_into(Text& out, Call call) {
    UErrorCode status = U_ZERO_ERROR;
    int32_t length = call(out.data(), capacity_of(out.size()), status);
    if (status == U_BUFFER_OVERFLOW_ERROR) {
        out.resize(static_cast<std::size_t>(length));
        status = U_ZERO_ERROR;
        length = call(out.data(), capacity_of(out.size()), status);
    }
    if (U_FAILURE(status)) return false;
    out.resize(static_cast<std::size_t>(length));
    return true;
}

// UTF-8 to UTF-16, the case mapping, and back, each step with ICU's own
// replacement of ill-formed input by U+FFFD. A failure inside ICU gives the
// empty text.
std::string icu_mapped(const IcuLibrary& library, std::string_view text, bool upper) {
    if (text.size() > static_cast<std::size_t>(INT32_MAX)) return {};
    const auto length = static_cast<int32_t>(text.size());
    // UTF-16 never needs more units than UTF-8 has bytes.
    std::u16string wide(text.size(), u'\0');
    bool ok = write_into(wide, [&](UChar* out, int32_t capacity, UErrorCode& status) {
        int32_t written = 0;
        library.from_utf8(out, capacity, &written, text.data(), length, 0xFFFD, nullptr, &status);
        return written;
    });
    if (!ok) return {};
    auto map = upper ? library.upper : library.lower;
    std::u16string cased(wide.size(), u'\0');
    ok = write_into(cased, [&](UChar* out, int32_t capacity, UErrorCode& status) {
        return map(out, capacity, wide.data(), static_cast<int32_t>(wide.size()), "", &status);
    });
    if (!ok) return {};
    // Most texts keep their length in UTF-8 through a case mapping.
    std::string out(text.size(), '\0');
    ok = write_into(out, [&](char* bytes, int32_t capacity, UErrorCode& status) {
        int32_t written = 0;
        library.to_utf8(bytes, capacity, &written, cased.data(), static_cast<int32_t>(cased.size()), 0xFFFD,
                        nullptr, &status);
        return written;
    });
    return ok ? out : std::string();
}

std::string mapped(std::string_view text, bool upper) {
    if (is_ascii(text)) return ascii_mapped(text, upper);
    if (const IcuLibrary* library = icu()) return icu_mapped(*library, text, upper);
    return ascii_mapped(text, upper);
}

} // namespace

std::string to_upper(std::string_view text) {
    return mapped(text, true);
}

std::string to_lower(std::string_view text) {
    return mapped(text, false);
}

bool is_white_space(char32_t c) {
    if (c < 0x80) return c == ' ' || (c >= 0x09 && c <= 0x0D);
    const IcuLibrary* library = icu();
    return library && library->has_binary_property(static_cast<UChar32>(c), UCHAR_WHITE_SPACE);
}

bool is_alphabetic(char32_t c) {
    if (c < 0x80) return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    const IcuLibrary* library = icu();
    return library && library->has_binary_property(static_cast<UChar32>(c), UCHAR_ALPHABETIC);
}

bool is_numeric(char32_t c) {
    if (c < 0x80) return c >= '0' && c <= '9';
    const IcuLibrary* library = icu();
    if (!library) return false;
    auto type = library->char_type(static_cast<UChar32>(c));
    return type == U_DECIMAL_DIGIT_NUMBER || type == U_LETTER_NUMBER || type == U_OTHER_NUMBER;
}

bool library_loaded() {
    return g_loaded;
}

} // namespace wexlin::unicode
