// How many results each client may send: a bucket per client that holds a minute's allowance
// and refills evenly, in a table of bounded size.
#pragma once

#include "server/client_address.h"

#include <chrono>
#include <cstddef>
#include <list>
#include <mutex>
#include <unordered_map>

class ResultRateLimit {
  public:
    using Clock = std::chrono::steady_clock;

    // per_minute results a minute from each client, and as many at once; at most
    // max_tracked clients remembered.
    ResultRateLimit(size_t per_minute, size_t max_tracked);

    // Zero when the client may send a result now (which is then counted); otherwise the whole
    // seconds until it may, at least one. Thread-safe.
    std::chrono::seconds admit(const ClientKey& client, Clock::time_point now = Clock::now());

    size_t tracked() const;

  private:
    struct Bucket {
        ClientKey client;
        double allowance;
        Clock::time_point filled_at;
    };

    const double per_minute_;
    const size_t max_tracked_;
    mutable std::mutex mutex_;
    // The most recently seen first: when the table is full, the client seen longest ago is
    // forgotten, and starts again with a full allowance if it comes back. Refusing new
    // clients instead would let a crowd of addresses shut everyone else out.
    std::list<Bucket> recent_;
    std::unordered_map<ClientKey, std::list<Bucket>::iterator, ClientKeyHash> by_client_;
};
