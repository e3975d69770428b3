#include "record/result_link.h"
#include "record/settings_record.h"
#include "tests/support/command_run.h"
#include "tests/support/record_samples.h"
#include "tests/support/record_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Runs the decoder of this build tree through the shell with the given argument text; its
// output holds standard output and error together.
CommandRun run_decoder(const std::string& arguments) {
    return run_command(std::string("'") + DECODE_RESULT_LINK + "' " + arguments + " 2>&1");
}

const std::string sample_record = build_settings_record(
    settings_of(42, 7, 5, 12), 321, {"Ник", "ru", "Москва", "", "1980", "me@example.org"});

TEST(DecodeTool, PrintsTheTenFieldsAndTheChecksum) {
    const CommandRun run = run_decoder("'" + result_link(sample_record) + "'");
    EXPECT_EQ(run.exit_code, 0) << run.output;
    const std::string checksum = scramble_record(sample_record).substr(sample_record.size() + 1);
    const std::string expected = "field 1, initial ball count: 42\n"
                                 "field 2, colours: 7\n"
                                 "field 3, rounds and lines per round: 5 12\n"
                                 "field 4, moves: 321\n"
                                 "field 5, nickname: " +
                                 utf8_text(u8"Ник") +
                                 "\n"
                                 "field 6, country: ru\n"
                                 "field 7, city: " +
                                 utf8_text(u8"Москва") +
                                 "\n"
                                 "field 8, hidden text: \n"
                                 "field 9, birth year: 1980\n"
                                 "field 10, e-mail: me@example.org\n"
                                 "checksum: " +
                                 checksum + ", holds\n";
    EXPECT_EQ(run.output, expected);
}

TEST(DecodeTool, ReadsAQueryFromStandardInputAndKeepsTheCodePageOnRequest) {
    // A line as a terminal or a file gives it, with a carriage return before its end.
    const CommandRun piped =
        run_decoder("--raw - <<'END'\n" + result_link_query(sample_record) + "\r\nEND\n");
    EXPECT_EQ(piped.exit_code, 0) << piped.output;
    EXPECT_NE(piped.output.find("field 7, city: Москва\n"), std::string::npos) << piped.output;
}

TEST(DecodeTool, ExitCodesTellAWrongChecksumFromInputThatIsNoLink) {
    std::string tampered = result_link_query(sample_record);
    tampered.replace(0, 2, result_link_query("5").substr(0, 2)); // field 1 now reads 52
    CommandRun run = run_decoder(tampered);
    EXPECT_EQ(run.exit_code, 1) << run.output;
    EXPECT_NE(run.output.find("does not hold"), std::string::npos) << run.output;

    for (const char* input : {"d6e6c6dfb313a", "d6e6c6dfb313g3", "b313a3", "''"}) {
        run = run_decoder(input);
        EXPECT_EQ(run.exit_code, 2) << input << ": " << run.output;
        EXPECT_NE(run.output.find("not a result link"), std::string::npos) << run.output;
    }
    run = run_decoder("d6e6c6dfb313a3 extra");
    EXPECT_EQ(run.exit_code, 2) << run.output;
    EXPECT_NE(run.output.find("usage"), std::string::npos) << run.output;
}

} // namespace
