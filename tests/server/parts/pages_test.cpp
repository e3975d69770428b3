// The pages: players' texts escaped, the published fields shown, the private ones never,
// accuracy and dates in the program's and the reader's forms, verified results marked and the
// ways to take the test linked.
#include "server/pages/download_page.h"
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
        PublishedResult marked = published;
        marked.verified = true;
        StoredResult verified = result;
        verified.row.verified = true;
        const std::pair<const char*, std::string> pages[] = {
            {"result", result_page(result, {})},
            {"verified result", result_page(verified, {})},
            {"records", records_page({{{42, 7, 5, 12}, 1, {published}}})},
            {"records, marked", records_page({{{42, 7, 5, 12}, 1, {marked}}})},
            {"class", class_page({{42, 7, 5, 12}, 1, {published}}, 1)},
            {"verified class", class_page({{42, 7, 5, 12}, 1, {marked}}, 1, ClassView::verified)},
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
          result_page(private_result(), {}), error_page(404, ""), error_page(400, "<x>"),
          download_page({}), download_page(OfferedProgram{"t.zip", 1, std::string(64, 'a')})}) {
        EXPECT_EQ(html.rfind("<!DOCTYPE html>\n<html lang=\"ru\">", 0), 0u);
        EXPECT_NE(html.find("<meta charset=\"utf-8\">"), std::string::npos);
        EXPECT_NE(html.find("name=\"viewport\""), std::string::npos);
        EXPECT_EQ(html.find("<script"), std::string::npos);
        EXPECT_EQ(html.find("<x>"), std::string::npos);
    }
}

// The mark stands in the accuracy cell of a verified row alone, with a label a screen reader
// says, and a table that shows it has the legend under it.
TEST(Pages, VerifiedResultsAreMarkedWithALegendOnTheRecordsAndClassPages) {
    const std::string mark =
        utf8_text(u8"<td class=\"num\"><span class=\"ok\" role=\"img\" aria-label=\"ходы "
                  u8"сосчитаны сервером\" title=\"ходы сосчитаны сервером\">✓</span> 200.000</td>");
    const std::string unmarked = "<td class=\"num\">173.913</td>";
    const std::string legend = utf8_text(u8"— ходы сосчитаны сервером: тест пройден в браузере");
    struct Case {
        const char* name;
        bool first_verified;
        bool second_verified;
    };
    const Case cases[] = {{"none verified", false, false},
                          {"the first verified", true, false},
                          {"the second verified", false, true}};
    for (const Case& c : cases) {
        ClassRecords records{{42, 7, 5, 12},
                             2,
                             {{1, "v", "ru", "", 300, 1765324800},
                              {2, utf8_text(u8"✓ fake"), "ru", "", 345, 1765324800}}};
        records.results[0].verified = c.first_verified;
        records.results[1].verified = c.second_verified;
        for (const auto& [page, html] :
             {std::pair{"records", records_page({records})}, {"class", class_page(records, 1)}}) {
            EXPECT_EQ(html.find(mark) != std::string::npos, c.first_verified) << c.name << page;
            EXPECT_EQ(html.find(unmarked) != std::string::npos, !c.second_verified)
                << c.name << page;
            EXPECT_EQ(html.find(legend) != std::string::npos, c.first_verified || c.second_verified)
                << c.name << page;
        }
    }
}

TEST(Pages, TheResultPageSaysWhetherTheServiceCountedItsMoves) {
    const std::string counted = utf8_text(u8"Ходы этого результата сосчитал сервер");
    const std::string as_sent =
        utf8_text(u8"те, что прислала программа: сервер не может их проверить");
    for (const bool verified : {false, true}) {
        StoredResult result = private_result();
        result.row.verified = verified;
        const std::string html = result_page(result, {});
        EXPECT_EQ(html.find(counted) != std::string::npos, verified) << verified;
        EXPECT_EQ(html.find(as_sent) != std::string::npos, !verified) << verified;
    }
}

TEST(Pages, TheHomeRulesAndRecordsLinkTheBrowsersTestAndTheProgram) {
    const std::pair<const char*, std::string> pages[] = {
        {"home", home_page()}, {"rules", rules_page()}, {"records", records_page({})}};
    for (const auto& [page, html] : pages) {
        EXPECT_NE(html.find(utf8_text(u8"<a href=\"/play\">Пройти тест в браузере</a>")),
                  std::string::npos)
            << page;
        EXPECT_NE(html.find(utf8_text(u8"<a href=\"/download\">Программа для Windows</a>")),
                  std::string::npos)
            << page;
    }
}

TEST(Pages, TheDownloadPageOffersTheFileWithItsSizeAndChecksumOrSaysItIsNotOffered) {
    const std::string sha256 = "3a" + std::string(62, '7');
    const std::string offered =
        download_page(OfferedProgram{"trivelle-1.2.3-win32.zip", 245000, sha256});
    for (const std::string& said :
         {std::string("<a href=\"/download/trivelle-1.2.3-win32.zip\" download>"),
          utf8_text(u8"(240 КБ)"), "<p class=\"hash\">" + sha256 + "</p>",
          std::string("certutil -hashfile trivelle-1.2.3-win32.zip SHA256")}) {
        EXPECT_NE(offered.find(said), std::string::npos) << said;
    }
    const std::string none = download_page({});
    EXPECT_NE(none.find(utf8_text(u8"программа не предлагается")), std::string::npos);
    EXPECT_EQ(none.find("href=\"/download/"), std::string::npos);
    for (const std::string& html : {offered, none}) {
        EXPECT_NE(html.find("href=\"/play\""), std::string::npos) << "the verified way";
    }
}

TEST(Pages, SizesAreShownInBytesKilobytesOrMegabytes) {
    const std::pair<int64_t, std::string> cases[] = {
        {0, utf8_text(u8"0 Б")},          {1023, utf8_text(u8"1023 Б")},
        {1024, utf8_text(u8"1 КБ")},      {1025, utf8_text(u8"2 КБ")},
        {245000, utf8_text(u8"240 КБ")},  {1048575, utf8_text(u8"1024 КБ")},
        {1048576, utf8_text(u8"1,0 МБ")}, {1572864, utf8_text(u8"1,5 МБ")},
        {1101005, utf8_text(u8"1,1 МБ")}, {67108864, utf8_text(u8"64,0 МБ")},
    };
    for (const auto& [bytes, shown] : cases) {
        EXPECT_EQ(shown_size(bytes), shown) << bytes;
    }
}

} // namespace
