// Reads the referee's answers as the page does; Boost.JSON's sources are compiled here, once
// for the test program.
#include "tests/server/page_answers.h"

#include <boost/json/src.hpp>

namespace json = boost::json;

json::object answer_object(const std::string& body) {
    boost::system::error_code error;
    json::value value = json::parse(body, error);
    return !error && value.is_object() ? value.as_object() : json::object();
}

void apply_answer(PageBoard& board, const json::object& answer) {
    Revealed revealed;
    for (const json::value& step : answer.at("steps").as_array()) {
        const json::array& s = step.as_array();
        const std::string kind(s[0].as_string());
        const auto n = [&s](size_t i) { return int(s[i].as_int64()); };
        if (kind == "put") {
            revealed.steps.push_back({StepKind::put, n(1), n(2), n(3)});
        } else if (kind == "take") {
            revealed.steps.push_back({StepKind::take, n(1), n(2), 0});
        } else if (kind == "show") {
            revealed.steps.push_back({StepKind::show, n(1), 0, n(2)});
        } else if (kind == "hide") {
            revealed.steps.push_back({StepKind::hide, n(1), 0, 0});
        }
    }
    const json::array& preview = answer.at("preview").as_array();
    for (size_t slot = 0; slot < preview.size(); ++slot) {
        revealed.preview[slot] = preview[slot].is_null() ? -1 : int(preview[slot].as_int64());
    }
    board.apply(revealed);
}
