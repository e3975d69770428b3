// The service's HTTP/1.1 front on Boost.Beast: one coroutine a connection on a few threads,
// so that slow clients hold no thread, and every bound of HttpLimits enforced here.
#include "server/http/http_server.h"

#include "server/http/connection_table.h"

#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>

#include <pthread.h>
#include <signal.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <ctime>
#include <iterator>
#include <mutex>
#include <optional>
#include <thread>

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;

namespace {

using Clock = std::chrono::steady_clock;

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
    ConnectionTable connections{{settings.limits.max_connections,
                                 settings.limits.max_connections_per_address,
                                 settings.limits.max_connections_per_network}};
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
    for (const auto& common : server.settings.common_headers) {
        if (std::none_of(answer.headers.begin(), answer.headers.end(), [&common](const auto& own) {
                return beast::iequals(own.first, common.first);
            })) {
            add(common.first, common.second);
        }
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

struct Written {
    bool keep_alive = false; // the connection may take the next request
    size_t bytes = 0;
};

// Writes the answer within the request's time.
asio::awaitable<Written> write_answer(Server& server, beast::tcp_stream& stream,
                                      const HttpAnswer& answer, bool head, bool keep_alive) {
    const std::string status_and_headers = head_of(server, answer, keep_alive);
    std::array<asio::const_buffer, 2> buffers{asio::buffer(status_and_headers),
                                              asio::const_buffer()};
    if (answer.body && !head) {
        buffers[1] = asio::buffer(*answer.body);
    }
    stream.expires_after(server.settings.limits.request_timeout);
    beast::error_code error;
    const size_t bytes = co_await asio::async_write(
        stream, buffers, asio::redirect_error(asio::use_awaitable, error));
    co_return Written{!error && keep_alive, bytes};
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
    const bool post = message.method() == http::verb::post;
    if (message.method() != http::verb::get && message.method() != http::verb::head && !post) {
        // Its body is never read, so it can never run as a request.
        return 405;
    }
    // Any Transfer-Encoding announces a body of unknown length, which is never read: the
    // bytes after the headers must not run as the next request (RFC 9112, 6.3). A POST must
    // say its length, so that it can be refused before a byte of the body is read.
    if (message.find(http::field::transfer_encoding) != message.end()) {
        return post ? 411 : 400;
    }
    const uint64_t length = parser.content_length().value_or(0);
    if (!post) {
        return length > 0 ? 400 : 0;
    }
    if (!parser.content_length()) {
        return 411;
    }
    return length > limits.max_body_bytes ? 413 : 0;
}

// Who is behind a request whose headers were read: behind a trusted front server, the client
// it names.
asio::ip::address client_of(const Server& server, const asio::ip::address& peer,
                            const http::request_parser<http::empty_body>& parser) {
    const auto& message = parser.get();
    std::optional<std::string_view> forwarded_for;
    const auto [first, last] = message.equal_range("X-Forwarded-For");
    for (auto field = first; field != last; ++field) {
        forwarded_for = std::string_view(field->value().data(), field->value().size());
    }
    std::optional<std::string_view> real_ip;
    if (const auto found = message.find("X-Real-IP"); found != message.end()) {
        real_ip = std::string_view(found->value().data(), found->value().size());
    }
    return request_client(peer, server.settings.trusted_proxies, forwarded_for, real_ip);
}

// One line of the access log, when there is one.
void log_answer(const Server& server, std::chrono::system_clock::time_point at,
                Clock::time_point began, const asio::ip::address& client, std::string_view method,
                std::string_view target, int status, size_t bytes) {
    if (!server.settings.access_log) {
        return;
    }
    const std::string client_text = client.to_string();
    server.settings.access_log(
        {at, client_text, method, target, status, bytes,
         std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - began)});
}

// The path and query of a target in absolute form (http://host/path?query), which a client
// may send as to a proxy; any other target as it is.
std::string origin_form(std::string_view target) {
    const auto starts_with = [target](std::string_view scheme) {
        return target.size() >= scheme.size() &&
               std::equal(scheme.begin(), scheme.end(), target.begin(), [](char a, char b) {
                   return a == std::tolower(static_cast<unsigned char>(b));
               });
    };
    const size_t authority = starts_with("http://") ? 7 : starts_with("https://") ? 8 : 0;
    if (authority == 0) {
        return std::string(target);
    }
    const size_t path = target.find_first_of("/?", authority);
    if (path == std::string_view::npos) {
        return "/";
    }
    // Built piecewise: GCC 12 misreads a literal + std::string at -O2 as an overlapping copy
    // (-Werror=restrict).
    std::string origin = target[path] == '?' ? "/" : "";
    origin.append(target.substr(path));
    return origin;
}

// The connection's place is held for as long as it lives, idle while the connection waits for
// a request. A trusted front server's connection counts only in the total; each request on it
// takes a place in its client's counts while it is served.
asio::awaitable<void> serve_connection(Server& server, std::shared_ptr<beast::tcp_stream> held,
                                       ConnectionTable::Place place, asio::ip::address peer,
                                       bool from_proxy) {
    const HttpLimits& limits = server.settings.limits;
    beast::tcp_stream& stream = *held;
    beast::flat_buffer buffer(limits.max_request_bytes);
    // A new connection is given the request time for its first byte; a kept one the idle time.
    std::chrono::seconds patience = limits.request_timeout;
    for (;;) {
        if (buffer.size() == 0) {
            place.idle();
            if (!co_await await_request(server, stream, buffer, patience)) {
                co_return;
            }
        }
        // Closed to make room just as a request came: it goes unanswered, as on any kept-alive
        // connection closed while the client sends, which clients send again on a new one.
        if (!place.busy()) {
            co_return;
        }
        const auto at = std::chrono::system_clock::now();
        const Clock::time_point began = Clock::now();
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
        const auto& message = parser.get();
        const beast::string_view method = message.method_string();
        const std::string target =
            origin_form(std::string_view(message.target().data(), message.target().size()));
        if (const int refused = refusal_status(error, parser, limits)) {
            const Written written =
                co_await write_answer(server, stream, refusal(server, refused), false, false);
            log_answer(server, at, began, peer, {method.data(), method.size()}, target, refused,
                       written.bytes);
            co_await close_gently(stream);
            co_return;
        }
        const asio::ip::address client = client_of(server, peer, parser);
        // Read before the message may be moved into the body's parser below; the method's name
        // is one of the three taken, a static string.
        const bool head = message.method() == http::verb::head;
        const bool post = message.method() == http::verb::post;
        const std::string content_type(message[http::field::content_type]);
        const std::string accept_encoding(message[http::field::accept_encoding]);
        const std::string if_none_match(message[http::field::if_none_match]);
        const bool keep_alive = message.keep_alive();
        std::string body;
        if (post && parser.content_length().value_or(0) > 0) {
            // Within the request's time, which began before its headers.
            http::request_parser<http::string_body> whole(std::move(parser));
            whole.body_limit(limits.max_body_bytes);
            co_await http::async_read(stream, buffer, whole,
                                      asio::redirect_error(asio::use_awaitable, error));
            if (error) {
                co_return; // cut short or too slow: nothing of it can be answered
            }
            body = std::move(whole.get().body());
        }
        const HttpRequest request{.head = head,
                                  .target = target,
                                  .client = client_key(client),
                                  .address = client,
                                  .post = post,
                                  .content_type = content_type,
                                  .body = body,
                                  .accept_encoding = accept_encoding,
                                  .if_none_match = if_none_match};
        const std::optional<ConnectionTable::Place> client_place =
            from_proxy ? server.connections.admit_request(request.client, network_key(client))
                       : std::nullopt;
        // Not a conditional expression: GCC 12 destroys a co_await's result there too early.
        HttpAnswer answer;
        if (!from_proxy || client_place) {
            answer = co_await handled(server, request);
        } else {
            answer = refusal(server, 503);
        }
        const Written written =
            co_await write_answer(server, stream, answer, request.head, keep_alive);
        log_answer(server, at, began, client, {method.data(), method.size()}, request.target,
                   answer.status, written.bytes);
        if (!written.keep_alive) {
            co_return;
        }
    }
}

// A connection over a limit gets its 503 in one try, without waiting for the client.
void refuse_at_once(const Server& server, tcp::socket& socket, const asio::ip::address& peer) {
    const auto at = std::chrono::system_clock::now();
    const Clock::time_point began = Clock::now();
    const HttpAnswer answer = refusal(server, 503);
    const std::string text = head_of(server, answer, false) + *answer.body;
    beast::error_code ignored;
    socket.non_blocking(true, ignored);
    const size_t bytes = socket.write_some(asio::buffer(text), ignored);
    socket.close(ignored);
    log_answer(server, at, began, peer, "", "", 503, bytes);
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
        const asio::ip::address peer = unmapped(socket.remote_endpoint(error).address());
        if (error) {
            continue;
        }
        const auto& trusted = server.settings.trusted_proxies;
        const bool from_proxy = std::find(trusted.begin(), trusted.end(), peer) != trusted.end();
        auto stream = std::make_shared<beast::tcp_stream>(std::move(socket));
        // A connection closed to make room is closed on its own strand; one that has ended
        // meanwhile is left alone.
        auto close = [held = std::weak_ptr(stream), executor = stream->get_executor()] {
            // The analyser takes the copied executor for an empty one; it never is.
            // NOLINTNEXTLINE(clang-analyzer-core.NullDereference)
            asio::post(executor, [held] {
                if (const auto stream = held.lock()) {
                    stream->close();
                }
            });
        };
        std::optional<ConnectionTable::Place> place =
            from_proxy
                ? server.connections.admit_connection(std::nullopt, std::nullopt, close)
                : server.connections.admit_connection(client_key(peer), network_key(peer), close);
        if (!place) {
            refuse_at_once(server, stream->socket(), peer);
            continue;
        }
        stream->socket().set_option(tcp::no_delay(true), error);
        const auto executor = stream->get_executor();
        asio::co_spawn(
            executor,
            serve_connection(server, std::move(stream), std::move(*place), peer, from_proxy),
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
    if (settings.on_stopped) {
        settings.on_stopped();
    }
    return 0;
}
