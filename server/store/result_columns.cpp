// A result's columns as both stores keep them.
#include "server/store/result_columns.h"

std::string result_columns_of(std::string_view alias) {
    std::string columns;
    size_t from = 0;
    while (from < result_columns.size()) {
        const size_t comma = result_columns.find(',', from);
        const size_t end = comma == std::string_view::npos ? result_columns.size() : comma;
        columns += from > 0 ? ", " : "";
        columns += alias;
        columns += result_columns.substr(from, end - from);
        from = end == result_columns.size() ? end : end + 2;
    }
    return columns;
}
