// trivelle-admin: what an operator does to the results besides serving them: erase one
// player's results, export the public columns, back up a SQLite file, count the classes, and
// say how near the store is to its size bound.
#pragma once

#include "server/store/results_store.h"

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>

enum class OperatorAction { erase, export_csv, backup, counts, size, help };

struct OperatorCommand {
    OperatorAction action = OperatorAction::help;
    std::string db;
    PlayerField erase_by = PlayerField::email;
    std::string erase_value; // UTF-8, as the terminal gives it
    std::string backup_to;
    int64_t max_db_bytes = StoreLimits{}.max_db_bytes; // the bound size compares with
};

extern const char* const operator_usage;

// The command, or none with the reason in error.
std::optional<OperatorCommand> parse_operator_command(int argc, const char* const* argv,
                                                      std::string& error);

// Carries out a command other than help on an open store, writing what it tells the operator
// to out; throws std::exception on failure.
void run_operator_command(const OperatorCommand& command, ResultsStore& store, std::ostream& out);

// One CSV line (RFC 4180) of a published result, and the line of column names before them.
extern const char* const published_csv_header;
std::string published_csv_line(const TestSettings& settings, const PublishedResult& result);
