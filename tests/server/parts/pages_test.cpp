// The pages: players' texts escaped, the published fields shown, the private ones never,
// accuracy and dates in the program's and the reader's forms.
#include "server/pages/pages.h"
#include "server/pages/shown_figures.h"
#include "server/site/class_pages.h"
#include "tests/support/record_text.h"

#include <gtest/gtest.h>

namespace {

TEST(Pages, PlayersTextsAreEscaped) {
    const std::pair<std::string, std::string> cases[] = {
        {"<script>alert(1)</script>", "&lt;script&gt;alert(1)&lt;/script&gt;"},
        {"a&b", "a&amp;b"},
        {"\"quoted\" 'single'", "&quot;quoted&quot; &#39;single&#39;"},
        {"&amp;", "&amp;amp;"},
        {utf8_text(u8"Москва"), utf8_text(u8"Москва")},
        {"", ""},
    };
    for (const auto& [text, escaped] : cases) {
        EXPECT_EQ(html_escaped(text), escaped) << text;
    }
}

TEST(Pages, DatesAreDaysInUtc) {
    EXPECT_EQ(date_text(0), "01.01.1970");
    EXPECT_EQ(date_text(951782400), "29.02.2000");
    EXPECT_EQ(date_text(1765324800), "10.12.2025");
    EXPECT_EQ(date_text(1765411199), "10.12.2025");
}

TEST(Pages, AccuracyIsTheProgramsTextWithoutItsPadding) {
    EXPECT_EQ(shown_accuracy(60, 345), "173.913");
    EXPECT_EQ(shown_accuracy(1000, 1721), "581.057") << "held as a float, as the program does";
    EXPECT_EQ(shown_accuracy(9989001, 9989001), "1000.000");
}

StoredResult private_result() {
    StoredResult result;
    result.row.settings.initial_ball_count = 42;
    result.row.settings.colour_count = 7;
    result.row.settings.round_count = 5;
    result.row.settings.lines_per_round = 12;
    result.row.total_moves = 345;
    result.row.utf8_texts.nickname = "<i>Tester</i>";
    result.row.utf8_texts.country = "ru";
    result.row.utf8_texts.city = utf8_text(u8"Москва");
    result.row.utf8_texts.hidden_text = "HIDDEN-TEXT-7";
    result.row.utf8_texts.birth_year = "1877";
    result.row.utf8_texts.email = "secret@example.org";
    result.received_at = 1765324800;
    result.place = 2;
    result.class_size = 5;
    return result;
}

TEST(Pages, TheResultPageShowsTheResultAndItsPlaceButNoPrivateField) {
    const std::string html = result_page(private_result(), {});
    for (const std::string& shown :
         {std::string("&lt;i&gt;Tester&lt;/i&gt;"), utf8_text(u8"Москва"), std::string("345"),
          std::string("173.913"), utf8_text(u8"2 из 5"), std::string("10.12.2025")}) {
        EXPECT_NE(html.find(shown), std::string::npos) << shown;
    }
    for (const char* hidden : {"<i>", "HIDDEN-TEXT-7", "1877", "secret@example.org"}) {
        EXPECT_EQ(html.find(hidden), std::string::npos) << hidden;
    }
}

TEST(Pages, TheResultPageSaysTheShareItBeatsAndLinksItsPlaceInItsClass) {
    struct Case {
        int64_t place;
        int64_t class_size;
        std::vector<MovesCount> class_moves;
        std::vector<std::string> said;
        bool picture;
    };
    const std::vector<MovesCount> five = {{240, 1}, {300, 1}, {345, 2}, {600, 1}};
    const Case cases[] = {
        {2,
         5,
         five,
         {utf8_text(u8"лучше, чем 75&nbsp;% остальных"), utf8_text(u8"стоят 3 из 4"),
          "href=\"/records/42-7-5x12\""},
         true},
        {120,
         130,
         five,
         {utf8_text(u8"лучше, чем 7&nbsp;% остальных"), "href=\"/records/42-7-5x12/3\""},
         true},
        {2, 5, {}, {utf8_text(u8"лучше, чем 75&nbsp;% остальных")}, false}, // counts unread
        {1, 1, {{345, 1}}, {utf8_text(u8"единственный результат")}, false},
    };
    for (const Case& c : cases) {
        StoredResult result = private_result();
        result.place = c.place;
        result.class_size = c.class_size;
        const std::string html = result_page(result, accuracy_histogram(c.class_moves, 60, 345));
        for (const std::string& said : c.said) {
            EXPECT_NE(html.find(said), std::string::npos) << c.place << ": " << said;
        }
        EXPECT_EQ(html.find("<svg ") != std::string::npos, c.picture) << c.place;
    }
}

TEST(Pages, TheRecordsPageListsEachClassInOrderOfPlace) {
    const std::vector<ClassRecords> classes = {
        {{42, 7, 5, 12},
         3,
         {{1, "<b>best</b>", "ru", utf8_text(u8"Москва"), 300, 1765324800},
          {2, "", "", "", 345, 951782400}}},
        {{30, 2, 1, 1}, 1, {{1, "solo", "by", "", 1, 0}}},
    };
    const std::string html = records_page(classes);
    const std::string in_order[] = {
        utf8_text(u8"шаров 42 · цветов 7 · раундов 5 · линий в раунде 12"),
        utf8_text(u8"Результатов: 3"),
        "<td class=\"num\">1</td><td>&lt;b&gt;best&lt;/b&gt;</td><td>ru</td><td>" +
            utf8_text(u8"Москва") +
            "</td><td class=\"num\">200.000</td><td class=\"num\">300</td><td "
            "class=\"num\">10.12.2025</td>",
        utf8_text(u8"<td class=\"num\">2</td><td>—</td><td>—</td><td>—</td><td "
                  u8"class=\"num\">173.913</td><td class=\"num\">345</td><td "
                  u8"class=\"num\">29.02.2000</td>"),
        utf8_text(u8"шаров 30 · цветов 2 · раундов 1 · линий в раунде 1"),
        "<td>solo</td><td>by</td>",
        "1000.000",
    };
    size_t at = 0;
    for (const std::string& text : in_order) {
        const size_t found = html.find(text, at);
        ASSERT_NE(found, std::string::npos) << text;
        at = found + text.size();
    }
    EXPECT_EQ(html.find("<b>"), std::string::npos);
    EXPECT_NE(records_page({}).find(utf8_text(u8"Результатов пока нет")), std::string::npos);
}

TEST(Pages, EachPlayersTextIsEscapedOnEachPageThatShowsIt) {
    const std::string raw = "<b title=\"x\">&'";
    const std::string escaped = "&lt;b title=&quot;x&quot;&gt;&amp;&#39;";
    struct Field {
        const char* name;
        std::string PlayerTexts::*in_row;
        std::string PublishedResult::*in_records;
    };
    const Field fields[] = {
        {"nickname", &PlayerTexts::nickname, &PublishedResult::nickname},
        {"country", &PlayerTexts::country, &PublishedResult::country},
        {"city", &PlayerTexts::city, &PublishedResult::city},
    };
    for (const Field& field : fields) {
        StoredResult result = private_result();
        result.row.utf8_texts.nickname = "n";
        result.row.utf8_texts.country = "c";
        result.row.utf8_texts.city = "t";
        result.row.utf8_texts.*field.in_row = raw;
        PublishedResult published{1, "n", "c", "t", 300, 1765324800};
        published.*field.in_records = raw;
        const std::pair<const char*, std::string> pages[] = {
            {"result", result_page(result, {})},
            {"records", records_page({{{42, 7, 5, 12}, 1, {published}}})},
            {"class", class_page({{42, 7, 5, 12}, 1, {published}}, 1)},
        };
        for (const auto& [page, html] : pages) {
            EXPECT_NE(html.find(escaped), std::string::npos) << field.name << " on " << page;
            EXPECT_EQ(html.find(raw), std::string::npos) << field.name << " on " << page;
            EXPECT_EQ(html.find("<b "), std::string::npos) << field.name << " on " << page;
        }
    }
}

TEST(Pages, EveryPageIsRussianUtf8HtmlWithoutScripts) {
    for (const std::string& html :
         {home_page(), rules_page(), forum_page(), records_page({}),
          result_page(private_result(), {}), error_page(404, ""), error_page(400, "<x>")}) {
        EXPECT_EQ(html.rfind("<!DOCTYPE html>\n<html lang=\"ru\">", 0), 0u);
        EXPECT_NE(html.find("<meta charset=\"utf-8\">"), std::string::npos);
        EXPECT_NE(html.find("name=\"viewport\""), std::string::npos);
        EXPECT_EQ(html.find("<script"), std::string::npos);
        EXPECT_EQ(html.find("<x>"), std::string::npos);
    }
}

} // namespace
