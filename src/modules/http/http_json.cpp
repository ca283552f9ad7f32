#include "modules/http/http_json.h"

#include <cmath>

#include "support/float_format.h"

namespace wexlin::http {

std::string to_json(const Value& value) {
    std::string out;
    append_json(out, value);
    return out;
}

void append_json_string(std::string& out, std::string_view text) {
    static constexpr char hex[] = "0123456789abcdef";
    out += '"';
    for (char c : text) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\b': out += "\\b"; break;
        case '\f': out += "\\f"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        // Pages are served as HTML, so JSON put into a page must not be able
        // to close a script element or open a tag or an entity there.
        case '<': out += "\\u003c"; break;
        case '>': out += "\\u003e"; break;
        case '&': out += "\\u0026"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                out += "\\u00";
                out += hex[(c >> 4) & 0xF];
                out += hex[c & 0xF];
            } else {
                out += c;
            }
        }
    }
    out += '"';
}

namespace {

void append_json_scalar(std::string& out, const Value& value) {
    switch (value.kind()) {
    case ValueKind::Number: out += std::to_string(value.as_number()); break;
    case ValueKind::Float:
        // JSON has no NaN or infinity.
        if (std::isfinite(value.as_float()))
            out += format_float_display(value.as_float());
        else
            out += "null";
        break;
    case ValueKind::String: append_json_string(out, value.as_string()); break;
    case ValueKind::Boolean: out += value.as_bool() ? "true" : "false"; break;
    default: out += "null"; break;
    }
}

constexpr NestedFormat json_format{
    "[",
    "]",
    "{",
    "}",
    ",",
    [](std::string& out, const std::string& key) {
        append_json_string(out, key);
        out += ':';
    },
    append_json_scalar,
};

} // namespace

// Nested values are walked without recursion, so any depth the interpreter
// can build has a JSON text.
void append_json(std::string& out, const Value& value) {
    write_nested(out, value, json_format);
}

} // namespace wexlin::http
