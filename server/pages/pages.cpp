// The service's pages: Russian, UTF-8, plain HTML with one style sheet and no scripts. Every
// text a player sent is escaped; the private fields are never read here.
#include "server/pages/pages.h"

#include "engine/test_settings.h"
#include "server/pages/class_address.h"
#include "server/pages/shown_figures.h"
#include "server/pages/site_paths.h"
#include "server/row/utf8_text.h"

#include <optional>

namespace {

constexpr std::u8string_view style = u8R"css(
body{margin:0;font:16px/1.5 system-ui,"Segoe UI",Roboto,"Liberation Sans",sans-serif;
color:#1b1f24;background:#f3f5f8}
header{background:#00376f}
.bar,main,footer{max-width:60rem;margin:0 auto;padding:.6rem 1rem}
.bar{display:flex;flex-wrap:wrap;gap:.3rem 1.2rem;align-items:baseline}
.bar a{color:#fff;text-decoration:none}
.bar a:hover{text-decoration:underline}
.brand{font-weight:700;font-size:1.25rem;margin-right:auto}
h1{font-size:1.6rem;margin:.6rem 0 1rem}
h2{font-size:1.15rem;margin:1.6rem 0 .2rem}
.note{color:#5a6472;margin:.2rem 0 .6rem}
.scroll{overflow-x:auto}
table{border-collapse:collapse;width:100%;background:#fff}
th,td{padding:.4rem .6rem;border-bottom:1px solid #dde2e8;text-align:left;vertical-align:top}
th{background:#e8edf3;font-weight:600}
.num{text-align:right;white-space:nowrap;font-variant-numeric:tabular-nums}
.result th{width:12rem}
footer{color:#5a6472;font-size:.875rem;margin-top:1.5rem}
h2 a{color:inherit}
.chart{margin:.6rem 0 1rem;max-width:24rem}
.chart svg{display:block;width:100%;height:auto;background:#fff}
.chart figcaption{color:#5a6472;font-size:.9rem;margin-top:.3rem}
.pages{display:flex;flex-wrap:wrap;gap:.3rem 1.2rem;margin:1rem 0}
.ok{color:#1a7f37;font-weight:700}
.hash{font-family:monospace;overflow-wrap:anywhere}
@media (max-width:36rem){body{font-size:15px}th,td{padding:.35rem .35rem}.result th{width:auto}
.records thead{display:none}
.records tr{display:grid;grid-template-columns:1.8rem auto 1fr auto auto;gap:.1rem .6rem;
padding:.45rem .35rem;border-bottom:1px solid #dde2e8}
.records td{border:0;padding:0;text-align:left}
.records td:nth-child(1){grid-area:1/1/3/2;font-weight:600}
.records td:nth-child(2){grid-area:1/2/2/4;font-weight:600;overflow-wrap:anywhere}
.records td:nth-child(3){grid-area:2/2/3/3}
.records td:nth-child(4){grid-area:2/3/3/4;overflow-wrap:anywhere}
.records td:nth-child(5){grid-area:1/4/2/6;text-align:right;font-weight:600}
.records td:nth-child(6){grid-area:2/4/3/5}
.records td:nth-child(7){grid-area:2/5/3/6}
.records td:nth-child(n+3):not(:nth-child(5)){color:#5a6472;font-size:.9em}
.records td:nth-child(6)::after{content:" ход."}}
)css";

std::string status_title(int status) {
    switch (status) {
    case 400:
        return u8str(u8"Ссылка не принята");
    case 404:
        return u8str(u8"Страницы нет");
    case 405:
        return u8str(u8"Такой запрос не поддерживается");
    case 414:
        return u8str(u8"Слишком длинный запрос");
    case 431:
        return u8str(u8"Слишком большие заголовки запроса");
    case 503:
        return u8str(u8"Сервер занят, повторите запрос позже");
    case 507:
        return u8str(u8"Место для результатов заполнено");
    default:
        return status < 500 ? u8str(u8"Запрос не принят") : u8str(u8"Ошибка на сервере");
    }
}

// A player's text in a table cell; an empty one shows as a dash.
std::string cell_text(const std::string& text) {
    return text.empty() ? u8str(u8"—") : html_escaped(text);
}

// The mark of a result the referee counted stands in its accuracy cell, which holds only the
// service's own figures: a player can type a ✓ into a nickname, never into an accuracy.
std::string verified_mark() {
    return u8str(u8"<span class=\"ok\" role=\"img\" aria-label=\"ходы сосчитаны сервером\" "
                 u8"title=\"ходы сосчитаны сервером\">✓</span> ");
}

// Under a table that shows the mark: what it means.
std::string verified_legend() {
    return u8str(u8"<p class=\"note\"><span class=\"ok\" aria-hidden=\"true\">✓</span> — ходы "
                 u8"сосчитаны сервером: тест пройден в браузере</p>\n");
}

// The two ways to take the test, linked from the pages a newcomer reads first.
std::string ways_to_play() {
    return u8str(u8"<p><a href=\"") + std::string(play_path) +
           u8str(u8"\">Пройти тест в браузере</a> · <a href=\"") + std::string(download_path) +
           u8str(u8"\">Программа для Windows</a></p>\n");
}

} // namespace

std::string framed_page(std::string_view title, const std::string& body) {
    std::string html;
    html.reserve(body.size() + 2048);
    html += u8str(u8"<!DOCTYPE html>\n<html lang=\"ru\">\n<head>\n<meta charset=\"utf-8\">\n"
                  u8"<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
                  u8"<title>");
    html += title;
    html += u8str(u8" — Trivelle</title>\n<style>");
    html += u8str(style);
    html += u8str(u8"</style>\n</head>\n<body>\n<header><nav class=\"bar\">"
                  u8"<a class=\"brand\" href=\"/\">Trivelle</a>"
                  u8"<a href=\"/rules\">Правила</a><a href=\"/records\">Рекорды</a>"
                  u8"<a href=\"/forum\">Форум</a></nav></header>\n<main>\n");
    html += body;
    html += u8str(u8"</main>\n<footer>Trivelle — тест умения планировать. Год рождения, e-mail "
                  u8"и скрытое поле панели здесь не публикуются.</footer>\n</body>\n</html>\n");
    return html;
}

std::string settings_text(const TestSettings& s) {
    return u8str(u8"шаров ") + std::to_string(s.initial_ball_count) + u8str(u8" · цветов ") +
           std::to_string(s.colour_count) + u8str(u8" · раундов ") + std::to_string(s.round_count) +
           u8str(u8" · линий в раунде ") + std::to_string(s.lines_per_round);
}

std::string html_escaped(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&#39;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string date_text(int64_t seconds) { return utc_day(seconds, "%d.%m.%Y"); }

std::string home_page() {
    const std::string about = u8str(
        u8"<h1>Trivelle</h1>\n"
        u8"<p>Тест умения планировать: цветные шары на доске 8 × 8. Соберите заданное число "
        u8"линий за как можно меньшее число ходов; оценка — число линий на 1000 ходов.</p>\n");
    const std::string how_results_arrive =
        u8str(u8"<p>В браузере ходы считает сервер, и результат встаёт в таблицу рекордов с "
              u8"отметкой ✓. В программе, когда тест окончен, впишите на панели ник, страну и "
              u8"город и нажмите «Internet»: браузер откроет ссылку с результатом, и он займёт "
              u8"своё место в таблице рекордов.</p>\n<ul>\n"
              u8"<li><a href=\"/rules\">Правила и как играть</a></li>\n"
              u8"<li><a href=\"/records\">Рекорды</a></li>\n"
              u8"<li><a href=\"/forum\">Форум</a></li>\n</ul>\n");
    return framed_page(u8str(u8"Главная"), about + ways_to_play() + how_results_arrive);
}

std::string rules_page() {
    const std::string rules = u8str(
        u8"<h1>Правила</h1>\n"
        u8"<p>В начале каждого раунда на доске 8 × 8 в случайных клетках стоят шары случайных "
        u8"цветов. Шар можно переставить в любую пустую клетку, до которой он доходит по пустым "
        u8"клеткам, двигаясь влево, вправо, вверх или вниз.</p>\n"
        u8"<p>Пять и больше шаров одного цвета в ряд, в столбец или по диагонали исчезают, и этот "
        u8"ход считается одной линией, сколько бы шаров ни исчезло. Только ход, который собрал "
        u8"линию, приносит новые шары: пять шаров из столбца слева встают на доску, и доска снова "
        u8"пополняется. Ход без линии не приносит ничего.</p>\n"
        u8"<p>Раунд кончается, когда в нём собрано заданное число линий; следующий начинается на "
        u8"новой доске. Оценка теста — точность: число линий на 1000 ходов. Линий в тесте "
        u8"столько, сколько раундов, умноженных на линии в раунде.</p>\n");
    const std::string how_to_play = u8str(
        u8"<h2>Как играть в программе</h2>\n<ol>\n"
        u8"<li>Выберите тест на панели справа: число шаров в начале раунда (от 29 до 59), число "
        u8"цветов (2 — только при 32 шарах и меньше), число раундов (R) и число линий в раунде "
        u8"(A).</li>\n"
        u8"<li>Нажмите «New». Доска заполнится шарами; пять шаров в столбце слева придут "
        u8"следующими.</li>\n"
        u8"<li>Щёлкните по шару, чтобы взять его (он вывернется наизнанку), затем по пустой "
        u8"клетке, до которой он доходит по пустым клеткам. Щелчок по другому шару берёт "
        u8"его.</li>\n"
        u8"<li>Когда указатель над доской становится крестиком, следующая линия закончит раунд. "
        u8"Панель показывает вашу точность — линий на 1000 ходов.</li>\n"
        u8"<li>После последнего раунда впишите ник, страну и город (и, если хотите, год рождения "
        u8"и e-mail) и нажмите «Internet». Браузер откроет ссылку с результатом, и он появится в "
        u8"<a href=\"/records\">таблице рекордов</a>.</li>\n</ol>\n"
        u8"<h2>Что видно всем</h2>\n"
        u8"<p>В таблице рекордов — ник, страна, город, точность, число ходов и дата. Год "
        u8"рождения, e-mail и скрытое поле панели сервер хранит, но не показывает нигде. Ссылка "
        u8"с результатом идёт по обычному http, и поля в ней перемешаны, но не зашифрованы.</p>\n"
        u8"<p>Результат теста, пройденного в браузере, отмечен знаком ✓: его ходы сосчитал "
        u8"сервер. Результат из программы стоит в таблице таким, каким его прислала программа: "
        u8"сервер не может его проверить.</p>\n");
    return framed_page(u8str(u8"Правила"), rules + ways_to_play() + how_to_play);
}

std::string forum_page() {
    return framed_page(u8str(u8"Форум"), u8str(u8"<h1>Форум</h1>\n<p>Форума пока нет.</p>\n"));
}

std::string results_table(const ClassRecords& records) {
    std::string table =
        u8str(u8"<div class=\"scroll\"><table class=\"records\">\n<thead><tr><th "
              u8"class=\"num\">Место</th>"
              u8"<th>Ник</th><th>Страна</th><th>Город</th><th class=\"num\">Точность</th>"
              u8"<th class=\"num\">Ходов</th><th class=\"num\">Дата</th></tr></thead>\n"
              u8"<tbody>\n");
    bool marked = false;
    for (const PublishedResult& r : records.results) {
        marked = marked || r.verified;
        table += "<tr><td class=\"num\">" + std::to_string(r.place) + "</td><td>" +
                 cell_text(r.nickname) + "</td><td>" + cell_text(r.country) + "</td><td>" +
                 cell_text(r.city) + "</td><td class=\"num\">" +
                 (r.verified ? verified_mark() : "") +
                 shown_accuracy(line_count(records.settings), r.total_moves) +
                 "</td><td class=\"num\">" + std::to_string(r.total_moves) +
                 "</td><td class=\"num\">" + date_text(r.received_at) + "</td></tr>\n";
    }
    table += "</tbody>\n</table></div>\n";
    if (marked) {
        table += verified_legend();
    }
    return table;
}

std::string records_page(const std::vector<ClassRecords>& classes) {
    std::string body =
        u8str(u8"<h1>Рекорды</h1>\n<p class=\"note\">Лучшие результаты каждого теста: выше тот, у "
              u8"кого больше линий на 1000 ходов, при равенстве — тот, кто прислал раньше.</p>\n") +
        ways_to_play();
    if (classes.empty()) {
        body += u8str(u8"<p>Результатов пока нет.</p>\n");
    }
    for (const ClassRecords& c : classes) {
        const std::string all = class_path(c.settings);
        body +=
            "<section>\n<h2><a href=\"" + all + "\">" + settings_text(c.settings) + "</a></h2>\n";
        body +=
            u8str(u8"<p class=\"note\">Результатов: ") + std::to_string(c.class_size) + "</p>\n";
        body += results_table(c);
        if (c.class_size > int64_t(c.results.size())) {
            body += u8str(u8"<p class=\"more\"><a href=\"") + all +
                    u8str(u8"\">Все результаты этого теста (") + std::to_string(c.class_size) +
                    ")</a></p>\n";
        }
        body += "</section>\n";
    }
    return framed_page(u8str(u8"Рекорды"), body);
}

std::string result_page(const StoredResult& result, const AccuracyHistogram& class_accuracies) {
    const ResultRow& row = result.row;
    const TestSettings& settings = row.settings;
    const int32_t lines = line_count(settings);
    auto line = [](std::u8string_view name, const std::string& value) {
        return u8str(u8"<tr><th>") + u8str(name) + "</th><td>" + value + "</td></tr>\n";
    };
    std::string body = u8str(u8"<h1>Результат принят</h1>\n<div class=\"scroll\">"
                             u8"<table class=\"result\">\n");
    body += line(u8"Ник", cell_text(row.utf8_texts.nickname));
    body += line(u8"Страна", cell_text(row.utf8_texts.country));
    body += line(u8"Город", cell_text(row.utf8_texts.city));
    body += line(u8"Тест", settings_text(settings));
    body += line(u8"Линий", std::to_string(lines));
    body += line(u8"Ходов", std::to_string(row.total_moves));
    body += line(u8"Точность",
                 shown_accuracy(lines, row.total_moves) + u8str(u8" линий на 1000 ходов"));
    body += line(u8"Место", std::to_string(result.place) + u8str(u8" из ") +
                                std::to_string(result.class_size) +
                                u8str(u8" среди результатов с теми же настройками"));
    body += line(u8"Дата", date_text(result.received_at));
    body += u8str(u8"</table></div>\n");
    // Said on the page itself, since a link can be typed by hand: only the referee's count is
    // the service's own.
    body += row.verified
                ? u8str(u8"<p class=\"note\"><span class=\"ok\" aria-hidden=\"true\">✓</span> "
                        u8"Ходы этого результата сосчитал сервер: тест пройден в браузере, и "
                        u8"каждый ход сыгран по правилам на сервере.</p>\n")
                : u8str(u8"<p class=\"note\">Ходы этого результата — те, что прислала "
                        u8"программа: сервер не может их проверить.</p>\n");
    body += u8str(u8"<h2>Среди результатов с теми же настройками</h2>\n");
    if (const std::optional<int> percent = better_than_percent(result.place, result.class_size)) {
        // Stated with its definition: a share of the others, by their order in the table.
        body += u8str(u8"<p>Ваш результат лучше, чем ") + std::to_string(*percent) +
                u8str(u8"&nbsp;% остальных результатов с теми же настройками: ниже в таблице "
                      u8"стоят ") +
                std::to_string(result.class_size - result.place) + u8str(u8" из ") +
                std::to_string(result.class_size - 1) + ".</p>\n";
        body += histogram_figure(class_accuracies);
    } else {
        body += u8str(u8"<p>Пока это единственный результат с такими настройками: сравнивать "
                      u8"не с чем.</p>\n");
    }
    body += u8str(u8"<p><a href=\"") + class_path(settings, class_page_of(result.place)) +
            u8str(u8"\">Ваше место в таблице этого теста</a> · <a href=\"/records\">Все "
                  u8"рекорды</a></p>\n");
    return framed_page(u8str(u8"Результат"), body);
}

std::string error_page(int status, std::string_view reason) {
    const std::string title = status_title(status);
    std::string body = "<h1>" + title + "</h1>\n";
    if (!reason.empty()) {
        body += "<p>" + html_escaped(reason) + "</p>\n";
    }
    body += u8str(u8"<p class=\"note\">Код ответа ") + std::to_string(status) +
            u8str(u8".</p>\n<p><a href=\"/\">На главную</a></p>\n");
    return framed_page(title, body);
}
