// trivelle-admin: erases a player's results, exports the public columns, backs up a SQLite
// file, counts the classes and measures the store, on the store a service uses, while it runs.
#include "server/admin/operator_commands.h"
#include "server/open_store.h"
#include "server/row/log_error.h"
#include "server/store/sqlite/sqlite_store.h"

#include <sys/stat.h>

#include <exception>
#include <iostream>

int main(int argc, char** argv) {
    set_program_name("trivelle-admin");
    std::string error;
    const std::optional<OperatorCommand> command = parse_operator_command(argc, argv, error);
    if (!command) {
        log_error(error);
        std::cerr << operator_usage;
        return 2;
    }
    if (command->action == OperatorAction::help) {
        std::cout << operator_usage;
        return 0;
    }
    const bool postgres = names_postgres(command->db);
    try {
        if (command->action == OperatorAction::backup) {
            if (postgres) {
                log_error("backup copies a SQLite file; back up PostgreSQL with pg_dump");
                return 2;
            }
            back_up_sqlite_file(command->db, command->backup_to);
            std::cout << "backed up " << command->db << " to " << command->backup_to << "\n";
            return 0;
        }
        // A mistyped file name must not become a new, empty store.
        struct stat file {};
        if (!postgres && stat(command->db.c_str(), &file) != 0) {
            log_error("no results file at " + command->db);
            return 1;
        }
        // Waits longer than a service for the write lock: the service's own results keep
        // coming while an operator erases.
        const std::unique_ptr<ResultsStore> store = open_results_store(
            command->db, {.lock_wait = std::chrono::milliseconds(10000), .max_pending = 1});
        run_operator_command(*command, *store, std::cout);
        return 0;
    } catch (const std::exception& e) {
        log_error(e.what());
        return 1;
    }
}
