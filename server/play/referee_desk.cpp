// Every request reads its test from the store, plays it in the referee and writes it back only
// if no other request (of this service or another sharing the store) wrote it meanwhile.
#include "server/play/referee_desk.h"

#include "server/referee/referee_seed.h"
#include "server/referee/running_test_codec.h"
#include "server/store/results_store.h"

#include <optional>

namespace {

// A lost race is answered from the winner's state, which at worst is one more request ahead.
constexpr int most_races = 3;
// Expired tests are removed at most this often, by a start.
constexpr int64_t sweep_seconds = 60;

DeskAnswer refused(DeskRefusal refusal, RefereeRefusal referee_refusal = RefereeRefusal::none) {
    DeskAnswer answer;
    answer.refusal = refusal;
    answer.referee_refusal = referee_refusal;
    return answer;
}

std::string hexadecimal(const uint8_t* bytes, size_t count) {
    static constexpr char digits[] = "0123456789abcdef";
    std::string text;
    text.reserve(2 * count);
    for (size_t i = 0; i < count; ++i) {
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 15];
    }
    return text;
}

} // namespace

std::string fresh_test_id() {
    const RefereeSeed random = fresh_seed();
    return hexadecimal(random.key.data(), 16);
}

RefereeDesk::RefereeDesk(RunningTests& tests, const PlayLimits& limits)
    : tests_(tests), limits_(limits) {}

DeskAnswer RefereeDesk::start(const TestSettings& settings, std::string_view address, int64_t now) {
    if (!settings_allowed(settings)) {
        return refused(DeskRefusal::bad_settings);
    }
    try {
        {
            const std::lock_guard lock(sweep_mutex_);
            if (now - swept_at_ >= sweep_seconds) {
                swept_at_ = now;
                tests_.remove_idle(idle_before(now));
            }
        }
        std::optional<StartedTest> started = start_running_test(settings, fresh_seed());
        RunningTestRecord record{fresh_test_id(), std::string(address), 0,
                                 encode_running_test(started->test), now};
        switch (
            tests_.add(record, limits_.tests_per_address, limits_.tests_in_all, idle_before(now))) {
        case TestAdmission::admitted:
            break;
        case TestAdmission::address_full:
            return refused(DeskRefusal::too_many_tests_here);
        case TestAdmission::service_full:
            return refused(DeskRefusal::too_many_tests);
        }
        remember(record);
        DeskAnswer answer;
        answer.test_id = std::move(record.id);
        answer.revealed = std::move(started->revealed);
        return answer;
    } catch (const StoreError&) {
        return refused(DeskRefusal::store_failed);
    }
}

bool RefereeDesk::take_move(std::string_view test_id, Clock::time_point at) {
    const auto interval = std::chrono::duration_cast<Clock::duration>(std::chrono::seconds(1)) /
                          limits_.moves_per_second;
    const std::lock_guard lock(moves_mutex_);
    if (whole_at_.size() >= size_t(limits_.tests_in_all)) {
        std::erase_if(whole_at_, [at](const auto& entry) { return entry.second <= at; });
    }
    const auto [entry, added] = whole_at_.try_emplace(std::string(test_id), at);
    const Clock::time_point whole = std::max(entry->second, at) + interval;
    if (whole - at > interval * limits_.move_burst) {
        return false;
    }
    entry->second = whole;
    return true;
}

std::optional<RunningTestRecord> RefereeDesk::remembered(std::string_view test_id, int64_t now) {
    const std::lock_guard lock(remembered_mutex_);
    const auto found = remembered_.find(std::string(test_id));
    if (found == remembered_.end() || found->second.touched_at < idle_before(now)) {
        return std::nullopt;
    }
    return found->second;
}

void RefereeDesk::remember(const RunningTestRecord& record) {
    const std::lock_guard lock(remembered_mutex_);
    if (remembered_.size() >= most_remembered && !remembered_.contains(record.id)) {
        remembered_.erase(remembered_.begin());
    }
    remembered_[record.id] = record;
}

void RefereeDesk::forget(std::string_view test_id) {
    const std::lock_guard lock(remembered_mutex_);
    remembered_.erase(std::string(test_id));
}

size_t RefereeDesk::tracked_tests() const {
    const std::lock_guard lock(moves_mutex_);
    return whole_at_.size();
}

DeskAnswer RefereeDesk::play(std::string_view test_id, const MoveRequest& move, int64_t now,
                             Clock::time_point at) {
    try {
        for (int race = 0; race < most_races; ++race) {
            std::optional<RunningTestRecord> record =
                race == 0 ? remembered(test_id, now) : std::nullopt;
            const bool from_memory = record.has_value();
            if (!record) {
                record = tests_.find(test_id, idle_before(now));
            }
            if (!record) {
                forget(test_id);
                return refused(DeskRefusal::unknown_test);
            }
            if (race == 0 && !take_move(test_id, at)) {
                return refused(DeskRefusal::too_fast);
            }
            std::optional<RunningTest> test = decode_running_test(record->state);
            if (!test) {
                return refused(DeskRefusal::store_failed);
            }
            const int32_t answered = test->answered;
            PlayAnswer played =
                move.request.skip ? skip_test_round(*test, move.play)
                                  : play_move(*test, move.request.from, move.request.to, move.play);
            if (played.refusal != RefereeRefusal::none) {
                if (from_memory) {
                    forget(test_id); // judged again on the store's state, which may be newer
                    continue;
                }
                return refused(DeskRefusal::refereed, played.refusal);
            }
            DeskAnswer answer;
            answer.revealed = std::move(played.revealed);
            if (test->answered == answered) {
                return answer; // the last request again: its answer, nothing changed
            }
            record->answered = test->answered;
            record->state = encode_running_test(*test);
            record->touched_at = now;
            if (tests_.replace(*record, answered)) {
                remember(*record);
                return answer;
            }
            forget(test_id);
        }
        return refused(DeskRefusal::store_failed);
    } catch (const StoreError&) {
        return refused(DeskRefusal::store_failed);
    }
}

FinishedTest RefereeDesk::finished(std::string_view test_id, const PlayerTexts& utf8_texts,
                                   int64_t now) {
    FinishedTest finished;
    if (std::optional<std::string> reason = player_texts_refusal(utf8_texts)) {
        finished.refusal = DeskRefusal::bad_texts;
        finished.reason = std::move(*reason);
        return finished;
    }
    try {
        const std::optional<RunningTestRecord> record = tests_.find(test_id, idle_before(now));
        if (!record) {
            finished.refusal = DeskRefusal::unknown_test;
            return finished;
        }
        const std::optional<RunningTest> test = decode_running_test(record->state);
        if (!test) {
            finished.refusal = DeskRefusal::store_failed;
            return finished;
        }
        const std::optional<RefereeResult> result = test_result(*test);
        if (!result) {
            finished.refusal = DeskRefusal::not_over;
            return finished;
        }
        // A class compares moves for the same lines; a skipped round's lines were never made.
        if (result->lines != line_count(result->settings)) {
            finished.refusal = DeskRefusal::incomplete;
            return finished;
        }
        finished.row.link_key.assign(1, verified_key_prefix).append(record->id);
        finished.row.settings = result->settings;
        finished.row.total_moves = result->moves;
        finished.row.utf8_texts = utf8_texts;
        finished.row.utf8_texts.hidden_text.clear(); // the page has no hidden field
        finished.row.verified = true;
        return finished;
    } catch (const StoreError&) {
        finished.refusal = DeskRefusal::store_failed;
        return finished;
    }
}
