// The service's pages: Russian, UTF-8, plain HTML with one style sheet and no scripts. Every
// text a player sent is escaped; the private fields are never read here.
#pragma once

#include "server/pages/pictures.h"
#include "server/store/results_store.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

constexpr const char* html_type = "text/html; charset=utf-8";

std::string html_escaped(std::string_view text);
// A whole page of the site around its body: head, style sheet, navigation and footer.
std::string framed_page(std::string_view title, const std::string& body);
// A class's four settings in words.
std::string settings_text(const TestSettings& settings);
// The results of a class as a table, in the layout of the records page.
std::string results_table(const ClassRecords& records);
// The day a result arrived, as dd.mm.yyyy in UTC.
std::string date_text(int64_t seconds);

std::string home_page();
std::string rules_page();
std::string forum_page();
std::string records_page(const std::vector<ClassRecords>& classes);
// The answer to a result link: the player's result, its place in its class and where it stands
// among the class's accuracies (a histogram without bars when they could not be read, and the
// page goes without its picture).
std::string result_page(const StoredResult& result, const AccuracyHistogram& class_accuracies);
std::string error_page(int status, std::string_view reason);
