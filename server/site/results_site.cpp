// The service's routes: the result endpoint at the program's own address, the records table
// (rendered again only after a new result), the fixed pages and the error pages.
#include "server/site/results_site.h"

#include "resources/web_addresses.h"
#include "server/pages/download_page.h"
#include "server/pages/pages.h"
#include "server/pages/pictures.h"
#include "server/row/log_error.h"
#include "server/row/result_row.h"
#include "server/row/utf8_text.h"
#include "server/site/class_pages.h"
#include "server/site/page_answer.h"

#include <ctime>
#include <exception>

namespace {

// A browser that met a busy store may try again this many seconds later; one that met a
// database out of reach, later still: a server's restart takes some seconds.
constexpr const char* busy_retry_seconds = "2";
constexpr const char* unavailable_retry_seconds = "10";

// The path of an address such as "http://host/path?query".
std::string path_of(std::string_view address) {
    const size_t host = address.find("://");
    const size_t path = address.find('/', host == std::string_view::npos ? 0 : host + 3);
    if (path == std::string_view::npos) {
        return "/";
    }
    return std::string(address.substr(path, address.find('?', path) - path));
}

// The picture of a result's class, drawn before the result is stored, both ways the store may
// find it: the store's callback must not block, so it only picks one. Without bars when the
// class cannot be read; the result is stored all the same, and its page has no picture.
struct ClassPictures {
    AccuracyHistogram if_new;           // the class as read, with this result added
    AccuracyHistogram if_stored_before; // the class as read, with it if the read missed it
    // Why the class could not be read: told once the store has answered, unless the database
    // is out of reach, which the store tells once for the whole outage.
    std::string read_failure;
};

ClassPictures class_pictures(ResultsStore& store, const ResultRow& row) {
    ClassPictures pictures;
    try {
        // A few bounded look-ups, whatever the class's spread.
        store.look_up_moves(row.settings, [&](MovesLookup& read) {
            const int32_t lines = line_count(row.settings);
            WithResult if_new(read, row.total_moves, true);
            pictures.if_new = accuracy_histogram(if_new, lines, row.total_moves);
            // Added too when the look-up missed it: then the class is the same either way.
            WithResult if_stored_before(read, row.total_moves, false);
            pictures.if_stored_before =
                if_stored_before.added()
                    ? pictures.if_new
                    : accuracy_histogram(if_stored_before, lines, row.total_moves);
        });
    } catch (const std::exception& e) {
        ClassPictures none;
        none.read_failure = e.what();
        return none;
    }
    return pictures;
}

// The answer to a result link, once the store has decided: the player's own, never cached.
HttpAnswer stored_answer(const StoreOutcome& outcome, const ClassPictures& pictures) {
    switch (outcome.status) {
    case StoreStatus::stored:
        return page_answer(200,
                           result_page(outcome.result, outcome.result.new_row
                                                           ? pictures.if_new
                                                           : pictures.if_stored_before),
                           Caching::none);
    case StoreStatus::busy:
        return error_answer(503, u8str(u8"Результат не сохранён."), Caching::none,
                            busy_retry_seconds);
    case StoreStatus::unavailable:
        return error_answer(503,
                            u8str(u8"Результат не сохранён: база результатов недоступна. "
                                  u8"Повторите позже."),
                            Caching::none, unavailable_retry_seconds);
    case StoreStatus::full:
        // 507, not 503: the place stays taken until an operator frees it, so there is no
        // moment to tell the client to try again.
        return error_answer(507,
                            u8str(u8"Результат не сохранён: место для результатов на сервере "
                                  u8"заполнено. Таблица рекордов открыта, как прежде."),
                            Caching::none);
    case StoreStatus::failed:
        break;
    }
    return error_answer(500, u8str(u8"Результат не сохранён."), Caching::none);
}

// Whose results were too many, as the refused client is told.
std::string too_many_from(LimitLevel level) {
    switch (level) {
    case LimitLevel::client:
        return u8str(u8"с вашего адреса пришло слишком много результатов");
    case LimitLevel::network:
        return u8str(u8"из вашей сети пришло слишком много результатов");
    case LimitLevel::service:
        return u8str(u8"на сервер пришло слишком много результатов");
    }
    return {};
}

// A result beyond an allowance: nothing is stored, and the client is told when it may send
// the next.
HttpAnswer too_many_answer(const Admission& refusal) {
    const std::string seconds = std::to_string(refusal.wait.count());
    return error_answer(429,
                        u8str(u8"Результат не сохранён: ") + too_many_from(refusal.level) +
                            u8str(u8". Повторите через ") + seconds + u8str(u8" с."),
                        Caching::none, seconds);
}

// A read that found every reader busy and the queue full: the page is not read at all, so that
// the bound on waiting reads holds.
HttpAnswer reads_busy_answer() {
    return error_answer(503, u8str(u8"Сервер занят. Повторите позже."), Caching::none,
                        busy_retry_seconds);
}

} // namespace

std::string result_link_path() { return path_of(result_link_prefix); }

const std::vector<std::pair<std::string, std::string>>& site_headers() {
    static const std::vector<std::pair<std::string, std::string>> headers = {
        {"Content-Security-Policy",
         "default-src 'none'; style-src 'unsafe-inline'; base-uri 'none'; form-action 'none'; "
         "frame-ancestors 'none'"},
        {"X-Content-Type-Options", "nosniff"},
        {"Referrer-Policy", "no-referrer"},
    };
    return headers;
}

ResultsSite::ResultsSite(ResultsStore& store, ResultRateLimit& results_limit, PageReaders& reads,
                         PlayRoutes* play, const OfferedDownload* download)
    : store_(store), results_limit_(results_limit), reads_(reads), play_(play),
      download_(download) {
    routes_.push_back({result_link_path(), RouteKind::result_link, nullptr});
    // The clean addresses, in the order of the program's link images, which open the same
    // pages at their own addresses; the records are rendered on demand.
    const auto fixed = [](std::string html) {
        return std::make_shared<const std::string>(std::move(html));
    };
    const Route pages[std::size(link_pages)] = {
        {"/rules", RouteKind::fixed_page, fixed(rules_page())},
        {"/records", RouteKind::records, nullptr},
        {"/forum", RouteKind::fixed_page, fixed(forum_page())},
        {"/", RouteKind::fixed_page, fixed(home_page())},
    };
    for (size_t i = 0; i < std::size(pages); ++i) {
        routes_.push_back(pages[i]);
        const std::string program_path = path_of(link_pages[i]);
        if (program_path != pages[i].path) {
            routes_.push_back({program_path, pages[i].kind, pages[i].page});
        }
    }
    routes_.push_back(
        {std::string(download_path), RouteKind::fixed_page,
         fixed(download_page(download ? std::optional(download->program) : std::nullopt))});
    if (download) {
        routes_.push_back(
            {download_file_path(download->program.file_name), RouteKind::download, nullptr});
    }
}

std::shared_ptr<const std::string> ResultsSite::records_html() {
    // Read before rendering: a result stored meanwhile makes the next request render again.
    // Read outside the lock, since for a shared database it is a round trip to the server:
    // the page rendered is then never older than the generation it is kept under.
    const uint64_t generation = store_.generation();
    const std::lock_guard lock(records_mutex_);
    if (!records_ || records_generation_ != generation) {
        records_ = std::make_shared<const std::string>(
            records_page(store_.records(records_per_class, records_classes)));
        records_generation_ = generation;
    }
    return records_;
}

void ResultsSite::read_later(const HttpReply& reply, std::function<void()> read) {
    if (!reads_.post(std::move(read))) {
        reply(reads_busy_answer());
    }
}

void ResultsSite::handle(const HttpRequest& request, const HttpReply& reply) {
    const size_t mark = request.target.find('?');
    const std::string_view path = request.target.substr(0, mark);
    if (play_ && play_->handle(request, path, reply)) {
        return;
    }
    if (request.post) {
        // Only the browser test's requests take a body; the pages are read.
        HttpAnswer answer = error_answer(405, "", Caching::none);
        answer.headers.emplace_back("Allow", "GET, HEAD");
        reply(std::move(answer));
        return;
    }
    for (const Route& route : routes_) {
        if (path != route.path) {
            continue;
        }
        switch (route.kind) {
        case RouteKind::result_link:
            // The raw query: hexadecimal text, not name=value pairs.
            answer_result(request,
                          mark == std::string_view::npos ? std::string_view()
                                                         : request.target.substr(mark + 1),
                          reply);
            return;
        case RouteKind::fixed_page:
            reply(page_answer(200, route.page, Caching::unstated));
            return;
        case RouteKind::records:
            read_later(reply, [this, reply] { reply(records_answer()); });
            return;
        case RouteKind::download:
            reply(download_answer(*download_, request));
            return;
        }
    }
    if (const std::optional<ClassAddress> address = read_class_path(path)) {
        read_later(reply, [this, reply, address = *address] {
            reply(class_page_answer(store_, address));
        });
        return;
    }
    reply(error_answer(404, "", Caching::unstated));
}

void ResultsSite::answer_result(const HttpRequest& request, std::string_view query,
                                const HttpReply& reply) {
    const LinkReading reading = read_result_link(query);
    if (!reading.row) {
        const int status = reading.refusal == Refusal::too_long ? 414 : 400;
        reply(error_answer(status, u8str(u8"Результат не сохранён. ") + reading.reason,
                           Caching::none));
    } else if (request.head) {
        // A HEAD stores nothing: it says only that the link would be taken.
        reply(page_answer(200, std::shared_ptr<const std::string>(), Caching::none));
    } else if (const Admission admission = results_limit_.admit(request.address);
               admission.wait.count() > 0) {
        reply(too_many_answer(admission));
    } else {
        // Read here, not on the page readers: a result never waits behind a crowd reading
        // deep pages, and the look-up is a few bounded reads.
        ClassPictures pictures = class_pictures(store_, *reading.row);
        store_.store_async(*reading.row, std::time(nullptr),
                           [reply, pictures = std::move(pictures)](const StoreOutcome& outcome) {
                               if (!pictures.read_failure.empty() &&
                                   outcome.status != StoreStatus::unavailable) {
                                   log_error(pictures.read_failure);
                               }
                               reply(stored_answer(outcome, pictures));
                           });
    }
}

HttpAnswer ResultsSite::records_answer() {
    try {
        return page_answer(200, records_html(), Caching::revalidate);
    } catch (const std::exception& e) {
        // On a reader's thread nothing above would catch it.
        log_error(e.what());
        return error_answer(500, u8str(u8"Таблица не прочитана."), Caching::unstated);
    }
}
