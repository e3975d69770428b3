// Headless Chromium driven over its DevTools pipe, for what its command line cannot do: show a
// page at a phone's width as a phone does, measure the laid-out page, save a screenshot of all
// of it, click and type as a person does, and watch the page's console and the answers it
// receives from outside the page.
#pragma once

#include <boost/json.hpp>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdint>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

class DevToolsBrowser {
  public:
    // Starts Chromium with a profile folder of its own; its log goes to profile + ".log".
    explicit DevToolsBrowser(const std::string& profile) {
        // A browser that died must fail the test, not end it by a write to its closed pipe.
        std::signal(SIGPIPE, SIG_IGN);
        int to_browser[2];
        int from_browser[2];
        if (pipe2(to_browser, O_CLOEXEC) != 0 || pipe2(from_browser, O_CLOEXEC) != 0) {
            return;
        }
        const std::string log = profile + ".log";
        const std::string profile_option = "--user-data-dir=" + profile;
        pid_ = fork();
        if (pid_ == 0) {
            // The pipe's ends where Chromium looks for them: it reads 3 and writes 4. Copied
            // above both first, so that neither is overwritten by the other's move.
            const int in = fcntl(to_browser[0], F_DUPFD, 10);
            const int out = fcntl(from_browser[1], F_DUPFD, 10);
            dup2(in, 3);
            dup2(out, 4);
            const int log_file = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            dup2(log_file, 1);
            dup2(log_file, 2);
            // Chromium refuses to start as root without this flag.
            execlp("chromium", "chromium", "--headless", "--no-sandbox", "--disable-gpu",
                   "--hide-scrollbars", "--remote-debugging-pipe", profile_option.c_str(),
                   "about:blank", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(to_browser[0]);
        close(from_browser[1]);
        to_ = to_browser[1];
        from_ = from_browser[0];
    }
    ~DevToolsBrowser() {
        if (to_ >= 0) {
            send("Browser.close", "{}", "");
            close(to_);
        }
        if (from_ >= 0) {
            close(from_);
        }
        if (pid_ > 0) {
            // Closed by the command above; killed only if it did not go.
            for (int i = 0; i < 100 && waitpid(pid_, nullptr, WNOHANG) == 0; ++i) {
                usleep(50000);
            }
            if (waitpid(pid_, nullptr, WNOHANG) == 0) {
                ::kill(pid_, SIGKILL);
                waitpid(pid_, nullptr, 0);
            }
        }
    }
    DevToolsBrowser(const DevToolsBrowser&) = delete;
    DevToolsBrowser& operator=(const DevToolsBrowser&) = delete;

    // Opens a tab the size of a window of this width and height: as a phone (the page's
    // viewport tag applies, touch-sized) or as a desktop. False if the browser did not answer.
    bool open_tab(int width, int height, bool phone) {
        const std::optional<std::string> target =
            command("Target.createTarget", R"({"url":"about:blank"})", "");
        if (!target) {
            return false;
        }
        const std::string target_id = string_field(*target, "targetId");
        const std::optional<std::string> attached = command(
            "Target.attachToTarget", R"({"targetId":")" + target_id + R"(","flatten":true})", "");
        if (!attached) {
            return false;
        }
        tab_ = string_field(*attached, "sessionId");
        return command("Page.enable", "{}", tab_) &&
               command("Emulation.setDeviceMetricsOverride",
                       R"({"width":)" + std::to_string(width) + R"(,"height":)" +
                           std::to_string(height) + R"(,"deviceScaleFactor":1,"mobile":)" +
                           (phone ? "true" : "false") + "}",
                       tab_);
    }

    // Loads an address and waits for its load event.
    bool load(const std::string& url) {
        events_.clear();
        if (!command("Page.navigate", R"({"url":")" + url + R"("})", tab_)) {
            return false;
        }
        return wait_for_event("Page.loadEventFired");
    }

    // The value of an expression that gives a string (or a promise of one), evaluated in the
    // loaded page; nothing if it failed. The expression holds no double quote or backslash.
    std::optional<std::string> evaluate(const std::string& expression) {
        const std::optional<std::string> result = command(
            "Runtime.evaluate",
            R"({"returnByValue":true,"awaitPromise":true,"expression":")" + expression + R"("})",
            tab_);
        if (!result || result->find("\"exceptionDetails\"") != std::string::npos) {
            return std::nullopt;
        }
        // Read whole, since the browser escapes what is not ASCII.
        boost::system::error_code error;
        const boost::json::value message = boost::json::parse(*result, error);
        const boost::json::value* value =
            error ? nullptr : message.at("result").at("result").as_object().if_contains("value");
        if (!value || !value->is_string()) {
            return std::nullopt;
        }
        return std::string(value->as_string());
    }

    // Evaluates the expression until it gives want, for patience at most; false if it never did.
    bool wait_until(const std::string& expression, const std::string& want) {
        const auto deadline = std::chrono::steady_clock::now() + patience;
        while (std::chrono::steady_clock::now() < deadline) {
            const std::optional<std::string> value = evaluate(expression);
            if (!value) {
                return false;
            }
            if (*value == want) {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }

    // From here on, the tab's console errors, uncaught exceptions and refused loads are kept
    // (page_errors), and so are the answers to requests whose address contains watched_url.
    bool watch(const std::string& watched_url) {
        watched_url_ = watched_url;
        return command("Runtime.enable", "{}", tab_) && command("Log.enable", "{}", tab_) &&
               command("Network.enable", "{}", tab_);
    }
    const std::vector<std::string>& page_errors() const { return page_errors_; }

    // Waits, for patience at most, until count watched answers have arrived whole; their
    // bodies in arrival order, or nothing if fewer came.
    std::optional<std::vector<std::string>> answers(size_t count) {
        while (answered_.size() < count) {
            const std::optional<std::string> message = next_message();
            if (!message) {
                return std::nullopt;
            }
            events_.push_back(*message);
        }
        while (bodies_.size() < answered_.size()) {
            const std::optional<std::string> result =
                command("Network.getResponseBody",
                        R"({"requestId":")" + answered_[bodies_.size()] + R"("})", tab_);
            if (!result) {
                return std::nullopt;
            }
            boost::system::error_code error;
            const boost::json::value message = boost::json::parse(*result, error);
            const boost::json::value* body =
                error ? nullptr : message.at("result").as_object().if_contains("body");
            bodies_.emplace_back(body && body->is_string() ? body->as_string().c_str() : "");
        }
        return std::vector<std::string>(bodies_.begin(), bodies_.begin() + ptrdiff_t(count));
    }

    // A left click at a point of the page, in CSS pixels, as a mouse gives it.
    bool click(double x, double y) {
        const std::string at = R"("x":)" + std::to_string(x) + R"(,"y":)" + std::to_string(y);
        return command("Input.dispatchMouseEvent", "{\"type\":\"mouseMoved\"," + at + "}", tab_) &&
               command("Input.dispatchMouseEvent",
                       "{\"type\":\"mousePressed\",\"button\":\"left\",\"clickCount\":1," + at +
                           "}",
                       tab_) &&
               command("Input.dispatchMouseEvent",
                       "{\"type\":\"mouseReleased\",\"button\":\"left\",\"clickCount\":1," + at +
                           "}",
                       tab_);
    }

    // A key without text pressed and let go: key as KeyboardEvent.key names it, and its
    // Windows key code, which Chromium's editing acts on.
    bool press_key(const std::string& key, int windows_code) {
        const std::string fields = R"("key":")" + key + R"(","code":")" + key +
                                   R"(","windowsVirtualKeyCode":)" + std::to_string(windows_code);
        return command("Input.dispatchKeyEvent", "{\"type\":\"rawKeyDown\"," + fields + "}",
                       tab_) &&
               command("Input.dispatchKeyEvent", "{\"type\":\"keyUp\"," + fields + "}", tab_);
    }

    // Text typed into the focused field as a keyboard's input method gives it. The text holds
    // no double quote or backslash.
    bool insert_text(const std::string& text) {
        return bool(command("Input.insertText", R"({"text":")" + text + R"("})", tab_));
    }

    // A PNG of the page's top left width × height CSS pixels, saved to path.
    bool save_screenshot(const std::string& path, int width, int height) {
        const std::optional<std::string> result =
            command("Page.captureScreenshot",
                    R"({"format":"png","captureBeyondViewport":true,"clip":{"x":0,"y":0,"width":)" +
                        std::to_string(width) + R"(,"height":)" + std::to_string(height) +
                        R"(,"scale":1}})",
                    tab_);
        if (!result) {
            return false;
        }
        const std::string png = base64_decoded(string_field(*result, "data"));
        std::ofstream file(path, std::ios::binary);
        file.write(png.data(), std::streamsize(png.size()));
        return bool(file) && !png.empty();
    }

    // Any other command of the tab's (params a JSON object); its answer's message, or nothing
    // if it failed.
    std::optional<std::string> tab_command(const std::string& method, const std::string& params) {
        return command(method, params, tab_);
    }

  private:
    // How long the browser may take over one step before the test calls it hung: far beyond
    // what any step takes, even on a busy machine.
    static constexpr std::chrono::seconds patience{120};

    void send(const std::string& method, const std::string& params, const std::string& tab) {
        std::string message = R"({"id":)" + std::to_string(++last_id_) + R"(,"method":")" + method +
                              R"(","params":)" + params;
        if (!tab.empty()) {
            message += R"(,"sessionId":")" + tab + "\"";
        }
        message += "}";
        message.push_back('\0');
        for (size_t sent = 0; sent < message.size();) {
            const ssize_t n = write(to_, message.data() + sent, message.size() - sent);
            if (n <= 0) {
                return;
            }
            sent += size_t(n);
        }
    }

    // The next message, or nothing once the browser has gone quiet for patience or closed.
    std::optional<std::string> next_message() {
        for (;;) {
            const size_t end = buffer_.find('\0');
            if (end != std::string::npos) {
                std::string message = buffer_.substr(0, end);
                buffer_.erase(0, end + 1);
                note(message);
                return message;
            }
            pollfd readable{from_, POLLIN, 0};
            if (poll(&readable, 1, int(std::chrono::milliseconds(patience).count())) <= 0) {
                return std::nullopt;
            }
            char chunk[65536];
            const ssize_t n = read(from_, chunk, sizeof chunk);
            if (n <= 0) {
                return std::nullopt;
            }
            buffer_.append(chunk, size_t(n));
        }
    }

    // Sends a command and returns its answer's message, or nothing if it failed; the events
    // that come meanwhile are kept for wait_for_event.
    std::optional<std::string> command(const std::string& method, const std::string& params,
                                       const std::string& tab) {
        if (to_ < 0) {
            return std::nullopt;
        }
        send(method, params, tab);
        const std::string id_mark = R"({"id":)" + std::to_string(last_id_) + ",";
        while (const std::optional<std::string> message = next_message()) {
            if (message->rfind(id_mark, 0) == 0) {
                if (message->find(R"("error":)") != std::string::npos) {
                    return std::nullopt;
                }
                return message;
            }
            events_.push_back(*message);
        }
        return std::nullopt;
    }

    bool wait_for_event(const std::string& method) {
        const std::string mark = R"("method":")" + method + "\"";
        for (auto it = events_.begin(); it != events_.end(); ++it) {
            if (it->find(mark) != std::string::npos) {
                events_.erase(events_.begin(), it + 1);
                return true;
            }
        }
        events_.clear();
        while (const std::optional<std::string> message = next_message()) {
            if (message->find(mark) != std::string::npos) {
                return true;
            }
        }
        return false;
    }

    // Keeps what a watched tab reports: its errors, and which watched requests were answered.
    void note(const std::string& message) {
        if (watched_url_.empty() || message.rfind(R"({"method":")", 0) != 0) {
            return;
        }
        const auto is = [&](const char* method) {
            return message.find(std::string(R"({"method":")") + method + "\"") == 0;
        };
        // Errors only: warnings include the browser's advice on the tests' own reads. The
        // browser's own request for /favicon.ico is no load of the page's.
        if (is("Runtime.exceptionThrown") ||
            (is("Runtime.consoleAPICalled") &&
             message.find(R"("type":"error")") != std::string::npos) ||
            (is("Log.entryAdded") && message.find(R"("level":"error")") != std::string::npos &&
             message.find("/favicon.ico\"") == std::string::npos)) {
            page_errors_.push_back(message);
        } else if (is("Network.responseReceived") &&
                   message.find(watched_url_) != std::string::npos) {
            watched_requests_.push_back(string_field(message, "requestId"));
        } else if (is("Network.loadingFinished")) {
            const std::string id = string_field(message, "requestId");
            for (const std::string& watched : watched_requests_) {
                if (watched == id) {
                    answered_.push_back(id);
                }
            }
        }
    }

    // A string field of a message, taken as it stands: the fields read here hold no escapes.
    static std::string string_field(const std::string& message, const std::string& name) {
        const std::string mark = "\"" + name + "\":\"";
        const size_t start = message.find(mark);
        if (start == std::string::npos) {
            return {};
        }
        const size_t from = start + mark.size();
        return message.substr(from, message.find('"', from) - from);
    }

    static std::string base64_decoded(const std::string& text) {
        std::string bytes;
        uint32_t bits = 0;
        int count = 0;
        for (const char c : text) {
            int value = -1;
            if (c >= 'A' && c <= 'Z') {
                value = c - 'A';
            } else if (c >= 'a' && c <= 'z') {
                value = c - 'a' + 26;
            } else if (c >= '0' && c <= '9') {
                value = c - '0' + 52;
            } else if (c == '+') {
                value = 62;
            } else if (c == '/') {
                value = 63;
            } else {
                continue;
            }
            bits = (bits << 6) | uint32_t(value);
            count += 6;
            if (count >= 8) {
                count -= 8;
                bytes.push_back(char((bits >> count) & 0xFF));
            }
        }
        return bytes;
    }

    pid_t pid_ = -1;
    int to_ = -1;
    int from_ = -1;
    int last_id_ = 0;
    std::string tab_;
    std::string buffer_;
    std::vector<std::string> events_;
    std::string watched_url_;
    std::vector<std::string> page_errors_;
    std::vector<std::string> watched_requests_;
    std::vector<std::string> answered_; // watched requests answered whole, in order
    std::vector<std::string> bodies_;   // the first of their bodies, as fetched
};
