// Error lines through the sink: a test sees the messages, with each
// statement's context in front, and nothing reaches standard error.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "interpreter/errors.h"
#include "interpreter/interpreter.h"
#include "lexer/lexer.h"
#include "parser/parser.h"
#include "runner.h"

namespace wexlin {
namespace {

class Capture final : public ErrorSink {
  public:
    void error_line(std::string_view message) override { lines.emplace_back(message); }
    std::vector<std::string> lines;
};

// Every statement of the script, in order, on one interpreter.
std::vector<std::string> errors_of(const std::string& source) {
    Capture capture;
    testing::internal::CaptureStderr();
    {
        ScopedErrorSink sink(capture);
        std::vector<Token> tokens = tokenize(source);
        Parser parser(tokens, false);
        StepList statements = compile(parser.parse_program());
        Interpreter interpreter;
        for (const auto& statement : statements)
            interpreter.execute(statement);
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << source;
    return capture.lines;
}

TEST(ErrorSink, StatementsReportTheirErrorsWithTheirContext) {
    struct Case {
        const char* script;
        std::vector<std::string> lines;
    };
    const std::string zero = "Division by zero";
    const Case cases[] = {
        {"let x = 1 / 0", {zero, "Error in let statement for 'x': " + zero}},
        {"x = nothing",
         {"Undefined variable 'nothing'", "Error in assignment to 'x': Undefined variable 'nothing'"}},
        {"let t = 1\nt += (1 / 0)",
         {zero, "Error in compound assignment to 't': " + zero, "Cannot apply Plus to number and error"}},
        {"if 1 / 0 { }", {zero, "Error in if condition: " + zero}},
        {"while 1 / 0 { }", {zero, "Error in while condition: " + zero}},
        {"for i in 1 / 0 { }", {zero, "Error in for loop iteration: " + zero}},
        {"for c in \"abc\" { }", {"Cannot iterate over string in for loop. Expected an array."}},
        {"match 1 / 0 { _ => { } }", {zero, "Error in match expression: " + zero}},
        {"1 / 0", {zero, "Error in expression: " + zero}},
        {"use nothing_here",
         {"Failed to load module 'nothing_here': nothing_here/index.wx not found in .wexlin/modules/ or "
          "nothing_here.wx not found in current directory",
          "Failed to import module 'nothing_here'"}},
        // The in-place update forms report like the general assignment.
        {"let a = [1]\na = push(a, 1 / 0)", {zero, "Error in assignment to 'a': " + zero}},
        {"let s = \"x\"\ns = s + nothing",
         {"Undefined variable 'nothing'", "Error in assignment to 's': Undefined variable 'nothing'"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(errors_of(c.script), c.lines) << c.script;
}

TEST(ErrorSink, TheRunnersDeclarationPassReportsThroughTheSinkToo) {
    Capture capture;
    testing::internal::CaptureStderr();
    {
        ScopedErrorSink sink(capture);
        run_script("let x = 1 / 0\ndef main() { }\n", false, false);
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(capture.lines,
              (std::vector<std::string>{"Division by zero",
                                        "Error in global let statement for 'x': Division by zero"}));
}

TEST(ErrorSink, TheSinkBeforeComesBack) {
    Capture outer;
    Capture inner;
    {
        ScopedErrorSink first(outer);
        {
            ScopedErrorSink second(inner);
            report_error("inner");
        }
        report_error("outer");
    }
    EXPECT_EQ(inner.lines, std::vector<std::string>{"inner"});
    EXPECT_EQ(outer.lines, std::vector<std::string>{"outer"});
}

} // namespace
} // namespace wexlin
