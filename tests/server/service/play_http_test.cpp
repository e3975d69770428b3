// The browser test's requests against the real service: a whole test played over HTTP and its
// result stored verified with the referee's count, forged and abusive requests refused with
// their reasons and nothing stored, and a running test that outlives a restart and is played
// by two services sharing one PostgreSQL database.
#include "engine/game_state.h"
#include "tests/server/page_answers.h"
#include "tests/server/referee_player.h"
#include "tests/server/stored_rows.h"
#include "tests/support/postgres_cluster.h"
#include "tests/support/service_process.h"

#include <gtest/gtest.h>

#include <zlib.h>

#include <chrono>
#include <string>
#include <thread>

namespace {

namespace json = boost::json;
using namespace std::chrono_literals;

constexpr TestSettings small_test{29, 3, 1, 2};
constexpr int most_planned_moves = 500;

Answer post(const ServiceProcess& service, const std::string& path, const std::string& body,
            const std::string& type = "application/json") {
    Answer answer;
    if (httplib::Result result = service.client().Post(path, body, type)) {
        answer.status = result->status;
        answer.body = result->body;
        answer.headers = result->headers;
    }
    return answer;
}

json::object object_of(const Answer& answer) { return answer_object(answer.body); }

std::string refusal_of(const Answer& answer) {
    const json::object object = object_of(answer);
    const json::value* code = object.if_contains("refused");
    return code && code->is_string() ? std::string(code->as_string()) : "";
}

std::string settings_json(const TestSettings& s) {
    return "{\"balls\":" + std::to_string(s.initial_ball_count) +
           ",\"colours\":" + std::to_string(s.colour_count) +
           ",\"rounds\":" + std::to_string(s.round_count) +
           ",\"lines\":" + std::to_string(s.lines_per_round) + "}";
}

std::string move_json(int play, const Move& move) {
    return "{\"play\":" + std::to_string(play) + ",\"from\":[" + std::to_string(move.from.column) +
           "," + std::to_string(move.from.row) + "],\"to\":[" + std::to_string(move.to.column) +
           "," + std::to_string(move.to.row) + "]}";
}

// A planner plays far faster than a person: these tests are not about the pace of moves.
const std::vector<std::string> unpaced = {"--moves-per-second=100000", "--move-burst=100000"};

const std::string texts_json =
    R"({"nickname":"web","country":"RU","city":"Kazan","birth_year":"1990","email":"w@e.b"})";

// A player of the page's requests, on whichever service it is given each time.
struct WebPlayer {
    std::string id;
    PageBoard board;
    int play = 0;
    bool over = false;
    Move last{};             // the last move taken
    std::string last_answer; // and its answer
    Planner planner;

    bool start(const ServiceProcess& service, const TestSettings& settings = small_test) {
        const Answer answer = post(service, "/play/tests", settings_json(settings));
        EXPECT_EQ(answer.status, 200) << answer.body;
        if (answer.status != 200) {
            return false;
        }
        const json::object started = object_of(answer);
        id = std::string(started.at("test").as_string());
        apply_answer(board, started);
        return true;
    }
    std::string moves_path() const { return "/play/tests/" + id + "/moves"; }
    std::string result_path() const { return "/play/tests/" + id + "/result"; }
    Move next_move() { return planner.planned_move(board); }
    // The planned move, applied when taken.
    Answer move(const ServiceProcess& service) {
        const Move planned = next_move();
        const Answer answer = post(service, moves_path(), move_json(play + 1, planned));
        if (answer.status == 200) {
            last = planned;
            last_answer = answer.body;
            const json::object played = object_of(answer);
            apply_answer(board, played);
            over = played.at("over").as_bool();
            ++play;
        }
        return answer;
    }
};

std::string gunzipped(const std::string& bytes) {
    z_stream stream{};
    inflateInit2(&stream, 15 + 16);
    std::string out(1 << 20, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    stream.avail_in = uInt(bytes.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = uInt(out.size());
    const bool whole = inflate(&stream, Z_FINISH) == Z_STREAM_END;
    out.resize(whole ? stream.total_out : 0);
    inflateEnd(&stream);
    return out;
}

// The page names its files with their versions; under a version a file is kept a year, without
// one it is asked again; each goes gzipped to a browser that takes it, and a browser that has
// it gets 304. Only the page carries the policy that lets its script and module run.
TEST(PlayOverHttp, ThePageAndItsFilesAreVersionedCompressedAndRevalidated) {
    TemporaryFolder folder;
    ServiceProcess service(TRIVELLE_RESULTS_SERVICE, folder.path("results.sqlite"));
    ASSERT_TRUE(service.started());
    const Answer page = get(service, "/play");
    ASSERT_EQ(page.status, 200);
    EXPECT_NE(page.header("Content-Security-Policy").find("script-src 'self' 'wasm-unsafe-eval'"),
              std::string::npos);
    EXPECT_EQ(get(service, "/records").header("Content-Security-Policy").find("script-src"),
              std::string::npos);
    const size_t at = page.body.find("/play/play.js?v=");
    ASSERT_NE(at, std::string::npos);
    const std::string script = page.body.substr(at, page.body.find('"', at) - at);
    const Answer plain = get(service, script);
    EXPECT_EQ(plain.status, 200);
    EXPECT_EQ(plain.header("Cache-Control"), "public, max-age=31536000, immutable");
    EXPECT_EQ(plain.header("Content-Type"), "text/javascript; charset=utf-8");
    EXPECT_EQ(get(service, "/play/play.js").header("Cache-Control"), "no-cache");
    const size_t module_at = plain.body.find("/play/trivelle.wasm?v=");
    ASSERT_NE(module_at, std::string::npos) << "the script names its module's version";

    httplib::Client client = service.client();
    client.set_decompress(false);
    const httplib::Result zipped = client.Get(script, {{"Accept-Encoding", "br, gzip;q=0.8"}});
    ASSERT_TRUE(zipped);
    EXPECT_EQ(zipped->get_header_value("Content-Encoding"), "gzip");
    EXPECT_EQ(gunzipped(zipped->body), plain.body);
    const httplib::Result refused = client.Get(script, {{"Accept-Encoding", "gzip;q=0"}});
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->body, plain.body);
    const httplib::Result kept =
        client.Get(script, {{"If-None-Match", zipped->get_header_value("ETag")}});
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->status, 304);
    EXPECT_TRUE(kept->body.empty());
    const Answer module = get(service, "/play/trivelle.wasm");
    EXPECT_EQ(module.header("Content-Type"), "application/wasm");
    EXPECT_EQ(module.body.substr(0, 4), std::string("\0asm", 4));
    EXPECT_EQ(get(service, "/play/nothing.js").status, 404);
}

TEST(PlayOverHttp, AWholeTestIsStoredOnceVerifiedWithTheRefereesCount) {
    TemporaryFolder folder;
    const std::string db = folder.path("results.sqlite");
    ServiceProcess service(TRIVELLE_RESULTS_SERVICE, db, unpaced);
    ASSERT_TRUE(service.started());
    WebPlayer player;
    ASSERT_TRUE(player.start(service));
    EXPECT_EQ(post(service, player.result_path(), texts_json).status, 409) << "not over yet";
    while (!player.over && player.play < most_planned_moves) {
        const Answer answer = player.move(service);
        ASSERT_EQ(answer.status, 200) << answer.body;
    }
    ASSERT_TRUE(player.over);
    const Answer sent = post(service, player.result_path(), texts_json);
    ASSERT_EQ(sent.status, 200) << sent.body;
    const json::object result = object_of(sent);
    EXPECT_EQ(result.at("moves").as_int64(), player.play);
    EXPECT_EQ(result.at("place").as_int64(), 1);
    const std::map<std::string, std::string> row = stored_row(db, "v" + player.id);
    ASSERT_FALSE(row.empty());
    EXPECT_EQ(row.at("total_moves"), std::to_string(player.play));
    EXPECT_EQ(row.at("verified"), "1");
    EXPECT_EQ(row.at("city"), "Kazan");

    const Answer again = post(service, player.result_path(), texts_json);
    EXPECT_EQ(again.status, 409);
    EXPECT_EQ(refusal_of(again), "sent_already");
    EXPECT_EQ(stored_count(db), 1);
    const Answer after_the_end = post(service, player.moves_path(), move_json(player.play + 1, {}));
    EXPECT_EQ(refusal_of(after_the_end), "test_over");
}

TEST(PlayOverHttp, ForgedAndAbusiveRequestsAreRefusedWithTheirReasonAndNothingIsStored) {
    TemporaryFolder folder;
    const std::string db = folder.path("results.sqlite");
    ServiceProcess service(TRIVELLE_RESULTS_SERVICE, db, {"--tests-per-address=3"});
    ASSERT_TRUE(service.started());
    WebPlayer player;
    ASSERT_TRUE(player.start(service));
    WebPlayer other;
    ASSERT_TRUE(other.start(service));
    for (int n = 0; n < 2; ++n) {
        ASSERT_EQ(player.move(service).status, 200);
    }
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
    const Move next = player.next_move();
    const std::string moves = player.moves_path();
    struct Case {
        const char* what;
        std::string path;
        std::string body;
        std::string type;
        int status;
        std::string refusal;
    };
    const Case cases[] = {
        {"a test never started", "/play/tests/" + std::string(32, 'a') + "/moves",
         move_json(1, next), "application/json", 404, "unknown_test"},
        {"a malformed id", "/play/tests/ZZ/moves", move_json(3, next), "application/json", 404,
         "not_found"},
        {"from an empty cell", moves, move_json(3, {empty, empty}), "application/json", 409,
         "empty_source"},
        {"onto a ball", moves, move_json(3, {ball, ball}), "application/json", 409,
         "occupied_target"},
        {"an earlier move again", moves, move_json(1, next), "application/json", 409, "stale_play"},
        {"a move skipping numbers", moves, move_json(5, next), "application/json", 409,
         "not_next_play"},
        {"a body that is no JSON", moves, "play=3", "application/json", 400, "bad_request"},
        {"a form's type", moves, move_json(3, next), "application/x-www-form-urlencoded", 415,
         "not_json"},
        {"a seed asked for", "/play/tests",
         R"({"balls":29,"colours":3,"rounds":1,"lines":2,"seed":1})", "application/json", 400,
         "bad_request"},
        {"settings the panel lacks", "/play/tests", settings_json({60, 7, 1, 1}),
         "application/json", 400, "bad_settings"},
        {"a result of a running test", player.result_path(), texts_json, "application/json", 409,
         "not_over"},
    };
    for (const Case& c : cases) {
        const Answer answer = post(service, c.path, c.body, c.type);
        EXPECT_EQ(answer.status, c.status) << c.what << ": " << answer.body;
        EXPECT_EQ(refusal_of(answer), c.refusal) << c.what;
        EXPECT_FALSE(object_of(answer).at("reason").as_string().empty()) << c.what;
    }
    // A GET where only a POST is taken, and a POST where only a GET is.
    EXPECT_EQ(get(service, "/play/tests").status, 405);
    EXPECT_EQ(post(service, "/records", "{}").status, 405);
    // A flood of starts from one address: its bound, and the others still play.
    WebPlayer third;
    ASSERT_TRUE(third.start(service));
    const Answer flood = post(service, "/play/tests", settings_json(small_test));
    EXPECT_EQ(flood.status, 429);
    EXPECT_EQ(refusal_of(flood), "too_many_tests_here");
    EXPECT_FALSE(flood.header("Retry-After").empty());
    // The test is unharmed: its next move is taken, and nothing was stored.
    EXPECT_EQ(player.move(service).status, 200);
    EXPECT_EQ(stored_count(db), 0);
}

TEST(PlayOverHttp, AnIdleTestExpires) {
    TemporaryFolder folder;
    ServiceProcess service(TRIVELLE_RESULTS_SERVICE, folder.path("results.sqlite"),
                           {"--test-idle-timeout=1"});
    ASSERT_TRUE(service.started());
    WebPlayer player;
    ASSERT_TRUE(player.start(service));
    std::this_thread::sleep_for(2100ms); // whole seconds: over a second past its last request
    const Answer expired = player.move(service);
    EXPECT_EQ(expired.status, 404);
    EXPECT_EQ(refusal_of(expired), "unknown_test");
}

TEST(PlayOverHttp, ARunningTestOutlivesARestartOfTheService) {
    TemporaryFolder folder;
    const std::string db = folder.path("results.sqlite");
    WebPlayer player;
    {
        ServiceProcess service(TRIVELLE_RESULTS_SERVICE, db, unpaced);
        ASSERT_TRUE(service.started());
        ASSERT_TRUE(player.start(service, {29, 3, 2, 3}));
        for (int n = 0; n < 3; ++n) {
            ASSERT_EQ(player.move(service).status, 200);
        }
        EXPECT_EQ(service.stop(), 0);
    }
    ServiceProcess service(TRIVELLE_RESULTS_SERVICE, db, unpaced);
    ASSERT_TRUE(service.started());
    while (!player.over && player.play < most_planned_moves) {
        const Answer answer = player.move(service);
        ASSERT_EQ(answer.status, 200) << answer.body;
    }
    EXPECT_EQ(post(service, player.result_path(), texts_json).status, 200);
}

TEST(PlayOverHttp, TwoServicesOnOneDatabasePlayOneTestTakingTurns) {
    const std::string uri = new_postgres_database();
    ASSERT_FALSE(uri.empty());
    const ServiceProcess services[] = {{TRIVELLE_RESULTS_SERVICE, uri, unpaced},
                                       {TRIVELLE_RESULTS_SERVICE, uri, unpaced}};
    ASSERT_TRUE(services[0].started() && services[1].started());
    WebPlayer player;
    ASSERT_TRUE(player.start(services[0], {29, 3, 2, 3}));
    while (!player.over && player.play < most_planned_moves) {
        const ServiceProcess& turn = services[player.play % 2];
        const Answer answer = player.move(turn);
        ASSERT_EQ(answer.status, 200) << answer.body;
        // The same request again, at the other service: the same answer, nothing played.
        const Answer repeated = post(services[(player.play + 1) % 2], player.moves_path(),
                                     move_json(player.play, player.last));
        EXPECT_EQ(repeated.body, player.last_answer);
    }
    const Answer sent = post(services[1], player.result_path(), texts_json);
    EXPECT_EQ(sent.status, 200) << sent.body;
    EXPECT_EQ(post(services[0], player.result_path(), texts_json).status, 409);
}

} // namespace
