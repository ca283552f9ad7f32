#include "platform/socket.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/types.h>
#include <unistd.h>

namespace wexlin::platform {

namespace {

#ifdef MSG_NOSIGNAL
constexpr int send_flags = MSG_NOSIGNAL;
#else
constexpr int send_flags = 0;
#endif

std::string error_text(int code) {
    return std::strerror(code);
}

int fd_of(NativeSocket handle) {
    return static_cast<int>(handle);
}

// Sockets are never inherited by programs started with files.start, and a
// write to a vanished peer must give EPIPE rather than kill the process.
int open_stream_socket(int family) {
#ifdef SOCK_CLOEXEC
    int fd = ::socket(family, SOCK_STREAM | SOCK_CLOEXEC, 0);
#else
    int fd = ::socket(family, SOCK_STREAM, 0);
    if (fd >= 0) fcntl(fd, F_SETFD, FD_CLOEXEC);
#endif
#ifdef SO_NOSIGPIPE
    if (fd >= 0) {
        int one = 1;
        setsockopt(fd, SOL_SOCKET, SO_NOSIGPIPE, &one, sizeof one);
    }
#endif
    return fd;
}

void close_fd(int fd) {
    // The descriptor is released even when close reports EINTR, so never retry.
    ::close(fd);
}

struct AddressList {
    addrinfo* head{nullptr};
    std::string error; // set when the lookup itself failed
    AddressList() = default;
    AddressList(const AddressList&) = delete;
    AddressList& operator=(const AddressList&) = delete;
    ~AddressList() {
        if (head) freeaddrinfo(head);
    }
};

void resolve(std::string_view host, std::uint16_t port, int flags, AddressList& out) {
    // A name with an embedded NUL would silently be cut short by the C API.
    if (host.find('\0') != std::string_view::npos) {
        out.error = "host name contains a NUL byte";
        return;
    }
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    hints.ai_flags = flags | AI_NUMERICSERV;
    std::string host_text(host);
    std::string port_text = std::to_string(port);
    int rc = getaddrinfo(host_text.c_str(), port_text.c_str(), &hints, &out.head);
    if (rc == 0) return;
    out.head = nullptr;
    if (rc == EAI_SYSTEM)
        out.error = error_text(errno);
    else
        out.error = gai_strerror(rc);
}

} // namespace

void Socket::close() {
    if (m_handle == invalid_socket) return;
    close_fd(fd_of(m_handle));
    m_handle = invalid_socket;
}

std::optional<std::string> Socket::send_all(std::string_view bytes) {
    const bool bounded = m_send_timeout.count() >= 0;
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        int flags = send_flags | (bounded ? MSG_DONTWAIT : 0);
        ssize_t n = ::send(fd_of(m_handle), bytes.data() + sent, bytes.size() - sent, flags);
        if (n >= 0) {
            sent += static_cast<std::size_t>(n);
            continue;
        }
        if (errno == EINTR) continue;
        if (!bounded || (errno != EAGAIN && errno != EWOULDBLOCK)) return error_text(errno);
        // The peer's window is full: wait for room, but not forever.
        pollfd writable{fd_of(m_handle), POLLOUT, 0};
        int ready = ::poll(&writable, 1, static_cast<int>(m_send_timeout.count()));
        if (ready == 0) return error_text(ETIMEDOUT);
        if (ready < 0 && errno != EINTR) return error_text(errno);
    }
    return std::nullopt;
}

ReceiveResult Socket::receive(char* buffer, std::size_t capacity) {
    ReceiveResult result;
    for (;;) {
        ssize_t n = ::recv(fd_of(m_handle), buffer, capacity, 0);
        if (n >= 0) {
            result.bytes = static_cast<std::size_t>(n);
            return result;
        }
        if (errno == EINTR) continue;
        result.ok = false;
        result.error = error_text(errno);
        return result;
    }
}

void Socket::set_timeouts(std::chrono::milliseconds receive, std::chrono::milliseconds send) {
    timeval tv{};
    tv.tv_sec = static_cast<time_t>(receive.count() / 1000);
    tv.tv_usec = static_cast<suseconds_t>((receive.count() % 1000) * 1000);
    setsockopt(fd_of(m_handle), SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    m_send_timeout = send;
}

void Socket::discard_pending_input(std::size_t limit) {
    char buffer[4096];
    std::size_t total = 0;
    while (total < limit) {
        ssize_t n = ::recv(fd_of(m_handle), buffer, sizeof buffer, MSG_DONTWAIT);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        total += static_cast<std::size_t>(n);
    }
}

void Listener::close() {
    if (m_handle == invalid_socket) return;
    close_fd(fd_of(m_handle));
    m_handle = invalid_socket;
}

AcceptResult Listener::accept() {
    AcceptResult result;
#ifdef SOCK_CLOEXEC
    int fd = ::accept4(fd_of(m_handle), nullptr, nullptr, SOCK_CLOEXEC);
#else
    int fd = ::accept(fd_of(m_handle), nullptr, nullptr);
    if (fd >= 0) fcntl(fd, F_SETFD, FD_CLOEXEC);
#endif
    if (fd >= 0) {
#ifdef SO_NOSIGPIPE
        int one = 1;
        setsockopt(fd, SOL_SOCKET, SO_NOSIGPIPE, &one, sizeof one);
#endif
        result.socket = Socket(fd);
        return result;
    }
    if (errno == EINTR) {
        result.retry = true;
        return result;
    }
    result.error = error_text(errno);
    return result;
}

ConnectResult connect_tcp(std::string_view host, std::uint16_t port) {
    ConnectResult result;
    AddressList addresses;
    resolve(host, port, 0, addresses);
    if (!addresses.error.empty()) {
        result.error = addresses.error;
        return result;
    }
    if (!addresses.head) {
        result.no_addresses = true;
        return result;
    }
    for (addrinfo* a = addresses.head; a; a = a->ai_next) {
        int fd = open_stream_socket(a->ai_family);
        if (fd < 0) {
            result.error = error_text(errno);
            continue;
        }
        int rc;
        do {
            rc = ::connect(fd, a->ai_addr, a->ai_addrlen);
        } while (rc != 0 && errno == EINTR);
        if (rc == 0) {
            result.socket = Socket(fd);
            result.error.clear();
            return result;
        }
        result.error = error_text(errno);
        close_fd(fd);
    }
    return result;
}

ListenResult listen_tcp(std::string_view host, std::uint16_t port, int backlog) {
    ListenResult result;
    AddressList addresses;
    resolve(host, port, AI_PASSIVE, addresses);
    if (!addresses.error.empty()) {
        result.error = addresses.error;
        return result;
    }
    result.error = "could not resolve to any addresses";
    for (addrinfo* a = addresses.head; a; a = a->ai_next) {
        int fd = open_stream_socket(a->ai_family);
        if (fd < 0) {
            result.error = error_text(errno);
            continue;
        }
        // Lets a restarted server take its port back while old connections
        // linger in TIME_WAIT; a port another socket listens on still fails.
        int one = 1;
        setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        if (::bind(fd, a->ai_addr, a->ai_addrlen) != 0 || ::listen(fd, backlog) != 0) {
            result.error = error_text(errno);
            close_fd(fd);
            continue;
        }
        result.listener = Listener(fd);
        result.error.clear();
        return result;
    }
    return result;
}

} // namespace wexlin::platform
