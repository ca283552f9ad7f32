#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "modules/http/http_json.h"

using namespace wexlin;
using wexlin::http::to_json;

TEST(HttpJson, EscapesKeysLikeStrings) {
    Dict entries;
    entries.set("plain", Value::number(1));
    entries.set("q\"uo\\te", Value::string("v\"al"));
    entries.set(std::string("ctl\n\x01\x1f", 6), Value::null());
    EXPECT_EQ(to_json(Value::dict(std::move(entries))),
              R"({"plain":1,"q\"uo\\te":"v\"al","ctl\n\u0001\u001f":null})");
}

TEST(HttpJson, EscapesEveryControlCharacter) {
    std::string all;
    for (int c = 0; c < 0x20; ++c)
        all.push_back(static_cast<char>(c));
    all += "\x7f/";
    EXPECT_EQ(to_json(Value::string(all)),
              "\"\\u0000\\u0001\\u0002\\u0003\\u0004\\u0005\\u0006\\u0007\\b\\t\\n\\u000b\\f\\r\\u000e\\u000f"
              "\\u0010\\u0011\\u0012\\u0013\\u0014\\u0015\\u0016\\u0017\\u0018\\u0019\\u001a\\u001b\\u001c"
              "\\u001d\\u001e\\u001f\x7f/\"");
}

TEST(HttpJson, EscapesWhatHtmlGivesAMeaning) {
    EXPECT_EQ(to_json(Value::string("</script><script>alert(1)</script> & <!--")),
              R"("\u003c/script\u003e\u003cscript\u003ealert(1)\u003c/script\u003e \u0026 \u003c!--")");
    Dict entries;
    entries.set("<k&>", Value::string("'single' stays"));
    EXPECT_EQ(to_json(Value::dict(std::move(entries))), R"({"\u003ck\u0026\u003e":"'single' stays"})");
}

TEST(HttpJson, NonFiniteFloatsAreNull) {
    const double values[] = {std::numeric_limits<double>::quiet_NaN(),
                             std::numeric_limits<double>::infinity(),
                             -std::numeric_limits<double>::infinity()};
    for (double v : values)
        EXPECT_EQ(to_json(Value::floating(v)), "null") << v;
    EXPECT_EQ(to_json(Value::floating(-0.0)), "-0");
    EXPECT_EQ(to_json(Value::floating(1e21)), "1000000000000000000000");
    EXPECT_EQ(to_json(Value::floating(5e-324)).substr(0, 6), "0.0000");
}

TEST(HttpJson, OtherKindsAreNull) {
    EXPECT_EQ(to_json(Value::array({Value::null(), Value::error("x"), Value::builtin_function("http.get"),
                                    Value::rect({1, 2, 3, 4}), Value::color({1, 2, 3})})),
              "[null,null,null,null,null]");
}
