// The page at /download: what the program for Windows is, and its file when the operator offers
// one, with the size and the SHA-256 that its read-me asks a player to compare.
#include "server/pages/download_page.h"

#include "server/pages/pages.h"
#include "server/pages/site_paths.h"
#include "server/row/utf8_text.h"

std::string download_file_path(std::string_view file_name) {
    std::string path(download_path);
    path += '/';
    path += file_name;
    return path;
}

std::string shown_size(int64_t bytes) {
    constexpr int64_t kib = 1024, mib = kib * kib;
    if (bytes < kib) {
        return std::to_string(bytes) + u8str(u8" Б"); // the abbreviation, which has no plural
    }
    if (bytes < mib) {
        return std::to_string((bytes + kib - 1) / kib) + u8str(u8" КБ");
    }
    // Tenths of a MB, rounded to the nearest, written with the decimal comma.
    const int64_t tenths = (bytes * 10 + mib / 2) / mib;
    return std::to_string(tenths / 10) + "," + std::to_string(tenths % 10) + u8str(u8" МБ");
}

std::string download_page(const std::optional<OfferedProgram>& offered) {
    const std::string play(play_path);
    std::string body =
        u8str(u8"<h1>Программа для Windows</h1>\n"
              u8"<p>Trivelle для Windows — тот же тест в окне на вашем компьютере: одна программа, "
              u8"trivelle.exe, установка не нужна. Когда тест окончен, кнопка «Internet» "
              u8"открывает в браузере ссылку с результатом, и он встаёт в "
              u8"<a href=\"/records\">таблицу рекордов</a>.</p>\n"
              u8"<p>Ходы такого результата — те, что прислала программа: сервер не может их "
              u8"проверить, и отметки ✓ в таблице у него нет. Ходы теста, "
              u8"<a href=\"") +
        play + u8str(u8"\">пройденного в браузере</a>, считает сам сервер.</p>\n");
    if (!offered) {
        body += u8str(u8"<p>На этом сервере программа не предлагается.</p>\n");
        return framed_page(u8str(u8"Программа для Windows"), body);
    }
    const std::string name = html_escaped(offered->file_name);
    body += u8str(u8"<p><a href=\"") + html_escaped(download_file_path(offered->file_name)) +
            u8str(u8"\" download>Скачать ") + name + "</a> (" + shown_size(offered->bytes) +
            ")</p>\n";
    body += u8str(u8"<p>Что файл тот самый, проверяется по его SHA-256:</p>\n<p class=\"hash\">") +
            html_escaped(offered->sha256) +
            u8str(u8"</p>\n<p>В Windows его печатает команда <code>certutil -hashfile ") + name +
            u8str(u8" SHA256</code>.</p>\n"
                  u8"<p>Программа не подписана: если при первом запуске Windows покажет окно "
                  u8"SmartScreen, нажмите «Подробнее», затем «Выполнить в любом случае».</p>\n");
    return framed_page(u8str(u8"Программа для Windows"), body);
}
