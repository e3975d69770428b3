// The class pages and their verified views: their addresses read strictly and without the
// store, their links to the pages before and after and to the other view, and a class or page
// that does not exist refused for the price of one look at the class's size.
#include "server/pages/class_address.h"
#include "server/pages/pages.h"
#include "server/site/class_pages.h"
#include "server/site/result_rate_limit.h"
#include "server/site/results_site.h"
#include "tests/server/no_running_tests.h"
#include "tests/server/result_links.h"
#include "tests/support/record_text.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <optional>

namespace {

// A GET of target from nobody in particular.
HttpRequest get(std::string_view target) {
    HttpRequest request;
    request.target = target;
    return request;
}

TEST(ClassAddress, ReadsOnlyTheAddressesItWritesForSettingsThatCanExist) {
    struct Case {
        std::string path;
        std::optional<TestSettings> settings;
        int64_t page = 1;
        ClassView view = ClassView::all;
    };
    const Case cases[] = {
        {"/records/42-7-5x12", TestSettings{42, 7, 5, 12}},
        {"/records/42-7-5x12/2", TestSettings{42, 7, 5, 12}, 2},
        {"/records/29-2-1x1", TestSettings{29, 2, 1, 1}},
        {"/records/32-2-1x1", TestSettings{32, 2, 1, 1}},
        {"/records/59-7-999x9999/1099511627776", TestSettings{59, 7, 999, 9999}, 1099511627776},
        // Settings the program cannot send.
        {"/records/28-7-5x12", {}},
        {"/records/60-7-5x12", {}},
        {"/records/42-1-5x12", {}},
        {"/records/42-8-5x12", {}},
        {"/records/33-2-5x12", {}}, // two colours only with at most 32 balls
        {"/records/42-7-0x12", {}},
        {"/records/42-7-1000x12", {}},
        {"/records/42-7-5x0", {}},
        {"/records/42-7-5x10000", {}},
        {"/records/42-7-5x99999999999999999999", {}},
        // Pages: the first has no number, and none is beyond any class's last.
        {"/records/42-7-5x12/1", {}},
        {"/records/42-7-5x12/0", {}},
        {"/records/42-7-5x12/02", {}},
        {"/records/42-7-5x12/-2", {}},
        {"/records/42-7-5x12/+2", {}},
        {"/records/42-7-5x12/1099511627777", {}},
        {"/records/42-7-5x12/99999999999999999999999", {}},
        {"/records/42-7-5x12/", {}},
        {"/records/42-7-5x12/2/", {}},
        {"/records/42-7-5x12/2/3", {}},
        // The verified view, paged alike.
        {"/records/42-7-5x12/verified", TestSettings{42, 7, 5, 12}, 1, ClassView::verified},
        {"/records/42-7-5x12/verified/2", TestSettings{42, 7, 5, 12}, 2, ClassView::verified},
        {"/records/59-7-999x9999/verified/1099511627776", TestSettings{59, 7, 999, 9999},
         1099511627776, ClassView::verified},
        {"/records/42-7-5x12/verified/1", {}},
        {"/records/42-7-5x12/verified/", {}},
        {"/records/42-7-5x12/verified/2/", {}},
        {"/records/42-7-5x12/verified/verified", {}},
        {"/records/42-7-5x12/2/verified", {}},
        {"/records/42-7-5x12/verifiedx", {}},
        {"/records/42-7-5x12/Verified", {}},
        {"/records/42-7-5x12verified", {}},
        {"/records/33-2-5x12/verified", {}},
        {"/records/verified", {}},
        // Not the form it is written in.
        {"/records", {}},
        {"/records/", {}},
        {"/records/042-7-5x12", {}},
        {"/records/42-7-5-12", {}},
        {"/records/42-7-5x12x", {}},
        {"/records/42-7-5X12", {}},
        {"/records/42--7-5x12", {}},
        {"/records/ 42-7-5x12", {}},
        {"/records/42-7-5x12%2F2", {}},
        {"/records.html/42-7-5x12", {}},
        {"/recordsX42-7-5x12", {}},
    };
    for (const Case& c : cases) {
        const std::optional<ClassAddress> address = read_class_path(c.path);
        ASSERT_EQ(address.has_value(), c.settings.has_value()) << c.path;
        if (address) {
            EXPECT_EQ(address->settings, *c.settings) << c.path;
            EXPECT_EQ(address->page, c.page) << c.path;
            EXPECT_EQ(address->view, c.view) << c.path;
            EXPECT_EQ(class_path(address->settings, address->page, address->view), c.path)
                << "one address";
        }
    }
}

TEST(ClassAddress, APlaceIsOnThePageOfFiftyThatHoldsIt) {
    const std::pair<int64_t, int64_t> cases[] = {{1, 1}, {50, 1}, {51, 2}, {100, 2}, {101, 3}};
    for (const auto& [place, page] : cases) {
        EXPECT_EQ(class_page_of(place), page) << place;
    }
}

ClassRecords page_of_class(int64_t class_size, int64_t first_place, int count) {
    ClassRecords results{{42, 7, 5, 12}, class_size, {}};
    for (int i = 0; i < count; ++i) {
        results.results.push_back({first_place + i, "n" + std::to_string(first_place + i), "ru", "",
                                   300 + i, 1765324800});
    }
    return results;
}

TEST(ClassPages, EachPageLinksThePagesBeforeAndAfterItAndTheOtherView) {
    struct Case {
        int64_t page;
        ClassView view;
        const char* previous; // nullptr: none
        const char* next;
        const char* other_view;
    };
    const Case cases[] = {
        {1, ClassView::all, nullptr, "/records/42-7-5x12/2", "/records/42-7-5x12/verified"},
        {2, ClassView::all, "/records/42-7-5x12", "/records/42-7-5x12/3",
         "/records/42-7-5x12/verified"},
        {3, ClassView::all, "/records/42-7-5x12/2", nullptr, "/records/42-7-5x12/verified"},
        {1, ClassView::verified, nullptr, "/records/42-7-5x12/verified/2", "/records/42-7-5x12"},
        {2, ClassView::verified, "/records/42-7-5x12/verified", "/records/42-7-5x12/verified/3",
         "/records/42-7-5x12"},
        {3, ClassView::verified, "/records/42-7-5x12/verified/2", nullptr, "/records/42-7-5x12"},
    };
    for (const Case& c : cases) {
        const int64_t first = (c.page - 1) * class_page_results + 1;
        const std::string html =
            class_page(page_of_class(120, first, c.page == 3 ? 20 : 50), c.page, c.view);
        EXPECT_NE(
            html.find(utf8_text(u8"Страница ") + std::to_string(c.page) + utf8_text(u8" из 3")),
            std::string::npos)
            << c.page;
        EXPECT_EQ(html.find("rel=\"prev\"") != std::string::npos, c.previous != nullptr) << c.page;
        EXPECT_EQ(html.find("rel=\"next\"") != std::string::npos, c.next != nullptr) << c.page;
        for (const char* link : {c.previous, c.next, c.other_view}) {
            if (link) {
                EXPECT_NE(html.find(std::string("href=\"") + link + "\""), std::string::npos)
                    << c.page << " links " << link;
            }
        }
        EXPECT_NE(html.find("<td class=\"num\">" + std::to_string(first) + "</td><td>n"),
                  std::string::npos)
            << "its first place, " << first;
    }
    const std::string only = class_page(page_of_class(3, 1, 3), 1);
    EXPECT_EQ(only.find("rel=\""), std::string::npos) << "one page links none";
    const std::string none = class_page(page_of_class(0, 1, 0), 1, ClassView::verified);
    EXPECT_NE(none.find(utf8_text(u8"Проверенных результатов в этом тесте пока нет")),
              std::string::npos);
    for (const char* link : {"/play", "/records/42-7-5x12"}) {
        EXPECT_NE(none.find(std::string("href=\"") + link + "\""), std::string::npos) << link;
    }
    EXPECT_EQ(none.find("<table"), std::string::npos);
}

TEST(ClassPages, TheRecordsLinkEachClassAndSayWhenItHasMore) {
    const std::string html =
        records_page({page_of_class(12, 1, records_per_class), page_of_class(3, 1, 3)});
    EXPECT_NE(html.find("<h2><a href=\"/records/42-7-5x12\">"), std::string::npos);
    EXPECT_EQ(html.find(utf8_text(u8"Все результаты этого теста (12)")) != std::string::npos, true);
    EXPECT_EQ(html.find(utf8_text(u8"Все результаты этого теста (3)")), std::string::npos)
        << "all three are shown already";
}

// The place in a page's first row; empty without rows.
std::string first_place_shown(const std::string& html) {
    const std::string row = "<tr><td class=\"num\">";
    const size_t at = html.find(row);
    return at == std::string::npos
               ? ""
               : html.substr(at + row.size(), html.find("</td>", at) - at - row.size());
}

// A store that only counts what the site asks of it, with one class of 120 results, 60 of them
// verified.
struct CountingStore final : ResultsStore {
    int class_reads = 0;
    int verified_reads = 0;
    int other_reads = 0;
    int64_t first_place_asked = -1;
    void store_async(ResultRow, int64_t, std::function<void(StoreOutcome)> done) override {
        done({StoreStatus::failed, {}});
    }
    std::vector<ClassRecords> records(int, int) override {
        ++other_reads;
        return {};
    }
    ClassRecords class_results(const TestSettings& settings, int64_t first_place,
                               int count) override {
        ++class_reads;
        if (!(settings == TestSettings{42, 7, 5, 12})) {
            return {settings, 0, {}};
        }
        const int64_t shown = std::max<int64_t>(0, std::min<int64_t>(count, 120 - first_place));
        return page_of_class(120, first_place + 1, int(shown));
    }
    ClassRecords verified_class_results(const TestSettings& settings, int64_t first_place,
                                        int count) override {
        ++verified_reads;
        first_place_asked = first_place;
        if (!(settings == TestSettings{42, 7, 5, 12})) {
            return {settings, 0, {}};
        }
        const int64_t shown = std::max<int64_t>(0, std::min<int64_t>(count, 60 - first_place));
        ClassRecords page = page_of_class(60, first_place + 1, int(shown));
        for (PublishedResult& r : page.results) {
            r.verified = true;
        }
        return page;
    }
    void look_up_moves(const TestSettings&, const std::function<void(MovesLookup&)>&) override {
        ++other_reads;
    }
    int64_t result_count() override { return 120; }
    int64_t size_bytes() override { return 0; }
    uint64_t generation() override { return 1; }
    int64_t erase_player(PlayerField, std::string_view) override { return 0; }
    void each_published(
        const std::function<void(const TestSettings&, const PublishedResult&)>&) override {}
    RunningTests& running_tests() override { return no_running_tests(); }
};

TEST(ClassPages, AnAddressThatCannotExistCostsNoReadAndOnePastTheEndOneLook) {
    struct Case {
        std::string path;
        int status;
        int class_reads;
        int verified_reads = 0;
        int64_t first_place = -1; // asked of the verified results; -1: not asked
        int first_shown = 0;      // the first place the page shows; 0: none
    };
    const Case cases[] = {
        {"/records/42-7-5x12", 200, 1, 0, -1, 1},
        {"/records/42-7-5x12/3", 200, 1, 0, -1, 101},
        {"/records/42-7-5x12/4", 404, 1},
        {"/records/42-7-5x12/1099511627776", 404, 1},
        {"/records/42-7-5x13", 404, 1}, // can exist, has no results
        {"/records/42-7-5x12/99999999999999999999", 404, 0},
        {"/records/60-7-5x12", 404, 0},
        {"/records/33-2-5x12", 404, 0},
        {"/records/42-7-5x12/1", 404, 0},
        {"/records/../records/42-7-5x12", 404, 0},
        // The verified view: places among the verified, its own pages and its own size.
        {"/records/42-7-5x12/verified", 200, 0, 1, 0, 1},
        {"/records/42-7-5x12/verified/2", 200, 0, 1, 50, 51},
        {"/records/42-7-5x12/verified/3", 404, 0, 1, 100},
        {"/records/42-7-5x12/verified/1099511627776", 404, 0, 1, 54975581388750},
        // Linked from every class page, so it answers with none yet; its pages beyond do not.
        {"/records/42-7-5x13/verified", 200, 0, 1, 0},
        {"/records/42-7-5x13/verified/2", 404, 0, 1, 50},
        {"/records/42-7-5x12/verified/1", 404, 0},
        {"/records/60-7-5x12/verified", 404, 0},
    };
    for (const Case& c : cases) {
        CountingStore store;
        ResultRateLimit results_limit({});
        PageReaders reads(1, 1);
        ResultsSite site(store, results_limit, reads);
        std::promise<HttpAnswer> answered;
        site.handle(get(c.path), [&answered](HttpAnswer a) { answered.set_value(std::move(a)); });
        std::future<HttpAnswer> reply = answered.get_future();
        ASSERT_EQ(reply.wait_for(std::chrono::seconds(10)), std::future_status::ready) << c.path;
        const HttpAnswer answer = reply.get();
        EXPECT_EQ(answer.status, c.status) << c.path;
        EXPECT_EQ(store.class_reads, c.class_reads) << c.path;
        EXPECT_EQ(store.verified_reads, c.verified_reads) << c.path;
        EXPECT_EQ(store.first_place_asked, c.first_place) << c.path;
        EXPECT_EQ(store.other_reads, 0) << c.path;
        ASSERT_TRUE(answer.body) << c.path;
        EXPECT_LT(answer.body->size(), 20000u) << c.path << ": one page of 50 at most";
        EXPECT_EQ(first_place_shown(*answer.body),
                  c.first_shown ? std::to_string(c.first_shown) : "")
            << c.path;
    }
}

// A page read that holds the only page reader until released.
struct HeldStore final : ResultsStore {
    std::promise<void> entered;
    std::shared_future<void> released;
    int look_ups = 0;
    void store_async(ResultRow, int64_t, std::function<void(StoreOutcome)> done) override {
        done({StoreStatus::busy, {}});
    }
    std::vector<ClassRecords> records(int, int) override { return {}; }
    ClassRecords class_results(const TestSettings&, int64_t, int) override {
        if (released.valid()) {
            entered.set_value();
            released.wait_for(std::chrono::seconds(10));
            released = {};
        }
        return page_of_class(3, 1, 3);
    }
    ClassRecords verified_class_results(const TestSettings& settings, int64_t, int) override {
        return {settings, 0, {}};
    }
    void look_up_moves(const TestSettings&, const std::function<void(MovesLookup&)>&) override {
        ++look_ups;
    }
    int64_t result_count() override { return 3; }
    int64_t size_bytes() override { return 0; }
    uint64_t generation() override { return 1; }
    int64_t erase_player(PlayerField, std::string_view) override { return 0; }
    void each_published(
        const std::function<void(const TestSettings&, const PublishedResult&)>&) override {}
    RunningTests& running_tests() override { return no_running_tests(); }
};

TEST(ClassPages, ACrowdOfPageReadsWaitsForThePageReaderAloneAndBeyondItsQueueIsRefused) {
    HeldStore store;
    std::promise<void> release;
    store.released = release.get_future().share();
    std::future<void> entered = store.entered.get_future();
    ResultRateLimit results_limit({});
    PageReaders reads(1, 1);
    ResultsSite site(store, results_limit, reads);

    std::promise<HttpAnswer> held_answer;
    std::promise<HttpAnswer> queued_answer;
    site.handle(get("/records/42-7-5x12"),
                [&](HttpAnswer a) { held_answer.set_value(std::move(a)); });
    ASSERT_EQ(entered.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    site.handle(get("/records/42-7-5x12"),
                [&](HttpAnswer a) { queued_answer.set_value(std::move(a)); });

    // Answered before handle returns, on the serving thread, while the reader is held: a read
    // beyond the queue, the fixed pages and a result link, whose picture is read there too.
    const std::pair<std::string, int> at_once[] = {
        {"/records/42-7-5x12", 503},
        {"/records", 503},
        {"/rules", 200},
        {result_path(typical_query("Prompt", 345)), 503}, // the fake store answers busy
    };
    for (const auto& [path, status] : at_once) {
        std::optional<HttpAnswer> answer;
        site.handle(get(path), [&answer](HttpAnswer a) { answer = std::move(a); });
        ASSERT_TRUE(answer) << path;
        EXPECT_EQ(answer->status, status) << path;
        std::string retry_after;
        for (const auto& [name, value] : answer->headers) {
            retry_after = name == "Retry-After" ? value : retry_after;
        }
        EXPECT_EQ(retry_after, status == 503 ? "2" : "") << path;
    }
    EXPECT_EQ(store.look_ups, 1);

    release.set_value();
    for (std::promise<HttpAnswer>* answered : {&held_answer, &queued_answer}) {
        std::future<HttpAnswer> answer = answered->get_future();
        ASSERT_EQ(answer.wait_for(std::chrono::seconds(10)), std::future_status::ready);
        EXPECT_EQ(answer.get().status, 200);
    }
}

} // namespace
