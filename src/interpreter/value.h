// Runtime values.
//
// A Value is 16 bytes: a kind tag, a 32-bit side field and an 8-byte payload.
// Numbers, floats, booleans, colours and circles live inline. Strings, arrays,
// dictionaries, functions, errors, rects and triangles live in reference-counted
// heap objects that are shared between copies. The language promises that every
// copy is deep; sharing keeps that promise because nothing ever writes into a
// shared object: a write first copies it if its count is above one
// (copy-on-write), so every variable still behaves as its own deep copy while
// a read, an argument or `[a, b]` costs O(1).
//
// Everything runs on one thread, so the counts are plain integers.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "support/symbol.h"

namespace wexlin {

struct CompiledFunction; // interpreter/program.h

enum class ValueKind : std::uint8_t {
    Number,
    Float,
    String,
    Boolean,
    Array,
    Dict,
    Function,
    BuiltinFunction,
    Rect,
    Color,
    Circle,
    Triangle,
    Null,
    Error,
};

struct RectShape {
    std::int32_t x{0}, y{0};
    std::uint32_t w{0}, h{0};
};
struct ColorShape {
    std::uint8_t r{0}, g{0}, b{0};
};
struct CircleShape {
    std::int32_t x{0}, y{0};
    std::uint32_t radius{0};
};
struct TriangleShape {
    std::int32_t x1{0}, y1{0}, x2{0}, y2{0}, x3{0}, y3{0};
};

class Dict;
class ValueArray; // value_array.h, included below
struct HeapObject;

class Value {
  public:
    Value() noexcept : m_kind(ValueKind::Null) { m_payload.bits = 0; }
    ~Value() { release(); }
    // Copies and moves go field by field. Taking the 16 bytes whole reads
    // fewer instructions but is much slower: a value is usually made by
    // separate narrow stores (tag, payload) just before it is moved, and a
    // wide load over narrow stores cannot be forwarded from the store buffer.
    Value(const Value& other) noexcept {
        copy_bits(other);
        retain();
    }
    Value(Value&& other) noexcept {
        copy_bits(other);
        other.m_kind = ValueKind::Null;
    }
    Value& operator=(const Value& other) noexcept {
        if (this != &other) {
            other.retain();
            release();
            copy_bits(other);
        }
        return *this;
    }
    Value& operator=(Value&& other) noexcept {
        if (this != &other) {
            release();
            copy_bits(other);
            other.m_kind = ValueKind::Null;
        }
        return *this;
    }

    static Value number(std::int64_t n) {
        Value v(ValueKind::Number);
        v.m_payload.i = n;
        return v;
    }
    static Value floating(double f) {
        Value v(ValueKind::Float);
        v.m_payload.f = f;
        return v;
    }
    static Value boolean(bool b) {
        Value v(ValueKind::Boolean);
        v.m_payload.b = b;
        return v;
    }
    static Value null() { return Value(); }
    static Value string(std::string text);
    static Value array(ValueArray items);
    static Value dict(Dict entries);
    static Value function(std::shared_ptr<const CompiledFunction> decl);
    static Value builtin_function(std::string full_name);
    static Value error(std::string message);
    static Value rect(RectShape r);
    static Value color(ColorShape c);
    static Value circle(CircleShape c);
    static Value triangle(TriangleShape t);

    ValueKind kind() const { return m_kind; }
    bool is(ValueKind k) const { return m_kind == k; }
    bool is_number() const { return m_kind == ValueKind::Number; }
    bool is_float() const { return m_kind == ValueKind::Float; }
    bool is_string() const { return m_kind == ValueKind::String; }
    bool is_boolean() const { return m_kind == ValueKind::Boolean; }
    bool is_array() const { return m_kind == ValueKind::Array; }
    bool is_dict() const { return m_kind == ValueKind::Dict; }
    bool is_function() const { return m_kind == ValueKind::Function; }
    bool is_builtin_function() const { return m_kind == ValueKind::BuiltinFunction; }
    bool is_null() const { return m_kind == ValueKind::Null; }
    bool is_error() const { return m_kind == ValueKind::Error; }

    std::int64_t as_number() const { return m_payload.i; }
    double as_float() const { return m_payload.f; }
    bool as_bool() const { return m_payload.b; }
    // String text, builtin function name, or error message.
    const std::string& as_string() const;
    const std::string& builtin_name() const { return as_string(); }
    const std::string& error_message() const { return as_string(); }
    const ValueArray& as_array() const;
    const Dict& as_dict() const;
    const std::shared_ptr<const CompiledFunction>& as_function() const;
    RectShape as_rect() const;
    ColorShape as_color() const;
    CircleShape as_circle() const;
    TriangleShape as_triangle() const;

    // Writable access; copies the storage first when another value shares it.
    std::string& string_mut();
    ValueArray& array_mut();

    // Whether this value is the only holder of its storage (always true inline).
    bool is_unique() const;

    std::string display_text() const;
    void append_display_text(std::string& out) const;
    std::string_view type_name() const;   // for error messages: "builtin function", "rect"...
    std::string_view typeof_name() const; // for typeof: "unknown" for functions and shapes
    bool is_truthy() const;
    std::string debug_form() const;

  private:
    void copy_bits(const Value& other) {
        m_kind = other.m_kind;
        m_aux = other.m_aux;
        m_payload = other.m_payload;
    }
    ValueArray& array_copy_for_write(); // array_mut on a shared array
    explicit Value(ValueKind kind) : m_kind(kind) { m_payload.bits = 0; }
    // One bit per kind whose payload lives in a heap object.
    static constexpr std::uint32_t heap_kinds =
        (1u << static_cast<unsigned>(ValueKind::String)) | (1u << static_cast<unsigned>(ValueKind::Array)) |
        (1u << static_cast<unsigned>(ValueKind::Dict)) | (1u << static_cast<unsigned>(ValueKind::Function)) |
        (1u << static_cast<unsigned>(ValueKind::BuiltinFunction)) |
        (1u << static_cast<unsigned>(ValueKind::Rect)) | (1u << static_cast<unsigned>(ValueKind::Triangle)) |
        (1u << static_cast<unsigned>(ValueKind::Error));
    bool is_heap() const { return (heap_kinds >> static_cast<unsigned>(m_kind)) & 1u; }
    void retain() const;
    void release();
    void destroy();
    static void release_nested(HeapObject* object, ValueKind kind);

    ValueKind m_kind;
    std::uint32_t m_aux{0};
    union {
        std::int64_t i;
        double f;
        bool b;
        std::uint64_t bits;
        HeapObject* object;
    } m_payload;
};

struct HeapObject {
    std::uint32_t refcount{1};
};

inline void Value::retain() const {
    if (is_heap()) ++m_payload.object->refcount;
}
inline void Value::release() {
    if (is_heap() && --m_payload.object->refcount == 0) destroy();
}
inline bool Value::is_unique() const {
    return !is_heap() || m_payload.object->refcount == 1;
}

} // namespace wexlin

// Array storage needs the complete Value; everyone who uses values uses it.
#include "interpreter/value_array.h"

namespace wexlin {

// Dictionary: unique string keys, visited in insertion order. The hashing is
// keyed with a per-process random key so crafted keys cannot force collisions.
class Dict {
  public:
    using Entry = std::pair<std::string, Value>;

    std::size_t size() const { return m_entries.size(); }
    bool empty() const { return m_entries.empty(); }
    const Value* find(std::string_view key) const;
    // Inserts or replaces; a replaced key keeps its place in the order.
    void set(std::string key, Value value);
    const std::vector<Entry>& entries() const { return m_entries; }
    auto begin() const { return m_entries.begin(); }
    auto end() const { return m_entries.end(); }

  private:
    friend class Value; // releases nested dictionaries without recursion

    std::size_t slot_of(std::string_view key, std::uint64_t hash) const;
    void rehash(std::size_t capacity);

    std::vector<Entry> m_entries;
    std::vector<std::uint32_t> m_index; // 0 = empty, else entry index + 1
};

// The heap objects behind the kinds that are read most, so that reading them
// needs no call.
struct StringObject : HeapObject {
    std::string text;
};
struct ArrayObject : HeapObject {
    ValueArray items;
};
struct DictObject : HeapObject {
    Dict dict;
};
struct FunctionObject : HeapObject {
    std::shared_ptr<const CompiledFunction> decl;
};

inline const std::string& Value::as_string() const {
    return static_cast<const StringObject*>(m_payload.object)->text;
}
inline const ValueArray& Value::as_array() const {
    return static_cast<const ArrayObject*>(m_payload.object)->items;
}
inline const Dict& Value::as_dict() const {
    return static_cast<const DictObject*>(m_payload.object)->dict;
}
inline const std::shared_ptr<const CompiledFunction>& Value::as_function() const {
    return static_cast<const FunctionObject*>(m_payload.object)->decl;
}
inline ValueArray& Value::array_mut() {
    if (m_payload.object->refcount > 1) [[unlikely]]
        return array_copy_for_write();
    return static_cast<ArrayObject*>(m_payload.object)->items;
}

// How write_nested spells the parts of arrays and dictionaries.
struct NestedFormat {
    std::string_view array_open;
    std::string_view array_close;
    std::string_view dict_open;
    std::string_view dict_close;
    std::string_view separator;
    void (*key)(std::string& out, const std::string& key);
    void (*scalar)(std::string& out, const Value& value); // everything but arrays and dictionaries
};

// Appends the text of value to out. Arrays and dictionaries are walked with
// an explicit stack, so a value nested a million levels deep prints like any
// other. Throws limits::LimitExceeded when out would grow past the string
// limit; out then holds a partial text.
void write_nested(std::string& out, const Value& value, const NestedFormat& format);

// Numeric argument rule shared by builtins and modules: a Number as it is, a
// Float truncated toward zero and saturated (NaN gives 0); nullopt otherwise.
bool numeric_argument(const Value& value, std::int64_t& out);
std::int64_t saturating_float_to_int(double value);

} // namespace wexlin
