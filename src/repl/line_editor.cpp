#include "repl/line_editor.h"

// libedit's readline interface declares names such as Function and CTRL in
// the global namespace, so it is included in this one file only.
#include <editline/readline.h>
#include <fcntl.h>
#include <langinfo.h>
#include <pwd.h>
#include <unistd.h>

#include <clocale>
#include <cstdlib>
#include <string>

namespace wexlin {

namespace {

constexpr int history_limit = 1000;

// Scripts and the REPL's input are UTF-8. The editor decodes what is typed
// with the character type of the current locale, which in a plain "C"
// locale knows only ASCII; while it runs, a UTF-8 character type is set
// (the user's own when it is UTF-8), and the program's locale is restored
// afterwards so nothing else sees the change.
class Utf8CharacterType {
  public:
    Utf8CharacterType() {
        if (const char* current = std::setlocale(LC_CTYPE, nullptr)) m_saved = current;
        if (!std::setlocale(LC_CTYPE, "") || std::string_view(nl_langinfo(CODESET)) != "UTF-8")
            std::setlocale(LC_CTYPE, "C.UTF-8");
    }
    ~Utf8CharacterType() {
        if (!m_saved.empty()) std::setlocale(LC_CTYPE, m_saved.c_str());
    }
    Utf8CharacterType(const Utf8CharacterType&) = delete;
    Utf8CharacterType& operator=(const Utf8CharacterType&) = delete;

  private:
    std::string m_saved;
};

std::string home_folder() {
    if (const char* home = std::getenv("HOME"); home && *home) return home;
    if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_dir && *entry->pw_dir)
        return entry->pw_dir;
    return {};
}

class LineEditor final : public LineSource {
  public:
    LineEditor() {
        Utf8CharacterType utf8;
        rl_readline_name = "wexlin";
        m_ready = rl_initialize() == 0;
        if (!m_ready) return;
        // Tab inserts a tab: file-name completion means nothing in a
        // statement.
        rl_bind_key('\t', rl_insert);
        using_history();
        stifle_history(history_limit);
        std::string home = home_folder();
        if (!home.empty()) {
            m_history_path = home + "/.wexlin_history";
            read_history(m_history_path.c_str());
        }
    }

    bool ready() const { return m_ready; }

    bool read_line(std::string_view prompt, std::string& line) override {
        Utf8CharacterType utf8;
        char* text = readline(std::string(prompt).c_str());
        if (!text) return false;
        line = text;
        std::free(text);
        return true;
    }

    void remember(const std::string& line) override {
        if (line == m_last) return;
        m_last = line;
        add_history(line.c_str());
        save_history();
    }

  private:
    // The file is rewritten after every line, so a session that ends by an
    // interrupt keeps its history. It may hold anything typed, so only its
    // owner may read it. History is a convenience: a failure to write it is
    // not reported.
    void save_history() {
        if (m_history_path.empty()) return;
        int fd = ::open(m_history_path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
        if (fd < 0) return;
        ::close(fd);
        write_history(m_history_path.c_str());
    }

    bool m_ready = false;
    std::string m_history_path;
    std::string m_last;
};

} // namespace

std::unique_ptr<LineSource> make_line_editor() {
    auto editor = std::make_unique<LineEditor>();
    if (!editor->ready()) return nullptr;
    return editor;
}

} // namespace wexlin
