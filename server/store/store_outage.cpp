// A store's outage as its operator reads it: one line when the database stops taking results,
// one when it takes them again, with how long it lasted and how many results it refused,
// never a line for each refused batch.
#include "server/store/store_outage.h"

#include "server/row/log_error.h"

StoreOutage::StoreOutage(Say say, std::function<Clock::time_point()> now)
    : say_(std::move(say)), now_(std::move(now)) {
    if (!say_) {
        say_ = [](const std::string& line) { log_error(line); };
    }
}

void StoreOutage::refused(size_t results, const std::string& reason) {
    if (!out_) {
        out_ = true;
        began_ = now_();
        refused_ = 0;
        say_("results cannot be stored, and are answered 503 until the "
             "database takes them again: " +
             reason);
    }
    refused_ += results;
}

void StoreOutage::reached() {
    if (!out_) {
        return;
    }
    out_ = false;
    const auto tenths =
        std::chrono::duration_cast<std::chrono::milliseconds>(now_() - began_).count() / 100;
    say_("results are stored again after " + std::to_string(tenths / 10) + "." +
         std::to_string(tenths % 10) + " s; " + std::to_string(refused_) +
         (refused_ == 1 ? " result was" : " results were") + " refused meanwhile");
}
