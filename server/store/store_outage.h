// A store's outage as its operator reads it: one line when the database stops taking results,
// one when it takes them again, with how long it lasted and how many results it refused,
// never a line for each refused batch.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>

class StoreOutage {
  public:
    using Clock = std::chrono::steady_clock;
    using Say = std::function<void(const std::string& line)>;

    // Says each line with log_error unless told otherwise.
    explicit StoreOutage(Say say = {}, std::function<Clock::time_point()> now = Clock::now);

    // A batch of this many results could not be stored because the database cannot be
    // reached or written (the reason in one line). Called by the store's writer alone.
    void refused(size_t results, const std::string& reason);
    // A batch reached the database, whatever it answered.
    void reached();

  private:
    Say say_;
    std::function<Clock::time_point()> now_;
    bool out_ = false;
    Clock::time_point began_{};
    size_t refused_ = 0;
};
