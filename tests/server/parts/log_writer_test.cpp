// The log's own writer: a full buffer drops and counts lines instead of holding the caller,
// the note comes after the lines that waited, and a stop ends whatever the reader does.
#include "server/http/log_writer.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <sstream>
#include <thread>
#include <vector>

namespace {

struct Pipe {
    int reader = -1;
    int writer = -1;
    Pipe() {
        int ends[2];
        EXPECT_EQ(pipe(ends), 0);
        reader = ends[0];
        writer = ends[1];
        // The smallest the system allows, so that a few lines fill it.
        fcntl(writer, F_SETPIPE_SZ, 4096);
    }
    ~Pipe() {
        close_reader();
        close_writer();
    }
    void close_reader() { close_end(reader); }
    void close_writer() { close_end(writer); }
    static void close_end(int& end) {
        if (end >= 0) {
            close(end);
            end = -1;
        }
    }
    // What the pipe holds until its writing end is closed, read for a bounded time.
    std::string read_all() const {
        std::string text;
        char buffer[4096];
        pollfd readable{reader, POLLIN, 0};
        while (poll(&readable, 1, 30000) > 0) {
            const ssize_t got = read(reader, buffer, sizeof buffer);
            if (got <= 0) {
                break;
            }
            text.append(buffer, size_t(got));
        }
        return text;
    }
};

// 64 bytes, numbered.
std::string numbered(int n) {
    std::string line = "line " + std::to_string(n) + " ";
    line.resize(63, 'x');
    return line + '\n';
}

std::string note(size_t dropped) { return "dropped " + std::to_string(dropped) + "\n"; }

TEST(LogWriter, AFullBufferDropsAndCountsLinesAndTellsAfterThoseThatWaited) {
    Pipe pipe;
    constexpr int sent = 2000;
    std::string text;
    std::thread reader;
    {
        LogWriter writer(pipe.writer, 4096, note);
        // Nobody reads yet: 64 lines fill the pipe at most and 64 the buffer; most of the
        // rest are dropped, and none of them waits.
        for (int n = 0; n < sent; ++n) {
            writer.write(numbered(n));
        }
        // A reader that comes back while the writer stops.
        reader = std::thread([&] { text = pipe.read_all(); });
    }
    pipe.close_writer();
    reader.join();

    std::istringstream lines(text);
    int next = 0;
    int written = 0;
    int dropped = 0;
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with("dropped ")) {
            EXPECT_GT(written, 0) << "told after the lines that waited";
            dropped += std::stoi(line.substr(8));
            continue;
        }
        const int n = std::stoi(line.substr(5));
        EXPECT_GE(n, next) << "in order, each once";
        EXPECT_EQ(line + '\n', numbered(n));
        next = n + 1;
        ++written;
    }
    EXPECT_GT(written, 0);
    EXPECT_GT(dropped, 0);
    EXPECT_EQ(written + dropped, sent);
}

TEST(LogWriter, AStopEndsWhenTheReaderNeverReadsOrIsGone) {
    // As the service does: a reader gone is an error to the write, not the end of the process.
    signal(SIGPIPE, SIG_IGN);
    for (const bool reader_gone : {false, true}) {
        Pipe pipe;
        if (reader_gone) {
            pipe.close_reader();
        }
        {
            LogWriter writer(pipe.writer, 65536, note);
            for (int n = 0; n < 1000; ++n) {
                writer.write(numbered(n));
            }
        } // Returns once the lines are refused or its patience is spent.
        if (!reader_gone) {
            pipe.close_writer();
            const std::string text = pipe.read_all();
            EXPECT_GT(text.size(), 0u);
            EXPECT_LE(text.size(), 4096u);
            EXPECT_EQ(text.size() % 64, 0u) << "what the pipe took, whole lines";
        }
    }
}

} // namespace
