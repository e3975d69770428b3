// A result's columns as both stores keep them, and their mapping to and from the rows the
// service answers with: the column order is written here once.
#pragma once

#include "server/store/results_store.h"

#include <string>
#include <string_view>

// Every column of a stored result but its id, in the tables' order.
constexpr std::string_view result_columns =
    "link_key, received_at, initial_ball_count, colour_count, round_count, lines_per_round, "
    "total_moves, nickname, country, city, hidden_text, birth_year, email, verified";
constexpr int result_column_count = 14;
// What may be published of a result, in the order published_from reads it.
constexpr std::string_view published_columns =
    "nickname, country, city, total_moves, received_at, verified";
// The four columns of a result's class, in the order of the tables' keys.
constexpr std::string_view class_columns =
    "initial_ball_count, colour_count, round_count, lines_per_round";

// The result columns, each named after a table's alias ("r." for r.link_key, ...).
std::string result_columns_of(std::string_view alias);

// Calls put(column, value) with each column of result_columns in turn, its value an int64_t
// or a std::string (verified as 0 or 1).
template <typename Put> void put_columns(const ResultRow& r, int64_t received_at, Put put) {
    put(0, r.link_key);
    put(1, received_at);
    put(2, int64_t(r.settings.initial_ball_count));
    put(3, int64_t(r.settings.colour_count));
    put(4, int64_t(r.settings.round_count));
    put(5, int64_t(r.settings.lines_per_round));
    put(6, int64_t(r.total_moves));
    put(7, r.utf8_texts.nickname);
    put(8, r.utf8_texts.country);
    put(9, r.utf8_texts.city);
    put(10, r.utf8_texts.hidden_text);
    put(11, r.utf8_texts.birth_year);
    put(12, r.utf8_texts.email);
    put(13, int64_t(r.verified));
}

// A row of an answer read from column first on: row.integer(column), row.text(column) and
// row.flag(column), a truth as the database writes it.
template <typename Row> TestSettings settings_from(const Row& row, int first) {
    return {int32_t(row.integer(first)), int32_t(row.integer(first + 1)),
            int32_t(row.integer(first + 2)), int32_t(row.integer(first + 3))};
}

// The result_columns from column first on.
template <typename Row> StoredResult stored_from(const Row& row, int first) {
    StoredResult stored;
    ResultRow& r = stored.row;
    r.link_key = row.text(first);
    stored.received_at = row.integer(first + 1);
    r.settings = settings_from(row, first + 2);
    r.total_moves = int32_t(row.integer(first + 6));
    r.utf8_texts.nickname = row.text(first + 7);
    r.utf8_texts.country = row.text(first + 8);
    r.utf8_texts.city = row.text(first + 9);
    r.utf8_texts.hidden_text = row.text(first + 10);
    r.utf8_texts.birth_year = row.text(first + 11);
    r.utf8_texts.email = row.text(first + 12);
    r.verified = row.flag(first + 13);
    return stored;
}

// The published_columns from column first on, at its place.
template <typename Row> PublishedResult published_from(const Row& row, int first, int64_t place) {
    return {place,
            row.text(first),
            row.text(first + 1),
            row.text(first + 2),
            int32_t(row.integer(first + 3)),
            row.integer(first + 4),
            row.flag(first + 5)};
}
