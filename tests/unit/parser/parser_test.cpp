// The parser: the tree's printable form, precedence, call naming, statement
// forms, recovery from broken input, and the bounds that keep it finite.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lexer/lexer.h"
#include "parser/parser.h"
#include "support/stack_guard.h"

namespace wexlin {
namespace {

StatementList parse(std::string_view source) {
    std::vector<Token> tokens = tokenize(source);
    Parser parser(tokens, false);
    return parser.parse_program();
}

std::string tree(std::string_view source) {
    return debug_form(parse(source));
}

struct Case {
    std::string source;
    std::string tree;
};

void check_table(const std::vector<Case>& cases) {
    for (const auto& c : cases)
        EXPECT_EQ(tree(c.source), c.tree) << "source: " << c.source;
}

TEST(Parser, EmptyInputGivesNoStatements) {
    EXPECT_TRUE(parse("").empty());
    EXPECT_TRUE(parse("  # only a comment\n").empty());
}

TEST(Parser, Precedence) {
    check_table({
        {"1 + 2 * 3",
         "[Expr(BinaryOp { left: Number(1), op: Plus, right: BinaryOp { left: Number(2), op: Star, "
         "right: Number(3) } })]"},
        {"10 - 3 - 2",
         "[Expr(BinaryOp { left: BinaryOp { left: Number(10), op: Minus, right: Number(3) }, op: "
         "Minus, right: Number(2) })]"},
        // The power level is left-associative too.
        {"2 ** 3 ** 2",
         "[Expr(BinaryOp { left: BinaryOp { left: Number(2), op: Power, right: Number(3) }, op: "
         "Power, right: Number(2) })]"},
        {"a or b and c", "[Expr(BinaryOp { left: Identifier(\"a\"), op: Or, right: BinaryOp { left: "
                         "Identifier(\"b\"), op: And, right: Identifier(\"c\") } })]"},
        {"a == b < c", "[Expr(BinaryOp { left: Identifier(\"a\"), op: Equal, right: BinaryOp { left: "
                       "Identifier(\"b\"), op: Less, right: Identifier(\"c\") } })]"},
        {"a != b >= c % d",
         "[Expr(BinaryOp { left: Identifier(\"a\"), op: NotEqual, right: BinaryOp { left: "
         "Identifier(\"b\"), op: GreaterEqual, right: BinaryOp { left: Identifier(\"c\"), op: "
         "Percent, right: Identifier(\"d\") } } })]"},
        {"1 .. n + 1",
         "[Expr(Range { start: Number(1), end: BinaryOp { left: Identifier(\"n\"), op: Plus, right: "
         "Number(1) } })]"},
        {"a < 1 .. 5",
         "[Expr(BinaryOp { left: Identifier(\"a\"), op: Less, right: Range { start: Number(1), end: "
         "Number(5) } })]"},
        // Unary operators bind tighter than every binary one.
        {"-2 ** 2", "[Expr(BinaryOp { left: UnaryOp { op: Minus, operand: Number(2) }, op: Power, right: "
                    "Number(2) })]"},
        {"not a == b",
         "[Expr(BinaryOp { left: UnaryOp { op: Not, operand: Identifier(\"a\") }, op: Equal, right: "
         "Identifier(\"b\") })]"},
        {"-f(x)", "[Expr(UnaryOp { op: Minus, operand: Call { name: \"f\", args: [Identifier(\"x\")] } })]"},
        {"not !x", "[Expr(UnaryOp { op: Not, operand: UnaryOp { op: Not, operand: Identifier(\"x\") } })]"},
        {"- - 1", "[Expr(UnaryOp { op: Minus, operand: UnaryOp { op: Minus, operand: Number(1) } })]"},
        {"(1 + 2) * 3",
         "[Expr(BinaryOp { left: BinaryOp { left: Number(1), op: Plus, right: Number(2) }, op: "
         "Star, right: Number(3) })]"},
        // At most one range: the rest is left for the statement level, where
        // the missing start reads as Number(0).
        {"1..2..3", "[Expr(Range { start: Number(1), end: Number(2) }), Expr(Range { start: Number(0), end: "
                    "Number(3) })]"},
    });
}

TEST(Parser, Literals) {
    check_table({
        {"1 2.5 \"s\" true false x", "[Expr(Number(1)), Expr(Float(2.5)), Expr(String(\"s\")), "
                                     "Expr(Boolean(true)), Expr(Boolean(false)), "
                                     "Expr(Identifier(\"x\"))]"},
        {"[]", "[Expr(Array([]))]"},
        {"{}", "[Expr(Dict([]))]"},
        {"[1, 2, 3]", "[Expr(Array([Number(1), Number(2), Number(3)]))]"},
        {"[1 2 3]", "[Expr(Array([Number(1), Number(2), Number(3)]))]"},
        {"[1, 2, 3,]", "[Expr(Array([Number(1), Number(2), Number(3)]))]"},
        // An element that consumes nothing is skipped with its token.
        {"[1 ; 2]", "[Expr(Array([Number(1), Number(2)]))]"},
        {"[1, 2)", "[Expr(Array([Number(1), Number(2)])), Expr(Number(0))]"},
        {"{a: 1, b: \"x\", a: 3}",
         "[Expr(Dict([(\"a\", Number(1)), (\"b\", String(\"x\")), (\"a\", Number(3))]))]"},
        {"{a: 1 b: 2}", "[Expr(Dict([(\"a\", Number(1)), (\"b\", Number(2))]))]"},
        // Keys are bare names: other tokens are skipped, a key without ":" is dropped.
        {"{\"k\": 1}", "[Expr(Dict([]))]"},
        {"{a 1, b: 2}", "[Expr(Dict([(\"b\", Number(2))]))]"},
        {"{a: }", "[Expr(Dict([(\"a\", Number(0))]))]"},
        {"(1 + 2", "[Expr(BinaryOp { left: Number(1), op: Plus, right: Number(2) })]"},
        {")", "[Expr(Number(0))]"},
    });
}

TEST(Parser, PostfixChainsAndCallNaming) {
    check_table({
        {"f(1)", "[Expr(Call { name: \"f\", args: [Number(1)] })]"},
        {"f()", "[Expr(Call { name: \"f\", args: [] })]"},
        {"f(1 2, 3)", "[Expr(Call { name: \"f\", args: [Number(1), Number(2), Number(3)] })]"},
        {"f(a b", "[Expr(Call { name: \"f\", args: [Identifier(\"a\"), Identifier(\"b\")] })]"},
        {"a.b.c", "[Expr(Index { object: Index { object: Identifier(\"a\"), index: String(\"b\") }, index: "
                  "String(\"c\") })]"},
        {"x[0][1]", "[Expr(Index { object: Index { object: Identifier(\"x\"), index: Number(0) }, index: "
                    "Number(1) })]"},
        {"a.b(1)", "[Expr(Call { name: \"a.b\", args: [Number(1)] })]"},
        {"sdl2.create_window(800, 600)",
         "[Expr(Call { name: \"sdl2.create_window\", args: [Number(800), Number(600)] })]"},
        {"a.b.c(1)",
         "[Expr(Call { name: \"c\", args: [Index { object: Identifier(\"a\"), index: String(\"b\") }, "
         "Number(1)] })]"},
        {"\"abc\".upper()", "[Expr(Call { name: \"upper\", args: [String(\"abc\")] })]"},
        {"f(1)(2)",
         "[Expr(Call { name: \"call\", args: [Call { name: \"f\", args: [Number(1)] }, Number(2)] })]"},
        {"a[\"k\"](1)", "[Expr(Call { name: \"a.k\", args: [Number(1)] })]"},
        {"a[0](1)",
         "[Expr(Call { name: \"call\", args: [Index { object: Identifier(\"a\"), index: Number(0) }, "
         "Number(1)] })]"},
        {"[f][0]()", "[Expr(Call { name: \"call\", args: [Index { object: Array([Identifier(\"f\")]), index: "
                     "Number(0) }] })]"},
        {"(f)(1)", "[Expr(Call { name: \"f\", args: [Number(1)] })]"},
        {"x.y[\"k\"](1)", "[Expr(Call { name: \"k\", args: [Index { object: Identifier(\"x\"), index: "
                          "String(\"y\") }, Number(1)] })]"},
        // A dot not followed by a name is consumed and ends the chain.
        {"a . 5", "[Expr(Identifier(\"a\")), Expr(Number(5))]"},
        {"a.if", "[Expr(Identifier(\"a\"))]"},
    });
}

TEST(Parser, Statements) {
    check_table({
        {"let x = 1;", "[Let { name: \"x\", value: Number(1) }]"},
        {"x = 1", "[Assign { name: \"x\", value: Number(1) }]"},
        {"x += 2 x -= 3 x *= 4 x /= 5",
         "[CompoundAssign { name: \"x\", op: PlusAssign, value: Number(2) }, CompoundAssign { name: \"x\", "
         "op: "
         "MinusAssign, value: Number(3) }, CompoundAssign { name: \"x\", op: StarAssign, value: Number(4) }, "
         "CompoundAssign { name: \"x\", op: SlashAssign, value: Number(5) }]"},
        {"def f(a b c) { }", "[Function { name: \"f\", params: [\"a\", \"b\", \"c\"], body: [] }]"},
        {"def f(a, b,) { }", "[Function { name: \"f\", params: [\"a\", \"b\"], body: [] }]"},
        {"def f() { return }", "[Function { name: \"f\", params: [], body: [Return(None)] }]"},
        {"return; return 1 + 2;",
         "[Return(None), Return(Some(BinaryOp { left: Number(1), op: Plus, right: Number(2) }))]"},
        {"return", "[Return(None)]"},
        {"if x { } else { }", "[If { condition: Identifier(\"x\"), then_body: [], else_body: Some([]) }]"},
        {"if x { a() } else if y { b() }", "[If { condition: Identifier(\"x\"), then_body: [Expr(Call { "
                                           "name: \"a\", args: [] })], else_body: None "
                                           "}, If { condition: Identifier(\"y\"), then_body: [Expr(Call { "
                                           "name: \"b\", args: [] })], else_body: "
                                           "None }]"},
        {"while i < 3 { i += 1 }",
         "[While { condition: BinaryOp { left: Identifier(\"i\"), op: Less, right: Number(3) }, body: "
         "[CompoundAssign { name: \"i\", op: PlusAssign, value: Number(1) }] }]"},
        {"for i in 0..3 { print(i) }",
         "[For { var: \"i\", iter: Range { start: Number(0), end: Number(3) }, body: [Expr(Call { name: "
         "\"print\", args: [Identifier(\"i\")] })] }]"},
        {"match x { 1 => 10 _ => { other() } }",
         "[Match { expr: Identifier(\"x\"), arms: [(Value(Number(1)), [Expr(Number(10))]), (Wildcard, "
         "[Expr(Call { name: \"other\", args: [] })])] }]"},
        {"match x { \"a\" => 1; _ => 2 }",
         "[Match { expr: Identifier(\"x\"), arms: [(Value(String(\"a\")), [Expr(Number(1))]), (Wildcard, "
         "[Expr(Number(2))])] }]"},
        {"try { return 1 / 0 } catch e { print(e) }",
         "[Try { body: [Return(Some(BinaryOp { left: Number(1), op: Slash, right: Number(0) }))], catch_var: "
         "\"e\", catch_body: [Expr(Call { name: \"print\", args: [Identifier(\"e\")] })] }]"},
        {"global total;", "[Global(\"total\")]"},
        {"break; continue", "[Break, Continue]"},
        {"use http", "[Use { module: \"http\", alias: None, items: None }]"},
        {"use alice.math as m", "[Use { module: \"alice.math\", alias: Some(\"m\"), items: None }]"},
        {"use alice.math { sin, cos }",
         "[Use { module: \"alice.math\", alias: None, items: Some([\"sin\", \"cos\"]) }]"},
        {"use alice.math {}", "[Use { module: \"alice.math\", alias: None, items: Some([]) }]"},
        {"use m { a 5 b };", "[Use { module: \"m\", alias: None, items: Some([\"a\", \"b\"]) }]"},
        {"use m as", "[Use { module: \"m\", alias: None, items: None }]"},
        {"use a.b.c", "[Use { module: \"a.b.c\", alias: None, items: None }]"},
    });
}

TEST(Parser, Recovery) {
    check_table({
        // Only plain names are assigned.
        {"a[0] = 1", "[Expr(Index { object: Identifier(\"a\"), index: Number(0) }), Expr(Number(0)), "
                     "Expr(Number(1))]"},
        {"a.b = 1", "[Expr(Index { object: Identifier(\"a\"), index: String(\"b\") }), Expr(Number(0)), "
                    "Expr(Number(1))]"},
        {"x = y = 1", "[Assign { name: \"x\", value: Identifier(\"y\") }, Expr(Number(0)), Expr(Number(1))]"},
        // A failed form keeps what it consumed lost and returns nothing.
        {"let 5 = 3", "[Expr(Number(5)), Expr(Number(0)), Expr(Number(3))]"},
        {"let x 1", "[Expr(Number(1))]"},
        {"def (a) {}", "[Expr(Identifier(\"a\")), Expr(Dict([]))]"},
        {"def f(a) x", "[Expr(Identifier(\"x\"))]"},
        {"if x y", "[Expr(Identifier(\"y\"))]"},
        {"while x", "[]"},
        {"for 1 in x {}", "[Expr(Number(1)), Expr(Number(0)), Expr(Identifier(\"x\")), Expr(Dict([]))]"},
        {"match x 1", "[Expr(Number(1))]"},
        {"try { } x", "[Expr(Identifier(\"x\"))]"},
        {"global 1", "[Expr(Number(1))]"},
        {"use 1", "[Expr(Number(1))]"},
        {"use alice.", "[Use { module: \"alice\", alias: None, items: None }, Expr(Number(0))]"},
        // A "," after an arm ends the arm list; the rest are separate statements.
        {"match x { 1 => a, 2 => b }",
         "[Match { expr: Identifier(\"x\"), arms: [(Value(Number(1)), [Expr(Identifier(\"a\"))])] }, "
         "Expr(Number(0)), Expr(Number(2)), Expr(Number(0)), Expr(Identifier(\"b\")), Expr(Number(0))]"},
        // Stray tokens become Expr(Number(0)) and are skipped.
        {"} else => )", "[Expr(Number(0)), Expr(Number(0)), Expr(Number(0)), Expr(Number(0))]"},
        {"def f() { x } }",
         "[Function { name: \"f\", params: [], body: [Expr(Identifier(\"x\"))] }, Expr(Number(0))]"},
        // A missing closing brace is passed over.
        {"def f() { x", "[Function { name: \"f\", params: [], body: [Expr(Identifier(\"x\"))] }]"},
    });
}

std::string repeat(std::string_view piece, int times) {
    std::string out;
    for (int i = 0; i < times; ++i)
        out += piece;
    return out;
}

TEST(Parser, ParameterBound) {
    std::string names;
    for (int i = 0; i < 1001; ++i)
        names += " p" + std::to_string(i);
    auto at_limit = parse("def f(" + names + ") { }");
    ASSERT_EQ(at_limit.size(), 1u);
    EXPECT_EQ(at_limit[0].function->params.size(), 1001u);
    // One more name: the list stops at 1001 and ")" is missing, so the form fails.
    auto over = parse("def f(" + names + " extra) { }");
    ASSERT_FALSE(over.empty());
    EXPECT_EQ(over[0].kind, StmtKind::Expr);
    EXPECT_EQ(debug_form(over[0]), "Expr(Identifier(\"extra\"))");
}

TEST(Parser, MatchArmBound) {
    auto statements = parse("match x {" + repeat(" 1 => 1", 1001) + " }");
    ASSERT_FALSE(statements.empty());
    EXPECT_EQ(statements[0].arms.size(), 1000u);
    // The 1001st arm is left to the statement level: 1, =>, 1 and "}".
    EXPECT_EQ(statements.size(), 5u);
}

TEST(Parser, UseItemBound) {
    auto statements = parse("use m {" + repeat(" a", 1001) + " }");
    ASSERT_FALSE(statements.empty());
    ASSERT_TRUE(statements[0].items.has_value());
    EXPECT_EQ(statements[0].items->size(), 1000u);
    EXPECT_EQ(statements.size(), 3u); // the last a, then "}"
}

TEST(Parser, PostfixBound) {
    auto statements = parse("x" + repeat(".a", 1001));
    // 1000 member steps; the last ".a" starts a statement of its own, where
    // the missing object reads as Number(0).
    ASSERT_EQ(statements.size(), 2u);
    EXPECT_EQ(debug_form(statements[1]), "Expr(Index { object: Number(0), index: String(\"a\") })");
}

TEST(Parser, IterationBound) {
    testing::internal::CaptureStderr();
    auto statements = parse(repeat(")", 100005));
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(statements.size(), 100000u);
    EXPECT_EQ(err, "[PARSER ERROR] Max iterations (100000) reached at pos 100000\n");

    // Blocks stop silently after as many iterations.
    testing::internal::CaptureStderr();
    auto in_block = parse("def f() {" + repeat(")", 100001) + "}");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    ASSERT_FALSE(in_block.empty());
    EXPECT_EQ(in_block[0].function->body.size(), 100000u);
}

TEST(Parser, DeepExpressionsAreBoundedAndTheRestIsStillParsed) {
    // The bounds are sized for the stack that main raises at start.
    init_stack_guard();
    for (const std::string& deep : {repeat("(", 10000) + "1" + repeat(")", 10), repeat("-", 10000) + "1",
                                    repeat("[", 10000), repeat("{a:", 10000), "f" + repeat("(f", 10000),
                                    "1" + repeat(" + 1", 5000), repeat("not ", 10000) + "x"}) {
        testing::internal::CaptureStderr();
        auto statements = parse(deep + "\nlet after = 1");
        std::string err = testing::internal::GetCapturedStderr();
        EXPECT_NE(err.find("[PARSER ERROR] Expression nested too deeply"), std::string::npos)
            << deep.substr(0, 8);
        ASSERT_FALSE(statements.empty());
        EXPECT_EQ(debug_form(statements.back()), "Let { name: \"after\", value: Number(1) }")
            << deep.substr(0, 8);
    }
}

TEST(Parser, DeepBlocksAreBoundedAndTheRestIsStillParsed) {
    // The bounds are sized for the stack that main raises at start.
    init_stack_guard();
    for (const std::string& deep :
         {repeat("if 1 { ", 5000) + "x" + repeat(" }", 5000), repeat("def f() { ", 5000) + repeat("}", 5000),
          repeat("while 1 { ", 5000) + repeat("}", 5000),
          repeat("match 1 { _ => { ", 3000) + repeat("} }", 3000),
          repeat("try { ", 3000) + repeat("} catch e { }", 3000)}) {
        testing::internal::CaptureStderr();
        auto statements = parse(deep + "\nlet after = 1");
        std::string err = testing::internal::GetCapturedStderr();
        EXPECT_NE(err.find("[PARSER ERROR] Blocks nested too deeply"), std::string::npos)
            << deep.substr(0, 8);
        ASSERT_FALSE(statements.empty());
        EXPECT_EQ(debug_form(statements.back()), "Let { name: \"after\", value: Number(1) }")
            << deep.substr(0, 8);
    }
}

TEST(Parser, DeepBracketsAreSkippedInOneStep) {
    init_stack_guard();
    // The closing brackets after the cut are part of the skipped expression,
    // not statements of their own: the program holds the cut statement and
    // the one after it, also past the budget of 100000 statements.
    for (const std::string& deep :
         {"let x = " + repeat("(", 100000) + "1" + repeat(")", 100000),
          "print(" + repeat("[", 3000) + repeat("]", 3000) + ")",
          "f(" + repeat("{a: ", 3000) + repeat("}", 3000), repeat("(", 3000) + "1 + (2)" + repeat(")", 3000),
          // Brackets that never close end at the next statement keyword.
          repeat("(", 3000) + "1" + repeat(")", 10), "f" + repeat("(f", 3000)}) {
        testing::internal::CaptureStderr();
        auto statements = parse(deep + "\nlet after = 1");
        std::string err = testing::internal::GetCapturedStderr();
        EXPECT_NE(err.find("[PARSER ERROR] Expression nested too deeply"), std::string::npos)
            << deep.substr(0, 12);
        ASSERT_EQ(statements.size(), 2u) << deep.substr(0, 12);
        EXPECT_EQ(debug_form(statements.back()), "Let { name: \"after\", value: Number(1) }")
            << deep.substr(0, 12);
    }
}

TEST(Parser, OverDeepStatementsAreSkippedWhole) {
    init_stack_guard();
    // Each form sits inside max_block_depth blocks, so its own block would be
    // one too deep. Nothing of it may remain anywhere in the tree, and the
    // statements around it stay where they are.
    for (const char* form : {"if 1 { inner }", "if 1 { inner } else { inner }", "while 1 { inner break }",
                             "for i in 0..2 { inner }", "def f() { inner }",
                             "match 1 { 1 => { inner } _ => inner }", "try { inner } catch e { inner }",
                             "if 1 { let d = {a: {b: inner}} inner }", "while 1 { if 1 { inner } }"}) {
        std::string source = repeat("if 1 { ", static_cast<int>(max_block_depth)) + "before " + form +
                             " kept" + repeat(" }", static_cast<int>(max_block_depth)) + "\nlet after = 1";
        testing::internal::CaptureStderr();
        auto statements = parse(source);
        std::string err = testing::internal::GetCapturedStderr();
        EXPECT_NE(err.find("[PARSER ERROR] Blocks nested too deeply"), std::string::npos) << form;
        ASSERT_EQ(statements.size(), 2u) << form;
        EXPECT_EQ(debug_form(statements.back()), "Let { name: \"after\", value: Number(1) }") << form;
        const Statement* s = &statements[0];
        for (std::uint32_t depth = 1; depth < max_block_depth; ++depth) {
            ASSERT_EQ(s->body.size(), 1u) << form << " at depth " << depth;
            s = &s->body[0];
        }
        EXPECT_EQ(debug_form(s->body), "[Expr(Identifier(\"before\")), Expr(Identifier(\"kept\"))]") << form;
    }
}

TEST(Parser, ShallowNestingIsKeptWhole) {
    // The bounds are sized for the stack that main raises at start.
    init_stack_guard();
    testing::internal::CaptureStderr();
    std::string parens = repeat("(", 500) + "1" + repeat(")", 500);
    auto expression = parse(parens);
    std::string blocks = repeat("if 1 { ", 500) + "x" + repeat(" }", 500);
    auto nested = parse(blocks);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(tree(parens), "[Expr(Number(1))]");
    ASSERT_EQ(nested.size(), 1u);
    const Statement* s = &nested[0];
    for (int depth = 1; depth < 500; ++depth) {
        ASSERT_EQ(s->body.size(), 1u);
        s = &s->body[0];
    }
    EXPECT_EQ(debug_form(s->body), "[Expr(Identifier(\"x\"))]");
}

std::string traced(const std::string& source) {
    std::vector<Token> tokens = tokenize(source);
    Parser parser(tokens, true);
    testing::internal::CaptureStderr();
    parser.parse_program();
    return testing::internal::GetCapturedStderr();
}

bool has_line(const std::string& text, const std::string& line) {
    return ("\n" + text).find("\n" + line + "\n") != std::string::npos;
}

TEST(ParserTrace, EveryHundredthIterationAndTheParameterLimit) {
    std::string program = traced(repeat(")", 250));
    EXPECT_TRUE(has_line(program, "[PARSER] pos=99 token=RParen | parse_program iteration 100 at pos 99"));
    EXPECT_TRUE(has_line(program, "[PARSER] pos=199 token=RParen | parse_program iteration 200 at pos 199"));
    EXPECT_TRUE(
        has_line(program, "[PARSER] pos=250 token=EOF | === PARSE PROGRAM END === Parsed 250 statements"));

    std::string block = traced("def f() {" + repeat(")", 150) + "}");
    EXPECT_TRUE(has_line(block, "[PARSER] pos=104 token=RParen | parse_block iteration 100 at pos 104"));
    EXPECT_TRUE(has_line(block, "[PARSER] pos=155 token=RBrace | parse_block() END with 150 statements"));

    std::string names;
    for (int i = 0; i < 1002; ++i)
        names += " p" + std::to_string(i);
    std::string params = traced("def f(" + names + ") { }");
    EXPECT_TRUE(has_line(
        params, "[PARSER] pos=1004 token=Identifier(\"p1001\") | parse_params safety limit reached"));
    EXPECT_TRUE(has_line(
        params, "[PARSER] pos=1004 token=Identifier(\"p1001\") | parse_params() END with 1001 params"));
    EXPECT_TRUE(has_line(params, "[PARSER] pos=1004 token=Identifier(\"p1001\") | expect(RParen) FAILED, got "
                                 "Identifier(\"p1001\")"));
    EXPECT_TRUE(
        has_line(params, "[PARSER] pos=1004 token=Identifier(\"p1001\") | parse_function() END (failed)"));
}

} // namespace
} // namespace wexlin
