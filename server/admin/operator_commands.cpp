// trivelle-admin: what an operator does to the results besides serving them.
#include "server/admin/operator_commands.h"

#include "server/pages/shown_figures.h"
#include "server/row/utf8_text.h"

#include <charconv>
#include <climits>
#include <cstdio>
#include <string_view>

const char* const operator_usage =
    "usage: trivelle-admin COMMAND --db WHERE [OPTION VALUE]...\n"
    "  erase --email ADDRESS   erases every result sent with this e-mail address (Latin\n"
    "                          letters in any case, blanks around it not counted)\n"
    "  erase --nickname NAME   erases every result sent under exactly this nickname\n"
    "  export                  the public columns of every result as CSV, to standard output\n"
    "  backup --to FILE        a consistent copy of a SQLite file, made while services write to\n"
    "                          it; FILE must not exist yet\n"
    "  counts                  the results of each settings class, the largest class first\n"
    "  size [--max-db-bytes N] the bytes the store takes, as the service counts them against\n"
    "                          its --max-db-bytes bound (the service's default unless given)\n"
    "--db WHERE is a SQLite file or a postgresql:// URI, as the service's --db.\n"
    "Exit status: 0 done, 1 the results could not be used, 2 a wrong command line.\n";

const char* const published_csv_header =
    "balls,colours,rounds,lines_per_round,place,moves,accuracy,nickname,country,city,date\r\n";

namespace {

struct Verb {
    const char* name;
    OperatorAction action;
};
constexpr Verb verbs[] = {{"erase", OperatorAction::erase},
                          {"export", OperatorAction::export_csv},
                          {"backup", OperatorAction::backup},
                          {"counts", OperatorAction::counts},
                          {"size", OperatorAction::size}};

// A quoted field. A text that begins like a formula gets an apostrophe first, so that a
// nickname sent as "=HYPERLINK(...)" stays text when the file is opened in a spreadsheet;
// blanks before the formula's sign do not hide it, since a spreadsheet may skip them.
std::string csv_text(std::string_view text) {
    std::string field = "\"";
    const std::string_view formula = after_blanks(text);
    if ((!text.empty() && std::string_view("\t\r").find(text.front()) != std::string_view::npos) ||
        (!formula.empty() &&
         std::string_view("=+-@").find(formula.front()) != std::string_view::npos)) {
        field += '\'';
    }
    for (char c : text) {
        field += c;
        if (c == '"') {
            field += '"';
        }
    }
    return field + '"';
}

} // namespace

std::optional<OperatorCommand> parse_operator_command(int argc, const char* const* argv,
                                                      std::string& error) {
    OperatorCommand command;
    if (argc < 2) {
        error = "a command is needed";
        return std::nullopt;
    }
    const std::string_view verb = argv[1];
    if (verb == "--help" || verb == "-h" || verb == "help") {
        return command;
    }
    bool known = false;
    for (const Verb& v : verbs) {
        if (verb == v.name) {
            command.action = v.action;
            known = true;
        }
    }
    if (!known) {
        error = "unknown command " + std::string(verb);
        return std::nullopt;
    }
    bool erase_named = false;
    for (int i = 2; i < argc; ++i) {
        const std::string_view name = argv[i];
        if (name == "--help" || name == "-h") {
            command.action = OperatorAction::help;
            return command;
        }
        if (i + 1 >= argc) {
            error = std::string(name) + " needs a value";
            return std::nullopt;
        }
        const std::string value = argv[++i];
        const bool erasing = command.action == OperatorAction::erase;
        if (name == "--db" && !value.empty()) {
            command.db = value;
        } else if (erasing && (name == "--email" || name == "--nickname") && !value.empty()) {
            if (erase_named) {
                error = "erase takes one --email or one --nickname";
                return std::nullopt;
            }
            erase_named = true;
            command.erase_by = name == "--email" ? PlayerField::email : PlayerField::nickname;
            // Blanks around an e-mail are not part of it: one of blanks only names none.
            command.erase_value =
                command.erase_by == PlayerField::email ? std::string(without_blanks(value)) : value;
            if (command.erase_value.empty()) {
                error = std::string(name) + " needs a value";
                return std::nullopt;
            }
        } else if (command.action == OperatorAction::backup && name == "--to" && !value.empty()) {
            command.backup_to = value;
        } else if (command.action == OperatorAction::size && name == "--max-db-bytes") {
            const auto [end, failure] =
                std::from_chars(value.data(), value.data() + value.size(), command.max_db_bytes);
            if (failure != std::errc() || end != value.data() + value.size() ||
                command.max_db_bytes <= 0) {
                error = "--max-db-bytes takes a number of bytes, not '" + value + "'";
                return std::nullopt;
            }
        } else {
            error = value.empty()
                        ? std::string(name) + " needs a value"
                        : "unknown option " + std::string(name) + " for " + std::string(verb);
            return std::nullopt;
        }
    }
    if (command.db.empty()) {
        error = std::string(verb) + " needs --db";
    } else if (command.action == OperatorAction::erase && !erase_named) {
        error = "erase needs --email or --nickname";
    } else if (command.action == OperatorAction::backup && command.backup_to.empty()) {
        error = "backup needs --to";
    }
    if (!error.empty()) {
        return std::nullopt;
    }
    return command;
}

std::string published_csv_line(const TestSettings& s, const PublishedResult& r) {
    return std::to_string(s.initial_ball_count) + ',' + std::to_string(s.colour_count) + ',' +
           std::to_string(s.round_count) + ',' + std::to_string(s.lines_per_round) + ',' +
           std::to_string(r.place) + ',' + std::to_string(r.total_moves) + ',' +
           shown_accuracy(line_count(s), r.total_moves) + ',' + csv_text(r.nickname) + ',' +
           csv_text(r.country) + ',' + csv_text(r.city) + ',' + utc_day(r.received_at, "%Y-%m-%d") +
           "\r\n";
}

void run_operator_command(const OperatorCommand& command, ResultsStore& store, std::ostream& out) {
    switch (command.action) {
    case OperatorAction::erase: {
        const int64_t erased = store.erase_player(command.erase_by, command.erase_value);
        out << "erased " << erased << (erased == 1 ? " result" : " results") << "\n";
        break;
    }
    case OperatorAction::export_csv:
        out << published_csv_header;
        store.each_published([&out](const TestSettings& settings, const PublishedResult& result) {
            out << published_csv_line(settings, result);
        });
        break;
    case OperatorAction::counts:
        out << "balls\tcolours\trounds\tlines_per_round\tresults\n";
        for (const ClassRecords& c : store.records(0, INT_MAX)) {
            out << c.settings.initial_ball_count << '\t' << c.settings.colour_count << '\t'
                << c.settings.round_count << '\t' << c.settings.lines_per_round << '\t'
                << c.class_size << '\n';
        }
        break;
    case OperatorAction::size: {
        const int64_t bytes = store.size_bytes();
        char share[32];
        std::snprintf(share, sizeof share, "%.1f",
                      100.0 * double(bytes) / double(command.max_db_bytes));
        out << bytes << " of " << command.max_db_bytes << " bytes (" << share << " %)"
            << (bytes >= command.max_db_bytes ? ": new results are refused" : "") << "\n";
        break;
    }
    case OperatorAction::backup:
    case OperatorAction::help:
        break; // done without a store
    }
    out.flush();
    if (!out) {
        throw StoreError("cannot write the output");
    }
}
