// The site's one way to answer with a page: its status, its HTML and what caches may do with it.
#include "server/site/page_answer.h"

#include "server/pages/pages.h"

HttpAnswer page_answer(int status, std::shared_ptr<const std::string> html, Caching caching,
                       std::string_view retry_after) {
    HttpAnswer answer{status, {{"Content-Type", html_type}}, std::move(html)};
    if (!retry_after.empty()) {
        answer.headers.emplace_back("Retry-After", retry_after);
    }
    switch (caching) {
    case Caching::none:
        answer.headers.emplace_back("Cache-Control", "no-store");
        break;
    case Caching::revalidate:
        answer.headers.emplace_back("Cache-Control", "no-cache");
        break;
    case Caching::unstated:
        break;
    }
    return answer;
}

HttpAnswer page_answer(int status, std::string html, Caching caching,
                       std::string_view retry_after) {
    return page_answer(status, std::make_shared<const std::string>(std::move(html)), caching,
                       retry_after);
}

HttpAnswer error_answer(int status, std::string_view reason, Caching caching,
                        std::string_view retry_after) {
    return page_answer(status, error_page(status, reason), caching, retry_after);
}
