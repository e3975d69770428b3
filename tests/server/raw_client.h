// A raw TCP client for the hostile-client tests: it connects from a loopback address of its
// choosing (all of 127/8 is loopback; an IPv6 address must be one of this machine's), sends
// what no HTTP library would, and never waits beyond a bound.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>

using Clock = std::chrono::steady_clock;

// What is left of the time until a deadline; nothing once it has passed.
inline std::chrono::milliseconds left_until(Clock::time_point deadline) {
    return std::max(std::chrono::milliseconds(0),
                    std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()));
}

class RawClient {
  public:
    // A connect, and each send, gives up after this long: a service that stops reading or
    // accepting must not hang a test.
    static constexpr std::chrono::seconds socket_patience{5};

    // A receive buffer of receive_bytes, when given, keeps the window the server may fill
    // small; it is set before connecting, which fixes the window's scale.
    RawClient(const char* from, int port, int receive_bytes = 0)
        : socket_(::socket(is_v6(from) ? AF_INET6 : AF_INET, SOCK_STREAM, 0)) {
        if (socket_ < 0) {
            return;
        }
        if (receive_bytes > 0) {
            setsockopt(socket_, SOL_SOCKET, SO_RCVBUF, &receive_bytes, sizeof receive_bytes);
        }
        // On Linux the send timeout bounds connect() too.
        const timeval patience{socket_patience.count(), 0};
        setsockopt(socket_, SOL_SOCKET, SO_SNDTIMEO, &patience, sizeof patience);
        // From an IPv6 address, to the service's IPv6 loopback.
        if (is_v6(from)) {
            sockaddr_in6 address{};
            address.sin6_family = AF_INET6;
            inet_pton(AF_INET6, from, &address.sin6_addr);
            connected_ = bind_and_connect(address, address.sin6_port, address.sin6_addr, AF_INET6,
                                          port, "::1");
            return;
        }
        sockaddr_in address{};
        address.sin_family = AF_INET;
        inet_pton(AF_INET, from, &address.sin_addr);
        connected_ = bind_and_connect(address, address.sin_port, address.sin_addr, AF_INET, port,
                                      "127.0.0.1");
    }
    ~RawClient() {
        if (socket_ >= 0) {
            close(socket_);
        }
    }
    RawClient(const RawClient&) = delete;
    RawClient& operator=(const RawClient&) = delete;

    bool connected() const { return connected_; }
    // Whether the server has been seen to close (or reset) the connection.
    bool closed() const { return closed_; }

    // Sends all of it unless the server closes first or stops taking it; false then.
    bool send(std::string_view bytes) {
        while (!bytes.empty()) {
            const ssize_t sent = ::send(socket_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
            if (sent <= 0) {
                return false;
            }
            bytes.remove_prefix(size_t(sent));
        }
        return true;
    }

    // Whatever arrives until the server closes or patience has passed.
    std::string receive(std::chrono::milliseconds patience) {
        const Clock::time_point deadline = Clock::now() + patience;
        while (!closed_ && take(left_until(deadline))) {
        }
        return std::exchange(received_, std::string());
    }

    // What has arrived already, without waiting.
    std::string ready() { return receive(std::chrono::milliseconds(0)); }

    // One whole answer to a GET, its headers and the body they announce (to a HEAD, its
    // headers only), waiting at most patience; the connection stays open for the next
    // request. Whatever came, when it did not.
    std::string answer(std::chrono::milliseconds patience, bool to_head = false) {
        const Clock::time_point deadline = Clock::now() + patience;
        for (;;) {
            if (const size_t length = whole_answer_length(to_head); length > 0) {
                std::string answer = received_.substr(0, length);
                received_.erase(0, length);
                return answer;
            }
            if (closed_ || !take(left_until(deadline))) {
                return std::exchange(received_, std::string());
            }
        }
    }

    // True once the server has closed the connection, waiting at most patience for it.
    bool closed_within(std::chrono::milliseconds patience) {
        receive(patience);
        return closed_;
    }

  private:
    static bool is_v6(const char* address) {
        return std::string_view(address).find(':') != std::string_view::npos;
    }

    // Binds the socket to the address as given, then connects it to the port of to.
    template <typename Address, typename Port, typename Host>
    bool bind_and_connect(Address& address, Port& port_field, Host& host, int family, int port,
                          const char* to) {
        if (bind(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            return false;
        }
        port_field = htons(uint16_t(port));
        inet_pton(family, to, &host);
        return connect(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }

    // Reads what comes within patience into received_; false when nothing did.
    bool take(std::chrono::milliseconds patience) {
        pollfd readable{socket_, POLLIN, 0};
        if (poll(&readable, 1, int(patience.count())) <= 0) {
            return false;
        }
        char buffer[16384];
        const ssize_t got = recv(socket_, buffer, sizeof buffer, 0);
        if (got <= 0) {
            closed_ = true;
            return false;
        }
        received_.append(buffer, size_t(got));
        return true;
    }

    // The length of the first answer in received_ once all of it is there; 0 until then.
    size_t whole_answer_length(bool to_head) const {
        const size_t headers_end = received_.find("\r\n\r\n");
        if (headers_end == std::string::npos) {
            return 0;
        }
        if (to_head) {
            return headers_end + 4;
        }
        std::string headers = received_.substr(0, headers_end);
        std::transform(headers.begin(), headers.end(), headers.begin(),
                       [](unsigned char c) { return char(std::tolower(c)); });
        const size_t field = headers.find("\r\ncontent-length:");
        const size_t body =
            field == std::string::npos ? 0 : size_t(std::atol(headers.c_str() + field + 17));
        const size_t length = headers_end + 4 + body;
        return received_.size() >= length ? length : 0;
    }

    int socket_;
    bool connected_ = false;
    bool closed_ = false;
    std::string received_;
};

// The status of the first answer in what a raw client received; 0 when there is none.
inline int status_of(const std::string& answer) {
    return answer.rfind("HTTP/1.1 ", 0) == 0 ? std::atoi(answer.c_str() + 9) : 0;
}

// What follows an answer's headers; empty when they never ended.
inline std::string body_of(const std::string& answer) {
    const size_t headers_end = answer.find("\r\n\r\n");
    return headers_end == std::string::npos ? std::string() : answer.substr(headers_end + 4);
}
