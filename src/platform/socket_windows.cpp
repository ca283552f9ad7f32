#include "platform/socket.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include "platform/windows_text.h"

namespace wexlin::platform {

namespace {

// Winsock is started once, on first use, and left running until the process
// ends.
bool winsock_ready() {
    static const bool ready = [] {
        WSADATA data{};
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return ready;
}

std::string last_error() {
    return windows::error_text(static_cast<unsigned long>(WSAGetLastError()));
}

SOCKET sock_of(NativeSocket handle) {
    return static_cast<SOCKET>(handle);
}

// Sockets are never inherited by programs started with files.start.
SOCKET open_stream_socket(int family) {
    return WSASocketW(family, SOCK_STREAM, IPPROTO_TCP, nullptr, 0,
                      WSA_FLAG_OVERLAPPED | WSA_FLAG_NO_HANDLE_INHERIT);
}

void set_blocking(SOCKET s, bool blocking) {
    u_long non_blocking = blocking ? 0 : 1;
    ioctlsocket(s, FIONBIO, &non_blocking);
}

struct AddressList {
    addrinfoW* head{nullptr};
    std::string error;
    AddressList() = default;
    AddressList(const AddressList&) = delete;
    AddressList& operator=(const AddressList&) = delete;
    ~AddressList() {
        if (head) FreeAddrInfoW(head);
    }
};

void resolve(std::string_view host, std::uint16_t port, int flags, AddressList& out) {
    if (host.find('\0') != std::string_view::npos) {
        out.error = "host name contains a NUL byte";
        return;
    }
    if (!winsock_ready()) {
        out.error = last_error();
        return;
    }
    addrinfoW hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    hints.ai_flags = flags | AI_NUMERICSERV;
    std::wstring host_text = windows::widen(host);
    std::wstring port_text = std::to_wstring(port);
    int rc = GetAddrInfoW(host_text.c_str(), port_text.c_str(), &hints, &out.head);
    if (rc == 0) return;
    out.head = nullptr;
    out.error = windows::error_text(static_cast<unsigned long>(rc));
}

} // namespace

void Socket::close() {
    if (m_handle == invalid_socket) return;
    closesocket(sock_of(m_handle));
    m_handle = invalid_socket;
}

std::optional<std::string> Socket::send_all(std::string_view bytes) {
    const bool bounded = m_send_timeout.count() >= 0;
    SOCKET s = sock_of(m_handle);
    // With a bound the socket sends without blocking, and a full window is
    // waited out with a poll that has the bound as its time limit.
    if (bounded) set_blocking(s, false);
    std::optional<std::string> failure;
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        int chunk = static_cast<int>(std::min<std::size_t>(bytes.size() - sent, 1 << 30));
        int n = ::send(s, bytes.data() + sent, chunk, 0);
        if (n != SOCKET_ERROR) {
            sent += static_cast<std::size_t>(n);
            continue;
        }
        int code = WSAGetLastError();
        if (code == WSAEINTR) continue;
        if (!bounded || code != WSAEWOULDBLOCK) {
            failure = windows::error_text(static_cast<unsigned long>(code));
            break;
        }
        WSAPOLLFD writable{s, POLLWRNORM, 0};
        int ready = WSAPoll(&writable, 1, static_cast<int>(m_send_timeout.count()));
        if (ready == 0) {
            failure = windows::error_text(WSAETIMEDOUT);
            break;
        }
        if (ready == SOCKET_ERROR) {
            failure = last_error();
            break;
        }
    }
    if (bounded) set_blocking(s, true);
    return failure;
}

ReceiveResult Socket::receive(char* buffer, std::size_t capacity) {
    ReceiveResult result;
    int wanted = static_cast<int>(std::min<std::size_t>(capacity, 1 << 30));
    for (;;) {
        int n = ::recv(sock_of(m_handle), buffer, wanted, 0);
        if (n != SOCKET_ERROR) {
            result.bytes = static_cast<std::size_t>(n);
            return result;
        }
        if (WSAGetLastError() == WSAEINTR) continue;
        result.ok = false;
        result.error = last_error();
        return result;
    }
}

void Socket::set_timeouts(std::chrono::milliseconds receive, std::chrono::milliseconds send) {
    // Winsock takes the receive bound as a DWORD of milliseconds; 0 would
    // mean no bound at all, so the shortest bound is one millisecond.
    DWORD ms = receive.count() <= 0 ? 1 : static_cast<DWORD>(receive.count());
    setsockopt(sock_of(m_handle), SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&ms), sizeof ms);
    m_send_timeout = send;
}

void Socket::discard_pending_input(std::size_t limit) {
    SOCKET s = sock_of(m_handle);
    char buffer[4096];
    std::size_t total = 0;
    set_blocking(s, false);
    while (total < limit) {
        int n = ::recv(s, buffer, sizeof buffer, 0);
        if (n == SOCKET_ERROR && WSAGetLastError() == WSAEINTR) continue;
        if (n == SOCKET_ERROR || n == 0) break;
        total += static_cast<std::size_t>(n);
    }
    set_blocking(s, true);
}

void Listener::close() {
    if (m_handle == invalid_socket) return;
    closesocket(sock_of(m_handle));
    m_handle = invalid_socket;
}

AcceptResult Listener::accept() {
    AcceptResult result;
    SOCKET s = ::accept(sock_of(m_handle), nullptr, nullptr);
    if (s != INVALID_SOCKET) {
        // An accepted socket takes the listener's settings, which were chosen
        // so that it is not inherited either.
        SetHandleInformation(reinterpret_cast<HANDLE>(s), HANDLE_FLAG_INHERIT, 0);
        result.socket = Socket(static_cast<NativeSocket>(s));
        return result;
    }
    int code = WSAGetLastError();
    if (code == WSAEINTR || code == WSAECONNRESET) {
        result.retry = true;
        return result;
    }
    result.error = windows::error_text(static_cast<unsigned long>(code));
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
    for (addrinfoW* a = addresses.head; a; a = a->ai_next) {
        SOCKET s = open_stream_socket(a->ai_family);
        if (s == INVALID_SOCKET) {
            result.error = last_error();
            continue;
        }
        if (::connect(s, a->ai_addr, static_cast<int>(a->ai_addrlen)) == 0) {
            result.socket = Socket(static_cast<NativeSocket>(s));
            result.error.clear();
            return result;
        }
        result.error = last_error();
        closesocket(s);
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
    for (addrinfoW* a = addresses.head; a; a = a->ai_next) {
        SOCKET s = open_stream_socket(a->ai_family);
        if (s == INVALID_SOCKET) {
            result.error = last_error();
            continue;
        }
        // On Windows SO_REUSEADDR would let a second server take a port that
        // another one listens on; exclusive use refuses that, while a port
        // left in TIME_WAIT can still be bound again.
        BOOL one = TRUE;
        setsockopt(s, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&one), sizeof one);
        if (::bind(s, a->ai_addr, static_cast<int>(a->ai_addrlen)) != 0 || ::listen(s, backlog) != 0) {
            result.error = last_error();
            closesocket(s);
            continue;
        }
        result.listener = Listener(static_cast<NativeSocket>(s));
        result.error.clear();
        return result;
    }
    return result;
}

} // namespace wexlin::platform
