// The service's routes: the result endpoint at the program's own address, the records table
// (rendered again only after a new result), the fixed pages and the error pages.
#pragma once

#include "server/http/http_server.h"
#include "server/site/offered_download.h"
#include "server/site/page_readers.h"
#include "server/site/play_routes.h"
#include "server/site/result_rate_limit.h"
#include "server/store/results_store.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

// The records table shows this many results of each class, for at most this many classes:
// one page whatever the number of results.
constexpr int records_per_class = 10;
constexpr int records_classes = 100;

// Where the program sends its results: the path of its result link's address.
std::string result_link_path();

// Sent with every answer: the pages need no script, no frame and nothing from elsewhere, and
// the result's address, which carries the private fields scrambled, goes to no other site as
// a referrer.
const std::vector<std::pair<std::string, std::string>>& site_headers();

class ResultsSite {
  public:
    // Results pass the limits before they reach the store; pages are not limited. The records
    // and class pages are read on reads, never on a serving thread; a result's picture, a few
    // bounded reads, on the serving thread, so that it never waits behind a crowd of pages.
    // play: the browser test's routes under /play; none: no browser test. download: the
    // program's file offered under /download; none: the page says it is not offered here.
    ResultsSite(ResultsStore& store, ResultRateLimit& results_limit, PageReaders& reads,
                PlayRoutes* play = nullptr, const OfferedDownload* download = nullptr);
    // Answers a GET, HEAD or POST; a result is answered once the store has it on disk.
    void handle(const HttpRequest& request, const HttpReply& reply);

  private:
    // What a path of the site's own answers with; any other is a class page's, or 404.
    enum class RouteKind { result_link, fixed_page, records, download };
    struct Route {
        std::string path;
        RouteKind kind;
        std::shared_ptr<const std::string> page; // a fixed page's, rendered once
    };

    // A result link's query: the result stored and its page, or why not.
    void answer_result(const HttpRequest& request, std::string_view query, const HttpReply& reply);
    // The records table, on a page reader.
    HttpAnswer records_answer();
    std::shared_ptr<const std::string> records_html();
    // Runs read on a reader, or answers busy when too many wait.
    void read_later(const HttpReply& reply, std::function<void()> read);

    ResultsStore& store_;
    ResultRateLimit& results_limit_;
    PageReaders& reads_;
    PlayRoutes* play_;
    const OfferedDownload* download_;
    std::vector<Route> routes_;
    std::mutex records_mutex_;
    std::shared_ptr<const std::string> records_;
    uint64_t records_generation_ = 0;
};
