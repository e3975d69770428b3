// An attacking crowd for the connection-bound tests: from each of many addresses, connections
// kept alive by a HEAD every few seconds and connections that never send a byte, each one the
// server closes opened again on the next round. A round opens at most as many as it holds.
#pragma once

#include "tests/server/raw_client.h"

#include <sys/resource.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

// The descriptors a crowd needs: the soft limit raised to the hard one.
inline void allow_all_descriptors() {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
    }
}

class HeldConnections {
  public:
    HeldConnections(const std::vector<std::string>& addresses, int port, int kept, int silent)
        : port_(port) {
        allow_all_descriptors();
        for (const std::string& address : addresses) {
            from_.push_back({address, Clients(size_t(kept)), Clients(size_t(silent))});
        }
    }

    // Opens again whatever is closed, then asks a HEAD on every kept connection and takes
    // the answers, all within patience; then, once the server has had settle to close what it
    // closes, counts what is held.
    void round(std::chrono::milliseconds patience, std::chrono::milliseconds settle) {
        const Clock::time_point deadline = Clock::now() + patience;
        for (From& from : from_) {
            for (Clients* clients : {&from.kept, &from.silent}) {
                for (auto& client : *clients) {
                    if (client == nullptr || client->closed_within(std::chrono::milliseconds(0))) {
                        reopened_ += client == nullptr ? 0 : 1;
                        client = std::make_unique<RawClient>(from.address.c_str(), port_);
                    }
                }
            }
        }
        for (From& from : from_) {
            for (auto& client : from.kept) {
                client->send("HEAD /rules HTTP/1.1\r\nHost: x\r\n\r\n");
            }
        }
        for (From& from : from_) {
            for (auto& client : from.kept) {
                const int status = status_of(client->answer(left_until(deadline), true));
                refused_ += status == 503 ? 1 : 0;
                if (status != 200) {
                    client.reset(); // opened again next round
                }
            }
            for (auto& client : from.silent) {
                refused_ += status_of(client->ready()) == 503 ? 1 : 0;
            }
        }
        std::this_thread::sleep_for(settle);
        held_ = 0;
        for (From& from : from_) {
            for (Clients* clients : {&from.kept, &from.silent}) {
                for (auto& client : *clients) {
                    held_ +=
                        client != nullptr && !client->closed_within(std::chrono::milliseconds(0));
                }
            }
        }
        most_held_ = std::max(most_held_, held_);
    }

    // Open after the last round: kept ones whose HEAD was answered, silent ones not closed.
    int held() const { return held_; }
    int most_held() const { return most_held_; }
    // Answered 503, over all rounds.
    int refused() const { return refused_; }
    // Closed by the server (to make room, or timed out) and opened again, over all rounds.
    int reopened() const { return reopened_; }

  private:
    using Clients = std::vector<std::unique_ptr<RawClient>>;
    struct From {
        std::string address;
        Clients kept;
        Clients silent;
    };

    std::vector<From> from_;
    int port_;
    int held_ = 0;
    int most_held_ = 0;
    int refused_ = 0;
    int reopened_ = 0;
};

// Addresses of loopback in networks /24s: 127.1.N.M for N below networks, M from 1 to
// per_network.
inline std::vector<std::string> loopback_crowd(int networks, int per_network) {
    std::vector<std::string> addresses;
    for (int n = 0; n < networks; ++n) {
        for (int m = 1; m <= per_network; ++m) {
            addresses.push_back("127.1." + std::to_string(n) + "." + std::to_string(m));
        }
    }
    return addresses;
}
