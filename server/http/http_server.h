// The service's HTTP/1.1 front: connections accepted and read within configured bounds, each
// request handed to one handler, its answer written back. Knows nothing of the site.
#pragma once

#include "server/http/access_log.h"
#include "server/http/client_address.h"

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// What one client, and all of them together, may make the service hold. A newcomer over a
// connection bound has the connection idle longest within it closed (one waiting for a
// request, or a new one without a byte yet), and is refused only when none there is idle.
struct HttpLimits {
    // Sixteen IPv4 /24s and an IPv6 /48 hold at most 17 x 64 = 1088 connections, even all
    // mid-request, leaving 3008 for everyone else. A browser opens about six to a host, so an
    // address's 32 is five browsers busy at once behind one NAT; its idle ones make room for its
    // own newcomers. A connection holds 3 KiB idle, 13 KiB with a whole request's headers
    // read: 4096 hold at most 52 MiB.
    size_t max_connections = 4096;
    size_t max_connections_per_address = 32;
    size_t max_connections_per_network = 64; // an IPv4 /24 or an IPv6 /48
    size_t max_request_bytes = 8192;         // request line and headers together
    size_t max_headers = 64;
    // A POST's body, which must announce its length: the largest the site takes (a result's
    // texts, a move) is a few hundred bytes. Read within the request's time.
    size_t max_body_bytes = 2048;
    // From a request's first byte to the end of its headers (and body), and again for writing
    // its answer.
    std::chrono::seconds request_timeout{10};
    // A kept-alive connection waiting for its next request.
    std::chrono::seconds idle_timeout{5};
};

struct HttpRequest {
    bool head = false;                // HEAD: answered like GET, without the body
    std::string_view target;          // the path and the query, undecoded (of an absolute URI too)
    ClientKey client;                 // who sent it, behind a trusted front server too
    boost::asio::ip::address address; // the address client is counted by, unmapped
    bool post = false;                // POST: body holds what was sent, whole
    std::string_view content_type;    // a POST's, as sent
    std::string_view body;
    std::string_view accept_encoding; // as sent, for the files kept compressed
    std::string_view if_none_match;   // as sent, for the files that carry an ETag
};

struct HttpAnswer {
    int status = 200;
    std::vector<std::pair<std::string, std::string>> headers;
    // Shared, so that a page rendered once goes to every client without a copy.
    std::shared_ptr<const std::string> body;
};

// Called once per answer; from any thread.
using HttpReply = std::function<void(HttpAnswer)>;
// Called on one of the server's threads for every GET, HEAD and POST that passed the bounds; it
// must not block: slow work answers later through reply.
using HttpHandler = std::function<void(const HttpRequest&, HttpReply reply)>;

// The caller sets where to listen and with how many threads: the service's options hold their
// defaults.
struct HttpServerSettings {
    std::string address;
    int port = 0; // 0: any free port
    int threads = 1;
    HttpLimits limits;
    // Sent with every answer, the server's own refusals included, unless the answer carries a
    // header of the same name itself.
    std::vector<std::pair<std::string, std::string>> common_headers;
    // The page of a refusal the server makes itself (400, 405, 411, 413, 414, 431, 503).
    std::function<std::string(int status)> error_page;
    // Front servers whose X-Forwarded-For or X-Real-IP names the client. A client counts
    // against the per-address bound by that address; a trusted server's own connections
    // count only in the total.
    std::vector<boost::asio::ip::address> trusted_proxies;
    // Called once for every answer, refusals included; none: no log.
    std::function<void(const AccessEntry&)> access_log;
    // Called once the server has stopped, before the requests still waiting are freed: work
    // that holds their replies on other threads must let go of them here.
    std::function<void()> on_stopped;
};

// Listens, then serves until SIGINT or SIGTERM; prints nothing itself. on_listening gets the
// port once the socket listens. Returns 0 after a stop by signal, 1 when it cannot listen
// (the reason in error).
int serve_http(const HttpServerSettings& settings, const HttpHandler& handler,
               const std::function<void(int port)>& on_listening, std::string& error);
