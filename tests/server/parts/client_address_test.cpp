// Who a request comes from: forwarding headers believed only from a trusted front server, and
// the keys that group an IPv6 host's addresses, and a network's.
#include "server/http/client_address.h"

#include <gtest/gtest.h>

namespace {

namespace asio = boost::asio;

asio::ip::address ip(const char* text) { return asio::ip::make_address(text); }

TEST(RequestClient, HeadersAreBelievedOnlyFromATrustedProxyAndOnlyItsOwnEntry) {
    const std::vector<asio::ip::address> trusted = {ip("127.0.0.1"), ip("::1")};
    using Text = std::optional<std::string_view>;
    struct Case {
        const char* what;
        const char* peer;
        Text forwarded_for;
        Text real_ip;
        const char* client;
    };
    const Case cases[] = {
        {"a client forging both headers", "198.51.100.9", "203.0.113.1", "203.0.113.2",
         "198.51.100.9"},
        {"the proxy's own entry, the rightmost", "127.0.0.1", "10.9.9.9, 203.0.113.7", std::nullopt,
         "203.0.113.7"},
        {"spaces around the entry", "127.0.0.1", " 10.0.0.1 ,  203.0.113.8 ", std::nullopt,
         "203.0.113.8"},
        {"forwarded for takes precedence", "127.0.0.1", "203.0.113.7", "203.0.113.99",
         "203.0.113.7"},
        {"only the real ip", "127.0.0.1", std::nullopt, "2001:db8::5", "2001:db8::5"},
        {"an IPv6 proxy", "::1", "2001:db8::6", std::nullopt, "2001:db8::6"},
        {"a dual-stack socket's view of a trusted IPv4 proxy", "::ffff:127.0.0.1", "203.0.113.3",
         std::nullopt, "203.0.113.3"},
        {"a mapped address forwarded", "127.0.0.1", "::ffff:203.0.113.4", std::nullopt,
         "203.0.113.4"},
        {"no header: the proxy itself", "127.0.0.1", std::nullopt, std::nullopt, "127.0.0.1"},
        {"the rightmost of three", "127.0.0.1", "198.51.100.1, 198.51.100.2, 203.0.113.9",
         std::nullopt, "203.0.113.9"},
        {"the rightmost of four, without spaces", "127.0.0.1",
         "1.1.1.1,2.2.2.2,3.3.3.3,203.0.113.10", std::nullopt, "203.0.113.10"},
        // The forms front servers write.
        {"an IPv4 entry with a port", "127.0.0.1", "10.0.0.1, 1.2.3.7:4444", std::nullopt,
         "1.2.3.7"},
        {"an IPv6 entry in brackets with a port", "127.0.0.1", "[2001:db8::1]:443", std::nullopt,
         "2001:db8::1"},
        {"an IPv6 entry in brackets", "127.0.0.1", "10.0.0.1, [2001:db8::2]", std::nullopt,
         "2001:db8::2"},
        {"quoted, as RFC 7239 writes a node", "127.0.0.1", "\"[2001:db8::3]:8443\"", std::nullopt,
         "2001:db8::3"},
        {"a trailing comma", "127.0.0.1", "203.0.113.6,", std::nullopt, "203.0.113.6"},
        {"empty entries", "127.0.0.1", "10.0.0.1, 203.0.113.11, , ", std::nullopt, "203.0.113.11"},
        {"the real ip with a port", "127.0.0.1", std::nullopt, "203.0.113.12:5000", "203.0.113.12"},
        // What cannot be read is one client of its own: neither the proxy nor any other.
        {"an entry that is no address", "127.0.0.1", "10.0.0.1, unknown", "203.0.113.5", "100::"},
        {"an obfuscated node", "127.0.0.1", "_hidden", std::nullopt, "100::"},
        {"only empty entries", "127.0.0.1", " , ", std::nullopt, "100::"},
        {"an IPv6 entry with a port but no brackets", "127.0.0.1", "2001:db8::1:443:1:2:3:4:5",
         std::nullopt, "100::"},
        {"an IPv4 address in brackets", "127.0.0.1", "[203.0.113.6]", std::nullopt, "100::"},
        {"an unclosed bracket", "127.0.0.1", "[2001:db8::1:443", std::nullopt, "100::"},
        {"a port that is no number", "127.0.0.1", "203.0.113.6:http", std::nullopt, "100::"},
        {"a port too long", "127.0.0.1", "[2001:db8::1]:4430000", std::nullopt, "100::"},
        {"one quote only", "127.0.0.1", "\"203.0.113.6", std::nullopt, "100::"},
        {"a real ip that is no address", "127.0.0.1", std::nullopt, "nginx", "100::"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(request_client(ip(c.peer), trusted, c.forwarded_for, c.real_ip), ip(c.client))
            << c.what;
    }
}

TEST(RequestClient, WhatCannotBeReadIsAClientApartFromTheProxyAndEveryClient) {
    const ClientKey unreadable = client_key(unreadable_client());
    for (const char* other : {"127.0.0.1", "::1", "0.0.0.0", "::", "203.0.113.1", "2001:db8::1"}) {
        EXPECT_FALSE(unreadable == client_key(ip(other))) << other;
    }
}

TEST(ClientKey, OneIPv4AddressOrOneIPv6NetworkOf64Bits) {
    struct Case {
        const char* first;
        const char* second;
        bool same;
    };
    const Case cases[] = {
        {"203.0.113.1", "203.0.113.1", true},
        {"203.0.113.1", "203.0.113.2", false},
        {"203.0.113.1", "::ffff:203.0.113.1", true},
        {"2001:db8:1:2::1", "2001:db8:1:2:ffff:ffff:ffff:ffff", true},
        {"2001:db8:1:2::1", "2001:db8:1:3::1", false},
        // An IPv4 key must not equal the IPv6 network whose other bytes happen to match.
        {"0.0.0.0", "::", false},
        {"1.2.3.4", "102:304::", false},
        {"6.0.0.0", "::", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(client_key(ip(c.first)) == client_key(ip(c.second)), c.same)
            << c.first << " and " << c.second;
    }
}

TEST(NetworkKey, OneIPv4Network24BitsLongOrOneIPv6Network48BitsLong) {
    struct Case {
        const char* first;
        const char* second;
        bool same;
    };
    const Case cases[] = {
        {"203.0.113.1", "203.0.113.254", true},
        {"203.0.113.1", "::ffff:203.0.113.77", true},
        {"203.0.113.1", "203.0.112.1", false},
        {"203.0.113.1", "203.1.113.1", false},
        // An IPv4 network must not equal the IPv6 network whose bytes happen to match.
        {"6.0.0.1", "::", false},
        {"0.0.0.1", "::", false},
        {"0.0.0.1", "::1", false},
        {"32.1.13.1", "2001:db8::1", false},
        {"2001:db8:1::1", "2001:db8:1:ffff:ffff:ffff:ffff:ffff", true},
        {"2001:db8:1::1", "2001:db8:2::1", false},
        {"2001:db8:1::1", "2001:db9:1::1", false},
        {"2001:db8:1::1", "3001:db8:1::1", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(network_key(ip(c.first)) == network_key(ip(c.second)), c.same)
            << c.first << " and " << c.second;
    }
}

} // namespace
