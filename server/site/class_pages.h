// A settings class's own pages: every result of the class, or its verified results alone,
// class_page_results a page, in order of place, with links to the pages before and after and to
// the other view.
#pragma once

#include "server/http/http_server.h"
#include "server/pages/class_address.h"
#include "server/store/results_store.h"

#include <cstdint>
#include <string>

// One page of a class: records.results holds the page's results, records.class_size them all
// (in the verified view, the verified ones).
std::string class_page(const ClassRecords& records, int64_t page, ClassView view = ClassView::all);

// The answer for an address read_class_path took: the page, or 404 for a class without results
// or a page past its last, found from the class's size alone. The first page of the verified
// view answers even when it has none, since every class page links it.
HttpAnswer class_page_answer(ResultsStore& store, const ClassAddress& address);
