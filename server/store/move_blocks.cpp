// A class's results counted by blocks of move counts, kept by both stores beside the counts of
// each move count, so that a place, or the results below a move count, are found in a few
// hundred rows however widely the class's moves spread.
#include "server/store/move_blocks.h"

#include "server/store/result_sql.h"

#include <initializer_list>
#include <string_view>

namespace {

constexpr int top_shift = move_block_shift(move_block_levels);
// Moves are below 2^31, so the top level has no block beyond this.
constexpr int64_t top_blocks = (int64_t(1) << 31) >> top_shift;
static_assert(top_blocks >= (int64_t(1) << move_block_bits), "the top level is the widest read");

// Pieces appended in turn: GCC 12 warns falsely (-Wrestrict) about "literal" + text when
// optimising.
std::string joined(std::initializer_list<std::string_view> pieces) {
    std::string text;
    for (const std::string_view piece : pieces) {
        text += piece;
    }
    return text;
}

} // namespace

std::vector<MovesPlace> find_places(MoveBlocksReader& reader, const std::vector<int64_t>& places) {
    // For each place: the block it is in at the level read last, and the results before it.
    std::vector<MovesPlace> found(places.size());
    std::vector<int64_t> block(places.size(), 0);
    std::vector<BlockRange> ranges(places.size(), BlockRange{top_shift, 0, top_blocks});
    for (int level = move_block_levels; level >= 0; --level) {
        const int shift = move_block_shift(level);
        if (level < move_block_levels) {
            for (size_t i = 0; i < places.size(); ++i) {
                ranges[i] = {shift, block[i] << move_block_bits, (block[i] + 1) << move_block_bits};
            }
        }
        const std::vector<std::vector<BlockCount>> rows = reader.blocks(ranges, top_blocks);
        for (size_t i = 0; i < places.size(); ++i) {
            bool reached = false;
            for (const BlockCount& count : rows.at(i)) {
                if (found[i].below + count.results > places[i]) {
                    block[i] = count.block;
                    reached = true;
                    break;
                }
                found[i].below += count.results;
            }
            if (!reached) {
                throw StoreError("the counts of the class end before place " +
                                 std::to_string(places[i] + 1));
            }
        }
    }
    for (size_t i = 0; i < places.size(); ++i) {
        found[i].moves = int32_t(block[i]);
    }
    return found;
}

std::vector<int32_t> BlockMoves::moves_at(const std::vector<int64_t>& places) {
    std::vector<int32_t> moves;
    for (const MovesPlace& place : find_places(reader_, places)) {
        moves.push_back(place.moves);
    }
    return moves;
}

std::vector<int64_t> BlockMoves::results_below(const std::vector<int32_t>& moves) {
    return reader_.results_below(moves);
}

int64_t BlockMoves::move_counts_between(int32_t low, int32_t high, int64_t most) {
    if (low > high || most <= 0) {
        return 0;
    }
    return int64_t(reader_.blocks({{0, low, int64_t(high) + 1}}, most).at(0).size());
}

std::string block_shifts_values() {
    std::string values;
    for (int level = 1; level <= move_block_levels; ++level) {
        values += joined({level > 1 ? ", (" : "(", std::to_string(move_block_shift(level)), ")"});
    }
    return values;
}

std::string results_below_sql(const std::array<std::string, 4>& settings,
                              const std::string& moves) {
    const std::string match = class_match(settings);
    // moves >> shift of a level, and the first block of the same block a level up.
    const auto block_of = [&](int level) {
        return joined({"(", moves, " >> ", std::to_string(move_block_shift(level)), ")"});
    };
    const auto first_beside = [&](int level) {
        return joined({"(", block_of(level + 1), " << ", std::to_string(move_block_bits), ")"});
    };
    std::string sum =
        joined({"((SELECT coalesce(sum(result_count), 0) FROM move_counts WHERE ", match,
                " AND total_moves >= ", first_beside(0), " AND total_moves < ", moves, ")"});
    for (int level = 1; level <= move_block_levels; ++level) {
        sum += joined({" + (SELECT coalesce(sum(result_count), 0) FROM move_blocks WHERE ", match,
                       " AND shift = ", std::to_string(move_block_shift(level)),
                       level < move_block_levels ? " AND block >= " : "",
                       level < move_block_levels ? first_beside(level) : "", " AND block < ",
                       block_of(level), ")"});
    }
    sum += ")";
    return sum;
}
