// The service's pages: Russian, UTF-8, plain HTML with one style sheet and no scripts. Every
// text a player sent is escaped; the private fields are never read here.
#pragma once

#include "server/results_store.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

constexpr const char* html_type = "text/html; charset=utf-8";

std::string html_escaped(std::string_view text);
// The day a result arrived, as dd.mm.yyyy in UTC.
std::string date_text(int64_t seconds);
// Lines per 1000 moves as the program shows them, without the display's padding.
std::string shown_accuracy(int32_t lines, int32_t moves);

std::string home_page();
std::string rules_page();
std::string forum_page();
std::string records_page(const std::vector<ClassRecords>& classes);
// The answer to a result link: the player's result and its place in its class.
std::string result_page(const StoredResult& result);
std::string error_page(int status, std::string_view reason);
