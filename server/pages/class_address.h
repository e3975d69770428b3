// The address of a settings class's own pages: /records/42-7-5x12 for its first page,
// /records/42-7-5x12/2 and on for the next, and /records/42-7-5x12/verified with its pages for
// the class's verified results alone. One address a page, read without the store.
#pragma once

#include "engine/test_settings.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// A class's page shows this many of its results.
constexpr int class_page_results = 50;

// The page of a class that shows the result at this place (from 1).
inline int64_t class_page_of(int64_t place) {
    return place < 1 ? 1 : (place - 1) / class_page_results + 1;
}

// Which of a class's results its pages list: all of them, or those the referee counted alone,
// placed among themselves.
enum class ClassView { all, verified };

struct ClassAddress {
    TestSettings settings{};
    int64_t page = 1; // from 1
    ClassView view = ClassView::all;
};

// The path of a class's page; the first has no number.
std::string class_path(const TestSettings& settings, int64_t page = 1,
                       ClassView view = ClassView::all);
// The class, view and page a path names, or nothing when it is not such a path exactly as
// class_path writes it, or names settings the program cannot send.
std::optional<ClassAddress> read_class_path(std::string_view path);
