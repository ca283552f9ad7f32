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

#include "platform/dynamic_library.h"

namespace wexlin {

namespace {

constexpr int history_limit = 1000;

// libedit is opened when the REPL starts on a terminal rather than linked:
// otherwise every script run would map it and the terminal libraries it
// brings along, for nothing.
#define WEXLIN_EDIT_FUNCTIONS(X)                                                                             \
    X(rl_initialize)                                                                                         \
    X(rl_bind_key)                                                                                           \
    X(rl_insert)                                                                                             \
    X(using_history)                                                                                         \
    X(stifle_history)                                                                                        \
    X(read_history)                                                                                          \
    X(write_history)                                                                                         \
    X(add_history)                                                                                           \
    X(readline)

struct EditLibrary {
#define WEXLIN_EDIT_POINTER(name) decltype(&::name) name = nullptr;
    WEXLIN_EDIT_FUNCTIONS(WEXLIN_EDIT_POINTER)
#undef WEXLIN_EDIT_POINTER
    decltype(&::rl_readline_name) readline_name = nullptr;
};

const EditLibrary* load_edit_library() {
    static EditLibrary library;
    void* handle = platform::open_library("libedit.so.2");
    if (!handle) return nullptr;
    bool complete = true;
#define WEXLIN_EDIT_RESOLVE(name)                                                                            \
    library.name = reinterpret_cast<decltype(library.name)>(platform::library_symbol(handle, #name));        \
    complete = complete && library.name != nullptr;
    WEXLIN_EDIT_FUNCTIONS(WEXLIN_EDIT_RESOLVE)
#undef WEXLIN_EDIT_RESOLVE
    library.readline_name =
        static_cast<decltype(library.readline_name)>(platform::library_symbol(handle, "rl_readline_name"));
    complete = complete && library.readline_name != nullptr;
    // The handle stays open for the life of the process, as a linked library
    // would.
    return complete ? &library : nullptr;
}

// The loaded library, or nullptr when libedit cannot be loaded (then the
// REPL reads plain lines).
const EditLibrary* edit_library() {
    static const EditLibrary* library = load_edit_library();
    return library;
}

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
    explicit LineEditor(const EditLibrary& edit) : m_edit(edit) {
        Utf8CharacterType utf8;
        *m_edit.readline_name = "wexlin";
        m_ready = m_edit.rl_initialize() == 0;
        if (!m_ready) return;
        // Tab inserts a tab: file-name completion means nothing in a
        // statement.
        m_edit.rl_bind_key('\t', m_edit.rl_insert);
        m_edit.using_history();
        m_edit.stifle_history(history_limit);
        std::string home = home_folder();
        if (!home.empty()) {
            m_history_path = home + "/.wexlin_history";
            m_edit.read_history(m_history_path.c_str());
        }
    }

    bool ready() const { return m_ready; }

    bool read_line(std::string_view prompt, std::string& line) override {
        Utf8CharacterType utf8;
        char* text = m_edit.readline(std::string(prompt).c_str());
        if (!text) return false;
        line = text;
        std::free(text);
        return true;
    }

    void remember(const std::string& line) override {
        if (line == m_last) return;
        m_last = line;
        m_edit.add_history(line.c_str());
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
        m_edit.write_history(m_history_path.c_str());
    }

    const EditLibrary& m_edit;
    bool m_ready = false;
    std::string m_history_path;
    std::string m_last;
};

} // namespace

std::unique_ptr<LineSource> make_line_editor() {
    const EditLibrary* edit = edit_library();
    if (!edit) return nullptr;
    auto editor = std::make_unique<LineEditor>(*edit);
    if (!editor->ready()) return nullptr;
    return editor;
}

} // namespace wexlin
