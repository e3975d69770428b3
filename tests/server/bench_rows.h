// Results made up for the service's benchmarks: many distinct links spread over settings
// classes as on a real site, or all in one class for the worst cases. Not a test.
#pragma once

#include "server/result_row.h"

#include <cstdint>
#include <string>

// How the results are spread.
enum class BenchShape {
    classes,   // twelve popular classes take nine in ten, a tail of 300 classes the rest;
               // moves over 2000 values
    one_class, // every result in one class, moves over 2000 values
    distinct,  // every result in one class, each with moves of its own
    ties,      // every result in one class, all with the same moves
};

// A link key like a real one: 68 hexadecimal digits that look random, distinct for each i.
inline std::string bench_link_key(uint64_t i) {
    std::string key;
    uint64_t state = i;
    while (key.size() < 68) {
        // splitmix64: distinct inputs give distinct first outputs.
        state += 0x9e3779b97f4a7c15ULL;
        uint64_t z = state;
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        z ^= z >> 31;
        for (int digit = 0; digit < 16 && key.size() < 68; ++digit, z >>= 4) {
            key += "0123456789abcdef"[z & 15];
        }
    }
    return key;
}

inline ResultRow bench_row(uint64_t i, BenchShape shape = BenchShape::classes) {
    ResultRow row;
    row.link_key = bench_link_key(i);
    row.initial_ball_count = 42;
    row.colour_count = 7;
    row.round_count = 5;
    row.lines_per_round = 12;
    row.total_moves = int32_t(60 + (i * 7919) % 2000);
    if (shape == BenchShape::classes) {
        if (i % 10 == 9) {
            const uint64_t tail = (i / 10) % 300;
            row.initial_ball_count = int32_t(29 + tail % 30);
            row.colour_count = int32_t(3 + tail / 30 % 5);
            row.round_count = int32_t(1 + tail / 150);
        } else {
            row.initial_ball_count = (const int[]){42, 35, 50}[i % 3];
            row.colour_count = (const int[]){7, 6, 5, 4}[(i / 3) % 4];
        }
    } else if (shape == BenchShape::distinct) {
        // Spread over the whole range a link may carry, each its own.
        row.total_moves = int32_t(60 + (i * 2654435761ULL) % 2000000000ULL);
    } else if (shape == BenchShape::ties) {
        row.total_moves = 1000;
    }
    row.nickname = 'b' + std::to_string(i);
    row.country = "ru";
    row.city = "Bench";
    return row;
}
