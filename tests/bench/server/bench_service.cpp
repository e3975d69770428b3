// bench_service --store sqlite|postgresql|both --only rates|reads|play|all --probes N --seconds S:
// the results service timed on loopback with wrk and its own clients, each figure against a
// reference taken in the same run (see scripts/bench-server, which builds and runs it). Not a
// test.
#include "tests/bench/server/child_run.h"
#include "tests/bench/server/first_board.h"
#include "tests/bench/server/latency_probe.h"
#include "tests/bench/server/link_queries.h"
#include "tests/bench/server/page_weight.h"
#include "tests/bench/server/play_load.h"
#include "tests/bench/server/sample_figures.h"
#include "tests/bench/server/wrk_report.h"
#include "tests/support/nginx_process.h"
#include "tests/support/postgres_cluster.h"
#include "tests/support/service_process.h"

#include "server/store/postgres/postgres_handles.h"
#include "server/store/sqlite/sqlite_handles.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

// wrk's threads and connections, the same for the service and for nginx.
constexpr int wrk_threads = 2;
constexpr int wrk_connections = 32;
// Far more distinct links than a run can send: the two services' runs take the last half.
constexpr long link_count = 400000;
// The class of a million distinct move counts that bench_scale --one-class makes (42 balls, 7
// colours, 5 × 12 lines, moves 60 and up, one result each), and the results it stores there
// besides.
constexpr long wide_results = 1000000;
constexpr long bench_scale_new_results = 20;
// The clients reading the deepest page of that class while the probes are timed.
constexpr int deep_readers = 8;
constexpr long class_page_rows = 50;
// The longest the deep readers' wrk runs; interrupted as soon as the probes are done.
constexpr int deep_load_seconds = 600;
// Time for the last requests wrk cut off to commit before the rows are counted.
constexpr std::chrono::seconds settle{1};
// The most a child may run: wrk its own duration and a minute to report, bench_scale an hour
// for its million results (some minutes on a two-core machine).
std::chrono::seconds wrk_bound(long seconds) { return std::chrono::seconds(seconds + 60); }
constexpr std::chrono::seconds bench_scale_bound{3600};
// The browser test's players at once, and as many connections reading /rules to compare.
constexpr int players = 64;
// Players while strace counts the service's syncs, and for how long: strace slows every call.
constexpr int traced_players = 8;
constexpr std::chrono::seconds traced_time{3};
// The page's files as sent gzipped: the goal for all of them together.
constexpr size_t page_weight_goal = 100 * 1024;
// Loads of the page, and of its stand-in, in headless Chromium, for their medians.
constexpr int page_loads = 15;

struct Options {
    std::vector<std::string> stores;
    std::vector<std::string> parts;
    int probes = 0;
    int seconds = 0;
};

[[noreturn]] void refuse(const std::string& why) {
    std::fprintf(stderr,
                 "bench_service: %s (usage: bench_service --store sqlite|postgresql|both --only "
                 "rates|reads|play|all --probes N --seconds S)\n",
                 why.c_str());
    std::exit(2);
}

std::vector<std::string> one_or_both(const std::string& option, const std::string& value,
                                     const std::string& first, const std::string& second) {
    if (value == first || value == second) {
        return {value};
    }
    if (value == "both") {
        return {first, second};
    }
    refuse(option + " takes " + first + ", " + second + " or both, not '" + value + "'");
}

int whole_number(const std::string& option, const std::string& value) {
    char* end = nullptr;
    const long number = std::strtol(value.c_str(), &end, 10);
    if (value.empty() || *end != '\0' || number < 1 || number > 999999) {
        refuse(option + " takes a whole number from 1 to 999999, not '" + value + "'");
    }
    return int(number);
}

Options read_options(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; i += 2) {
        const std::string option = argv[i];
        if (i + 1 >= argc) {
            refuse("'" + option + "' needs a value");
        }
        const std::string value = argv[i + 1];
        if (option == "--store") {
            options.stores = one_or_both(option, value, "sqlite", "postgresql");
        } else if (option == "--only") {
            if (value == "rates" || value == "reads" || value == "play") {
                options.parts = {value};
            } else if (value == "all") {
                options.parts = {"rates", "reads", "play"};
            } else {
                refuse("--only takes rates, reads, play or all, not '" + value + "'");
            }
        } else if (option == "--probes") {
            options.probes = whole_number(option, value);
        } else if (option == "--seconds") {
            options.seconds = whole_number(option, value);
        } else {
            refuse("unknown option '" + option + "'");
        }
    }
    if (options.stores.empty() || options.parts.empty() || options.probes == 0 ||
        options.seconds == 0) {
        refuse("every option is needed");
    }
    return options;
}

std::string fixed(double value, int decimals = 2) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

std::string ratio(double value, double reference) { return fixed(value / reference); }

void write_lines(const std::string& path, const std::vector<std::string>& lines, size_t from,
                 size_t to) {
    std::ofstream file(path);
    for (size_t i = from; i < std::min(to, lines.size()); ++i) {
        file << lines[i] << '\n';
    }
}

// A file's text, with its line ends made spaces: a report folded into one summary line.
std::string one_line(std::string text) {
    for (char& c : text) {
        c = c == '\n' ? ' ' : c;
    }
    return text;
}

class Bench {
  public:
    explicit Bench(const Options& options) : options_(options) {
        links_ = bench_link_queries(link_count);
        std::filesystem::create_directories(work_.path("static"));
    }

    void run() {
        for (const std::string& store : options_.stores) {
            store_ = store;
            for (const std::string& part : options_.parts) {
                part == "rates" ? time_rates() : part == "reads" ? time_reads() : time_play();
            }
        }
    }

    const std::vector<std::string>& summary() const { return summary_; }

  private:
    // A database or file of its own for each of a store's runs, named by the run.
    std::string new_store(const std::string& name) {
        if (store_ == "sqlite") {
            return work_.path(name + ".sqlite");
        }
        if (!cluster_) {
            std::fprintf(stderr, "== making a PostgreSQL cluster with the server's own settings "
                                 "(every commit synced)\n");
            cluster_ = std::make_unique<PostgresCluster>(CommitSyncs::on);
        }
        const std::string uri = cluster_->new_database(name);
        if (uri.empty()) {
            throw BenchFailure{"no PostgreSQL database: " + cluster_->error()};
        }
        return uri;
    }

    long long stored_rows(const std::string& where) const {
        constexpr const char* count = "SELECT count(*) FROM results";
        if (store_ == "postgresql") {
            PostgresConnection connection(where, std::chrono::seconds(30));
            return connection.execute(count).integer(0, 0);
        }
        const SqliteConnection connection(where, true);
        const SqliteStatement statement(connection, count);
        SqliteQuery query(statement);
        query.step();
        return query.integer(0);
    }

    std::unique_ptr<ServiceProcess> start_service(const std::string& where, const std::string& name,
                                                  std::vector<std::string> more = {}) {
        // wrk sends every result from one address: far beyond one player's allowance. The
        // access log goes to a file, as a deployed service's does.
        std::vector<std::string> options = {"--results-per-minute",         "1000000",
                                            "--network-results-per-minute", "1000000",
                                            "--service-results-per-minute", "1000000"};
        options.insert(options.end(), more.begin(), more.end());
        auto service =
            std::make_unique<ServiceProcess>(TRIVELLE_RESULTS_SERVICE, where, options,
                                             StartWait::for_port, work_.path(name + ".out"));
        if (!service->started()) {
            throw BenchFailure{"the service did not start"};
        }
        return service;
    }

    std::string address(int port, const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(port) + path;
    }

    // Requests per second of one wrk run; its whole report goes to standard error.
    double rate(const std::string& url) const {
        const std::string report =
            output_of("wrk",
                      {"-t" + std::to_string(wrk_threads), "-c" + std::to_string(wrk_connections),
                       "-d" + std::to_string(options_.seconds) + "s", url},
                      wrk_bound(options_.seconds));
        std::fprintf(stderr, "%s", report.c_str());
        return requests_per_second(report);
    }

    // wrk storing the links of a file through a service.
    std::unique_ptr<ChildRun> store_links(int port, const std::string& links, int threads,
                                          int connections) const {
        return std::make_unique<ChildRun>(
            "wrk",
            std::vector<std::string>{
                "-t" + std::to_string(threads), "-c" + std::to_string(connections),
                "-d" + std::to_string(options_.seconds) + "s", "-s", TRIVELLE_STORE_LINKS_SCRIPT,
                address(port, ""), "--", links, std::to_string(threads)},
            wrk_bound(options_.seconds));
    }

    std::string page(const ServiceProcess& service, const std::string& path) const {
        const Answer answer = get(service, path);
        if (answer.status != 200) {
            throw BenchFailure{"no page " + path};
        }
        return answer.body;
    }

    // nginx as it comes (a worker a core), on a free port, serving static copies of the
    // service's pages.
    void start_nginx() {
        nginx_port_ = free_loopback_port();
        const std::string http_block = "    access_log off;\n"
                                       "    server {\n"
                                       "        listen 127.0.0.1:" +
                                       std::to_string(nginx_port_) +
                                       ";\n"
                                       "        root " +
                                       work_.path("static") +
                                       ";\n"
                                       "        default_type \"text/html; charset=utf-8\";\n"
                                       "        types { text/css css; text/javascript js; }\n"
                                       "    }";
        nginx_ = std::make_unique<NginxProcess>(work_, http_block, nginx_port_, 1024, 0);
        if (!nginx_->started()) {
            throw BenchFailure{"nginx did not start: " + nginx_->error_log()};
        }
    }

    // Throws, with the summary so far kept, when an answer was refused or a row lost or made
    // up: each answered result stored, and at most one more for each request wrk cut off.
    void check_stored(AnsweredCounts answered, long long stored, const std::string& what) const {
        if (answered.ok < 0 || answered.other != 0 || stored < answered.ok ||
            stored > answered.ok + wrk_connections) {
            throw BenchFailure{what + ": results were lost or refused"};
        }
    }

    void time_rates() {
        const std::string where = new_store("results");
        std::unique_ptr<ServiceProcess> service = start_service(where, "service");
        const int port = service->port();
        if (!nginx_) {
            // The first link gives the size of a result page.
            const std::string result = page(*service, "/cgi-bin/trv-w-ru.pl?" + links_.front());
            std::ofstream(work_.path("static/result.html")) << result;
            first_unused_ = 1;
            write_lines(work_.path("links.txt"), links_, first_unused_, links_.size());
            start_nginx();
            std::fprintf(stderr, "== nginx, a static result page of %zu bytes\n", result.size());
            nginx_result_ = rate(address(nginx_port_, "/result.html"));
        }
        std::fprintf(stderr, "== %s: the service storing a new result with each request\n",
                     store_.c_str());
        long long rows_before = stored_rows(where);
        const std::string store_report =
            store_links(port, work_.path("links.txt"), wrk_threads, wrk_connections)->output();
        std::fprintf(stderr, "%s", store_report.c_str());
        const double store_rate = requests_per_second(store_report);
        const AnsweredCounts answered = answered_counts(store_report);
        std::this_thread::sleep_for(settle);
        long long stored = stored_rows(where) - rows_before;

        const std::string records = page(*service, "/records");
        std::ofstream(work_.path("static/records.html")) << records;
        // Two rounds, each nginx then the service, so that a burst of other work on the machine
        // falls on both; the rates are the rounds' means.
        std::vector<double> nginx_records_rates;
        std::vector<double> records_rates;
        for (int round = 1; round <= 2; ++round) {
            std::fprintf(stderr, "== %s, round %d: nginx, a static copy of /records, %zu bytes\n",
                         store_.c_str(), round, records.size());
            nginx_records_rates.push_back(rate(address(nginx_port_, "/records.html")));
            std::fprintf(stderr, "== %s, round %d: the service's /records\n", store_.c_str(),
                         round);
            records_rates.push_back(rate(address(port, "/records")));
        }
        const double nginx_records = mean(nginx_records_rates);
        const double records_rate = mean(records_rates);
        summary_.push_back(store_ + ": results stored: " + fixed(store_rate) +
                           "/s; answered 200: " + std::to_string(answered.ok) +
                           ", other answers: " + std::to_string(answered.other) +
                           ", rows stored: " + std::to_string(stored) + " (at most " +
                           std::to_string(wrk_connections) +
                           " more than answered: wrk cuts the last off)");
        check_stored(answered, stored, store_);
        summary_.push_back(store_ + ": storing results: " + ratio(store_rate, nginx_result_) +
                           " of nginx's rate for a static page of the same size (" +
                           fixed(nginx_result_) + "/s)");
        summary_.push_back(store_ + ": /records: " + fixed(records_rate) + "/s, " +
                           ratio(records_rate, nginx_records) +
                           " of nginx's rate for the same page as a static file (" +
                           fixed(nginx_records) + "/s; the goal is at least 0.50)");

        if (store_ == "postgresql") {
            time_two_services(where, *service, store_rate);
        }
        service->stop();

        std::fprintf(stderr, "== %s: a million results\n", store_.c_str());
        const std::string million = new_store("million");
        summary_.push_back(
            store_ + ": " +
            one_line(output_of(TRIVELLE_BENCH_SCALE, {million, "1000000"}, bench_scale_bound)));
    }

    // A second service on the same database, and wrk's connections split between the two, each
    // sending links of its own that no run has sent yet: what two services behind one front
    // server store together.
    void time_two_services(const std::string& where, const ServiceProcess& first,
                           double one_service_rate) {
        std::fprintf(stderr, "== %s: two services on one database storing at once\n",
                     store_.c_str());
        const std::unique_ptr<ServiceProcess> second = start_service(where, "second");
        const size_t quarter = size_t(link_count / 4);
        write_lines(work_.path("links-first.txt"), links_, first_unused_ + 2 * quarter,
                    first_unused_ + 3 * quarter);
        write_lines(work_.path("links-second.txt"), links_, first_unused_ + 3 * quarter,
                    links_.size());
        const long long rows_before = stored_rows(where);
        const int connections = wrk_connections / 2;
        const auto second_run =
            store_links(second->port(), work_.path("links-second.txt"), 1, connections);
        const std::string first_report =
            store_links(first.port(), work_.path("links-first.txt"), 1, connections)->output();
        const std::string second_report = second_run->output();
        std::fprintf(stderr, "%s%s", first_report.c_str(), second_report.c_str());
        std::this_thread::sleep_for(settle);
        const long long stored = stored_rows(where) - rows_before;
        const AnsweredCounts first_answered = answered_counts(first_report);
        const AnsweredCounts second_answered = answered_counts(second_report);
        const AnsweredCounts answered{first_answered.ok + second_answered.ok,
                                      first_answered.other + second_answered.other};
        const double together =
            requests_per_second(first_report) + requests_per_second(second_report);
        summary_.push_back(store_ + ": two services on one database: " + fixed(together, 0) +
                           " results stored a second together, " +
                           ratio(together, one_service_rate) +
                           " of one service's rate; answered 200: " + std::to_string(answered.ok) +
                           ", other answers: " + std::to_string(answered.other) +
                           ", rows stored: " + std::to_string(stored));
        if (first_answered.ok < 0 || second_answered.ok < 0) {
            throw BenchFailure{"two services: wrk did not report its answers"};
        }
        check_stored(answered, stored, "two services");
    }

    void time_reads() {
        std::fprintf(stderr, "== %s: reads under load\n", store_.c_str());
        const int probes = options_.probes;
        std::vector<std::string> probe_links = wide_class_link_queries(3 * probes, wide_results);
        for (std::string& link : probe_links) {
            link = "/cgi-bin/trv-w-ru.pl?" + link;
        }
        const auto links_from = [&](int set) {
            return std::vector<std::string>(probe_links.begin() + set * probes,
                                            probe_links.begin() + (set + 1) * probes);
        };
        const std::vector<std::string> rules = {"/rules"};

        Latencies empty_link;
        {
            const auto service = start_service(new_store("empty"), "empty");
            empty_link = time_requests(service->port(), links_from(0), probes);
        }

        const std::string where = new_store("wide");
        std::fprintf(stderr, "== %s: a class of %ld distinct move counts\n", store_.c_str(),
                     wide_results);
        const std::string wide_report = one_line(
            output_of(TRIVELLE_BENCH_SCALE, {"--one-class", where, std::to_string(wide_results)},
                      bench_scale_bound));
        const auto service = start_service(where, "wide");
        const Latencies idle_rules = time_requests(service->port(), rules, probes);
        const Latencies idle_link = time_requests(service->port(), links_from(1), probes);
        // The idle probes' results are in the class too.
        const long deepest =
            (wide_results + bench_scale_new_results + probes + class_page_rows - 1) /
            class_page_rows;
        const std::string deep_path = "/records/42-7-5x12/" + std::to_string(deepest);
        page(*service, deep_path);
        std::fprintf(stderr,
                     "== %s: %d clients reading %s while a result link and /rules are "
                     "timed\n",
                     store_.c_str(), deep_readers, deep_path.c_str());
        ChildRun deep_load("wrk",
                           {"-t1", "-c" + std::to_string(deep_readers),
                            "-d" + std::to_string(deep_load_seconds) + "s",
                            address(service->port(), deep_path)},
                           wrk_bound(deep_load_seconds));
        std::this_thread::sleep_for(std::chrono::seconds(2));
        const Latencies loaded_rules = time_requests(service->port(), rules, probes);
        const Latencies loaded_link = time_requests(service->port(), links_from(2), probes);
        deep_load.interrupt();
        const std::string deep_report = deep_load.output();
        std::fprintf(stderr, "%s", deep_report.c_str());
        const double deep_rate = requests_per_second(deep_report);
        service->stop();

        const int failures = empty_link.failures + idle_rules.failures + idle_link.failures +
                             loaded_rules.failures + loaded_link.failures;
        const std::string of_probes = std::to_string(probes);
        summary_.push_back(store_ + ": " + wide_report);
        summary_.push_back(
            store_ + ": a result link: " + fixed(empty_link.median_ms, 3) +
            " ms in an empty store (median of " + of_probes + "), " +
            fixed(idle_link.median_ms, 3) + " ms in the class of " + std::to_string(wide_results) +
            " move counts, " + fixed(loaded_link.median_ms, 3) + " ms (90th percentile " +
            fixed(loaded_link.percentile_90_ms, 3) + ") while " + std::to_string(deep_readers) +
            " clients read its deepest page at " + (deep_rate < 0 ? "?" : fixed(deep_rate)) +
            "/s: " + ratio(loaded_link.median_ms, empty_link.median_ms) +
            " of the empty store's (the goal is at most 2)");
        summary_.push_back(store_ + ": /rules: " + fixed(idle_rules.median_ms, 3) + " ms idle, " +
                           fixed(loaded_rules.median_ms, 3) + " ms (90th percentile " +
                           fixed(loaded_rules.percentile_90_ms, 3) + ") under that load: " +
                           ratio(loaded_rules.median_ms, idle_rules.median_ms) +
                           " of idle (the goal is at most 2)");
        if (failures != 0) {
            throw BenchFailure{std::to_string(failures) + " probes were not answered 200"};
        }
    }

    // A service whose players' pace limits do not bind: every player of the benchmark comes
    // from one address and plays as fast as the answers come.
    std::unique_ptr<ServiceProcess> start_play_service(const std::string& where,
                                                       const std::string& name) {
        return start_service(where, name,
                             {"--moves-per-second", "1000000", "--move-burst", "1000000",
                              "--tests-per-address", "1000000", "--running-tests", "100000000",
                              "--max-connections-per-address", "1024",
                              "--max-connections-per-network", "1024"});
    }

    std::string load_line(const std::string& what, const LoadFigures& figures) const {
        return what + " " + fixed(figures.per_second, 0) + "/s, round trip " +
               fixed(figures.median_ms, 3) + " ms (90th percentile " +
               fixed(figures.percentile_90_ms, 3) + "), failures " +
               std::to_string(figures.failures);
    }

    // The browser test: moves refereed by 64 players against /rules read on as many
    // connections, a move's round trip against the page's, alone and under that load; the
    // syncs a move costs; on PostgreSQL, two services sharing the 64 players; once, the page's
    // weight and its first board in Chromium.
    void time_play() {
        const std::chrono::seconds time(options_.seconds);
        const std::chrono::seconds alone(std::max(1, options_.seconds / 2));
        const std::string where = new_store("play");
        std::unique_ptr<ServiceProcess> service = start_play_service(where, "play");
        const int port = service->port();
        std::fprintf(stderr, "== %s: one player, then /rules one request at a time\n",
                     store_.c_str());
        const LoadFigures one_player = play_tests({port}, 1, alone);
        const LoadFigures one_reader = read_page(port, "/rules", 1, alone);
        std::fprintf(stderr, "== %s: /rules on %d connections, then %d players\n", store_.c_str(),
                     players, players);
        const LoadFigures rules = read_page(port, "/rules", players, time);
        const long long wal_syncs_before = wal_syncs(where);
        const LoadFigures moves = play_tests({port}, players, time);
        const long long wal_syncs_during = wal_syncs(where) - wal_syncs_before;
        summary_.push_back(store_ + ": " + load_line("one player's moves:", one_player) + "; " +
                           load_line("/rules one at a time:", one_reader) + ": a move's " +
                           ratio(one_player.median_ms, one_reader.median_ms) + " of the page's");
        summary_.push_back(store_ + ": " + std::to_string(players) +
                           " players: " + load_line("moves refereed", moves) + ", " +
                           std::to_string(moves.starts) + " tests started; " +
                           load_line("/rules on as many connections", rules));
        summary_.push_back(
            store_ + ": moves refereed " + ratio(moves.per_second, rules.per_second) +
            " of /rules' rate (the goal is at least 0.20), a move's median round "
            "trip " +
            ratio(moves.median_ms, rules.median_ms) + " of the page's (the goal is at most 10)");
        if (store_ == "postgresql") {
            summary_.push_back(store_ + ": the cluster's WAL syncs while " +
                               std::to_string(players) +
                               " players played: " + std::to_string(wal_syncs_during) + ", " +
                               fixed(double(wal_syncs_during) /
                                         double(std::max(1L, moves.answered + moves.starts)),
                                     4) +
                               " a request (a move waits for none)");
            time_two_play_services(where, *service, moves);
        } else {
            count_service_syncs(*service);
        }
        service->stop();
        if (moves.failures + rules.failures + one_player.failures + one_reader.failures != 0) {
            throw BenchFailure{"requests of the browser test or of /rules failed"};
        }
        if (!page_timed_) {
            page_timed_ = true;
            time_page(where);
        }
    }

    // The WAL syncs of the PostgreSQL cluster so far; 0 for SQLite.
    long long wal_syncs(const std::string& where) const {
        if (store_ != "postgresql") {
            return 0;
        }
        PostgresConnection connection(where, std::chrono::seconds(30));
        return connection.execute("SELECT wal_sync FROM pg_stat_wal").integer(0, 0);
    }

    // The SQLite store's syncs, counted by strace while a few players play: what a move waits
    // for, apart from the WAL's checkpoints.
    void count_service_syncs(const ServiceProcess& service) {
        std::fprintf(stderr, "== %s: the service's syncs counted by strace while %d play\n",
                     store_.c_str(), traced_players);
        const std::string counts = work_.path("syncs.txt");
        ChildRun strace("strace",
                        {"-f", "-c", "-e", "trace=fsync,fdatasync,sync_file_range", "-o", counts,
                         "-p", std::to_string(service.pid())},
                        traced_time + std::chrono::seconds(60));
        std::this_thread::sleep_for(std::chrono::seconds(1)); // attached to every thread
        const LoadFigures traced = play_tests({service.port()}, traced_players, traced_time);
        strace.interrupt();
        strace.output();
        std::ifstream file(counts);
        long syncs = 0;
        for (std::string line; std::getline(file, line);) {
            std::istringstream fields(line);
            std::vector<std::string> words;
            for (std::string word; fields >> word;) {
                words.push_back(word);
            }
            if (words.size() >= 5 && words.back().find("sync") != std::string::npos) {
                syncs += std::atol(words[3].c_str());
            }
        }
        summary_.push_back(
            store_ + ": the service's syncs while " + std::to_string(traced_players) +
            " players played under strace: " + std::to_string(syncs) + " for " +
            std::to_string(traced.answered) + " moves and " + std::to_string(traced.starts) +
            " starts (a move waits for none; the WAL's checkpoints sync)");
    }

    // A second service on the same database and the players split between the two.
    void time_two_play_services(const std::string& where, const ServiceProcess& first,
                                const LoadFigures& one_service) {
        std::fprintf(stderr, "== %s: two services on one database, %d players between them\n",
                     store_.c_str(), players);
        const std::unique_ptr<ServiceProcess> second = start_play_service(where, "play-second");
        const LoadFigures both = play_tests({first.port(), second->port()}, players,
                                            std::chrono::seconds(options_.seconds));
        summary_.push_back(store_ +
                           ": two services on one database: " + load_line("moves refereed", both) +
                           ": " + ratio(both.per_second, one_service.per_second) +
                           " of one service's (the goal is at least 1)");
        if (both.failures != 0) {
            throw BenchFailure{"two services: moves failed"};
        }
    }

    // The page's files as sent, and from navigation to its first board in Chromium against a
    // stand-in of the same size that only paints a canvas.
    void time_page(const std::string& where) {
        const std::unique_ptr<ServiceProcess> service = start_play_service(where, "page");
        const std::vector<PageFile> files = fetch_page_files(service->port());
        size_t plain = 0;
        size_t sent = 0;
        std::string each;
        for (const PageFile& file : files) {
            plain += file.plain.size();
            sent += file.sent_bytes;
            each += (each.empty() ? "" : ", ") + file.path + " " + std::to_string(file.sent_bytes);
        }
        summary_.push_back("the page's weight: " + std::to_string(sent) +
                           " bytes as sent gzipped (" + each + "), " + std::to_string(plain) +
                           " plain; the goal is at most " + std::to_string(page_weight_goal) +
                           (sent <= page_weight_goal ? ": met" : ": missed"));
        if (!nginx_) {
            start_nginx();
        }
        const std::string stand_in = work_.path("static/stand-in");
        std::filesystem::create_directories(stand_in);
        write_stand_in(stand_in, "/stand-in/", files);
        std::fprintf(stderr, "== the page and its stand-in loaded %d times each in Chromium\n",
                     page_loads);
        const FirstBoards boards = time_first_boards(
            work_.path("chromium"),
            {address(service->port(), "/play"), address(nginx_port_, "/stand-in/stand-in.html")},
            page_loads);
        summary_.push_back(
            "the first board drawn in Chromium, median of " + std::to_string(page_loads) +
            " first visits: " + fixed(boards.medians_ms[0], 1) + " ms from navigation; " +
            fixed(boards.medians_ms[1], 1) +
            " ms for a stand-in of the same size that only paints a canvas: " +
            ratio(boards.medians_ms[0], boards.medians_ms[1]) + " of it (the goal is at most 1.5)");
        if (boards.failures != 0) {
            throw BenchFailure{std::to_string(boards.failures) + " loads drew no board"};
        }
    }

    const Options options_;
    TemporaryFolder work_;
    std::vector<std::string> links_;
    size_t first_unused_ = 0;
    std::unique_ptr<PostgresCluster> cluster_;
    std::unique_ptr<NginxProcess> nginx_;
    int nginx_port_ = -1;
    double nginx_result_ = 0;
    bool page_timed_ = false;
    std::string store_;
    std::vector<std::string> summary_;
};

void print(const std::vector<std::string>& lines) {
    for (const std::string& line : lines) {
        std::printf("%s\n", line.c_str());
    }
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    const Options options = read_options(argc, argv);
    Bench bench(options);
    try {
        bench.run();
    } catch (const BenchFailure& failure) {
        print(bench.summary());
        std::fprintf(stderr, "bench_service: %s\n", failure.why.c_str());
        return 1;
    } catch (const std::exception& error) {
        print(bench.summary());
        std::fprintf(stderr, "bench_service: %s\n", error.what());
        return 1;
    }
    std::printf("\n");
    print(bench.summary());
    return 0;
}
