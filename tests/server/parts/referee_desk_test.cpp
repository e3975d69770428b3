// The referee's desk over a store: whole tests played and handed over with the referee's own
// count, the bounds on running tests and moves, and forged requests refused with the test
// unharmed, by one desk or by two sharing the store as two services do.
#include "server/play/play_requests.h"
#include "server/play/referee_desk.h"
#include "server/referee/running_test_codec.h"
#include "server/row/utf8_text.h"
#include "tests/server/memory_running_tests.h"
#include "tests/server/referee_player.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr TestSettings small_test{29, 3, 1, 2};
constexpr int64_t start_time = 1'800'000'000;
constexpr int most_planned_moves = 500;

PlayLimits roomy_limits() {
    PlayLimits limits;
    limits.moves_per_second = 1000000; // pace is tested on its own
    limits.move_burst = 1000000;
    return limits;
}

// A test started on a desk and followed as the page follows it.
struct Player {
    std::string id;
    PageBoard board;
    int32_t play = 0;
    Planner planner;

    Player(RefereeDesk& desk, const TestSettings& settings, std::string_view address = "a") {
        const DeskAnswer started = desk.start(settings, address, start_time);
        EXPECT_EQ(started.refusal, DeskRefusal::none);
        id = started.test_id;
        board.apply(started.revealed);
    }
    MoveRequest next_move() {
        const Move move = planner.planned_move(board);
        return {play + 1, {false, move.from, move.to}};
    }
    // Plays the planned move on desk; the answer is applied when taken.
    DeskAnswer play_on(RefereeDesk& desk, int64_t now = start_time) {
        const DeskAnswer answer = desk.play(id, next_move(), now);
        if (answer.refusal == DeskRefusal::none) {
            board.apply(answer.revealed);
            ++play;
        }
        return answer;
    }
};

int32_t stored_answered(MemoryRunningTests& tests, const std::string& id) {
    return tests.find(id, 0)->answered;
}

TEST(RefereeDesk, PlaysAWholeTestAndHandsOverTheRefereesCountOnce) {
    MemoryRunningTests tests;
    RefereeDesk desk(tests, roomy_limits());
    Player player(desk, small_test);
    EXPECT_EQ(player.id.size(), 32u);
    bool over = false;
    for (int n = 0; n < most_planned_moves && !over; ++n) {
        const DeskAnswer answer = player.play_on(desk);
        ASSERT_EQ(answer.refusal, DeskRefusal::none) << "move " << n + 1;
        over = answer.revealed.over;
    }
    ASSERT_TRUE(over);
    const RunningTest kept = *decode_running_test(tests.find(player.id, 0)->state);
    EXPECT_EQ(kept.answered, player.play);

    const PlayerTexts texts{"nick", "RU", "Kazan", "", "1990", "a@b.c"};
    const FinishedTest finished = desk.finished(player.id, texts, start_time);
    ASSERT_EQ(finished.refusal, DeskRefusal::none);
    EXPECT_TRUE(finished.row.verified);
    EXPECT_EQ(finished.row.link_key, "v" + player.id);
    EXPECT_EQ(finished.row.settings, small_test);
    EXPECT_EQ(finished.row.total_moves, kept.state.total_moves);
    EXPECT_EQ(finished.row.utf8_texts.city, "Kazan");

    // Over: no more moves, however numbered.
    EXPECT_EQ(player.play_on(desk).referee_refusal, RefereeRefusal::test_over);
}

TEST(RefereeDesk, ForgedAndStaleRequestsAreRefusedAndTheTestGoesOn) {
    MemoryRunningTests tests;
    const PlayLimits limits = roomy_limits();
    RefereeDesk desk(tests, limits);
    Player player(desk, small_test);
    Player other(desk, small_test);
    ASSERT_EQ(player.play_on(desk).refusal, DeskRefusal::none);
    ASSERT_EQ(player.play_on(desk).refusal, DeskRefusal::none);
    const MoveRequest answered{player.play, {}};

    Cell empty{};
    Cell ball{};
    for (int cell = 0; cell < board_cells; ++cell) {
        const Cell here{cell / 8, cell % 8};
        if (player.board.cells[cell] != 0) {
            ball = here;
        } else {
            empty = here;
        }
    }
    const MoveRequest next = player.next_move();
    struct Case {
        const char* what;
        std::string id;
        MoveRequest move;
        int64_t now;
        DeskRefusal refusal;
        RefereeRefusal referee_refusal;
    };
    const Case cases[] = {
        {"an id never given", std::string(32, '0'), next, start_time, DeskRefusal::unknown_test,
         RefereeRefusal::none},
        {"an expired test", player.id, next, start_time + limits.idle_test.count() + 1,
         DeskRefusal::unknown_test, RefereeRefusal::none},
        {"from an empty cell",
         player.id,
         {next.play, {false, empty, empty}},
         start_time,
         DeskRefusal::refereed,
         RefereeRefusal::empty_source},
        {"onto a ball",
         player.id,
         {next.play, {false, ball, ball}},
         start_time,
         DeskRefusal::refereed,
         RefereeRefusal::occupied_target},
        {"off the board",
         player.id,
         {next.play, {false, ball, {8, 0}}},
         start_time,
         DeskRefusal::refereed,
         RefereeRefusal::off_board},
        {"an earlier move again",
         player.id,
         {answered.play - 1, next.request},
         start_time,
         DeskRefusal::refereed,
         RefereeRefusal::stale_play},
        {"another move under the last number",
         player.id,
         {answered.play, next.request},
         start_time,
         DeskRefusal::refereed,
         RefereeRefusal::differing_repeat},
        {"a number ahead",
         player.id,
         {next.play + 1, next.request},
         start_time,
         DeskRefusal::refereed,
         RefereeRefusal::not_next_play},
    };
    for (const Case& c : cases) {
        const DeskAnswer answer = desk.play(c.id, c.move, c.now);
        EXPECT_EQ(answer.refusal, c.refusal) << c.what;
        EXPECT_EQ(answer.referee_refusal, c.referee_refusal) << c.what;
        EXPECT_EQ(stored_answered(tests, player.id), player.play) << c.what;
    }
    EXPECT_EQ(desk.finished(player.id, {}, start_time).refusal, DeskRefusal::not_over);
    // Another test's id plays that test, never this one.
    EXPECT_EQ(other.play_on(desk).refusal, DeskRefusal::none);
    EXPECT_EQ(stored_answered(tests, player.id), player.play);
    EXPECT_EQ(player.play_on(desk).refusal, DeskRefusal::none);
}

TEST(RefereeDesk, ARepeatedRequestGetsTheSameAnswerAndChangesNothing) {
    MemoryRunningTests tests;
    RefereeDesk desk(tests, roomy_limits());
    Player player(desk, small_test);
    const MoveRequest move = player.next_move();
    const DeskAnswer first = desk.play(player.id, move, start_time);
    ASSERT_EQ(first.refusal, DeskRefusal::none);
    const std::string state = tests.find(player.id, 0)->state;
    const DeskAnswer again = desk.play(player.id, move, start_time + 5);
    ASSERT_EQ(again.refusal, DeskRefusal::none);
    EXPECT_EQ(again.revealed, first.revealed);
    EXPECT_EQ(tests.find(player.id, 0)->state, state);
}

// Two services sharing a store: each move on the other desk, then both desks asked the same
// next request at once, and another request under the number already answered.
TEST(RefereeDesk, TwoDesksOnOneStorePlayOneTestAsOne) {
    MemoryRunningTests tests;
    RefereeDesk first(tests, roomy_limits());
    RefereeDesk second(tests, roomy_limits());
    Player player(first, {29, 3, 3, 10}); // long enough not to end within these moves
    for (int n = 0; n < 6; ++n) {
        ASSERT_EQ(player.play_on(n % 2 ? first : second).refusal, DeskRefusal::none);
    }
    const MoveRequest move = player.next_move();
    DeskAnswer a;
    DeskAnswer b;
    std::thread one([&] { a = first.play(player.id, move, start_time); });
    std::thread two([&] { b = second.play(player.id, move, start_time); });
    one.join();
    two.join();
    ASSERT_EQ(a.refusal, DeskRefusal::none) << referee_refusal_text(a.referee_refusal);
    ASSERT_EQ(b.refusal, DeskRefusal::none) << referee_refusal_text(b.referee_refusal);
    EXPECT_EQ(a.revealed, b.revealed);
    EXPECT_EQ(stored_answered(tests, player.id), player.play + 1);
}

TEST(RefereeDesk, RunningTestsAreBoundedPerAddressAndInAllUntilTheyExpire) {
    MemoryRunningTests tests;
    PlayLimits limits = roomy_limits();
    limits.tests_per_address = 2;
    limits.tests_in_all = 3;
    RefereeDesk desk(tests, limits);
    const auto start = [&](std::string_view address, int64_t now) {
        return desk.start(small_test, address, now).refusal;
    };
    EXPECT_EQ(start("a", start_time), DeskRefusal::none);
    EXPECT_EQ(start("a", start_time), DeskRefusal::none);
    EXPECT_EQ(start("a", start_time), DeskRefusal::too_many_tests_here);
    EXPECT_EQ(start("b", start_time), DeskRefusal::none);
    EXPECT_EQ(start("c", start_time), DeskRefusal::too_many_tests);
    EXPECT_EQ(tests.size(), 3u);
    // Abandoned tests give their places back, and are swept away.
    const int64_t later = start_time + limits.idle_test.count() + 1;
    EXPECT_EQ(start("a", later), DeskRefusal::none);
    EXPECT_EQ(tests.size(), 1u);
    EXPECT_EQ(desk.start({29, 2, 1, 1}, "d", later).refusal, DeskRefusal::none);
    EXPECT_EQ(desk.start({40, 2, 1, 1}, "d", later).refusal, DeskRefusal::bad_settings);
}

TEST(RefereeDesk, OneTestsMovesKeepTheirPaceAndRepeatsCount) {
    MemoryRunningTests tests;
    PlayLimits limits = roomy_limits();
    limits.moves_per_second = 2;
    limits.move_burst = 3;
    RefereeDesk desk(tests, limits);
    Player player(desk, small_test);
    Player other(desk, small_test);
    const RefereeDesk::Clock::time_point at{};
    const MoveRequest move = player.next_move();
    for (int n = 0; n < 3; ++n) {
        EXPECT_EQ(desk.play(player.id, move, start_time, at).refusal, DeskRefusal::none);
    }
    EXPECT_EQ(desk.play(player.id, move, start_time, at).refusal, DeskRefusal::too_fast);
    EXPECT_EQ(desk.play(other.id, other.next_move(), start_time, at).refusal, DeskRefusal::none);
    EXPECT_EQ(desk.play(player.id, move, start_time, at + std::chrono::milliseconds(500)).refusal,
              DeskRefusal::none);
}

TEST(RefereeDesk, ASkippedRoundHasNoPlaceAndALostStoreIsSaid) {
    MemoryRunningTests tests;
    RefereeDesk desk(tests, roomy_limits());
    Player player(desk, small_test);
    ASSERT_EQ(desk.play(player.id, {1, {true, {}, {}}}, start_time).refusal, DeskRefusal::none);
    EXPECT_EQ(desk.finished(player.id, {}, start_time).refusal, DeskRefusal::incomplete);
    EXPECT_EQ(desk.finished(player.id, {"\x01", "", "", "", "", ""}, start_time).refusal,
              DeskRefusal::bad_texts);
    tests.set_lost(true);
    EXPECT_EQ(desk.start(small_test, "a", start_time).refusal, DeskRefusal::store_failed);
    EXPECT_EQ(desk.play(player.id, {2, {true, {}, {}}}, start_time).refusal,
              DeskRefusal::store_failed);
}

TEST(RunningTestCodec, KeepsEveryFieldAndRefusesDamagedBytes) {
    std::optional<StartedTest> started = start_running_test(small_test, fresh_seed());
    RunningTest test = started->test;
    const PlayAnswer skipped = skip_test_round(test, 1);
    ASSERT_EQ(skipped.refusal, RefereeRefusal::none);
    const std::string bytes = encode_running_test(test);
    const std::optional<RunningTest> back = decode_running_test(bytes);
    ASSERT_TRUE(back);
    EXPECT_EQ(encode_running_test(*back), bytes);
    EXPECT_EQ(back->last_answer, test.last_answer);
    EXPECT_EQ(back->seed, test.seed);
    EXPECT_EQ(std::memcmp(&back->state.board, &test.state.board, board_cells), 0);
    EXPECT_FALSE(decode_running_test(bytes.substr(0, bytes.size() - 1)));
    EXPECT_FALSE(decode_running_test(bytes + '\0'));
    EXPECT_FALSE(decode_running_test(std::string(1, '\x02') + bytes.substr(1)));
    EXPECT_FALSE(decode_running_test(""));
}

TEST(PlayRequests, ReadOnlyTheBodiesThePageSends) {
    EXPECT_EQ(read_start_request(R"({"balls":42,"colours":7,"rounds":3,"lines":10})"),
              (TestSettings{42, 7, 3, 10}));
    const std::optional<MoveRequest> move =
        read_move_request(R"( {"play":3, "from":[1,2], "to":[7,0]} )");
    ASSERT_TRUE(move);
    EXPECT_EQ(move->play, 3);
    EXPECT_EQ(move->request, (PlayRequest{false, {1, 2}, {7, 0}}));
    EXPECT_EQ(read_move_request(R"({"play":4,"skip":true})")->request.skip, true);
    const std::optional<PlayerTexts> texts = read_send_request(
        u8str(u8R"({"nickname":"\u0410\u043d\u044f \"A\"","country":"RU","city":"Омск"})"));
    ASSERT_TRUE(texts);
    EXPECT_EQ(texts->nickname, u8str(u8"Аня \"A\""));
    EXPECT_EQ(texts->city, u8str(u8"Омск"));
    EXPECT_EQ(texts->email, "");

    const char* refused[] = {
        "",
        R"({"balls":42,"colours":7,"rounds":3})",                       // one missing
        R"({"balls":42,"colours":7,"rounds":3,"lines":10,"seed":1})",   // an unknown key
        R"({"balls":42,"balls":42,"colours":7,"rounds":3,"lines":10})", // a key twice
        R"({"balls":4.2,"colours":7,"rounds":3,"lines":10})",           // a fraction
        R"({"balls":"42","colours":7,"rounds":3,"lines":10})",          // a string
        R"({"balls":99999999999,"colours":7,"rounds":3,"lines":10})",   // beyond 32 bits
        R"({"balls":42,"colours":7,"rounds":3,"lines":10} x)",          // trailing text
        R"({"balls":042,"colours":7,"rounds":3,"lines":10})",           // a leading zero
    };
    for (const char* body : refused) {
        EXPECT_FALSE(read_start_request(body)) << body;
    }
    const char* refused_moves[] = {
        R"({"play":1,"from":[1,2]})",
        R"({"play":1,"from":[1,2],"to":[3,4],"skip":true})",
        R"({"play":1,"skip":false})",
        R"({"play":1,"from":[1,2,3],"to":[3,4]})",
        R"({"play":1,"from":[1],"to":[3,4]})",
        R"({"from":[1,2],"to":[3,4]})",
        R"({"play":1,"from":{"c":1},"to":[3,4]})",
    };
    for (const char* body : refused_moves) {
        EXPECT_FALSE(read_move_request(body)) << body;
    }
    const char* refused_texts[] = {
        R"({"nickname":"a","country":"RU"})",                            // city missing
        "{\"nickname\":\"a\x01\",\"country\":\"RU\",\"city\":\"c\"}",    // a raw control byte
        "{\"nickname\":\"\xC0\xAF\",\"country\":\"RU\",\"city\":\"c\"}", // overlong UTF-8
        R"({"nickname":"\ud800","country":"RU","city":"c"})",            // half a surrogate pair
        R"({"nickname":"a","country":"RU","city":"c","hidden":"x"})",
    };
    for (const char* body : refused_texts) {
        EXPECT_FALSE(read_send_request(body)) << body;
    }
}

TEST(PlayRequests, PlayerTextsMeetThePanelsRules) {
    EXPECT_FALSE(
        player_texts_refusal({u8str(u8"Аня"), "RU", u8str(u8"Омск"), "", "1990", "a@b.c"}));
    EXPECT_TRUE(player_texts_refusal({u8str(u8"\u65e5\u672c"), "", "", "", "", ""})); // not in 1251
    EXPECT_TRUE(player_texts_refusal({std::string(17, 'a'), "", "", "", "", ""}));    // too long
    EXPECT_FALSE(player_texts_refusal({std::string(16, 'a'), "", "", "", "", ""}));
    EXPECT_TRUE(player_texts_refusal({"", "RUS", "", "", "", ""}));
    EXPECT_TRUE(player_texts_refusal({"a\tb", "", "", "", "", ""}));
}

} // namespace
