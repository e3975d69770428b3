// The service's routes: the result endpoint at the program's own address, the records table
// (rendered again only after a new result), the fixed pages and the error pages.
#pragma once

#include "server/results_store.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

namespace httplib {
class Server;
}

// The records table shows this many results of each class, for at most this many classes:
// one page whatever the number of results.
constexpr int records_per_class = 10;
constexpr int records_classes = 100;

// Where the program sends its results: the path of its result link's address.
std::string result_link_path();

class ResultsSite {
  public:
    explicit ResultsSite(ResultsStore& store) : store_(store) {}
    // Routes, default headers, the error and exception pages and the worker threads.
    void attach(httplib::Server& server);

  private:
    std::shared_ptr<const std::string> records_html();

    ResultsStore& store_;
    std::mutex records_mutex_;
    std::shared_ptr<const std::string> records_;
    uint64_t records_generation_ = 0;
};
