// How many results the service takes: a minute's allowance for each client, for each network
// and for the whole service, each refilled evenly, in tables of bounded size that no crowd of
// addresses can rotate away.
#include "server/site/result_rate_limit.h"

#include <algorithm>

namespace {

using Clock = ResultRateLimit::Clock;

// A bucket holds a minute's allowance.
constexpr Clock::duration window = std::chrono::minutes(1);

// The time one result refills; at least a nanosecond, however high the limit.
Clock::duration refill_interval(size_t per_minute) {
    return std::max<Clock::duration>(Clock::duration(1),
                                     window / int64_t(std::max<size_t>(per_minute, 1)));
}

// A bucket whole again at whole_at, after it gives one more result, must not need more than
// the window to be whole again: otherwise it holds less than one result now.
Clock::duration wait_of(Clock::time_point whole_at, Clock::time_point now,
                        Clock::duration interval) {
    return std::max(Clock::duration::zero(), whole_at + interval - window - now);
}

Clock::time_point after_one(Clock::time_point whole_at, Clock::time_point now,
                            Clock::duration interval) {
    return std::max(whole_at, now) + interval;
}

} // namespace

ResultRateLimit::Table::Table(size_t per_minute, size_t max_entries)
    : interval_(refill_interval(per_minute)), max_entries_(std::max<size_t>(max_entries, 1)) {
    by_key_.reserve(std::min<size_t>(max_entries_, 4096));
}

// A bucket whole again carries nothing a fresh one would not: the one whole longest ago
// makes room when there is no other.
bool ResultRateLimit::Table::has_room(Clock::time_point now) const {
    return by_key_.size() < max_entries_ || by_whole_.begin()->first <= now;
}

Clock::duration ResultRateLimit::Table::wait(const ClientKey& key, Clock::time_point now) const {
    if (const auto found = by_key_.find(key); found != by_key_.end()) {
        return wait_of(found->second->first, now, interval_);
    }
    return has_room(now) ? Clock::duration::zero() : wait_of(overflow_whole_at_, now, interval_);
}

void ResultRateLimit::Table::take(const ClientKey& key, Clock::time_point now) {
    if (const auto found = by_key_.find(key); found != by_key_.end()) {
        // Moved to its new place in the order without a new allocation.
        auto node = by_whole_.extract(found->second);
        node.key() = after_one(node.key(), now, interval_);
        found->second = by_whole_.insert(std::move(node));
        return;
    }
    if (!has_room(now)) {
        overflow_whole_at_ = after_one(overflow_whole_at_, now, interval_);
        return;
    }
    if (by_key_.size() >= max_entries_) {
        by_key_.erase(by_whole_.begin()->second);
        by_whole_.erase(by_whole_.begin());
    }
    by_key_.emplace(key, by_whole_.emplace(now + interval_, key));
}

ResultRateLimit::ResultRateLimit(const ResultAllowances& allowances)
    : clients_(allowances.per_client, allowances.max_tracked),
      networks_(allowances.per_network, allowances.max_tracked),
      service_interval_(refill_interval(allowances.per_service)) {}

Admission ResultRateLimit::admit(const boost::asio::ip::address& client, Clock::time_point now) {
    const ClientKey client_id = client_key(client);
    const ClientKey network_id = network_key(client);
    const std::lock_guard lock(mutex_);
    const std::pair<Clock::duration, LimitLevel> waits[] = {
        {clients_.wait(client_id, now), LimitLevel::client},
        {networks_.wait(network_id, now), LimitLevel::network},
        {wait_of(service_whole_at_, now, service_interval_), LimitLevel::service},
    };
    const auto longest = std::max_element(
        std::begin(waits), std::end(waits),
        [](const auto& shorter, const auto& longer) { return shorter.first < longer.first; });
    if (longest->first > Clock::duration::zero()) {
        // Told in whole seconds, rounded up: a client that waits as told is taken.
        const auto seconds = std::chrono::ceil<std::chrono::seconds>(longest->first);
        return {std::max(seconds, std::chrono::seconds(1)), longest->second};
    }
    clients_.take(client_id, now);
    networks_.take(network_id, now);
    service_whole_at_ = after_one(service_whole_at_, now, service_interval_);
    return {};
}

size_t ResultRateLimit::tracked_clients() const {
    const std::lock_guard lock(mutex_);
    return clients_.size();
}

size_t ResultRateLimit::tracked_networks() const {
    const std::lock_guard lock(mutex_);
    return networks_.size();
}
