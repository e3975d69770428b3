// A settings class's own pages: every result of the class, class_page_results a page, in order
// of place, with links to the pages before and after.
#include "server/site/class_pages.h"

#include "server/pages/pages.h"
#include "server/row/log_error.h"
#include "server/row/utf8_text.h"
#include "server/site/page_answer.h"

#include <exception>

namespace {

int64_t page_count(int64_t class_size) {
    return (class_size + class_page_results - 1) / class_page_results;
}

std::string page_links(const TestSettings& settings, int64_t page, int64_t pages) {
    std::string links = u8str(u8"<nav class=\"pages\" aria-label=\"Страницы\">");
    if (page > 1) {
        links += "<a rel=\"prev\" href=\"" + class_path(settings, page - 1) +
                 u8str(u8"\">← Предыдущая</a>");
    }
    links += u8str(u8"<span>Страница ") + std::to_string(page) + u8str(u8" из ") +
             std::to_string(pages) + "</span>";
    if (page < pages) {
        links += "<a rel=\"next\" href=\"" + class_path(settings, page + 1) +
                 u8str(u8"\">Следующая →</a>");
    }
    return links + "</nav>\n";
}

} // namespace

std::string class_page(const ClassRecords& records, int64_t page) {
    const int64_t pages = page_count(records.class_size);
    const TestSettings& s = records.settings;
    std::string body = u8str(u8"<h1>Все результаты теста</h1>\n<p>") + settings_text(s) +
                       u8str(u8"</p>\n<p class=\"note\">Результатов: ") +
                       std::to_string(records.class_size) +
                       u8str(u8". Выше тот, у кого больше линий на 1000 ходов, при равенстве — "
                             u8"тот, кто прислал раньше.</p>\n");
    const std::string links = page_links(s, page, pages);
    body += links + results_table(records);
    if (pages > 1) {
        body += links;
    }
    body += u8str(u8"<p><a href=\"/records\">Все рекорды</a></p>\n");
    std::string title = u8str(u8"Тест ") + std::to_string(s.initial_ball_count) + "-" +
                        std::to_string(s.colour_count) + "-" + std::to_string(s.round_count) +
                        u8str(u8"×") + std::to_string(s.lines_per_round);
    if (page > 1) {
        title += u8str(u8", страница ") + std::to_string(page);
    }
    return framed_page(title, body);
}

HttpAnswer class_page_answer(ResultsStore& store, const ClassAddress& address) {
    ClassRecords records;
    try {
        // Past the class's last place the store reads its size and nothing more.
        records = store.class_results(address.settings, (address.page - 1) * class_page_results,
                                      class_page_results);
    } catch (const std::exception& e) {
        log_error(e.what());
        return error_answer(500, u8str(u8"Таблица не прочитана."), Caching::unstated);
    }
    if (records.class_size == 0) {
        return error_answer(404, u8str(u8"Результатов с такими настройками пока нет."),
                            Caching::unstated);
    }
    if (records.results.empty()) {
        return error_answer(404,
                            u8str(u8"В этом тесте результатов: ") +
                                std::to_string(records.class_size) + u8str(u8", страниц: ") +
                                std::to_string(page_count(records.class_size)) + ".",
                            Caching::unstated);
    }
    return page_answer(200, class_page(records, address.page), Caching::revalidate);
}
