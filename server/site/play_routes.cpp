// /play/tests starts a test, /play/tests/<id>/moves plays a move or a skip, and
// /play/tests/<id>/result stores the finished test's result from the referee's own count.
#include "server/site/play_routes.h"

#include "server/pages/class_address.h"
#include "server/play/play_answers.h"
#include "server/play/play_requests.h"
#include "server/row/utf8_text.h"
#include "server/site/page_answer.h"
#include "server/site/play_files.h"

#include <algorithm>
#include <cctype>
#include <ctime>

namespace {

constexpr std::string_view tests_path = "/play/tests";
constexpr size_t test_id_digits = 32;

HttpAnswer json_answer(const PlayReply& reply) {
    HttpAnswer answer{reply.status, {}, std::make_shared<const std::string>(reply.json)};
    answer.headers.emplace_back("Content-Type", "application/json; charset=utf-8");
    answer.headers.emplace_back("Cache-Control", "no-store");
    if (!reply.retry_after.empty()) {
        answer.headers.emplace_back("Retry-After", reply.retry_after);
    }
    return answer;
}

HttpAnswer not_allowed(std::string_view allowed) {
    HttpAnswer answer = json_answer(
        refusal_reply(405, "not_allowed", u8str(u8"Такой запрос по этому адресу не принимается.")));
    answer.headers.emplace_back("Allow", std::string(allowed));
    return answer;
}

// The page sends JSON; a form of another site cannot, without the browser asking first.
bool sends_json(std::string_view content_type) {
    constexpr std::string_view json = "application/json";
    const std::string_view type = content_type.substr(0, content_type.find(';'));
    return type.size() >= json.size() &&
           std::equal(json.begin(), json.end(), type.begin(),
                      [](char a, char b) { return a == std::tolower((unsigned char)b); }) &&
           std::all_of(type.begin() + json.size(), type.end(), [](char c) { return c == ' '; });
}

bool is_test_id(std::string_view text) {
    return text.size() == test_id_digits && std::all_of(text.begin(), text.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
           });
}

std::string address_text(const ClientKey& client) {
    static constexpr char digits[] = "0123456789abcdef";
    std::string text;
    for (const unsigned char byte : client.bytes) {
        text += digits[byte >> 4];
        text += digits[byte & 15];
    }
    return text;
}

PlayReply sent_reply(const StoreOutcome& outcome) {
    switch (outcome.status) {
    case StoreStatus::stored:
        break;
    case StoreStatus::busy:
    case StoreStatus::unavailable:
        return busy_reply();
    case StoreStatus::full:
        return refusal_reply(507, "full",
                             u8str(u8"Результат не сохранён: место для результатов на сервере "
                                   u8"заполнено."));
    case StoreStatus::failed:
        return refusal_reply(500, "failed", u8str(u8"Результат не сохранён."));
    }
    const StoredResult& result = outcome.result;
    if (!result.new_row) {
        return refusal_reply(409, "sent_already", u8str(u8"Результат этого теста уже отправлен."));
    }
    std::string json = "{\"place\":" + std::to_string(result.place);
    json += ",\"class_size\":" + std::to_string(result.class_size);
    json += ",\"moves\":" + std::to_string(result.row.total_moves);
    json += ",\"lines\":" + std::to_string(line_count(result.row.settings));
    json += ",\"class_page\":";
    json += json_string(class_path(result.row.settings, class_page_of(result.place - 1)));
    json += '}';
    return {200, std::move(json), {}};
}

} // namespace

PlayRoutes::PlayRoutes(RefereeDesk& desk, const PlayLimits& limits, ResultsStore& store,
                       ResultRateLimit& results_limit, PageReaders& referees)
    : desk_(desk), limits_(limits), store_(store), results_limit_(results_limit),
      referees_(referees) {}

void PlayRoutes::referee_later(const HttpReply& reply, std::function<void()> work) {
    if (!referees_.post(std::move(work))) {
        reply(json_answer(busy_reply()));
    }
}

bool PlayRoutes::handle(const HttpRequest& request, std::string_view path, const HttpReply& reply) {
    if (path != play_path && !path.starts_with(std::string(play_path) + "/")) {
        return false;
    }
    if (const PlayFile* file = play_file(path)) {
        if (request.post) {
            reply(not_allowed("GET, HEAD"));
        } else {
            reply(play_file_answer(*file, request));
        }
        return true;
    }
    // /play/tests, or /play/tests/<id>/moves or /result.
    std::string_view rest = path;
    if (!rest.starts_with(tests_path)) {
        reply(json_answer(refusal_reply(404, "not_found", u8str(u8"Такого адреса нет."))));
        return true;
    }
    rest.remove_prefix(tests_path.size());
    std::string_view test_id;
    std::string_view action;
    if (!rest.empty()) {
        if (rest.size() < 1 + test_id_digits + 1 || rest[0] != '/' ||
            !is_test_id(rest.substr(1, test_id_digits)) || rest[1 + test_id_digits] != '/') {
            reply(json_answer(refusal_reply(404, "not_found", u8str(u8"Такого адреса нет."))));
            return true;
        }
        test_id = rest.substr(1, test_id_digits);
        action = rest.substr(2 + test_id_digits);
        if (action != "moves" && action != "result") {
            reply(json_answer(refusal_reply(404, "not_found", u8str(u8"Такого адреса нет."))));
            return true;
        }
    }
    if (!request.post) {
        reply(not_allowed("POST"));
        return true;
    }
    if (!sends_json(request.content_type)) {
        reply(json_answer(refusal_reply(415, "not_json", u8str(u8"Запрос должен быть в JSON."))));
        return true;
    }
    if (test_id.empty()) {
        start(request, reply);
    } else if (action == "moves") {
        play(test_id, request, reply);
    } else {
        send(test_id, request, reply);
    }
    return true;
}

void PlayRoutes::start(const HttpRequest& request, const HttpReply& reply) {
    const std::optional<TestSettings> settings = read_start_request(request.body);
    if (!settings) {
        reply(json_answer(bad_request_reply()));
        return;
    }
    referee_later(
        reply, [this, reply, settings = *settings, address = address_text(request.client)] {
            const DeskAnswer answer = desk_.start(settings, address, std::time(nullptr));
            reply(json_answer(answer.refusal == DeskRefusal::none
                                  ? started_reply(answer)
                                  : desk_refusal_reply(answer.refusal, answer.referee_refusal,
                                                       answer.reason, limits_)));
        });
}

void PlayRoutes::play(std::string_view test_id, const HttpRequest& request,
                      const HttpReply& reply) {
    const std::optional<MoveRequest> move = read_move_request(request.body);
    if (!move) {
        reply(json_answer(bad_request_reply()));
        return;
    }
    referee_later(reply, [this, reply, move = *move, test_id = std::string(test_id)] {
        const DeskAnswer answer = desk_.play(test_id, move, std::time(nullptr));
        reply(json_answer(answer.refusal == DeskRefusal::none
                              ? played_reply(answer)
                              : desk_refusal_reply(answer.refusal, answer.referee_refusal,
                                                   answer.reason, limits_)));
    });
}

void PlayRoutes::send(std::string_view test_id, const HttpRequest& request,
                      const HttpReply& reply) {
    const std::optional<PlayerTexts> texts = read_send_request(request.body);
    if (!texts) {
        reply(json_answer(bad_request_reply()));
        return;
    }
    if (const Admission admission = results_limit_.admit(request.address);
        admission.wait.count() > 0) {
        const std::string seconds = std::to_string(admission.wait.count());
        reply(json_answer(refusal_reply(
            429, "too_many_results",
            u8str(u8"Результат не сохранён: слишком много результатов. Повторите через ") +
                seconds + u8str(u8" с."),
            seconds)));
        return;
    }
    referee_later(reply, [this, reply, texts = *texts, test_id = std::string(test_id)] {
        const int64_t now = std::time(nullptr);
        FinishedTest finished = desk_.finished(test_id, texts, now);
        if (finished.refusal != DeskRefusal::none) {
            reply(json_answer(desk_refusal_reply(finished.refusal, RefereeRefusal::none,
                                                 finished.reason, limits_)));
            return;
        }
        store_.store_async(std::move(finished.row), now, [reply](const StoreOutcome& outcome) {
            reply(json_answer(sent_reply(outcome)));
        });
    });
}
