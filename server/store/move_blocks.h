// A class's results counted by blocks of move counts, kept by both stores beside the counts of
// each move count, so that a place, or the results below a move count, are found in a few
// hundred rows however widely the class's moves spread.
#pragma once

#include "server/store/results_store.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// Level 0 is the counts of each move count; level i counts the blocks moves >> (6 i). Each
// block holds 64 of the level below, and the top level at most 128 blocks, since moves are
// below 2^31: a look-up reads at most 128 + 4 × 64 rows.
constexpr int move_block_bits = 6;
constexpr int move_block_levels = 4;
constexpr int move_block_shift(int level) { return level * move_block_bits; }

// Blocks of one level (moves >> shift, for shift 0 the move counts themselves) from low up to,
// not including, high.
struct BlockRange {
    int shift = 0;
    int64_t low = 0;
    int64_t high = 0;
};

struct BlockCount {
    int64_t block = 0;
    int64_t results = 0;
};

// What a store reads for the look-ups of one class, all within one snapshot.
class MoveBlocksReader {
  public:
    virtual ~MoveBlocksReader() = default;
    // How many results have fewer moves than each of these, each from the SQL of
    // results_below_sql.
    virtual std::vector<int64_t> results_below(const std::vector<int32_t>& moves) = 0;
    // The blocks of each range that hold results, at most most of them, in order.
    virtual std::vector<std::vector<BlockCount>> blocks(const std::vector<BlockRange>& ranges,
                                                        int64_t most) = 0;
};

// Where a place is: the moves of the result there, and how many results have fewer moves.
struct MovesPlace {
    int32_t moves = 0;
    int64_t below = 0;
};

// Each place (0 for the first) of a class of results results: each must be below it. Walks
// down the levels, each a block of the one above. Throws StoreError if the counts do not hold
// the place.
std::vector<MovesPlace> find_places(MoveBlocksReader& reader, const std::vector<int64_t>& places);

// The look-ups of a class over a store's reader.
class BlockMoves final : public MovesLookup {
  public:
    BlockMoves(MoveBlocksReader& reader, int64_t results) : reader_(reader), results_(results) {}
    int64_t results() override { return results_; }
    std::vector<int32_t> moves_at(const std::vector<int64_t>& places) override;
    std::vector<int64_t> results_below(const std::vector<int32_t>& moves) override;
    int64_t move_counts_between(int32_t low, int32_t high, int64_t most) override;

  private:
    MoveBlocksReader& reader_;
    int64_t results_;
};

// SQL for both stores. The shifts of the levels above 0, as rows of a VALUES list.
std::string block_shifts_values();
// An expression for the results of a class (its four settings as SQL expressions, in the order
// of the tables' columns) with fewer moves than the expression moves: one range of each level,
// read through the counts tables' keys.
std::string results_below_sql(const std::array<std::string, 4>& settings, const std::string& moves);
