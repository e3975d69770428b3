// The service's HTTP/1.1 front on Boost.Beast: one coroutine a connection on a few threads,
// so that slow clients hold no thread, and every bound of HttpLimits enforced here.
#include "server/http_server.h"

#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>

#include <pthread.h>
#include <signal.h>

#include <climits>
#include <ctime>
#include <iterator>
#include <map>
#include <mutex>
#include <thread>

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;

namespace {

// How many connections each client address holds, and all of them together.
struct ConnectionCounts {
    std::mutex mutex;
    size_t total = 0;
    std::map<asio::ip::address, size_t> per_address;
};

// A connection's place in the counts, given back when the connection ends.
class ConnectionSlot {
  public:
    ConnectionSlot(ConnectionCounts& counts, asio::ip::address address)
        : counts_(&counts), address_(std::move(address)) {}
    ConnectionSlot(ConnectionSlot&& other) noexcept
        : counts_(std::exchange(other.counts_, nullptr)), address_(std::move(other.address_)) {}
    ConnectionSlot(const ConnectionSlot&) = delete;
    ConnectionSlot& operator=(const ConnectionSlot&) = delete;
    ConnectionSlot& operator=(ConnectionSlot&&) = delete;
    ~ConnectionSlot() {
        if (counts_ == nullptr) {
            return;
        }
        const std::lock_guard lock(counts_->mutex);
        --counts_->total;
        const auto found = counts_->per_address.find(address_);
        if (--found->second == 0) {
            counts_->per_address.erase(found);
        }
    }

  private:
    ConnectionCounts* counts_;
    asio::ip::address address_;
};

// A slot for a new connection from this address, or none when either limit is reached.
std::optional<ConnectionSlot> take_slot(ConnectionCounts& counts, const HttpLimits& limits,
                                        const asio::ip::address& address) {
    const std::lock_guard lock(counts.mutex);
    size_t& from_address = counts.per_address[address];
    if (counts.total >= limits.max_connections ||
        from_address >= limits.max_connections_per_address) {
        if (from_address == 0) {
            counts.per_address.erase(address);
        }
        return std::nullopt;
    }
    ++counts.total;
    ++from_address;
    return ConnectionSlot(counts, address);
}

// Answers from other threads reach a connection through its executor only while the server
// runs: once it has stopped, a late answer is dropped instead of posted to a dead context.
struct ReplyGate {
    std::mutex mutex;
    bool open = true;
};

struct Server {
    Server(const HttpServerSettings& settings, const HttpHandler& handler)
        : settings(settings), handler(handler) {}
    const HttpServerSettings& settings;
    const HttpHandler& handler;
    ConnectionCounts counts;
    std::shared_ptr<ReplyGate> gate = std::make_shared<ReplyGate>();
};

std::string http_date() {
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    char text[40];
    std::strftime(text, sizeof text, "%a, %d %b %Y %H:%M:%S GMT", &utc);
    return text;
}

// The status line and headers of an answer; the body's length goes with HEAD too, as GET
// would send it.
std::string head_of(const Server& server, const HttpAnswer& answer, bool keep_alive) {
    std::string head = "HTTP/1.1 ";
    head += std::to_string(answer.status);
    head += ' ';
    const beast::string_view reason = http::obsolete_reason(http::int_to_status(answer.status));
    head.append(reason.data(), reason.size());
    head += "\r\nDate: ";
    head += http_date();
    head += "\r\n";
    auto add = [&head](const std::string& name, const std::string& value) {
        head.append(name).append(": ").append(value).append("\r\n");
    };
    for (const auto& [name, value] : server.settings.common_headers) {
        add(name, value);
    }
    for (const auto& [name, value] : answer.headers) {
        add(name, value);
    }
    if (answer.body) {
        add("Content-Length", std::to_string(answer.body->size()));
    }
    head += keep_alive ? "\r\n" : "Connection: close\r\n\r\n";
    return head;
}

HttpAnswer refusal(const Server& server, int status) {
    HttpAnswer answer{status, {}, nullptr};
    answer.headers.emplace_back("Content-Type", "text/html; charset=utf-8");
    if (status == 405) {
        answer.headers.emplace_back("Allow", "GET, HEAD");
    }
    if (status == 503) {
        answer.headers.emplace_back("Retry-After", "1");
    }
    answer.body = std::make_shared<const std::string>(server.settings.error_page(status));
    return answer;
}

// Writes the answer within the request's time; false when the connection must end.
asio::awaitable<bool> write_answer(Server& server, beast::tcp_stream& stream,
                                   const HttpAnswer& answer, bool head, bool keep_alive) {
    const std::string status_and_headers = head_of(server, answer, keep_alive);
    std::array<asio::const_buffer, 2> buffers{asio::buffer(status_and_headers),
                                              asio::const_buffer()};
    if (answer.body && !head) {
        buffers[1] = asio::buffer(*answer.body);
    }
    stream.expires_after(server.settings.limits.request_timeout);
    beast::error_code error;
    co_await asio::async_write(stream, buffers, asio::redirect_error(asio::use_awaitable, error));
    co_return !error && keep_alive;
}

// After a refusal the client may still be sending: closing at once would reset the connection
// and could destroy the answer before it is read, so the rest is read and dropped, briefly.
asio::awaitable<void> close_gently(beast::tcp_stream& stream) {
    constexpr size_t most_dropped = size_t(64) * 1024;
    beast::error_code error;
    stream.socket().shutdown(tcp::socket::shutdown_send, error);
    stream.expires_after(std::chrono::seconds(1));
    std::array<char, 4096> dropped;
    for (size_t total = 0; !error && total < most_dropped;) {
        total += co_await stream.async_read_some(asio::buffer(dropped),
                                                 asio::redirect_error(asio::use_awaitable, error));
    }
}

// The handler's answer, awaited: it may come from another thread (the store's writer).
asio::awaitable<HttpAnswer> handled(Server& server, const HttpRequest& request) {
    // The analyser loses its way in Asio's coroutine frames and reports a null pointer there.
    // NOLINTNEXTLINE(clang-analyzer-core.NullDereference)
    co_return co_await asio::async_initiate<decltype(asio::use_awaitable), void(HttpAnswer)>(
        [&server, &request](auto completion) {
            using Completion = decltype(completion);
            auto shared = std::make_shared<Completion>(std::move(completion));
            std::shared_ptr<ReplyGate> gate = server.gate;
            server.handler(request, [shared, gate](HttpAnswer answer) {
                const std::lock_guard lock(gate->mutex);
                if (!gate->open) {
                    return;
                }
                auto executor = asio::get_associated_executor(*shared);
                asio::post(executor, [shared, answer = std::move(answer)]() mutable {
                    std::move (*shared)(std::move(answer));
                });
            });
        },
        asio::use_awaitable);
}

// Waits for the first byte of a request: a kept-alive connection may idle only so long.
asio::awaitable<bool> await_request(Server& server, beast::tcp_stream& stream,
                                    beast::flat_buffer& buffer, std::chrono::seconds patience) {
    if (buffer.size() > 0) {
        co_return true;
    }
    stream.expires_after(patience);
    beast::error_code error;
    const size_t read =
        co_await stream.async_read_some(buffer.prepare(server.settings.limits.max_request_bytes),
                                        asio::redirect_error(asio::use_awaitable, error));
    buffer.commit(read);
    co_return !error;
}

// The status a request is refused with once its headers are read (or could not be), or 0.
int refusal_status(const beast::error_code& error,
                   const http::request_parser<http::empty_body>& parser, const HttpLimits& limits) {
    const auto& message = parser.get();
    if (error == http::error::header_limit || error == http::error::buffer_overflow) {
        // The start line is in the message once it was read whole.
        return message.target().empty() ? 414 : 431;
    }
    if (error) {
        return 400;
    }
    if (size_t(std::distance(message.begin(), message.end())) > limits.max_headers) {
        return 431;
    }
    if (message.method() != http::verb::get && message.method() != http::verb::head) {
        // Nothing here takes a body: it is never read, so it can never run as a request.
        return 405;
    }
    if (parser.chunked() || parser.content_length().value_or(0) > 0) {
        return 400;
    }
    return 0;
}

// The slot is held for as long as the connection lives.
asio::awaitable<void> serve_connection(Server& server, tcp::socket socket,
                                       [[maybe_unused]] ConnectionSlot slot) {
    const HttpLimits& limits = server.settings.limits;
    beast::tcp_stream stream(std::move(socket));
    beast::flat_buffer buffer(limits.max_request_bytes);
    // A new connection is given the request time for its first byte; a kept one the idle time.
    std::chrono::seconds patience = limits.request_timeout;
    while (co_await await_request(server, stream, buffer, patience)) {
        patience = limits.idle_timeout;
        stream.expires_after(limits.request_timeout);
        http::request_parser<http::empty_body> parser;
        parser.header_limit(uint32_t(std::min<size_t>(limits.max_request_bytes, UINT32_MAX)));
        // The body is never read; its announced length must not fail the headers.
        parser.body_limit(boost::none);
        beast::error_code error;
        co_await http::async_read_header(stream, buffer, parser,
                                         asio::redirect_error(asio::use_awaitable, error));
        if (error == beast::error::timeout || error == http::error::end_of_stream ||
            error == asio::error::eof || error == asio::error::connection_reset) {
            co_return;
        }
        if (const int refused = refusal_status(error, parser, limits)) {
            co_await write_answer(server, stream, refusal(server, refused), false, false);
            co_await close_gently(stream);
            co_return;
        }
        const auto& message = parser.get();
        const beast::string_view target = message.target();
        const HttpRequest request{message.method() == http::verb::head,
                                  std::string_view(target.data(), target.size())};
        const HttpAnswer answer = co_await handled(server, request);
        if (!co_await write_answer(server, stream, answer, request.head, message.keep_alive())) {
            co_return;
        }
    }
}

// A connection over a limit gets its 503 in one try, without waiting for the client.
void refuse_at_once(const Server& server, tcp::socket& socket) {
    const HttpAnswer answer = refusal(server, 503);
    const std::string text = head_of(server, answer, false) + *answer.body;
    beast::error_code ignored;
    socket.non_blocking(true, ignored);
    socket.write_some(asio::buffer(text), ignored);
    socket.close(ignored);
}

asio::awaitable<void> accept_connections(Server& server, tcp::acceptor& acceptor) {
    asio::steady_timer pause(acceptor.get_executor());
    for (;;) {
        beast::error_code error;
        tcp::socket socket =
            co_await acceptor.async_accept(asio::make_strand(acceptor.get_executor()),
                                           asio::redirect_error(asio::use_awaitable, error));
        if (error == asio::error::operation_aborted) {
            co_return;
        }
        if (error) {
            // Out of descriptors, say: try again shortly rather than spin.
            pause.expires_after(std::chrono::milliseconds(50));
            co_await pause.async_wait(asio::redirect_error(asio::use_awaitable, error));
            continue;
        }
        const asio::ip::address address = socket.remote_endpoint(error).address();
        if (error) {
            continue;
        }
        std::optional<ConnectionSlot> slot =
            take_slot(server.counts, server.settings.limits, address);
        if (!slot) {
            refuse_at_once(server, socket);
            continue;
        }
        socket.set_option(tcp::no_delay(true), error);
        const auto executor = socket.get_executor();
        asio::co_spawn(executor, serve_connection(server, std::move(socket), std::move(*slot)),
                       asio::detached);
    }
}

} // namespace

int serve_http(const HttpServerSettings& settings, const HttpHandler& handler,
               const std::function<void(int port)>& on_listening, std::string& error) {
    Server server(settings, handler);
    asio::io_context context(settings.threads);
    // Once this handler is set, SIGINT and SIGTERM stop the server wherever it is; until
    // then the caller keeps them blocked, so that none is lost.
    asio::signal_set stop_signals(context, SIGINT, SIGTERM);
    tcp::acceptor acceptor(context);
    try {
        const tcp::endpoint endpoint(asio::ip::make_address(settings.address),
                                     asio::ip::port_type(settings.port));
        acceptor.open(endpoint.protocol());
        // Lets a restarted service take its port while old connections linger in TIME_WAIT;
        // without SO_REUSEPORT a second running service still cannot share it.
        acceptor.set_option(tcp::acceptor::reuse_address(true));
        acceptor.bind(endpoint);
        // The kernel lowers this to its own maximum (net.core.somaxconn).
        acceptor.listen(INT_MAX);
    } catch (const std::exception& e) {
        error = "cannot listen on " + settings.address + " port " + std::to_string(settings.port) +
                ": " + e.what();
        return 1;
    }
    stop_signals.async_wait([&](const beast::error_code&, int) {
        beast::error_code ignored;
        acceptor.close(ignored);
        context.stop();
    });
    asio::co_spawn(context, accept_connections(server, acceptor), asio::detached);
    on_listening(acceptor.local_endpoint().port());

    std::vector<std::thread> threads;
    for (int i = 1; i < settings.threads; ++i) {
        threads.emplace_back([&context] { context.run(); });
    }
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_UNBLOCK, &signals, nullptr);
    context.run();
    for (std::thread& thread : threads) {
        thread.join();
    }
    {
        const std::lock_guard lock(server.gate->mutex);
        server.gate->open = false;
    }
    return 0;
}
