#include "script_generator.h"

#include <array>
#include <fuzzer/FuzzedDataProvider.h>
#include <string_view>

namespace wexlin::fuzz {

const char* const module_source = R"(# The module generated scripts may import.
let base = [1, "two", 3.5]
def g0(a) { return [a, base] }
def g1(a, b) { return a + b }
def g2() { return {name: "gm", items: base} }
)";

namespace {

// The global step counter; no generated statement writes it otherwise.
constexpr std::string_view steps = "fuzz_steps";

constexpr std::array<std::string_view, 6> variables = {"v0", "v1", "v2", "v3", "v4", "v5"};
constexpr std::array<std::string_view, 4> keys = {"k0", "k1", "name", "items"};
constexpr std::array<std::string_view, 4> functions = {"f0", "f1", "f2", "main"};

constexpr std::array<std::string_view, 24> integers = {
    "0",
    "1",
    "2",
    "3",
    "7",
    "10",
    "-1",
    "-3",
    "255",
    "256",
    "1000",
    "65535",
    "65536",
    "2147483647",
    "2147483648",
    "4294967295",
    "4294967296",
    "1000000",
    "9223372036854775807",
    "(-9223372036854775807 - 1)",
    "9223372036854775808",
    "123456789012",
    "0",
    "1",
};

constexpr std::array<std::string_view, 12> floats = {
    "0.0",       "0.5",    "1.5",    "3.25",        "2.0", "0.1", "100.0", "1000000000000000000000.0",
    "0.0000001", "(-0.0)", "(-2.5)", "(1.0 / 3.0)",
};

constexpr std::array<std::string_view, 24> strings = {
    R"("")",
    R"("a")",
    R"("hello")",
    R"("Hello, World")",
    R"("ünïcödé")",
    R"("日本語")",
    R"("🎉")",
    R"("a b  c")",
    R"("line\nbreak")",
    R"("tab\there")",
    R"("quote\"inside")",
    R"("back\\slash")",
    R"("nul\0byte")",
    R"("0")",
    R"("-1")",
    R"("1.5")",
    R"("{name}")",
    R"("%s%d")",
    R"("[1, 2]")",
    R"(" ")",
    R"(",")",
    R"("\r\n")",
    R"("<b>html</b>")",
    R"("ß")",
};

// Relative paths only, never "." or "..": the file functions may create and
// delete them freely inside the working folder.
constexpr std::array<std::string_view, 8> paths = {
    R"("f0.txt")", R"("f1.wx")",        R"("d0")", R"("d0/f2.txt")",
    R"("d0/d1")",  R"("d0/d1/f3.txt")", R"("")",   R"("gm.wx")",
};

// Core builtins, minus input (it would wait for standard input) and the
// graphics builtins (they open windows).
constexpr std::array<std::string_view, 26> builtins = {
    "print", "len",     "upper",        "lower",  "slice",     "contains",  "split",    "concat",  "push",
    "pop",   "reverse", "abs",          "sqrt",   "pow",       "min",       "max",      "floor",   "ceil",
    "round", "random",  "random_range", "typeof", "is_number", "is_string", "is_array", "is_dict",
};

constexpr std::array<std::string_view, 10> file_functions = {
    "files.read", "files.write",         "files.append",        "files.delete",  "files.exists",
    "files.list", "files.create_folder", "files.delete_folder", "files.is_file", "files.is_folder",
};

constexpr std::array<std::string_view, 14> binary_operators = {
    "+", "-", "*", "/", "%", "**", "==", "!=", "<", ">", "<=", ">=", "and", "or",
};

class Generator {
  public:
    explicit Generator(FuzzedDataProvider& input) : m_in(input) {}

    std::string run() {
        m_budget = pick(std::array<int, 4>{20, 200, 1000, 3000});
        // `let` runs in the declaration pass, before a main function; each
        // function body repeats the global declaration for the same reason.
        out("let ");
        out(steps);
        out(" = 0\nglobal ");
        out(steps);
        out("\n");
        // Variables start with a value of each kind, so that most
        // expressions work on real values instead of failing on a name.
        out("let v0 = 3\nlet v1 = \"text\"\nlet v2 = [1, \"two\", [3.5]]\nlet v3 = {k0: 1, name: \"n\", "
            "items: [1, 2]}\n"
            "let v4 = 2.5\nlet v5 = true\n");
        if (flag()) out("use files\n");
        if (flag()) out("use http\n");
        switch (number(0, 3)) {
        case 0: out("use gm\n"); break;
        case 1: out("use gm as gm\n"); break;
        case 2: out("use gm { g0, g1 }\n"); break;
        default: break;
        }
        int definitions = number(0, 3);
        for (int i = 0; i < definitions; ++i)
            function_definition(0);
        int statements = number(1, 24);
        for (int i = 0; i < statements && m_in.remaining_bytes() > 0; ++i)
            statement(0);
        return std::move(m_out);
    }

  private:
    static constexpr int max_block_depth = 4;
    static constexpr int max_expression_depth = 5;

    void out(std::string_view text) { m_out += text; }
    void indent(int depth) { m_out.append(static_cast<std::size_t>(depth) * 2, ' '); }
    bool flag() { return m_in.ConsumeBool(); }
    int number(int low, int high) { return m_in.ConsumeIntegralInRange<int>(low, high); }
    template <typename T, std::size_t N>
    T pick(const std::array<T, N>& choices) {
        return choices[static_cast<std::size_t>(number(0, static_cast<int>(N) - 1))];
    }

    std::string_view variable() {
        // Inside a function its parameters are names too.
        if (m_in_function && number(0, 3) == 0) return pick(std::array<std::string_view, 2>{"p0", "p1"});
        return pick(variables);
    }

    // One step of the budget: leave the loop (or the function) once it is spent.
    void step_guard(int depth, std::string_view leave) {
        indent(depth);
        out("if ");
        out(steps);
        out(" > " + std::to_string(m_budget) + " { ");
        out(leave);
        out(" }\n");
        indent(depth);
        out(steps);
        out(" = ");
        out(steps);
        // The semicolon ends the statement: a next line starting with "("
        // would otherwise continue it as a call of the 1.
        out(" + 1;\n");
    }

    void block(int depth, bool loop_body) {
        out("{\n");
        if (loop_body) step_guard(depth + 1, "break");
        int count = number(0, 4);
        for (int i = 0; i < count; ++i)
            statement(depth + 1);
        indent(depth);
        out("}");
    }

    void function_definition(int depth) {
        indent(depth);
        out("def ");
        out(pick(functions));
        out("(");
        int params = number(0, 2);
        for (int i = 0; i < params; ++i)
            out(i == 0 ? "p0" : ", p1");
        out(") {\n");
        indent(depth + 1);
        out("global ");
        out(steps);
        out("\n");
        step_guard(depth + 1, "return 0");
        bool was_in_function = m_in_function;
        m_in_function = true;
        int count = number(0, 5);
        for (int i = 0; i < count; ++i)
            statement(depth + 1);
        if (flag()) {
            indent(depth + 1);
            out("return ");
            expression(0);
            out("\n");
        }
        m_in_function = was_in_function;
        indent(depth);
        out("}\n");
    }

    void statement(int depth) {
        bool can_nest = depth < max_block_depth;
        int choice = number(0, can_nest ? 22 : 12);
        if (choice == 22) {
            function_definition(depth);
            return;
        }
        indent(depth);
        switch (choice) {
        case 0:
        case 1:
            out(variable());
            out(" = ");
            expression(0);
            break;
        case 2:
            out("let ");
            out(variable());
            out(" = ");
            expression(0);
            break;
        case 3: {
            out(variable());
            out(pick(std::array<std::string_view, 4>{" += ", " -= ", " *= ", " /= "}));
            expression(0);
            break;
        }
        case 4: {
            // The forms the interpreter updates in place.
            std::string_view name = variable();
            out(name);
            out(" = ");
            switch (number(0, 4)) {
            case 0:
                out("push(");
                out(name);
                out(", ");
                expression(1);
                out(")");
                break;
            case 1:
                out(name);
                out(" + ");
                expression(1);
                break;
            case 2:
                out("[");
                out(name);
                out("]");
                break;
            case 3:
                out("[");
                out(name);
                out(", ");
                out(name);
                out("]");
                break;
            default:
                out("{k0: ");
                out(name);
                out(", k1: [");
                out(name);
                out("]}");
                break;
            }
            break;
        }
        case 5:
        case 6:
            out("print(");
            arguments(0, 3);
            out(")");
            break;
        case 7: expression(0); break;
        case 8:
            out("return");
            if (flag()) {
                out(" ");
                expression(0);
            }
            break;
        case 9: out(flag() ? "break" : "continue"); break;
        case 10:
            out("global ");
            out(variable());
            break;
        case 11:
            out(variable());
            out(" = ");
            call(0);
            break;
        case 12: file_call(0); break;
        case 13:
        case 14:
            out("if ");
            expression(0);
            out(" ");
            block(depth, false);
            if (flag()) {
                out(" else ");
                block(depth, false);
            }
            break;
        case 15:
            out("while ");
            expression(0);
            out(" ");
            block(depth, true);
            break;
        case 16:
        case 17:
            out("for ");
            out(pick(std::array<std::string_view, 3>{"i0", "i1", "v0"}));
            out(" in ");
            if (flag()) {
                out(pick(integers));
                out("..");
                out(pick(integers));
            } else {
                expression(0);
            }
            out(" ");
            block(depth, true);
            break;
        case 18: match_statement(depth); break;
        case 19:
        case 20:
            out("try ");
            block(depth, false);
            out(" catch e0 ");
            block(depth, false);
            break;
        default:
            // Everything else nests a statement inside a function body.
            out("def ");
            out(pick(functions));
            out("() ");
            {
                bool was_in_function = m_in_function;
                m_in_function = true;
                out("{\n");
                indent(depth + 1);
                out("global ");
                out(steps);
                out("\n");
                step_guard(depth + 1, "return 0");
                statement(depth + 1);
                indent(depth);
                out("}");
                m_in_function = was_in_function;
            }
            break;
        }
        if (flag()) out(";");
        out("\n");
    }

    void match_statement(int depth) {
        out("match ");
        expression(0);
        out(" {\n");
        int arms = number(0, 3);
        for (int i = 0; i < arms; ++i) {
            indent(depth + 1);
            literal();
            out(" => ");
            if (flag()) {
                block(depth + 1, false);
            } else {
                call(1);
            }
            out("\n");
        }
        if (flag()) {
            indent(depth + 1);
            out("_ => ");
            block(depth + 1, false);
            out("\n");
        }
        indent(depth);
        out("}");
    }

    void literal() {
        switch (number(0, 4)) {
        case 0: out(pick(integers)); break;
        case 1: out(pick(floats)); break;
        case 2: out(pick(strings)); break;
        case 3: out(flag() ? "true" : "false"); break;
        default: out("null_value"); break; // an undefined name
        }
    }

    void arguments(int depth, int most) {
        int count = number(0, most);
        for (int i = 0; i < count; ++i) {
            if (i) out(", ");
            expression(depth + 1);
        }
    }

    void call(int depth) {
        switch (number(0, 5)) {
        case 0:
        case 1:
        case 2:
            out(pick(builtins));
            out("(");
            arguments(depth, 4);
            out(")");
            return;
        case 3:
            out(pick(functions));
            out("(");
            arguments(depth, 3);
            out(")");
            return;
        case 4: file_call(depth); return;
        default:
            switch (number(0, 5)) {
            case 0:
                out("http.json(");
                expression(depth + 1);
                out(")");
                return;
            case 1:
                out("http.status(");
                arguments(depth, 2);
                out(")");
                return;
            case 2:
                // Not http.page: its routes are only ever appended to one
                // table of the process, which would grow from input to input.
                out("http.status(");
                numeric(depth + 1);
                out(")");
                return;
            case 3:
                out("http.template(");
                out(pick(paths));
                out(")");
                return;
            case 4:
                out("gm.");
                out(pick(std::array<std::string_view, 4>{"g0", "g1", "g2", "base"}));
                out("(");
                arguments(depth, 2);
                out(")");
                return;
            default: out(pick(std::array<std::string_view, 3>{"gm.base", "g0(1)", "g1(2, 3)"})); return;
            }
        }
    }

    void file_call(int depth) {
        std::string_view function = pick(file_functions);
        out(function);
        out("(");
        out(pick(paths));
        if (function == "files.write" || function == "files.append") {
            out(", ");
            expression(depth + 1);
        } else if (flag()) {
            out(", ");
            expression(depth + 1);
        }
        out(")");
    }

    // Expressions of one kind: they mostly evaluate without an error, so the
    // statements around them get to run on real values.
    void numeric(int depth) {
        if (depth >= max_expression_depth) {
            out(pick(integers));
            return;
        }
        switch (number(0, 7)) {
        case 0: out(pick(integers)); break;
        case 1: out(pick(floats)); break;
        case 2: out(variable()); break;
        case 3:
            out("(");
            numeric(depth + 1);
            out(" ");
            out(pick(std::array<std::string_view, 6>{"+", "-", "*", "/", "%", "**"}));
            out(" ");
            numeric(depth + 1);
            out(")");
            break;
        case 4:
            out("len(");
            if (flag())
                text(depth + 1);
            else
                list(depth + 1);
            out(")");
            break;
        case 5:
            out(pick(std::array<std::string_view, 6>{"abs(", "floor(", "ceil(", "round(", "sqrt(", "-"}));
            numeric(depth + 1);
            if (m_out.back() != '-') out(")");
            break;
        default:
            out(pick(std::array<std::string_view, 3>{"min(", "max(", "random_range("}));
            numeric(depth + 1);
            out(", ");
            numeric(depth + 1);
            out(")");
            break;
        }
    }

    void text(int depth) {
        if (depth >= max_expression_depth) {
            out(pick(strings));
            return;
        }
        switch (number(0, 6)) {
        case 0:
        case 1: out(pick(strings)); break;
        case 2: out(variable()); break;
        case 3:
            out("(");
            text(depth + 1);
            out(" + ");
            text(depth + 1);
            out(")");
            break;
        case 4:
            out(pick(std::array<std::string_view, 2>{"upper(", "lower("}));
            text(depth + 1);
            out(")");
            break;
        case 5:
            out("slice(");
            text(depth + 1);
            out(", ");
            numeric(depth + 1);
            out(", ");
            numeric(depth + 1);
            out(")");
            break;
        default:
            out("concat(");
            arguments(depth, 3);
            out(")");
            break;
        }
    }

    void list(int depth) {
        if (depth >= max_expression_depth) {
            out("[]");
            return;
        }
        switch (number(0, 6)) {
        case 0:
            out("[");
            arguments(depth, 4);
            out("]");
            break;
        case 1:
            out("(");
            out(pick(integers));
            out("..");
            out(pick(integers));
            out(")");
            break;
        case 2: out(variable()); break;
        case 3:
            out("split(");
            text(depth + 1);
            out(", ");
            out(pick(std::array<std::string_view, 4>{R"("")", R"(" ")", R"(",")", R"("a")"}));
            out(")");
            break;
        case 4:
            out("push(");
            list(depth + 1);
            out(", ");
            expression(depth + 1);
            out(")");
            break;
        case 5:
            out("reverse(");
            list(depth + 1);
            out(")");
            break;
        default:
            out("files.list(");
            out(pick(paths));
            out(")");
            break;
        }
    }

    void expression(int depth) {
        if (depth >= max_expression_depth) {
            literal();
            return;
        }
        switch (number(0, 19)) {
        case 14:
        case 15: numeric(depth); return;
        case 16:
        case 17: text(depth); return;
        case 18:
        case 19: list(depth); return;
        default: break;
        }
        switch (number(0, 13)) {
        case 0:
        case 1: literal(); break;
        case 2:
        case 3: out(variable()); break;
        case 4:
            out("(");
            expression(depth + 1);
            out(" ");
            out(pick(binary_operators));
            out(" ");
            expression(depth + 1);
            out(")");
            break;
        case 5:
            out(pick(std::array<std::string_view, 3>{"-", "not ", "!"}));
            expression(depth + 1);
            break;
        case 6:
            out("[");
            arguments(depth, 4);
            out("]");
            break;
        case 7: {
            out("{");
            int count = number(0, 3);
            for (int i = 0; i < count; ++i) {
                if (i) out(", ");
                out(pick(keys));
                out(": ");
                expression(depth + 1);
            }
            out("}");
            break;
        }
        case 8:
            expression(depth + 1);
            out("[");
            expression(depth + 1);
            out("]");
            break;
        case 9:
            expression(depth + 1);
            out(".");
            out(pick(keys));
            break;
        case 10:
            out("(");
            expression(depth + 1);
            out("..");
            expression(depth + 1);
            out(")");
            break;
        default: call(depth); break;
        }
    }

    FuzzedDataProvider& m_in;
    std::string m_out;
    int m_budget{0};
    bool m_in_function{false};
};

} // namespace

std::string generate_script(FuzzedDataProvider& input) {
    return Generator(input).run();
}

} // namespace wexlin::fuzz
