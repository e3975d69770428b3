// The routes of the test played in the browser: the page and its files, and the referee's
// three requests, each played on the referee's threads, never on a serving thread.
#pragma once

#include "server/http/http_server.h"
#include "server/pages/site_paths.h"
#include "server/play/referee_desk.h"
#include "server/site/page_readers.h"
#include "server/site/result_rate_limit.h"
#include "server/store/results_store.h"

#include <string_view>

class PlayRoutes {
  public:
    // referees: the threads the desk's blocking calls run on, with their bounded queue.
    PlayRoutes(RefereeDesk& desk, const PlayLimits& limits, ResultsStore& store,
               ResultRateLimit& results_limit, PageReaders& referees);

    // Answers the request if its path is /play or below it, and says so.
    bool handle(const HttpRequest& request, std::string_view path, const HttpReply& reply);

  private:
    void start(const HttpRequest& request, const HttpReply& reply);
    void play(std::string_view test_id, const HttpRequest& request, const HttpReply& reply);
    void send(std::string_view test_id, const HttpRequest& request, const HttpReply& reply);
    // Runs work on a referee thread, or answers busy when too many wait.
    void referee_later(const HttpReply& reply, std::function<void()> work);

    RefereeDesk& desk_;
    const PlayLimits limits_;
    ResultsStore& store_;
    ResultRateLimit& results_limit_;
    PageReaders& referees_;
};
