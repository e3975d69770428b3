// The SQL both stores ask in the same words.
#include "server/store/result_sql.h"

#include "server/store/move_blocks.h"
#include "server/store/result_columns.h"

namespace {

std::string parameter(char sigil, int n) { return std::string(1, sigil) + std::to_string(n); }

} // namespace

std::array<std::string, 4> class_parameters(char sigil) {
    return {parameter(sigil, 1), parameter(sigil, 2), parameter(sigil, 3), parameter(sigil, 4)};
}

std::string class_match(const std::array<std::string, 4>& settings, std::string_view alias) {
    static constexpr std::array<std::string_view, 4> columns = {
        "initial_ball_count", "colour_count", "round_count", "lines_per_round"};
    std::string match;
    for (size_t i = 0; i < columns.size(); ++i) {
        match += i > 0 ? " AND " : "";
        match += alias;
        match += columns[i];
        match += " = ";
        match += settings[i];
    }
    return match;
}

std::string class_size_sql(char sigil) {
    return std::string("SELECT result_count FROM class_counts WHERE ") +
           class_match(class_parameters(sigil));
}

std::string page_sql(char sigil) {
    std::string sql = "SELECT ";
    sql += published_columns;
    sql += " FROM results WHERE ";
    sql += class_match(class_parameters(sigil));
    sql += " AND total_moves >= " + parameter(sigil, 5);
    sql += " ORDER BY total_moves, id LIMIT " + parameter(sigil, 6);
    sql += " OFFSET " + parameter(sigil, 7);
    return sql;
}

std::string verified_size_sql(char sigil) {
    return "SELECT count(*) FROM (SELECT 1 FROM results WHERE " +
           class_match(class_parameters(sigil)) + " AND verified LIMIT " +
           std::to_string(verified_places_counted) + ") v";
}

std::string verified_page_sql(char sigil) {
    std::string sql = "SELECT ";
    sql += published_columns;
    sql += " FROM results WHERE ";
    sql += class_match(class_parameters(sigil));
    sql += " AND verified ORDER BY total_moves, id LIMIT " + parameter(sigil, 5);
    sql += " OFFSET " + parameter(sigil, 6);
    return sql;
}

std::string every_published_sql() {
    std::string sql = "SELECT ";
    sql += class_columns;
    sql += ", ";
    sql += published_columns;
    sql += " FROM results ORDER BY ";
    sql += class_columns;
    sql += ", total_moves, id";
    return sql;
}

std::string stored_sql(const std::string& condition) {
    const std::array<std::string, 4> settings = {"r.initial_ball_count", "r.colour_count",
                                                 "r.round_count", "r.lines_per_round"};
    std::string sql = "SELECT " + result_columns_of("r.") + ",\n    ";
    sql += results_below_sql(settings, "r.total_moves");
    sql += "\n    + (SELECT count(*) FROM results o WHERE " + class_match(settings, "o.");
    sql += " AND o.total_moves = r.total_moves AND o.id < r.id) + 1,\n    (SELECT c.result_count ";
    sql += "FROM class_counts c WHERE " + class_match(settings, "c.") + ")\nFROM results r WHERE ";
    sql += condition;
    return sql;
}
