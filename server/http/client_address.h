// Who a request comes from: the peer's address, or the client's address a trusted front server
// forwarded, and the keys under which the service counts a client's connections and results,
// and its network's connections.
#pragma once

#include <boost/asio/ip/address.hpp>

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

// One IPv4 address, or one IPv6 /64 network: a single IPv6 host is usually given a whole /64,
// so counting its addresses apart would let it pass any per-client limit by changing address.
struct ClientKey {
    std::array<unsigned char, 16> bytes{};
    bool operator==(const ClientKey&) const = default;
};

struct ClientKeyHash {
    size_t operator()(const ClientKey& key) const noexcept;
};

// An IPv4 address written as IPv6 (::ffff:a.b.c.d), as a dual-stack socket shows it, as IPv4.
boost::asio::ip::address unmapped(const boost::asio::ip::address& address);

// An IPv4 address written as IPv6 (::ffff:a.b.c.d) is the same client as the IPv4 address.
ClientKey client_key(const boost::asio::ip::address& address);

// The network a client is in, as one client for the network's connection and results bounds:
// an IPv4 /24 or an IPv6 /48, the smallest blocks that are routed on their own, so a holder of
// a block of addresses cannot pass a bound by spreading over it. An IPv4 address written as
// IPv6 (::ffff:a.b.c.d) is in the IPv4 address's network.
ClientKey network_key(const boost::asio::ip::address& address);

// The address of the client behind a request. Only when the peer is one of the trusted front
// servers (given unmapped) are its headers believed: the rightmost entry of the last
// X-Forwarded-For field (the one that server added; those left of it are whatever the client sent),
// else X-Real-IP. An entry is an address as front servers write it: 203.0.113.7,
// 203.0.113.7:4444, 2001:db8::1, [2001:db8::1] or [2001:db8::1]:443, each maybe in double
// quotes; empty entries are skipped. One that cannot be read is unreadable_client(). The
// answer is unmapped.
boost::asio::ip::address
request_client(const boost::asio::ip::address& peer,
               const std::vector<boost::asio::ip::address>& trusted_proxies,
               std::optional<std::string_view> last_forwarded_for,
               std::optional<std::string_view> real_ip);

// Where a trusted front server names a client that cannot be read: one client of its own, so
// that such requests neither use up the front server's allowance nor a real client's. It is
// 100::, of the prefix set aside for discarding (RFC 6666), which no client sends from.
boost::asio::ip::address unreadable_client();
