// The service's routes: the result endpoint at the program's own address, the records table
// (rendered again only after a new result), the fixed pages and the error pages.
#include "server/results_site.h"

#include "resources/web_addresses.h"
#include "server/pages.h"
#include "server/result_row.h"
#include "server/sqlite_handles.h"
#include "server/text.h"

#include <httplib.h>
#include <sqlite3.h>

#include <ctime>
#include <iostream>

namespace {

// Each connection keeps a worker while it is open, so there are enough for many browsers and
// a benchmark's connections at once; a kept connection serves many requests, as nginx's do.
constexpr size_t worker_threads = 64;
constexpr size_t requests_per_connection = 1000;

// The path of an address such as "http://host/path?query".
std::string path_of(std::string_view address) {
    const size_t host = address.find("://");
    const size_t path = address.find('/', host == std::string_view::npos ? 0 : host + 3);
    if (path == std::string_view::npos) {
        return "/";
    }
    return std::string(address.substr(path, address.find('?', path) - path));
}

// Routes are regular expressions: a path matches only itself.
std::string pattern_of(std::string_view path) {
    std::string pattern;
    for (char c : path) {
        if (std::string_view(".^$|()[]{}*+?\\").find(c) != std::string_view::npos) {
            pattern += '\\';
        }
        pattern += c;
    }
    return pattern;
}

void send_page(httplib::Response& response, const std::string& html) {
    response.set_content(html, html_type);
}

} // namespace

std::string result_link_path() { return path_of(result_link_prefix); }

std::shared_ptr<const std::string> ResultsSite::records_html() {
    const std::lock_guard lock(records_mutex_);
    // Read before rendering: a result stored meanwhile makes the next request render again.
    const uint64_t generation = store_.generation();
    if (!records_ || records_generation_ != generation) {
        records_ = std::make_shared<const std::string>(
            records_page(store_.records(records_per_class, records_classes)));
        records_generation_ = generation;
    }
    return records_;
}

void ResultsSite::attach(httplib::Server& server) {
    server.new_task_queue = [] { return new httplib::ThreadPool(worker_threads); };
    // The library's default adds SO_REUSEPORT, with which a second service would share the
    // port of a running one instead of failing to start.
    server.set_socket_options([](socket_t socket) {
        const int on = 1;
        setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    });
    server.set_keep_alive_max_count(requests_per_connection);
    // A page leaves in more than one write; without this the second waits for the client's
    // delayed acknowledgement of the first.
    server.set_tcp_nodelay(true);
    // The pages need no script, no frame and nothing from elsewhere; the result's address
    // carries the private fields, scrambled, and goes to no other site as a referrer.
    server.set_default_headers({
        {"Content-Security-Policy",
         "default-src 'none'; style-src 'unsafe-inline'; base-uri 'none'; form-action 'none'; "
         "frame-ancestors 'none'"},
        {"X-Content-Type-Options", "nosniff"},
        {"Referrer-Policy", "no-referrer"},
    });

    server.Get(pattern_of(result_link_path()), [this](const httplib::Request& request,
                                                      httplib::Response& response) {
        // The raw target: the query is hexadecimal text, not name=value pairs.
        const std::string_view target = request.target;
        const size_t mark = target.find('?');
        const LinkReading reading = read_result_link(
            mark == std::string_view::npos ? std::string_view() : target.substr(mark + 1));
        response.set_header("Cache-Control", "no-store");
        if (!reading.row) {
            response.status = reading.refusal == Refusal::too_long ? 414 : 400;
            send_page(response, error_page(response.status,
                                           u8str(u8"Результат не сохранён. ") + reading.reason));
            return;
        }
        send_page(response, result_page(store_.store(*reading.row, std::time(nullptr))));
    });

    auto fixed = [](std::string html) -> httplib::Server::Handler {
        auto page = std::make_shared<const std::string>(std::move(html));
        return [page](const httplib::Request&, httplib::Response& response) {
            response.set_content(*page, html_type);
        };
    };
    const httplib::Server::Handler records = [this](const httplib::Request&,
                                                    httplib::Response& response) {
        response.set_header("Cache-Control", "no-cache");
        response.set_content(*records_html(), html_type);
    };
    // The clean addresses, in the order of the program's link images, which open the same
    // pages at their own addresses.
    const std::pair<const char*, httplib::Server::Handler> pages[std::size(link_pages)] = {
        {"/rules", fixed(rules_page())},
        {"/records", records},
        {"/forum", fixed(forum_page())},
        {"/", fixed(home_page())},
    };
    for (size_t i = 0; i < std::size(pages); ++i) {
        server.Get(pattern_of(pages[i].first), pages[i].second);
        const std::string program_path = path_of(link_pages[i]);
        if (program_path != pages[i].first) {
            server.Get(pattern_of(program_path), pages[i].second);
        }
    }

    // Statuses the library sets itself (no route, an address too long to read) get the
    // same plain page as the service's own refusals.
    server.set_error_handler([](const httplib::Request&, httplib::Response& response) {
        if (response.body.empty()) {
            send_page(response, error_page(response.status, ""));
        }
    });
    server.set_exception_handler(
        [](const httplib::Request&, httplib::Response& response, std::exception_ptr error) {
            std::string what = "unknown exception";
            response.status = 500;
            try {
                std::rethrow_exception(std::move(error));
            } catch (const SqliteError& e) {
                what = e.what();
                // The file is held by another process: worth another try in a moment.
                if (e.code == SQLITE_BUSY || e.code == SQLITE_LOCKED) {
                    response.status = 503;
                }
            } catch (const std::exception& e) {
                what = e.what();
            }
            std::cerr << "trivelle-results: " << what << std::endl;
            send_page(response, error_page(response.status, ""));
        });
}
