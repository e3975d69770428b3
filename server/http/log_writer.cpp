// Lines written to a descriptor by a thread of their own through a bounded buffer, so that a
// reader that stops reading (a pipe nobody drains, a stuck journal) never holds the caller.
#include "server/http/log_writer.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>

namespace {

// How often a writer waiting for room looks whether it is stopping.
constexpr int stop_check_ms = 100;

size_t lines_in(std::string_view text) {
    return size_t(std::count(text.begin(), text.end(), '\n'));
}

} // namespace

LogWriter::LogWriter(int descriptor, size_t max_bytes, DroppedNote note)
    : descriptor_(descriptor), max_bytes_(max_bytes), note_(std::move(note)),
      thread_([this] { run(); }) {}

LogWriter::~LogWriter() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
        stop_deadline_ = std::chrono::steady_clock::now() + stop_patience;
    }
    ready_.notify_one();
    thread_.join();
}

void LogWriter::write(std::string_view line) {
    bool was_empty = false;
    {
        const std::lock_guard lock(mutex_);
        if (queued_.size() + in_flight_ + line.size() > max_bytes_) {
            ++dropped_;
            return;
        }
        was_empty = queued_.empty();
        queued_ += line;
    }
    // The writer sleeps only when nothing is queued: any other wake-up would be wasted.
    if (was_empty) {
        ready_.notify_one();
    }
}

void LogWriter::run() {
    std::string taken;
    // Lines the descriptor refused, told with the next note if it takes one. They do not wake
    // the writer: a descriptor that refuses everything must not make it spin.
    size_t unwritten = 0;
    for (;;) {
        size_t dropped = 0;
        {
            std::unique_lock lock(mutex_);
            // A line is dropped only while others wait or are being written, so the writer
            // is awake then and sees it once it has written them.
            ready_.wait(lock, [this] { return stopping_ || !queued_.empty() || dropped_ > 0; });
            if (queued_.empty() && dropped_ == 0) {
                return;
            }
            taken.clear();
            taken.swap(queued_);
            in_flight_ = taken.size();
            // Dropped while these lines waited, so told after them.
            std::swap(dropped, dropped_);
        }
        unwritten += lines_in(std::string_view(taken).substr(write_out(taken)));
        if (dropped + unwritten > 0 && note_) {
            const std::string note = note_(dropped + unwritten);
            unwritten = write_out(note) < note.size() ? dropped + unwritten : 0;
        }
        const std::lock_guard lock(mutex_);
        in_flight_ = 0;
    }
}

size_t LogWriter::write_out(std::string_view text) {
    size_t done = 0;
    while (done < text.size()) {
        // Whole lines, at most PIPE_BUF bytes: such a write to a pipe is never mixed with
        // another's, and once poll sees room it goes in at once.
        size_t end = std::min(text.size(), done + PIPE_BUF);
        if (end < text.size()) {
            const size_t line_end = text.rfind('\n', end - 1);
            if (line_end != std::string_view::npos && line_end >= done) {
                end = line_end + 1;
            }
        }
        pollfd room{descriptor_, POLLOUT, 0};
        const int ready = poll(&room, 1, stop_check_ms);
        if (ready <= 0) {
            if (ready < 0 && errno != EINTR) {
                return done;
            }
            const std::lock_guard lock(mutex_);
            if (stopping_ && std::chrono::steady_clock::now() >= stop_deadline_) {
                return done;
            }
            continue;
        }
        const ssize_t written = ::write(descriptor_, text.data() + done, end - done);
        if (written < 0) {
            if (errno == EINTR || errno == EAGAIN) {
                continue;
            }
            return done;
        }
        done += size_t(written);
        const std::lock_guard lock(mutex_);
        in_flight_ -= std::min(in_flight_, size_t(written));
    }
    return done;
}
