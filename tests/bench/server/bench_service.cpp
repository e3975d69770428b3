// bench_service --store sqlite|postgresql|both --only rates|reads|both --probes N --seconds S:
// the results service timed on loopback with wrk, each figure against a reference taken in the
// same run (see scripts/bench-server, which builds and runs it). Not a test.
#include "tests/bench/server/child_run.h"
#include "tests/bench/server/latency_probe.h"
#include "tests/bench/server/link_queries.h"
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

struct Options {
    std::vector<std::string> stores;
    std::vector<std::string> parts;
    int probes = 0;
    int seconds = 0;
};

[[noreturn]] void refuse(const std::string& why) {
    std::fprintf(stderr,
                 "bench_service: %s (usage: bench_service --store sqlite|postgresql|both --only "
                 "rates|reads|both --probes N --seconds S)\n",
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
            options.parts = one_or_both(option, value, "rates", "reads");
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
                part == "rates" ? time_rates() : time_reads();
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

    std::unique_ptr<ServiceProcess> start_service(const std::string& where,
                                                  const std::string& name) {
        // wrk sends every result from one address: far beyond one player's allowance. The
        // access log goes to a file, as a deployed service's does.
        auto service = std::make_unique<ServiceProcess>(
            TRIVELLE_RESULTS_SERVICE, where,
            std::vector<std::string>{"--results-per-minute", "1000000",
                                     "--network-results-per-minute", "1000000",
                                     "--service-results-per-minute", "1000000"},
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

    const Options options_;
    TemporaryFolder work_;
    std::vector<std::string> links_;
    size_t first_unused_ = 0;
    std::unique_ptr<PostgresCluster> cluster_;
    std::unique_ptr<NginxProcess> nginx_;
    int nginx_port_ = -1;
    double nginx_result_ = 0;
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
