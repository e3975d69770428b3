// The service's database file read directly, as an operator would with sqlite3.
#pragma once

#include "server/store/sqlite/sqlite_handles.h"

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
        "nickname, country, city, hidden_text, birth_year, email, received_at, verified FROM "
        "results "
        "WHERE link_key = ?1");
    SqliteQuery query(select);
    query.bind(1, link_key);
    std::map<std::string, std::string> row;
    if (query.step()) {
        const char* names[] = {"initial_ball_count",
                               "colour_count",
                               "round_count",
                               "lines_per_round",
                               "total_moves",
                               "nickname",
                               "country",
                               "city",
                               "hidden_text",
                               "birth_year",
                               "email",
                               "received_at",
                               "verified"};
        for (int i = 0; i < int(std::size(names)); ++i) {
            row[names[i]] = query.text(i);
        }
    }
    return row;
}
