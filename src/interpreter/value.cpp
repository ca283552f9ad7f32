#include "interpreter/value.h"

#include <cmath>
#include <cstring>
#include <iterator>
#include <limits>
#include <new>
#include <sodium.h>

#include "interpreter/program.h"
#include "support/float_format.h"
#include "support/limits.h"

namespace wexlin {

namespace {

struct RectObject : HeapObject {
    RectShape rect;
};
struct TriangleObject : HeapObject {
    TriangleShape triangle;
};

template <typename T>
T* object_of(HeapObject* object) {
    return static_cast<T*>(object);
}

} // namespace

Value Value::string(std::string text) {
    Value v(ValueKind::String);
    auto* object = new StringObject;
    object->text = std::move(text);
    v.m_payload.object = object;
    return v;
}

Value Value::builtin_function(std::string full_name) {
    Value v = string(std::move(full_name));
    v.m_kind = ValueKind::BuiltinFunction;
    return v;
}

Value Value::error(std::string message) {
    Value v = string(std::move(message));
    v.m_kind = ValueKind::Error;
    return v;
}

Value Value::array(ValueArray items) {
    Value v(ValueKind::Array);
    auto* object = new ArrayObject;
    object->items = std::move(items);
    v.m_payload.object = object;
    return v;
}

Value Value::dict(Dict entries) {
    Value v(ValueKind::Dict);
    auto* object = new DictObject;
    object->dict = std::move(entries);
    v.m_payload.object = object;
    return v;
}

Value Value::function(std::shared_ptr<const CompiledFunction> decl) {
    Value v(ValueKind::Function);
    auto* object = new FunctionObject;
    object->decl = std::move(decl);
    v.m_payload.object = object;
    return v;
}

Value Value::rect(RectShape r) {
    Value v(ValueKind::Rect);
    auto* object = new RectObject;
    object->rect = r;
    v.m_payload.object = object;
    return v;
}

Value Value::triangle(TriangleShape t) {
    Value v(ValueKind::Triangle);
    auto* object = new TriangleObject;
    object->triangle = t;
    v.m_payload.object = object;
    return v;
}

Value Value::color(ColorShape c) {
    Value v(ValueKind::Color);
    v.m_payload.bits = static_cast<std::uint64_t>(c.r) | (static_cast<std::uint64_t>(c.g) << 8) |
                       (static_cast<std::uint64_t>(c.b) << 16);
    return v;
}

Value Value::circle(CircleShape c) {
    Value v(ValueKind::Circle);
    v.m_payload.bits = static_cast<std::uint64_t>(static_cast<std::uint32_t>(c.x)) |
                       (static_cast<std::uint64_t>(static_cast<std::uint32_t>(c.y)) << 32);
    v.m_aux = c.radius;
    return v;
}

RectShape Value::as_rect() const {
    return object_of<RectObject>(m_payload.object)->rect;
}
TriangleShape Value::as_triangle() const {
    return object_of<TriangleObject>(m_payload.object)->triangle;
}
ColorShape Value::as_color() const {
    return ColorShape{static_cast<std::uint8_t>(m_payload.bits),
                      static_cast<std::uint8_t>(m_payload.bits >> 8),
                      static_cast<std::uint8_t>(m_payload.bits >> 16)};
}
CircleShape Value::as_circle() const {
    return CircleShape{static_cast<std::int32_t>(static_cast<std::uint32_t>(m_payload.bits)),
                       static_cast<std::int32_t>(static_cast<std::uint32_t>(m_payload.bits >> 32)), m_aux};
}

std::string& Value::string_mut() {
    auto* object = object_of<StringObject>(m_payload.object);
    if (object->refcount > 1) {
        auto* copy = new StringObject;
        copy->text = object->text;
        --object->refcount;
        m_payload.object = copy;
        return copy->text;
    }
    return object->text;
}

ValueArray& Value::array_copy_for_write() {
    auto* object = object_of<ArrayObject>(m_payload.object);
    auto* copy = new ArrayObject;
    copy->items = object->items;
    --object->refcount;
    m_payload.object = copy;
    return copy->items;
}

void Value::destroy() {
    HeapObject* object = m_payload.object;
    switch (m_kind) {
    case ValueKind::String:
    case ValueKind::BuiltinFunction:
    case ValueKind::Error: delete object_of<StringObject>(object); break;
    case ValueKind::Array:
    case ValueKind::Dict: release_nested(object, m_kind); break;
    case ValueKind::Function: delete object_of<FunctionObject>(object); break;
    case ValueKind::Rect: delete object_of<RectObject>(object); break;
    case ValueKind::Triangle: delete object_of<TriangleObject>(object); break;
    default: break;
    }
    m_kind = ValueKind::Null;
}

// Arrays and dictionaries can nest a million levels deep (a = [a] in a loop,
// or a = [a, a], where each level holds the next twice), and releasing them
// one level per call would exhaust the native stack. A container without
// containers among its children is simply deleted. Otherwise its children
// move to a work list; a child that is the last holder of a container gives
// up that container's children to the list in turn, and every other child
// only drops its count, so the release never goes more than one level deep.
void Value::release_nested(HeapObject* object, ValueKind kind) {
    auto is_container = [](const Value& v) { return v.is_array() || v.is_dict(); };
    auto holds_containers = [&](HeapObject* container, ValueKind container_kind) {
        if (container_kind == ValueKind::Array) {
            for (const auto& item : object_of<ArrayObject>(container)->items)
                if (is_container(item)) return true;
        } else {
            for (const auto& entry : object_of<DictObject>(container)->dict.m_entries)
                if (is_container(entry.second)) return true;
        }
        return false;
    };
    // Moves the children into work, then deletes the container. Without
    // memory for the work list the children stay and are released with the
    // container, recursively: the one case where deep nesting still recurses.
    auto dismantle = [](HeapObject* container, ValueKind container_kind, std::vector<Value>& work) {
        try {
            if (container_kind == ValueKind::Array) {
                auto& items = object_of<ArrayObject>(container)->items;
                work.insert(work.end(), std::make_move_iterator(items.begin()),
                            std::make_move_iterator(items.end()));
            } else {
                auto& entries = object_of<DictObject>(container)->dict.m_entries;
                work.reserve(work.size() + entries.size());
                for (auto& entry : entries)
                    work.push_back(std::move(entry.second));
            }
        } catch (const std::bad_alloc&) {
        }
        if (container_kind == ValueKind::Array)
            delete object_of<ArrayObject>(container);
        else
            delete object_of<DictObject>(container);
    };

    if (!holds_containers(object, kind)) {
        if (kind == ValueKind::Array)
            delete object_of<ArrayObject>(object);
        else
            delete object_of<DictObject>(object);
        return;
    }
    std::vector<Value> work;
    dismantle(object, kind, work);
    while (!work.empty()) {
        Value item = std::move(work.back());
        work.pop_back();
        if (is_container(item) && item.is_unique() && holds_containers(item.m_payload.object, item.m_kind)) {
            HeapObject* child = item.m_payload.object;
            ValueKind child_kind = item.m_kind;
            item.m_kind = ValueKind::Null; // the work list owns the child now
            dismantle(child, child_kind, work);
        }
    }
}

std::string_view Value::type_name() const {
    switch (m_kind) {
    case ValueKind::Number: return "number";
    case ValueKind::Float: return "float";
    case ValueKind::String: return "string";
    case ValueKind::Boolean: return "boolean";
    case ValueKind::Array: return "array";
    case ValueKind::Dict: return "dict";
    case ValueKind::Function: return "function";
    case ValueKind::BuiltinFunction: return "builtin function";
    case ValueKind::Rect: return "rect";
    case ValueKind::Color: return "color";
    case ValueKind::Circle: return "circle";
    case ValueKind::Triangle: return "triangle";
    case ValueKind::Null: return "null";
    case ValueKind::Error: return "error";
    }
    return "unknown";
}

std::string_view Value::typeof_name() const {
    switch (m_kind) {
    case ValueKind::Number:
    case ValueKind::Float:
    case ValueKind::String:
    case ValueKind::Boolean:
    case ValueKind::Array:
    case ValueKind::Dict:
    case ValueKind::Null: return type_name();
    default: return "unknown";
    }
}

bool Value::is_truthy() const {
    switch (m_kind) {
    case ValueKind::Number: return m_payload.i != 0;
    case ValueKind::Float: return m_payload.f != 0.0;
    case ValueKind::Boolean: return m_payload.b;
    case ValueKind::Null: return false;
    default: return true;
    }
}

std::string Value::display_text() const {
    if (m_kind == ValueKind::String) return as_string();
    std::string out;
    append_display_text(out);
    return out;
}

namespace {

void append_display_scalar(std::string& out, const Value& value) {
    switch (value.kind()) {
    case ValueKind::Number: out += std::to_string(value.as_number()); return;
    case ValueKind::Float: out += format_float_display(value.as_float()); return;
    case ValueKind::String: out += value.as_string(); return;
    case ValueKind::Boolean: out += value.as_bool() ? "true" : "false"; return;
    case ValueKind::Array:
    case ValueKind::Dict: return; // written by write_nested
    case ValueKind::Function: out += "<function>"; return;
    case ValueKind::BuiltinFunction: out += "<builtin: " + value.as_string() + ">"; return;
    case ValueKind::Rect: {
        RectShape r = value.as_rect();
        out += "Rect(" + std::to_string(r.x) + ", " + std::to_string(r.y) + ", " + std::to_string(r.w) +
               ", " + std::to_string(r.h) + ")";
        return;
    }
    case ValueKind::Color: {
        ColorShape c = value.as_color();
        out += "Color(" + std::to_string(c.r) + ", " + std::to_string(c.g) + ", " + std::to_string(c.b) + ")";
        return;
    }
    case ValueKind::Circle: {
        CircleShape c = value.as_circle();
        out += "Circle(" + std::to_string(c.x) + ", " + std::to_string(c.y) + ", " +
               std::to_string(c.radius) + ")";
        return;
    }
    case ValueKind::Triangle: {
        TriangleShape t = value.as_triangle();
        out += "Triangle(" + std::to_string(t.x1) + ", " + std::to_string(t.y1) + ", " +
               std::to_string(t.x2) + ", " + std::to_string(t.y2) + ", " + std::to_string(t.x3) + ", " +
               std::to_string(t.y3) + ")";
        return;
    }
    case ValueKind::Null: out += "null"; return;
    case ValueKind::Error: out += "Error: " + value.as_string(); return;
    }
}

constexpr NestedFormat display_format{
    "[",
    "]",
    "{",
    "}",
    ", ",
    [](std::string& out, const std::string& key) {
        out += key;
        out += ": ";
    },
    append_display_scalar,
};

// Text length a scalar adds at most before its own characters are counted.
std::size_t text_size_hint(const Value& value) {
    return value.is_string() || value.is_builtin_function() || value.is_error() ? value.as_string().size()
                                                                                : 0;
}

} // namespace

void write_nested(std::string& out, const Value& value, const NestedFormat& format) {
    auto is_container = [](const Value& v) { return v.is_array() || v.is_dict(); };
    if (!is_container(value)) {
        limits::check_string_length(out.size() + text_size_hint(value));
        format.scalar(out, value);
        limits::check_string_length(out.size());
        return;
    }
    // Each frame is a container being written and the index of its next child.
    // Nothing runs while the text is built, so the containers stay put.
    struct Frame {
        const Value* container;
        std::size_t next;
    };
    std::vector<Frame> stack;
    auto open = [&](const Value& container) {
        out += container.is_array() ? format.array_open : format.dict_open;
        stack.push_back(Frame{&container, 0});
    };
    open(value);
    while (!stack.empty()) {
        const Value& container = *stack.back().container;
        std::size_t index = stack.back().next++;
        const Value* child = nullptr;
        if (container.is_array()) {
            const auto& items = container.as_array();
            if (index < items.size()) child = &items[index];
        } else {
            const auto& entries = container.as_dict().entries();
            if (index < entries.size()) {
                if (index > 0) out += format.separator;
                limits::check_string_length(out.size() + entries[index].first.size());
                format.key(out, entries[index].first);
                child = &entries[index].second;
            }
        }
        if (!child) {
            out += container.is_array() ? format.array_close : format.dict_close;
            stack.pop_back();
            continue;
        }
        if (container.is_array() && index > 0) out += format.separator;
        if (is_container(*child)) {
            open(*child);
        } else {
            limits::check_string_length(out.size() + text_size_hint(*child));
            format.scalar(out, *child);
        }
        limits::check_string_length(out.size());
    }
}

void Value::append_display_text(std::string& out) const {
    write_nested(out, *this, display_format);
}

namespace {

void append_debug_scalar(std::string& out, const Value& value) {
    switch (value.kind()) {
    case ValueKind::Number: out += "Number(" + std::to_string(value.as_number()) + ")"; return;
    case ValueKind::Float: out += "Float(" + format_float_debug(value.as_float()) + ")"; return;
    case ValueKind::String: out += "String(" + quote_debug_text(value.as_string()) + ")"; return;
    case ValueKind::Boolean: out += value.as_bool() ? "Boolean(true)" : "Boolean(false)"; return;
    case ValueKind::Array:
    case ValueKind::Dict: return; // written by write_nested
    case ValueKind::Function: {
        const auto& decl = *value.as_function();
        out += "Function { params: [";
        const auto& params = decl.source->params;
        for (std::size_t i = 0; i < params.size(); ++i) {
            if (i) out += ", ";
            out += quote_debug_text(params[i]);
        }
        out += "], body: " + wexlin::debug_form(decl.source->body) + " }";
        return;
    }
    case ValueKind::BuiltinFunction:
        out += "BuiltinFunction { name: " + quote_debug_text(value.as_string()) + " }";
        return;
    case ValueKind::Rect: {
        RectShape r = value.as_rect();
        out += "Rect { x: " + std::to_string(r.x) + ", y: " + std::to_string(r.y) +
               ", w: " + std::to_string(r.w) + ", h: " + std::to_string(r.h) + " }";
        return;
    }
    case ValueKind::Color: {
        ColorShape c = value.as_color();
        out += "Color { r: " + std::to_string(c.r) + ", g: " + std::to_string(c.g) +
               ", b: " + std::to_string(c.b) + " }";
        return;
    }
    case ValueKind::Circle: {
        CircleShape c = value.as_circle();
        out += "Circle { x: " + std::to_string(c.x) + ", y: " + std::to_string(c.y) +
               ", radius: " + std::to_string(c.radius) + " }";
        return;
    }
    case ValueKind::Triangle: {
        TriangleShape t = value.as_triangle();
        out += "Triangle { x1: " + std::to_string(t.x1) + ", y1: " + std::to_string(t.y1) +
               ", x2: " + std::to_string(t.x2) + ", y2: " + std::to_string(t.y2) +
               ", x3: " + std::to_string(t.x3) + ", y3: " + std::to_string(t.y3) + " }";
        return;
    }
    case ValueKind::Null: out += "Null"; return;
    case ValueKind::Error: out += "Error(" + quote_debug_text(value.as_string()) + ")"; return;
    }
}

constexpr NestedFormat debug_format{
    "Array([",
    "])",
    "Dict({",
    "})",
    ", ",
    [](std::string& out, const std::string& key) {
        out += quote_debug_text(key);
        out += ": ";
    },
    append_debug_scalar,
};

} // namespace

std::string Value::debug_form() const {
    std::string out;
    write_nested(out, *this, debug_format);
    return out;
}

// --- Dict ---

namespace {

// SipHash keyed once per process from the operating system's random source.
const unsigned char* hash_key() {
    static unsigned char key[crypto_shorthash_KEYBYTES];
    static bool ready = [] {
        if (sodium_init() < 0) std::abort();
        randombytes_buf(key, sizeof key);
        return true;
    }();
    (void)ready;
    return key;
}

std::uint64_t hash_text(std::string_view text) {
    unsigned char out[crypto_shorthash_BYTES];
    crypto_shorthash(out, reinterpret_cast<const unsigned char*>(text.data()), text.size(), hash_key());
    std::uint64_t h;
    std::memcpy(&h, out, sizeof h);
    return h;
}

} // namespace

std::size_t Dict::slot_of(std::string_view key, std::uint64_t hash) const {
    std::size_t mask = m_index.size() - 1;
    std::size_t slot = static_cast<std::size_t>(hash) & mask;
    while (true) {
        std::uint32_t entry = m_index[slot];
        if (entry == 0 || m_entries[entry - 1].first == key) return slot;
        slot = (slot + 1) & mask;
    }
}

const Value* Dict::find(std::string_view key) const {
    if (m_entries.empty()) return nullptr;
    if (m_index.empty()) {
        for (const auto& entry : m_entries)
            if (entry.first == key) return &entry.second;
        return nullptr;
    }
    std::uint32_t entry = m_index[slot_of(key, hash_text(key))];
    return entry ? &m_entries[entry - 1].second : nullptr;
}

void Dict::rehash(std::size_t capacity) {
    m_index.assign(capacity, 0);
    for (std::size_t i = 0; i < m_entries.size(); ++i)
        m_index[slot_of(m_entries[i].first, hash_text(m_entries[i].first))] =
            static_cast<std::uint32_t>(i + 1);
}

void Dict::set(std::string key, Value value) {
    // Small dictionaries are searched directly; the hash index appears once
    // a linear scan would start to cost.
    constexpr std::size_t linear_limit = 8;
    if (m_index.empty()) {
        for (auto& entry : m_entries) {
            if (entry.first == key) {
                entry.second = std::move(value);
                return;
            }
        }
        m_entries.emplace_back(std::move(key), std::move(value));
        if (m_entries.size() > linear_limit) rehash(64);
        return;
    }
    std::uint64_t h = hash_text(key);
    std::size_t slot = slot_of(key, h);
    if (m_index[slot] != 0) {
        m_entries[m_index[slot] - 1].second = std::move(value);
        return;
    }
    m_entries.emplace_back(std::move(key), std::move(value));
    m_index[slot] = static_cast<std::uint32_t>(m_entries.size());
    if (m_entries.size() * 2 > m_index.size()) rehash(m_index.size() * 2);
}

// --- numeric arguments ---

std::int64_t saturating_float_to_int(double value) {
    if (std::isnan(value)) return 0;
    if (value >= 9223372036854775807.0) return std::numeric_limits<std::int64_t>::max();
    if (value <= -9223372036854775808.0) return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(value);
}

bool numeric_argument(const Value& value, std::int64_t& out) {
    if (value.is_number()) {
        out = value.as_number();
        return true;
    }
    if (value.is_float()) {
        out = saturating_float_to_int(value.as_float());
        return true;
    }
    return false;
}

} // namespace wexlin
