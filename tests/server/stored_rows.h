// The service's database file read directly, as an operator would with sqlite3.
#pragma once

#include "server/sqlite_handles.h"

#include <map>
#include <string>

inline int64_t stored_count(const std::string& db) {
    SqliteConnection connection(db);
    const SqliteStatement count(connection, "SELECT count(*) FROM results");
    SqliteQuery query(count);
    return query.step() ? query.integer(0) : -1;
}

// Every column of the row stored for a link, by column name; empty if there is none.
inline std::map<std::string, std::string> stored_row(const std::string& db,
                                                     const std::string& link_key) {
    SqliteConnection connection(db);
    const SqliteStatement select(
        connection,
        "SELECT initial_ball_count, colour_count, round_count, lines_per_round, total_moves, "
        "nickname, country, city, hidden_text, birth_year, email, received_at FROM results "
        "WHERE link_key = ?1");
    SqliteQuery query(select);
    query.bind(1, link_key);
    std::map<std::string, std::string> row;
    if (query.step()) {
        const char* names[] = {
            "initial_ball_count", "colour_count", "round_count", "lines_per_round",
            "total_moves",        "nickname",     "country",     "city",
            "hidden_text",        "birth_year",   "email",       "received_at"};
        for (int i = 0; i < int(std::size(names)); ++i) {
            row[names[i]] = query.text(i);
        }
    }
    return row;
}

// A result's place counted from the table alone, as the slowest query would: 1 + the results
// of its class with fewer moves, or the same moves and a smaller id. 0 if there is none.
inline int64_t place_in_file(const std::string& db, const std::string& link_key) {
    SqliteConnection connection(db);
    const SqliteStatement select(connection, R"sql(
        SELECT 1 + (SELECT count(*) FROM results o
                    WHERE o.initial_ball_count = r.initial_ball_count
                        AND o.colour_count = r.colour_count AND o.round_count = r.round_count
                        AND o.lines_per_round = r.lines_per_round
                        AND (o.total_moves < r.total_moves
                            OR (o.total_moves = r.total_moves AND o.id < r.id)))
        FROM results r WHERE link_key = ?1)sql");
    SqliteQuery query(select);
    query.bind(1, link_key);
    return query.step() ? query.integer(0) : 0;
}
