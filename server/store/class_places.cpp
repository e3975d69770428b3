// The places of a class's results as both stores number them, and where a page deep in a
// class starts.
#include "server/store/class_places.h"

#include <algorithm>

void number_places(std::vector<PublishedResult>& results, int64_t first) {
    for (PublishedResult& result : results) {
        result.place = first++;
    }
}

int64_t PlaceCounter::next(const TestSettings& settings) {
    place_ = current_ && *current_ == settings ? place_ + 1 : 1;
    current_ = settings;
    return place_;
}

ClassRecords class_page(const TestSettings& settings, int64_t class_size, MoveBlocksReader& blocks,
                        int64_t first_place, int count, const PageRows& rows) {
    ClassRecords page{settings, class_size, {}};
    if (first_place < 0 || first_place >= class_size || count <= 0) {
        return page;
    }
    const MovesPlace start = find_places(blocks, {first_place}).at(0);
    page.results = rows(start.moves, first_place - start.below, count);
    number_places(page.results, first_place + 1);
    return page;
}

ClassRecords verified_page(const TestSettings& settings, int64_t verified_size, int64_t first_place,
                           int count, const VerifiedRows& rows) {
    ClassRecords page{settings, verified_size, {}};
    if (first_place < 0 || first_place >= verified_size || count <= 0) {
        return page;
    }
    page.results = rows(first_place, int(std::min<int64_t>(count, verified_size - first_place)));
    number_places(page.results, first_place + 1);
    return page;
}
