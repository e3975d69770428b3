// A settings class's own pages: every result of the class, or its verified results alone,
// class_page_results a page, in order of place, with links to the pages before and after and to
// the other view.
#include "server/site/class_pages.h"

#include "server/pages/pages.h"
#include "server/pages/site_paths.h"
#include "server/row/log_error.h"
#include "server/row/utf8_text.h"
#include "server/site/page_answer.h"

#include <exception>

namespace {

int64_t page_count(int64_t class_size) {
    return (class_size + class_page_results - 1) / class_page_results;
}

std::string page_links(const TestSettings& settings, int64_t page, int64_t pages, ClassView view) {
    std::string links = u8str(u8"<nav class=\"pages\" aria-label=\"Страницы\">");
    if (page > 1) {
        links += "<a rel=\"prev\" href=\"" + class_path(settings, page - 1, view) +
                 u8str(u8"\">← Предыдущая</a>");
    }
    links += u8str(u8"<span>Страница ") + std::to_string(page) + u8str(u8" из ") +
             std::to_string(pages) + "</span>";
    if (page < pages) {
        links += "<a rel=\"next\" href=\"" + class_path(settings, page + 1, view) +
                 u8str(u8"\">Следующая →</a>");
    }
    return links + "</nav>\n";
}

// What a view's page says above its table, and the link to the other view.
std::string view_heading(const ClassRecords& records, ClassView view) {
    const TestSettings& s = records.settings;
    const std::string size = std::to_string(records.class_size);
    if (view == ClassView::all) {
        return u8str(u8"<h1>Все результаты теста</h1>\n<p>") + settings_text(s) +
               u8str(u8"</p>\n<p class=\"note\">Результатов: ") + size +
               u8str(u8". Выше тот, у кого больше линий на 1000 ходов, при равенстве — тот, кто "
                     u8"прислал раньше.</p>\n<p><a href=\"") +
               class_path(s, 1, ClassView::verified) +
               u8str(u8"\">Только проверенные результаты</a></p>\n");
    }
    std::string heading =
        u8str(u8"<h1>Проверенные результаты теста</h1>\n<p>") + settings_text(s) + "</p>\n";
    if (records.class_size == 0) {
        heading += u8str(u8"<p>Проверенных результатов в этом тесте пока нет: их приносит "
                         u8"<a href=\"") +
                   std::string(play_path) + u8str(u8"\">тест в браузере</a>.</p>\n");
    } else {
        heading += u8str(u8"<p class=\"note\">Проверенных результатов: ") + size +
                   u8str(u8". Это тесты, пройденные в браузере: их ходы сосчитал сервер. Места — "
                         u8"среди проверенных; выше тот, у кого больше линий на 1000 ходов, при "
                         u8"равенстве — тот, кто прислал раньше.</p>\n");
    }
    return heading + u8str(u8"<p><a href=\"") + class_path(s) +
           u8str(u8"\">Все результаты теста</a></p>\n");
}

} // namespace

std::string class_page(const ClassRecords& records, int64_t page, ClassView view) {
    const TestSettings& s = records.settings;
    std::string body = view_heading(records, view);
    if (!records.results.empty()) {
        const int64_t pages = page_count(records.class_size);
        const std::string links = page_links(s, page, pages, view);
        body += links + results_table(records);
        if (pages > 1) {
            body += links;
        }
    }
    body += u8str(u8"<p><a href=\"/records\">Все рекорды</a></p>\n");
    std::string title = u8str(u8"Тест ") + std::to_string(s.initial_ball_count) + "-" +
                        std::to_string(s.colour_count) + "-" + std::to_string(s.round_count) +
                        u8str(u8"×") + std::to_string(s.lines_per_round);
    if (view == ClassView::verified) {
        title += u8str(u8", проверенные");
    }
    if (page > 1) {
        title += u8str(u8", страница ") + std::to_string(page);
    }
    return framed_page(title, body);
}

HttpAnswer class_page_answer(ResultsStore& store, const ClassAddress& address) {
    const bool verified = address.view == ClassView::verified;
    const int64_t first_place = (address.page - 1) * class_page_results;
    ClassRecords records;
    try {
        // Past the class's last place the store reads its size and nothing more.
        records = verified ? store.verified_class_results(address.settings, first_place,
                                                          class_page_results)
                           : store.class_results(address.settings, first_place, class_page_results);
    } catch (const std::exception& e) {
        log_error(e.what());
        return error_answer(500, u8str(u8"Таблица не прочитана."), Caching::unstated);
    }
    if (records.class_size == 0 && !verified) {
        return error_answer(404, u8str(u8"Результатов с такими настройками пока нет."),
                            Caching::unstated);
    }
    if (records.results.empty() && !(records.class_size == 0 && address.page == 1)) {
        return error_answer(404,
                            (verified ? u8str(u8"В этом тесте проверенных результатов: ")
                                      : u8str(u8"В этом тесте результатов: ")) +
                                std::to_string(records.class_size) + u8str(u8", страниц: ") +
                                std::to_string(page_count(records.class_size)) + ".",
                            Caching::unstated);
    }
    return page_answer(200, class_page(records, address.page, address.view), Caching::revalidate);
}
