// Players of the browser test and readers of a page, each on a kept-alive connection of its
// own for a given time: requests answered a second and their round trips.
#include "tests/bench/server/play_load.h"

#include "tests/bench/server/sample_figures.h"
#include "tests/server/referee_player.h"

#include <boost/json/src.hpp>
#include <httplib.h>

#include <functional>
#include <thread>

namespace {

namespace json = boost::json;
using Clock = std::chrono::steady_clock;

// A short test the greedy planner ends in some tens of moves: three colours make lines often.
const std::string start_body = R"({"balls":29,"colours":3,"rounds":1,"lines":10})";
// No answer on loopback takes this long unless the service has stopped answering.
constexpr std::chrono::seconds answer_wait{30};
// A client whose requests keep failing stops, rather than spin against a refusing service.
constexpr long most_failures = 100;

struct Tally {
    long answered = 0;
    long starts = 0;
    long failures = 0;
    std::vector<double> round_trips_ms;
};

httplib::Client kept_alive_client(int port) {
    httplib::Client client("127.0.0.1", port);
    client.set_keep_alive(true);
    // As a browser does: a request's headers and body are sent at once, not held back for the
    // acknowledgement of the first part.
    client.set_tcp_nodelay(true);
    client.set_connection_timeout(answer_wait);
    client.set_read_timeout(answer_wait);
    client.set_write_timeout(answer_wait);
    return client;
}

double milliseconds_since(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The page's board, kept from an answer's steps and preview; false for an answer not read.
bool apply(PageBoard& board, const json::object& answer) try {
    const json::value* steps = answer.if_contains("steps");
    const json::value* preview = answer.if_contains("preview");
    if (!steps || !steps->is_array() || !preview || !preview->is_array()) {
        return false;
    }
    Revealed revealed;
    for (const json::value& step : steps->as_array()) {
        const json::array& s = step.as_array();
        const std::string_view kind = s.at(0).as_string();
        const auto n = [&s](size_t i) { return int(s.at(i).as_int64()); };
        if (kind == "put") {
            revealed.steps.push_back({StepKind::put, n(1), n(2), n(3)});
        } else if (kind == "take") {
            revealed.steps.push_back({StepKind::take, n(1), n(2), 0});
        } else if (kind == "show") {
            revealed.steps.push_back({StepKind::show, n(1), 0, n(2)});
        } else if (kind == "hide") {
            revealed.steps.push_back({StepKind::hide, n(1), 0, 0});
        }
    }
    const json::array& slots = preview->as_array();
    for (size_t slot = 0; slot < slots.size() && slot < size_t(preview_slots); ++slot) {
        revealed.preview[slot] = slots[slot].is_null() ? -1 : int(slots[slot].as_int64());
    }
    board.apply(revealed);
    return true;
} catch (const std::exception&) {
    return false;
}

std::optional<json::object> object_of(const httplib::Result& result) {
    if (!result || result->status != 200) {
        return std::nullopt;
    }
    boost::system::error_code error;
    json::value value = json::parse(result->body, error);
    if (error || !value.is_object()) {
        return std::nullopt;
    }
    return value.as_object();
}

void play_until(int port, Clock::time_point deadline, uint32_t seed, Tally& tally) {
    httplib::Client client = kept_alive_client(port);
    Planner planner{seed};
    PageBoard board;
    std::string moves_path;
    int play = 0;
    while (Clock::now() < deadline && tally.failures < most_failures) {
        if (moves_path.empty()) {
            const std::optional<json::object> started =
                object_of(client.Post("/play/tests", start_body, "application/json"));
            const json::value* id = started ? started->if_contains("test") : nullptr;
            board = PageBoard{};
            if (!id || !id->is_string() || !apply(board, *started)) {
                ++tally.failures;
                continue;
            }
            moves_path = "/play/tests/" + std::string(id->as_string()) + "/moves";
            play = 0;
            ++tally.starts;
            continue;
        }
        const Move move = planner.planned_move(board);
        const std::string body =
            "{\"play\":" + std::to_string(play + 1) + ",\"from\":[" +
            std::to_string(move.from.column) + "," + std::to_string(move.from.row) + "],\"to\":[" +
            std::to_string(move.to.column) + "," + std::to_string(move.to.row) + "]}";
        const Clock::time_point sent = Clock::now();
        const std::optional<json::object> played =
            object_of(client.Post(moves_path, body, "application/json"));
        const double round_trip = milliseconds_since(sent);
        const json::value* over = played ? played->if_contains("over") : nullptr;
        if (!over || !over->is_bool() || !apply(board, *played)) {
            ++tally.failures;
            moves_path.clear(); // a new test, rather than guess where this one stands
            continue;
        }
        if (Clock::now() < deadline) {
            ++tally.answered;
            tally.round_trips_ms.push_back(round_trip);
        }
        ++play;
        if (over->as_bool()) {
            moves_path.clear();
        }
    }
}

void read_until(int port, const std::string& path, Clock::time_point deadline, Tally& tally) {
    httplib::Client client = kept_alive_client(port);
    while (Clock::now() < deadline && tally.failures < most_failures) {
        const Clock::time_point sent = Clock::now();
        const httplib::Result answer = client.Get(path);
        const double round_trip = milliseconds_since(sent);
        if (!answer || answer->status != 200) {
            ++tally.failures;
        } else if (Clock::now() < deadline) {
            ++tally.answered;
            tally.round_trips_ms.push_back(round_trip);
        }
    }
}

LoadFigures run_clients(int clients, std::chrono::seconds time,
                        const std::function<void(int, Clock::time_point, Tally&)>& client) {
    std::vector<Tally> tallies(size_t(clients), Tally{});
    std::vector<std::thread> threads;
    const Clock::time_point start = Clock::now();
    const Clock::time_point deadline = start + time;
    for (int i = 0; i < clients; ++i) {
        threads.emplace_back([&, i] { client(i, deadline, tallies[size_t(i)]); });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    LoadFigures figures;
    std::vector<double> round_trips;
    for (const Tally& tally : tallies) {
        figures.answered += tally.answered;
        figures.starts += tally.starts;
        figures.failures += tally.failures;
        round_trips.insert(round_trips.end(), tally.round_trips_ms.begin(),
                           tally.round_trips_ms.end());
    }
    figures.per_second = double(figures.answered) / std::chrono::duration<double>(time).count();
    if (!round_trips.empty()) {
        figures.median_ms = median(round_trips);
        figures.percentile_90_ms = percentile_90(round_trips);
    }
    return figures;
}

} // namespace

LoadFigures play_tests(const std::vector<int>& ports, int clients, std::chrono::seconds time) {
    return run_clients(clients, time, [&ports](int i, Clock::time_point deadline, Tally& tally) {
        play_until(ports[size_t(i) % ports.size()], deadline, uint32_t(i + 1), tally);
    });
}

LoadFigures read_page(int port, const std::string& path, int clients, std::chrono::seconds time) {
    return run_clients(clients, time, [port, &path](int, Clock::time_point deadline, Tally& tally) {
        read_until(port, path, deadline, tally);
    });
}
