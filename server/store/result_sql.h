// The SQL both stores ask in the same words. Each writes its parameters its own way: SQLite
// ?1, PostgreSQL $1, given here as the first character.
#pragma once

#include <array>
#include <string>
#include <string_view>

// The parameters 1 to 4 that name a class, in the order of class_columns.
std::array<std::string, 4> class_parameters(char sigil);
// A condition on the class columns (each named after alias, "" or "o.") equal to these
// expressions.
std::string class_match(const std::array<std::string, 4>& settings, std::string_view alias = "");

// The results of all classes: one row.
constexpr const char* result_count_sql = "SELECT coalesce(sum(result_count), 0) FROM class_counts";
// The results of the class of parameters 1 to 4: one row, none for an empty class.
std::string class_size_sql(char sigil);
// The published columns of a class's results, in order of place, from the first with
// parameter 5 moves or more, at most parameter 6 of them after skipping parameter 7.
std::string page_sql(char sigil);
// The verified results of the class of parameters 1 to 4, counted no further than
// verified_places_counted: one row.
std::string verified_size_sql(char sigil);
// The published columns of a class's verified results, in order of place among them, at most
// parameter 5 of them after skipping parameter 6; read through their partial index.
std::string verified_page_sql(char sigil);
// The class and published columns of every result, in order of class and place.
std::string every_published_sql();
// The results that match the condition on results r, as stored: the result_columns, then its
// place (1 for the first; earlier results first on a tie) and its class size.
std::string stored_sql(const std::string& condition);
