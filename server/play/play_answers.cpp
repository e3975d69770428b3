// The refusals' codes are the page's to act on, their sentences the player's to read.
#include "server/play/play_answers.h"

#include "server/referee/revealed_json.h"
#include "server/row/utf8_text.h"

namespace {

// A store that failed for a moment, or every referee busy: a few seconds and the page retries.
constexpr const char* busy_retry_seconds = "2";
// All places taken: abandoned tests give theirs back within the idle time.
constexpr const char* full_retry_seconds = "60";

const char* referee_code(RefereeRefusal refusal) {
    switch (refusal) {
    case RefereeRefusal::none:
        return "none";
    case RefereeRefusal::off_board:
        return "off_board";
    case RefereeRefusal::empty_source:
        return "empty_source";
    case RefereeRefusal::occupied_target:
        return "occupied_target";
    case RefereeRefusal::unreachable_target:
        return "unreachable_target";
    case RefereeRefusal::test_over:
        return "test_over";
    case RefereeRefusal::stale_play:
        return "stale_play";
    case RefereeRefusal::differing_repeat:
        return "differing_repeat";
    case RefereeRefusal::not_next_play:
        return "not_next_play";
    }
    return "refused";
}

std::u8string_view referee_reason(RefereeRefusal refusal) {
    switch (refusal) {
    case RefereeRefusal::off_board:
        return u8"Такой клетки на доске нет.";
    case RefereeRefusal::empty_source:
        return u8"В этой клетке нет шара.";
    case RefereeRefusal::occupied_target:
        return u8"Эта клетка занята.";
    case RefereeRefusal::unreachable_target:
        return u8"Шару не пройти в эту клетку: путь закрыт.";
    case RefereeRefusal::test_over:
        return u8"Тест окончен.";
    case RefereeRefusal::stale_play:
    case RefereeRefusal::differing_repeat:
        return u8"Этот ход уже сыгран: сыгранный ход не отменить и не переиграть.";
    case RefereeRefusal::not_next_play:
        return u8"Ход пришёл не по порядку.";
    case RefereeRefusal::none:
        break;
    }
    return u8"Ход не принят.";
}

} // namespace

PlayReply started_reply(const DeskAnswer& answer) {
    std::string json = "{\"test\":";
    json += json_string(answer.test_id);
    json += ',';
    json.append(revealed_json(answer.revealed), 1); // without its opening brace
    return {200, std::move(json), {}};
}

PlayReply played_reply(const DeskAnswer& answer) {
    return {200, revealed_json(answer.revealed), {}};
}

PlayReply refusal_reply(int status, std::string_view code, std::string_view reason,
                        std::string retry_after) {
    std::string json = "{\"refused\":";
    json += json_string(code);
    json += ",\"reason\":";
    json += json_string(reason);
    json += '}';
    return {status, std::move(json), std::move(retry_after)};
}

PlayReply bad_request_reply() {
    return refusal_reply(400, "bad_request",
                         u8str(u8"Запрос не понят. Обновите страницу и начните снова."));
}

PlayReply busy_reply() {
    return refusal_reply(503, "busy", u8str(u8"Сервер занят. Повторите через несколько секунд."),
                         busy_retry_seconds);
}

PlayReply desk_refusal_reply(DeskRefusal refusal, RefereeRefusal referee_refusal,
                             std::string_view reason, const PlayLimits& limits) {
    switch (refusal) {
    case DeskRefusal::bad_settings:
        return refusal_reply(400, "bad_settings", u8str(u8"Таких настроек панель не предлагает."));
    case DeskRefusal::too_many_tests_here:
        return refusal_reply(429, "too_many_tests_here",
                             u8str(u8"С вашего адреса уже идёт ") +
                                 std::to_string(limits.tests_per_address) +
                                 u8str(u8" тестов. Брошенный тест освобождает место через ") +
                                 std::to_string(limits.idle_test.count() / 60) + u8str(u8" мин."),
                             full_retry_seconds);
    case DeskRefusal::too_many_tests:
        return refusal_reply(503, "too_many_tests",
                             u8str(u8"Сейчас идёт столько тестов, сколько сервер может вести. "
                                   u8"Повторите через минуту."),
                             full_retry_seconds);
    case DeskRefusal::unknown_test:
        return refusal_reply(404, "unknown_test",
                             u8str(u8"Такого теста нет: он не начинался или брошен слишком "
                                   u8"давно. Начните новый."));
    case DeskRefusal::too_fast:
        return refusal_reply(429, "too_fast",
                             u8str(u8"Слишком быстро: не больше ") +
                                 std::to_string(limits.moves_per_second) +
                                 u8str(u8" ходов в секунду."),
                             "1");
    case DeskRefusal::refereed:
        return refusal_reply(409, referee_code(referee_refusal),
                             u8str(referee_reason(referee_refusal)));
    case DeskRefusal::not_over:
        return refusal_reply(409, "not_over", u8str(u8"Тест ещё не окончен."));
    case DeskRefusal::incomplete:
        return refusal_reply(409, "incomplete",
                             u8str(u8"В тесте пропущены раунды: без всех его линий результат "
                                   u8"не сравнить с другими, и в таблицу он не идёт."));
    case DeskRefusal::bad_texts:
        return refusal_reply(422, "bad_texts", reason);
    case DeskRefusal::store_failed:
    case DeskRefusal::none:
        break;
    }
    return busy_reply();
}
