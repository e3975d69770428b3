// A settings class's own pages: every result of the class, class_page_results a page, in order
// of place, with links to the pages before and after.
#pragma once

#include "server/http/http_server.h"
#include "server/pages/class_address.h"
#include "server/store/results_store.h"

#include <cstdint>
#include <string>

// One page of a class: records.results holds the page's results, records.class_size them all.
std::string class_page(const ClassRecords& records, int64_t page);

// The answer for an address read_class_path took: the page, or 404 for a class without results
// or a page past its last, found from the class's size alone.
HttpAnswer class_page_answer(ResultsStore& store, const ClassAddress& address);
