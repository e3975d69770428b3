// Opening the store an address names, for both programs.
#pragma once

#include "server/store/results_store.h"

#include <memory>
#include <string>
#include <string_view>

bool names_postgres(std::string_view where);
// A postgresql:// (or postgres://) connection URI opens PostgreSQL; anything else names a
// SQLite file. Throws StoreOpenError with one line that says why it cannot be used.
std::unique_ptr<ResultsStore> open_results_store(const std::string& where, StoreLimits limits = {});
// Where the results are, as the service may print it: a URI without its password.
std::string shown_store(const std::string& where);
