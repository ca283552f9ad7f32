// TCP sockets: the one place that knows how the operating system resolves
// names, connects, listens, accepts, sends and receives. POSIX today; a
// Winsock version can stand behind the same declarations, which is why the
// handle is an integer wide enough for a SOCKET and every failure comes back
// as the system's text instead of an errno value.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace wexlin::platform {

using NativeSocket = std::intptr_t;
inline constexpr NativeSocket invalid_socket = -1;

struct ReceiveResult {
    bool ok{true};
    std::size_t bytes{0}; // 0 with ok set means the peer closed its side
    std::string error;    // the system's text when not ok
};

// A connected stream socket, closed when it goes out of scope.
class Socket {
  public:
    Socket() = default;
    explicit Socket(NativeSocket handle) : m_handle(handle) {}
    ~Socket() { close(); }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    Socket(Socket&& other) noexcept : m_handle(other.m_handle), m_send_timeout(other.m_send_timeout) {
        other.m_handle = invalid_socket;
    }
    Socket& operator=(Socket&& other) noexcept {
        if (this != &other) {
            close();
            m_handle = other.m_handle;
            m_send_timeout = other.m_send_timeout;
            other.m_handle = invalid_socket;
        }
        return *this;
    }

    bool is_open() const { return m_handle != invalid_socket; }
    void close();

    // Writes every byte, repeating partial writes. A peer that has gone away
    // gives an error, never a signal. nullopt on success, else the system's text.
    std::optional<std::string> send_all(std::string_view bytes);

    // One receive of at most capacity bytes.
    ReceiveResult receive(char* buffer, std::size_t capacity);

    // Bounds how long a receive may wait for data, and how long sending may
    // go without any progress, before either fails. Without this call both
    // wait as long as it takes.
    void set_timeouts(std::chrono::milliseconds receive, std::chrono::milliseconds send);

    // Reads and throws away what the peer has already sent, without waiting,
    // at most limit bytes. Closing a socket with unread input makes the system
    // reset the connection, which can destroy a reply the peer has not read yet.
    void discard_pending_input(std::size_t limit);

  private:
    NativeSocket m_handle{invalid_socket};
    std::chrono::milliseconds m_send_timeout{-1}; // negative: none
};

struct AcceptResult {
    Socket socket;     // open on success
    bool retry{false}; // interrupted before a connection arrived; not an error
    std::string error; // the system's text on failure
};

// A socket listening for connections, closed when it goes out of scope.
class Listener {
  public:
    Listener() = default;
    explicit Listener(NativeSocket handle) : m_handle(handle) {}
    ~Listener() { close(); }
    Listener(const Listener&) = delete;
    Listener& operator=(const Listener&) = delete;
    Listener(Listener&& other) noexcept : m_handle(other.m_handle) { other.m_handle = invalid_socket; }
    Listener& operator=(Listener&& other) noexcept {
        if (this != &other) {
            close();
            m_handle = other.m_handle;
            other.m_handle = invalid_socket;
        }
        return *this;
    }

    bool is_open() const { return m_handle != invalid_socket; }
    void close();
    AcceptResult accept();

  private:
    NativeSocket m_handle{invalid_socket};
};

struct ConnectResult {
    Socket socket;            // open on success
    bool no_addresses{false}; // the name resolved to no address at all
    std::string error;        // the system's text of the last failure
};

// Resolves host and port with the system's name lookup and connects to each
// resulting address in turn; the first connection that succeeds wins.
ConnectResult connect_tcp(std::string_view host, std::uint16_t port);

struct ListenResult {
    Listener listener; // open on success
    std::string error; // the system's text of the last failure
};

// Resolves host and port and binds a listener to the first address that binds
// and listens, with a queue of backlog pending connections.
ListenResult listen_tcp(std::string_view host, std::uint16_t port, int backlog);

} // namespace wexlin::platform
