// The specialised handlers against the general routines, on the fuzz
// generator's scripts: every script runs with the handlers as chosen and with
// the general routines only, each with and without the -D traces, and all
// four runs must tell the same story. The two ways must give the same
// standard output, standard error and exit status byte for byte; under -D
// the trace lines must be the same too (the stage times aside); and the
// traces must only add lines: with them taken out, a -D run is the plain run.
//
// Each run is a child process forked from the test, in a fresh working folder
// holding the module the scripts import, with the fuzz target's small size
// limits and a time limit. The random stream and the hash key are drawn in
// the test before the first fork, so every child starts from the same ones
// and random() and dictionary order agree between the runs of one script.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <fuzzer/FuzzedDataProvider.h>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "interpreter/interpreter.h"
#include "runner.h"
#include "script_generator.h"
#include "support/console.h"
#include "support/limits.h"
#include "support/stack_guard.h"

namespace fs = std::filesystem;

namespace {

constexpr int script_count = 300;
constexpr unsigned seconds_per_run = 10;

struct Outcome {
    std::string out;
    std::string err;
    int status{0}; // the exit status, or 128 + the signal that ended the run
};

std::string read_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void write_file(const fs::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

class FastVersusGeneral : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        wexlin::init_stack_guard();
        wexlin::limits::max_string_length = 1 << 14;
        wexlin::limits::max_range_length = 1 << 12;
        // Keys the random stream and the dictionary hash in this process.
        wexlin::run_script("let d = {a: 1}\nlet r = random()\n", false, false);
    }

    void SetUp() override {
        char pattern[] = "/tmp/wexlin-fast-general-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        m_root = pattern;
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(m_root, ignored);
    }

    Outcome run(const std::string& script, bool general, bool traces) {
        fs::path work = m_root / "work";
        std::error_code ignored;
        fs::remove_all(work, ignored);
        fs::create_directories(work);
        write_file(work / (std::string(wexlin::fuzz::module_name) + ".wx"), wexlin::fuzz::module_source);
        fs::path out = m_root / "out";
        fs::path err = m_root / "err";
        std::fflush(nullptr);
        pid_t child = fork();
        if (child == 0) {
            alarm(seconds_per_run);
            int out_fd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            int err_fd = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            if (out_fd < 0 || err_fd < 0 || dup2(out_fd, 1) < 0 || dup2(err_fd, 2) < 0 ||
                chdir(work.c_str()) != 0)
                _exit(125);
            // The switch as the executable reads it at start.
            setenv("WEXLIN_GENERAL_ONLY", general ? "1" : "0", 1);
            wexlin::read_general_routines_switch();
            wexlin::run_script(script, traces, traces);
            std::fflush(nullptr);
            _exit(0);
        }
        Outcome outcome;
        int status = 0;
        if (child < 0 || waitpid(child, &status, 0) != child) {
            outcome.status = -1;
            return outcome;
        }
        outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        outcome.out = read_file(out);
        outcome.err = read_file(err);
        return outcome;
    }

    fs::path m_root;
};

std::string generated_script(int number) {
    std::mt19937_64 random(0x5eed0000u + static_cast<unsigned>(number));
    std::vector<std::uint8_t> bytes(std::size_t{64} << (number % 7));
    for (auto& byte : bytes)
        byte = static_cast<std::uint8_t>(random());
    FuzzedDataProvider input(bytes.data(), bytes.size());
    return wexlin::fuzz::generate_script(input);
}

// Standard error without the trace lines, which all start with a prefix of
// their own.
std::string without_traces(const std::string& err) {
    const std::string prefixes[] = {"[PARSER] ", "[DEBUG] ", wexlin::console::tag(wexlin::console::debug_tag),
                                    wexlin::console::tag(wexlin::console::debug_call_tag),
                                    wexlin::console::tag(wexlin::console::wexlin_tag)};
    std::string kept;
    std::istringstream lines(err);
    std::string line;
    while (std::getline(lines, line)) {
        bool trace = false;
        for (const auto& prefix : prefixes)
            trace = trace || line.starts_with(prefix);
        if (trace) continue;
        kept += line;
        if (!lines.eof()) kept += '\n';
    }
    return kept;
}

// The stage times of -d differ from run to run: every run of digits, a
// point, three digits and "ms" becomes N.NNNms. (Written out rather than
// with std::regex, which g++ 12 warns about under the sanitizers.)
std::string without_times(const std::string& text) {
    auto digit = [&](std::size_t i) { return i < text.size() && text[i] >= '0' && text[i] <= '9'; };
    std::string out;
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t end = i;
        while (digit(end))
            ++end;
        if (end > i && end + 6 <= text.size() && text[end] == '.' && digit(end + 1) && digit(end + 2) &&
            digit(end + 3) && text.compare(end + 4, 2, "ms") == 0) {
            out += "N.NNNms";
            i = end + 6;
        } else if (end > i) {
            out.append(text, i, end - i);
            i = end;
        } else {
            out += text[i++];
        }
    }
    return out;
}

// The first line where two texts differ, for the failure message.
std::string first_difference(const std::string& a, const std::string& b) {
    std::istringstream la(a);
    std::istringstream lb(b);
    std::string x;
    std::string y;
    for (int line = 1;; ++line) {
        bool more_a = static_cast<bool>(std::getline(la, x));
        bool more_b = static_cast<bool>(std::getline(lb, y));
        if (!more_a && !more_b) return "(same lines; they differ in the final line feed)";
        if (!more_a || !more_b || x != y)
            return "line " + std::to_string(line) + ":\n  one: " + (more_a ? x : "(end)") +
                   "\n  other: " + (more_b ? y : "(end)");
    }
}

// Empty when the two outcomes agree, else what differs.
std::string compare(const Outcome& a, const Outcome& b) {
    if (a.status != b.status)
        return "exit status " + std::to_string(a.status) + " against " + std::to_string(b.status);
    if (a.out != b.out) return "standard output, " + first_difference(a.out, b.out);
    if (a.err != b.err) return "standard error, " + first_difference(a.err, b.err);
    return {};
}

TEST_F(FastVersusGeneral, GeneratedScriptsGiveTheSameOutputBothWays) {
    int failures = 0;
    for (int number = 0; number < script_count && failures < 3; ++number) {
        std::string script = generated_script(number);
        Outcome fast = run(script, false, false);
        Outcome general = run(script, true, false);
        Outcome fast_traced = run(script, false, true);
        Outcome general_traced = run(script, true, true);
        ASSERT_EQ(fast.status, 0) << "script " << number << " did not finish cleanly:\n" << script;

        std::string problem;
        if (std::string d = compare(fast, general); !d.empty()) problem = "fast and general routines: " + d;
        if (problem.empty()) {
            Outcome a{fast_traced.out, without_times(fast_traced.err), fast_traced.status};
            Outcome b{general_traced.out, without_times(general_traced.err), general_traced.status};
            if (std::string d = compare(a, b); !d.empty())
                problem = "fast and general routines under -D: " + d;
        }
        if (problem.empty()) {
            Outcome plain{fast.out, without_traces(fast.err), fast.status};
            Outcome stripped{fast_traced.out, without_traces(fast_traced.err), fast_traced.status};
            if (std::string d = compare(plain, stripped); !d.empty())
                problem = "without -D and with -D, trace lines removed: " + d;
        }
        if (!problem.empty()) {
            ++failures;
            ADD_FAILURE() << "script " << number << ": " << problem << "\n--- script ---\n"
                          << script << "--- end ---";
        }
    }
}

} // namespace
