// Values: display text (the float rule above all), the debug form, both
// type-name tables, truthiness, dictionary order and copy-on-write.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "interpreter/program.h"
#include "interpreter/value.h"
#include "lexer/lexer.h"
#include "parser/parser.h"
#include "support/float_format.h"

namespace wexlin {
namespace {

struct FloatCase {
    double value;
    std::string text;
};

TEST(Values, FloatDisplayText) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const std::vector<FloatCase> cases = {
        {3.0, "3"},
        {7.0, "7"},
        {2.5, "2.5"},
        {-2.5, "-2.5"},
        {0.0, "0"},
        {-0.0, "-0"},
        {0.1 + 0.2, "0.30000000000000004"},
        {1.0 / 3.0, "0.3333333333333333"},
        {100.0, "100"},
        {123456789.125, "123456789.125"},
        {1e16, "10000000000000000"},
        {1e21, "1000000000000000000000"},
        {1e300, "1" + std::string(300, '0')},
        {-1e22, "-10000000000000000000000"},
        {1e-7, "0.0000001"},
        {0.000001, "0.000001"},
        {1.5e-10, "0.00000000015"},
        {5e-324, "0." + std::string(323, '0') + "5"},
        {1.7976931348623157e308, "17976931348623157" + std::string(292, '0')},
        {inf, "inf"},
        {-inf, "-inf"},
        {nan, "NaN"},
        {-nan, "NaN"},
        {std::sqrt(2.0), "1.4142135623730951"},
        {0.5, "0.5"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Value::floating(c.value).display_text(), c.text) << c.text;
        EXPECT_EQ(format_float_display(c.value), c.text);
    }
}

TEST(Values, FloatDebugForm) {
    const std::vector<FloatCase> cases = {
        {1.0, "1.0"},
        {1.5, "1.5"},
        {0.1, "0.1"},
        {-0.0, "-0.0"},
        {0.0, "0.0"},
        {123.0, "123.0"},
        {9999999999999998.0, "9999999999999998.0"},
        {1e16, "1e16"},
        {-1e20, "-1e20"},
        {1.5e-7, "1.5e-7"},
        {0.0001, "0.0001"},
        {0.00001, "1e-5"},
        {1.7976931348623157e308, "1.7976931348623157e308"},
        {5e-324, "5e-324"},
        {std::numeric_limits<double>::infinity(), "inf"},
        {std::numeric_limits<double>::quiet_NaN(), "NaN"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Value::floating(c.value).debug_form(), "Float(" + c.text + ")") << c.text;
}

Value numbers(std::initializer_list<std::int64_t> list) {
    std::vector<Value> items;
    for (auto n : list)
        items.push_back(Value::number(n));
    return Value::array(std::move(items));
}

std::shared_ptr<const CompiledFunction> function_decl(std::string_view source) {
    std::vector<Token> tokens = tokenize(source);
    Parser parser(tokens, false);
    StepList statements = compile(parser.parse_program());
    return statements.at(0).function;
}

TEST(Values, DisplayText) {
    Dict person;
    person.set("name", Value::string("Bob"));
    person.set("age", Value::number(3));
    const std::vector<std::pair<Value, std::string>> cases = {
        {Value::number(42), "42"},
        {Value::number(-7), "-7"},
        {Value::number(std::numeric_limits<std::int64_t>::min()), "-9223372036854775808"},
        {Value::string("h\xc3\xa9llo \"q\""), "h\xc3\xa9llo \"q\""},
        {Value::string(""), ""},
        {Value::boolean(true), "true"},
        {Value::boolean(false), "false"},
        {Value::array({}), "[]"},
        {Value::array({Value::number(1), Value::string("hello"), numbers({2, 3})}), "[1, hello, [2, 3]]"},
        {Value::array({Value::number(1), Value::floating(2.5), Value::string("x"),
                       Value::array({Value::boolean(true), Value::boolean(false)})}),
         "[1, 2.5, x, [true, false]]"},
        {Value::array({Value::null()}), "[null]"},
        {Value::dict(Dict()), "{}"},
        {Value::dict(person), "{name: Bob, age: 3}"},
        {Value::function(function_decl("def f(a) { }")), "<function>"},
        {Value::builtin_function("sdl2.init"), "<builtin: sdl2.init>"},
        {Value::rect({10, 20, 30, 40}), "Rect(10, 20, 30, 40)"},
        {Value::rect({-1, -2, static_cast<std::uint32_t>(-5), 0}), "Rect(-1, -2, 4294967291, 0)"},
        {Value::color({255, 0, 0}), "Color(255, 0, 0)"},
        {Value::circle({1, -2, 3}), "Circle(1, -2, 3)"},
        {Value::triangle({1, 2, 3, 4, 5, -6}), "Triangle(1, 2, 3, 4, 5, -6)"},
        {Value::null(), "null"},
        {Value::error("Division by zero"), "Error: Division by zero"},
        {Value::array({Value::error("x")}), "[Error: x]"},
    };
    for (const auto& [value, text] : cases)
        EXPECT_EQ(value.display_text(), text);
}

TEST(Values, DebugForm) {
    Dict one;
    one.set("k", Value::number(1));
    const std::vector<std::pair<Value, std::string>> cases = {
        {Value::number(5), "Number(5)"},
        {Value::floating(1.5), "Float(1.5)"},
        {Value::string("abc"), "String(\"abc\")"},
        {Value::string("a\"b\\c\n"), "String(\"a\\\"b\\\\c\\n\")"},
        {Value::boolean(true), "Boolean(true)"},
        {Value::array({Value::number(1), Value::string("a")}), "Array([Number(1), String(\"a\")])"},
        {Value::dict(one), "Dict({\"k\": Number(1)})"},
        {Value::function(function_decl("def f(a, b) { return a }")),
         "Function { params: [\"a\", \"b\"], body: [Return(Some(Identifier(\"a\")))] }"},
        {Value::builtin_function("http.get"), "BuiltinFunction { name: \"http.get\" }"},
        {Value::rect({1, 2, 3, 4}), "Rect { x: 1, y: 2, w: 3, h: 4 }"},
        {Value::color({1, 2, 3}), "Color { r: 1, g: 2, b: 3 }"},
        {Value::circle({1, 2, 3}), "Circle { x: 1, y: 2, radius: 3 }"},
        {Value::triangle({1, 2, 3, 4, 5, 6}), "Triangle { x1: 1, y1: 2, x2: 3, y2: 4, x3: 5, y3: 6 }"},
        {Value::null(), "Null"},
        {Value::error("message"), "Error(\"message\")"},
    };
    for (const auto& [value, text] : cases)
        EXPECT_EQ(value.debug_form(), text);
}

TEST(Values, TypeNamesAndTruthiness) {
    struct Row {
        Value value;
        std::string_view type_name;
        std::string_view typeof_name;
        bool truthy;
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::vector<Row> rows = {
        {Value::number(0), "number", "number", false},
        {Value::number(-1), "number", "number", true},
        {Value::floating(0.0), "float", "float", false},
        {Value::floating(-0.0), "float", "float", false},
        {Value::floating(nan), "float", "float", true},
        {Value::floating(0.5), "float", "float", true},
        {Value::string(""), "string", "string", true},
        {Value::boolean(false), "boolean", "boolean", false},
        {Value::boolean(true), "boolean", "boolean", true},
        {Value::array({}), "array", "array", true},
        {Value::dict(Dict()), "dict", "dict", true},
        {Value::function(function_decl("def f() { }")), "function", "unknown", true},
        {Value::builtin_function("http.get"), "builtin function", "unknown", true},
        {Value::rect({}), "rect", "unknown", true},
        {Value::color({}), "color", "unknown", true},
        {Value::circle({}), "circle", "unknown", true},
        {Value::triangle({}), "triangle", "unknown", true},
        {Value::null(), "null", "null", false},
        {Value::error("e"), "error", "unknown", true},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(row.value.type_name(), row.type_name) << row.value.debug_form();
        EXPECT_EQ(row.value.typeof_name(), row.typeof_name) << row.value.debug_form();
        EXPECT_EQ(row.value.is_truthy(), row.truthy) << row.value.debug_form();
    }
}

TEST(Values, DictKeepsInsertionOrder) {
    // Enough keys to leave the small linear form for the hashed one.
    std::vector<std::string> keys;
    for (int i = 0; i < 200; ++i)
        keys.push_back("k" + std::to_string((i * 37) % 200));
    Dict dict;
    for (std::size_t i = 0; i < keys.size(); ++i)
        dict.set(keys[i], Value::number(static_cast<std::int64_t>(i)));
    ASSERT_EQ(dict.size(), keys.size());
    for (std::size_t i = 0; i < keys.size(); ++i) {
        EXPECT_EQ(dict.entries()[i].first, keys[i]);
        const Value* found = dict.find(keys[i]);
        ASSERT_NE(found, nullptr);
        EXPECT_EQ(found->as_number(), static_cast<std::int64_t>(i));
    }
    EXPECT_EQ(dict.find("missing"), nullptr);
    EXPECT_EQ(dict.find(""), nullptr);

    // Replacing a key keeps its place and the size.
    dict.set(keys[5], Value::string("new"));
    EXPECT_EQ(dict.size(), keys.size());
    EXPECT_EQ(dict.entries()[5].first, keys[5]);
    EXPECT_EQ(dict.find(keys[5])->as_string(), "new");

    Dict small;
    small.set("b", Value::number(1));
    small.set("a", Value::number(2));
    small.set("", Value::number(3));
    small.set("b", Value::number(4));
    EXPECT_EQ(Value::dict(small).display_text(), "{b: 4, a: 2, : 3}");
    EXPECT_EQ(small.find("")->as_number(), 3);
    EXPECT_EQ(small.find("c"), nullptr);
}

TEST(Values, CopiesAreIndependent) {
    Value a = numbers({1, 2});
    Value b = a;
    EXPECT_FALSE(a.is_unique());
    b.array_mut().push_back(Value::number(3));
    EXPECT_EQ(a.display_text(), "[1, 2]");
    EXPECT_EQ(b.display_text(), "[1, 2, 3]");
    EXPECT_TRUE(a.is_unique());
    EXPECT_TRUE(b.is_unique());

    Value s = Value::string("ab");
    Value t = s;
    t.string_mut() += "cd";
    EXPECT_EQ(s.as_string(), "ab");
    EXPECT_EQ(t.as_string(), "abcd");

    // Nested: changing the outer copy's element leaves the original's alone.
    Value inner = numbers({1});
    Value outer = Value::array({inner, inner});
    Value copy = outer;
    copy.array_mut()[0] = Value::number(9);
    copy.array_mut()[1].array_mut().push_back(Value::number(2));
    EXPECT_EQ(outer.display_text(), "[[1], [1]]");
    EXPECT_EQ(copy.display_text(), "[9, [1, 2]]");
    EXPECT_EQ(inner.display_text(), "[1]");

    // A unique value is changed in place, without a copy.
    Value only = numbers({1});
    const Value* storage = only.as_array().data();
    only.array_mut();
    EXPECT_EQ(only.as_array().data(), storage);

    // Moving leaves Null behind; self-assignment keeps the value.
    Value moved = std::move(b);
    EXPECT_TRUE(b.is_null()); // NOLINT(bugprone-use-after-move)
    EXPECT_EQ(moved.display_text(), "[1, 2, 3]");
    Value& self = moved;
    moved = self;
    EXPECT_EQ(moved.display_text(), "[1, 2, 3]");
    EXPECT_EQ(sizeof(Value), 16u);
}

TEST(Values, NumericArgument) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const std::int64_t max = std::numeric_limits<std::int64_t>::max();
    const std::int64_t min = std::numeric_limits<std::int64_t>::min();
    const std::vector<std::pair<Value, std::int64_t>> cases = {
        {Value::number(-5), -5},      {Value::floating(2.9), 2},     {Value::floating(-2.9), -2},
        {Value::floating(1e30), max}, {Value::floating(-1e30), min}, {Value::floating(inf), max},
        {Value::floating(-inf), min}, {Value::floating(nan), 0},     {Value::floating(-0.5), 0},
    };
    for (const auto& [value, expected] : cases) {
        std::int64_t out = 12345;
        EXPECT_TRUE(numeric_argument(value, out)) << value.debug_form();
        EXPECT_EQ(out, expected) << value.debug_form();
    }
    std::int64_t out = 0;
    EXPECT_FALSE(numeric_argument(Value::string("1"), out));
    EXPECT_FALSE(numeric_argument(Value::null(), out));
    EXPECT_FALSE(numeric_argument(Value::boolean(true), out));
}

} // namespace
} // namespace wexlin
