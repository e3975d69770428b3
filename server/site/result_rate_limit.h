// How many results the service takes: a minute's allowance for each client, for each network
// and for the whole service, each refilled evenly, in tables of bounded size that no crowd of
// addresses can rotate away.
#pragma once

#include "server/http/client_address.h"

#include <boost/asio/ip/address.hpp>

#include <chrono>
#include <cstddef>
#include <map>
#include <mutex>
#include <unordered_map>

// Results a minute at each level; the tables of clients and of networks hold at most
// max_tracked each.
struct ResultAllowances {
    size_t per_client = 30;
    size_t per_network = 120;
    size_t per_service = 600;
    size_t max_tracked = 16384;
};

enum class LimitLevel { client, network, service };

struct Admission {
    std::chrono::seconds wait{0}; // zero: taken; otherwise the whole seconds until the next
    LimitLevel level = LimitLevel::client; // the level that makes it wait longest
};

class ResultRateLimit {
  public:
    using Clock = std::chrono::steady_clock;

    explicit ResultRateLimit(const ResultAllowances& allowances);

    // Takes one result from the client when every level has allowance for it, and then only;
    // a refusal uses up nothing. Thread-safe.
    Admission admit(const boost::asio::ip::address& client, Clock::time_point now = Clock::now());

    size_t tracked_clients() const;
    size_t tracked_networks() const;

  private:
    // Each allowance is a bucket that holds a minute's worth and refills evenly, kept as the
    // moment it is whole again: one number, and the buckets that carry no information (whole
    // already) are the ones ordered first.
    //
    // The buckets of one level, at most max_entries of them. A full table drops only a bucket
    // that is whole again; a newcomer that finds none shares one overflow bucket with every
    // other such newcomer, so rotating through more keys than the table holds earns at most
    // one more key's allowance.
    class Table {
      public:
        Table(size_t per_minute, size_t max_entries);
        Clock::duration wait(const ClientKey& key, Clock::time_point now) const;
        void take(const ClientKey& key, Clock::time_point now);
        size_t size() const { return by_key_.size(); }

      private:
        using ByWhole = std::multimap<Clock::time_point, ClientKey>;
        bool has_room(Clock::time_point now) const;

        const Clock::duration interval_;
        const size_t max_entries_;
        ByWhole by_whole_;
        std::unordered_map<ClientKey, ByWhole::iterator, ClientKeyHash> by_key_;
        Clock::time_point overflow_whole_at_{};
    };

    mutable std::mutex mutex_;
    Table clients_;
    Table networks_;
    const Clock::duration service_interval_;
    Clock::time_point service_whole_at_{};
};
