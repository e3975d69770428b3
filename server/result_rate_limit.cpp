// How many results each client may send: a bucket per client that holds a minute's allowance
// and refills evenly, in a table of bounded size.
#include "server/result_rate_limit.h"

#include <algorithm>
#include <cmath>

ResultRateLimit::ResultRateLimit(size_t per_minute, size_t max_tracked)
    : per_minute_(double(per_minute)), max_tracked_(std::max<size_t>(max_tracked, 1)) {
    by_client_.reserve(std::min<size_t>(max_tracked_, 4096));
}

std::chrono::seconds ResultRateLimit::admit(const ClientKey& client, Clock::time_point now) {
    const std::lock_guard lock(mutex_);
    auto found = by_client_.find(client);
    if (found == by_client_.end()) {
        if (by_client_.size() >= max_tracked_) {
            by_client_.erase(recent_.back().client);
            recent_.pop_back();
        }
        recent_.push_front({client, per_minute_, now});
        found = by_client_.emplace(client, recent_.begin()).first;
    } else {
        recent_.splice(recent_.begin(), recent_, found->second);
    }
    Bucket& bucket = *found->second;
    const double minutes = std::chrono::duration<double, std::ratio<60>>(
                               std::max(now - bucket.filled_at, Clock::duration::zero()))
                               .count();
    bucket.allowance = std::min(per_minute_, bucket.allowance + minutes * per_minute_);
    bucket.filled_at = std::max(now, bucket.filled_at);
    if (bucket.allowance >= 1.0) {
        bucket.allowance -= 1.0;
        return std::chrono::seconds(0);
    }
    const double seconds = (1.0 - bucket.allowance) * 60.0 / per_minute_;
    return std::chrono::seconds(std::max<int64_t>(1, int64_t(std::ceil(seconds))));
}

size_t ResultRateLimit::tracked() const {
    const std::lock_guard lock(mutex_);
    return by_client_.size();
}
