// The class pages and the result page's picture from the real service on a SQLite file: all of
// a class in pages of fifty, ties kept in order across a page's edge, its verified results alone
// placed among themselves and marked, addresses that cannot exist refused, and a result's share
// of its class said and drawn.
#include "server/store/sqlite/sqlite_store.h"
#include "tests/server/result_links.h"
#include "tests/server/service_fixture.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

using ClassPagesServed = ServiceTest;

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// The places and nicknames of a table's rows, in order.
std::vector<std::pair<std::string, std::string>> placed_nicknames(const std::string& html) {
    std::vector<std::pair<std::string, std::string>> rows;
    const std::string mark = "<tr><td class=\"num\">";
    for (size_t at = html.find(mark); at != std::string::npos; at = html.find(mark, at + 1)) {
        const size_t place = at + mark.size();
        const size_t place_end = html.find("</td><td>", place);
        const size_t nickname = place_end + 9;
        rows.emplace_back(html.substr(place, place_end - place),
                          html.substr(nickname, html.find("</td>", nickname) - nickname));
    }
    return rows;
}

// 120 results of the class 42-7-5x12 stored beside the running service, as another program
// sharing the file would: p0 to p119 in order of place, with 100 + (i + 1) / 2 moves, so that
// ties of two stand across the edges of the pages (places 50 and 51, 100 and 101).
void store_class(const std::string& db) {
    SqliteStore store(db);
    for (int i = 0; i < 120; ++i) {
        ResultRow row;
        row.link_key = "row" + std::to_string(i);
        row.settings = {42, 7, 5, 12};
        row.total_moves = 100 + (i + 1) / 2;
        row.utf8_texts.nickname = "p" + std::to_string(i);
        store.store(row, 1765324800);
    }
}

TEST_F(ClassPagesServed, AllOfAClassInPagesOfFiftyInOrderOfPlace) {
    store_class(db);
    struct Page {
        std::string path;
        int first;
        int count;
        const char* previous;
        const char* next;
    };
    const Page pages[] = {
        {"/records/42-7-5x12", 1, 50, nullptr, "/records/42-7-5x12/2"},
        {"/records/42-7-5x12/2", 51, 50, "/records/42-7-5x12", "/records/42-7-5x12/3"},
        {"/records/42-7-5x12/3", 101, 20, "/records/42-7-5x12/2", nullptr},
    };
    for (const Page& page : pages) {
        const Answer answer = get(page.path);
        ASSERT_EQ(answer.status, 200) << page.path;
        EXPECT_EQ(answer.header("Cache-Control"), "no-cache") << page.path;
        std::vector<std::pair<std::string, std::string>> expected;
        for (int place = page.first; place < page.first + page.count; ++place) {
            expected.emplace_back(std::to_string(place), "p" + std::to_string(place - 1));
        }
        EXPECT_EQ(placed_nicknames(answer.body), expected) << page.path;
        for (const char* link : {page.previous, page.next}) {
            if (link) {
                EXPECT_TRUE(contains(answer.body, std::string("href=\"") + link + "\""))
                    << page.path << " links " << link;
            }
        }
    }
    const Answer records = get("/records");
    EXPECT_TRUE(contains(records.body, "<h2><a href=\"/records/42-7-5x12\">"));
    EXPECT_TRUE(contains(records.body, utf8_text(u8"Все результаты этого теста (120)")));
}

TEST_F(ClassPagesServed, AnAddressWithNoPageBehindItIsNotFound) {
    store_class(db);
    const char* const paths[] = {
        "/records/42-7-5x12/4",                        // one past the last page
        "/records/42-7-5x12/1099511627776",            // the farthest page an address may name
        "/records/42-7-5x12/999999999999999999999999", // beyond any number
        "/records/42-7-5x13",                          // settings that can exist, no results
        "/records/60-7-5x12",                          // settings that cannot exist
        "/records/33-2-5x12",
        "/records/42-7-5x12/1",
        "/records/42-7-5x12/",
        "/records/%34%32-7-5x12",
    };
    for (const char* path : paths) {
        const Answer answer = get(path);
        EXPECT_EQ(answer.status, 404) << path;
        EXPECT_TRUE(contains(answer.body, utf8_text(u8"Страницы нет"))) << path;
    }
}

TEST_F(ClassPagesServed, TheResultPageSaysAndDrawsTheShareOfTheClassItBeats) {
    const Answer alone = get(result_path(typical_query("first", 130)));
    ASSERT_EQ(alone.status, 200);
    EXPECT_TRUE(contains(alone.body, utf8_text(u8"единственный результат"))) << alone.body;
    EXPECT_FALSE(contains(alone.body, "<svg")) << "one result makes no picture";

    store_class(db);
    // Sent again once the class has grown: 59 results have fewer than its 130 moves, and it came
    // before the two others with 130, so it stands at place 60 of 121, 61 of the others below.
    const Answer answer = get(result_path(typical_query("first", 130)));
    ASSERT_EQ(answer.status, 200);
    for (const std::string& said :
         {utf8_text(u8"60 из 121"), utf8_text(u8"лучше, чем 50&nbsp;% остальных"),
          utf8_text(u8"стоят 61 из 120"), std::string("href=\"/records/42-7-5x12/2\""),
          // 60 lines in 100 to 160 moves, and a fiftieth of the 121 (two) may be left out at
          // each end: 101 moves (594.059) to 159 (377.358) in 20 bars; 461.538 is in the eighth.
          std::string("<svg "), utf8_text(u8"(всего 121)"), utf8_text(u8"≤ 377.358"),
          utf8_text(u8"≥ 594.059"), utf8_text(u8"в столбце 8 (")}) {
        EXPECT_TRUE(contains(answer.body, said)) << said;
    }
}

// 55 verified results among 55 sent by links, alternating by moves: the verified view places
// them 1 to 55 on two pages, and the marks stand on their rows alone.
TEST_F(ClassPagesServed, TheVerifiedViewPlacesTheVerifiedAmongThemselvesAndMarksThem) {
    {
        SqliteStore store(db);
        for (int i = 0; i < 110; ++i) {
            ResultRow row;
            row.verified = i % 2 == 1;
            char id[33];
            std::snprintf(id, sizeof id, "%032x", i);
            row.link_key =
                row.verified ? verified_key_prefix + std::string(id) : "row" + std::string(id);
            row.settings = {42, 7, 5, 12};
            row.total_moves = 100 + i;
            row.utf8_texts.nickname = (row.verified ? "v" : "l") + std::to_string(i);
            store.store(row, 1765324800);
        }
    }
    struct Page {
        std::string path;
        int first;
        int count;
    };
    const Page pages[] = {{"/records/42-7-5x12/verified", 1, 50},
                          {"/records/42-7-5x12/verified/2", 51, 5}};
    const std::string mark = "role=\"img\"";
    for (const Page& page : pages) {
        const Answer answer = get(page.path);
        ASSERT_EQ(answer.status, 200) << page.path;
        std::vector<std::pair<std::string, std::string>> expected;
        for (int place = page.first; place < page.first + page.count; ++place) {
            expected.emplace_back(std::to_string(place), "v" + std::to_string(2 * place - 1));
        }
        EXPECT_EQ(placed_nicknames(answer.body), expected) << page.path;
        size_t marks = 0;
        for (size_t at = answer.body.find(mark); at != std::string::npos;
             at = answer.body.find(mark, at + 1)) {
            ++marks;
        }
        EXPECT_EQ(marks, size_t(page.count)) << page.path;
    }
    EXPECT_EQ(get("/records/42-7-5x12/verified/3").status, 404);
    // The whole class's first page: l0 unmarked at 1, v1 marked at 2.
    const Answer all = get("/records/42-7-5x12");
    ASSERT_EQ(all.status, 200);
    EXPECT_TRUE(contains(all.body, "<td>l0</td><td>" + utf8_text(u8"—") + "</td><td>" +
                                       utf8_text(u8"—") + "</td><td class=\"num\">600.000"));
    EXPECT_TRUE(contains(all.body, "<td>v1</td>"));
    EXPECT_TRUE(contains(all.body, "</span> 594.059</td>")) << "v1, marked";
    EXPECT_TRUE(contains(all.body, "href=\"/records/42-7-5x12/verified\""));
}

} // namespace
