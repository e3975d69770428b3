// The places of a class's results as both stores number them, and where a page deep in a
// class starts.
#pragma once

#include "server/store/move_blocks.h"
#include "server/store/results_store.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

// Gives results read in order of place their places, from first on.
void number_places(std::vector<PublishedResult>& results, int64_t first);

// Numbers results read in order of class and place: 1 for the first of each class.
class PlaceCounter {
  public:
    int64_t next(const TestSettings& settings);

  private:
    std::optional<TestSettings> current_;
    int64_t place_ = 0;
};

// The results of a page, from the first with from_moves moves or more, skipping skipped of
// them, at most count, in order of place (their places are then set).
using PageRows =
    std::function<std::vector<PublishedResult>(int32_t from_moves, int64_t skipped, int count)>;

// The page of a class of class_size results from place first_place + 1, at most count. The
// move count it starts in is found from the class's block counts, so that a deep page skips
// over only the ties of one move count, never the whole class.
ClassRecords class_page(const TestSettings& settings, int64_t class_size, MoveBlocksReader& blocks,
                        int64_t first_place, int count, const PageRows& rows);

// The results of a page of a class's verified results, skipping skipped of them, at most count,
// in order of place among them.
using VerifiedRows = std::function<std::vector<PublishedResult>(int64_t skipped, int count)>;

// The page of a class's verified_size verified results from place first_place + 1 among
// them, at most count, none beyond verified_size.
ClassRecords verified_page(const TestSettings& settings, int64_t verified_size, int64_t first_place,
                           int count, const VerifiedRows& rows);
