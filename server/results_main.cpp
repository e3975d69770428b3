// trivelle-results: receives the program's result links, keeps the results in SQLite or
// PostgreSQL and publishes the records table.
#include "server/http/access_log.h"
#include "server/http/http_server.h"
#include "server/http/log_writer.h"
#include "server/open_store.h"
#include "server/pages/pages.h"
#include "server/play/referee_desk.h"
#include "server/row/log_error.h"
#include "server/service_options.h"
#include "server/site/offered_download.h"
#include "server/site/page_readers.h"
#include "server/site/play_routes.h"
#include "server/site/result_rate_limit.h"
#include "server/site/results_site.h"
#include "server/store/results_store.h"

#include <signal.h>
#include <unistd.h>

#include <exception>
#include <iostream>
#include <optional>

int main(int argc, char** argv) {
    // A stop signal that comes while the file opens waits until the server can act on it,
    // instead of ending the process mid-write or being lost.
    sigset_t stop_signals;
    sigemptyset(&stop_signals);
    sigaddset(&stop_signals, SIGINT);
    sigaddset(&stop_signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);
    signal(SIGPIPE, SIG_IGN);

    set_program_name("trivelle-results");
    std::string error;
    const std::optional<ServiceOptions> options = parse_service_options(argc, argv, error);
    if (!options) {
        log_error(error);
        std::cerr << service_usage();
        return 2;
    }
    if (options->help) {
        std::cout << service_usage();
        return 0;
    }

    try {
        // Read before the store is opened: a file that cannot be offered stops the start at once.
        std::optional<OfferedDownload> download;
        if (!options->download.empty()) {
            download = read_offered_download(options->download);
        }
        const std::unique_ptr<ResultsStore> store =
            open_results_store(options->db, options->store_limits);
        ResultRateLimit results_limit(options->result_allowances);
        PageReaders reads(options->page_readers, options->max_waiting_pages);
        // The browser test's requests wait for the store too, on threads of their own at the
        // serving threads' priority: players are served as promptly as result links.
        PageReaders referees(options->referees, options->max_waiting_moves, 0);
        RefereeDesk desk(store->running_tests(), options->play_limits);
        PlayRoutes play(desk, options->play_limits, *store, results_limit, referees);
        ResultsSite site(*store, results_limit, reads, &play, download ? &*download : nullptr);
        HttpServerSettings settings{
            .address = options->address,
            .port = options->port,
            .threads = options->threads,
            .limits = options->limits,
            .common_headers = site_headers(),
            .error_page = [](int status) { return error_page(status, ""); },
            .trusted_proxies = options->trusted_proxies,
            .access_log = {}, // set below when the log is on
            .on_stopped =
                [&reads, &referees] {
                    reads.stop();
                    referees.stop();
                },
        };
        // Written by a thread of its own: a reader of standard output that stops reading
        // costs log lines, never answers. Made before the server and ended after it, so that
        // it takes every line the server logs.
        std::optional<LogWriter> access_log;
        if (options->access_log) {
            access_log.emplace(STDOUT_FILENO, options->access_log_buffer, [](size_t dropped) {
                return dropped_lines_note(std::chrono::system_clock::now(), dropped);
            });
            settings.access_log = [&access_log](const AccessEntry& entry) {
                access_log->write(access_line(entry));
            };
        }
        const int status = serve_http(
            settings,
            [&site](const HttpRequest& request, const HttpReply& reply) {
                site.handle(request, reply);
            },
            [&options](int port) {
                // Tests and scripts read the port from this line.
                // An IPv6 address is bracketed, so that its colons are not taken for the port's.
                const bool v6 = options->address.find(':') != std::string::npos;
                std::cout << "trivelle-results: listening on http://" << (v6 ? "[" : "")
                          << options->address << (v6 ? "]:" : ":") << port
                          << "/ with the results in " << shown_store(options->db) << std::endl;
            },
            error);
        if (status != 0) {
            log_error(error);
        }
        return status;
    } catch (const std::exception& e) {
        log_error(e.what());
        return 1;
    }
}
