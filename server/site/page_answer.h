// The site's one way to answer with a page: its status, its HTML and what caches may do with it.
#pragma once

#include "server/http/http_server.h"

#include <memory>
#include <string>
#include <string_view>

// What an answer tells caches, a browser's own included.
enum class Caching {
    none,       // Cache-Control: no-store: a result's answer, and a refusal that holds only now
    revalidate, // Cache-Control: no-cache: kept, but asked again, as a new result may change it
    unstated,   // no Cache-Control: the fixed pages, and errors left to a cache's own rules
};

// An HTML page, or none for a HEAD; retry_after (seconds) tells a refused client when to try
// again.
HttpAnswer page_answer(int status, std::shared_ptr<const std::string> html, Caching caching,
                       std::string_view retry_after = {});
HttpAnswer page_answer(int status, std::string html, Caching caching,
                       std::string_view retry_after = {});
// The error page of status, with the reason given.
HttpAnswer error_answer(int status, std::string_view reason, Caching caching,
                        std::string_view retry_after = {});
