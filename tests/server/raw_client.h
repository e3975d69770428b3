// A raw TCP client for the hostile-client tests: it connects from a loopback address of its
// choosing (all of 127/8 is loopback), sends what no HTTP library would, and reads with a
// bounded wait.
#pragma once

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <string>
#include <string_view>

class RawClient {
  public:
    RawClient(const char* from, int port) : socket_(::socket(AF_INET, SOCK_STREAM, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        inet_pton(AF_INET, from, &address.sin_addr);
        if (bind(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            return;
        }
        address.sin_port = htons(uint16_t(port));
        inet_pton(AF_INET, "127.0.0.1", &address.sin_addr);
        connected_ = connect(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }
    ~RawClient() {
        if (socket_ >= 0) {
            close(socket_);
        }
    }
    RawClient(const RawClient&) = delete;
    RawClient& operator=(const RawClient&) = delete;

    bool connected() const { return connected_; }

    // Sends all of it unless the server closes first; false then.
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

    // Whatever arrives until the server closes or nothing comes for patience.
    std::string receive(std::chrono::milliseconds patience = std::chrono::seconds(10)) {
        std::string received;
        char buffer[16384];
        pollfd readable{socket_, POLLIN, 0};
        while (poll(&readable, 1, int(patience.count())) > 0) {
            const ssize_t got = recv(socket_, buffer, sizeof buffer, 0);
            if (got <= 0) {
                closed_ = true;
                break;
            }
            received.append(buffer, size_t(got));
        }
        return received;
    }

    // What has arrived already, without waiting.
    std::string ready() { return receive(std::chrono::milliseconds(0)); }

    // True once the server has closed the connection, waiting at most patience for it.
    bool closed_within(std::chrono::milliseconds patience) {
        receive(patience);
        return closed_;
    }

  private:
    int socket_;
    bool connected_ = false;
    bool closed_ = false;
};

// The status of the first answer in what a raw client received; 0 when there is none.
inline int status_of(const std::string& answer) {
    return answer.rfind("HTTP/1.1 ", 0) == 0 ? std::atoi(answer.c_str() + 9) : 0;
}

// A process's resident memory now and at its peak, in KiB, from /proc.
struct ResidentMemory {
    long now_kib = 0;
    long peak_kib = 0;
};

inline ResidentMemory resident_memory(pid_t pid) {
    ResidentMemory memory;
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0) {
            memory.now_kib = std::atol(line.c_str() + 6);
        } else if (line.rfind("VmHWM:", 0) == 0) {
            memory.peak_kib = std::atol(line.c_str() + 6);
        }
    }
    return memory;
}
