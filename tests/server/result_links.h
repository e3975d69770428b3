// Result links for the service's tests, made by the program's own record and link code.
#pragma once

#include "record/result_link.h"
#include "record/settings_record.h"
#include "tests/support/record_text.h"

#include <string>
#include <vector>

// A record made of these fields as they stand: any count, any text.
inline std::string record_of_fields(const std::vector<std::string>& fields) {
    std::string record;
    for (size_t i = 0; i < fields.size(); ++i) {
        record += (i ? sep : "") + fields[i];
    }
    return record;
}

inline std::string query_of_fields(const std::vector<std::string>& fields) {
    return result_link_query(record_of_fields(fields));
}

// The fields of a typical result; tests change one or two. Narrow literals are code page 1251.
inline std::vector<std::string> typical_fields() {
    return {"42", "7", "5 12", "345", "Tester", "ru", "Москва", "hidden", "1990", "t@x.org"};
}

// A valid result of the default class (42 balls, 7 colours, 5 × 12) with its own nickname.
inline std::string typical_query(const std::string& nickname, int moves) {
    std::vector<std::string> fields = typical_fields();
    fields[3] = std::to_string(moves);
    fields[4] = nickname;
    return query_of_fields(fields);
}

// The path the program's browser asks for.
inline std::string result_path(const std::string& query) { return "/cgi-bin/trv-w-ru.pl?" + query; }
