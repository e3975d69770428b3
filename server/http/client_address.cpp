// Who a request comes from: the peer's address, or the client's address a trusted front server
// forwarded, and the keys under which the service counts a client's connections and results,
// and its network's connections.
#include "server/http/client_address.h"

#include <algorithm>
#include <cstring>

namespace asio = boost::asio;

size_t ClientKeyHash::operator()(const ClientKey& key) const noexcept {
    // FNV-1a: the keys are few bytes, and the table they go into is bounded anyway.
    uint64_t hash = 1469598103934665603ull;
    for (const unsigned char byte : key.bytes) {
        hash = (hash ^ byte) * 1099511628211ull;
    }
    return size_t(hash);
}

asio::ip::address unmapped(const asio::ip::address& address) {
    if (address.is_v6() && address.to_v6().is_v4_mapped()) {
        return asio::ip::make_address_v4(asio::ip::v4_mapped, address.to_v6());
    }
    return address;
}

ClientKey client_key(const asio::ip::address& address) {
    // A leading marker keeps the IPv4 keys apart from the IPv6 ones, whatever their bytes.
    ClientKey key;
    if (address.is_v4()) {
        const auto bytes = address.to_v4().to_bytes();
        std::copy(bytes.begin(), bytes.end(), key.bytes.begin() + 12);
        key.bytes[0] = 4;
        return key;
    }
    const asio::ip::address_v6 v6 = address.to_v6();
    if (v6.is_v4_mapped()) {
        return client_key(unmapped(address));
    }
    // The network's 64 bits; the rest stays zero.
    const auto bytes = v6.to_bytes();
    std::copy(bytes.begin(), bytes.begin() + 8, key.bytes.begin() + 8);
    key.bytes[0] = 6;
    return key;
}

ClientKey network_key(const asio::ip::address& address) {
    // The client's key with the bits beyond the network cleared: the last byte of an IPv4
    // address, the last two bytes of an IPv6 /64.
    ClientKey key = client_key(address);
    key.bytes[15] = 0;
    if (key.bytes[0] == 6) {
        key.bytes[14] = 0;
    }
    return key;
}

namespace {

std::string_view trimmed(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// ":443": a port as front servers append it.
bool is_port(std::string_view text) {
    return text.size() >= 2 && text.size() <= 6 && text.front() == ':' &&
           text.find_first_not_of("0123456789", 1) == std::string_view::npos;
}

// One entry of a forwarding header, in any of the forms front servers write.
std::optional<asio::ip::address> address_in(std::string_view text) {
    text = trimmed(text);
    // RFC 7239 quotes a node with a port or brackets; some front servers do so here too.
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
        text = text.substr(1, text.size() - 2);
    }
    boost::system::error_code error;
    asio::ip::address address;
    if (text.starts_with('[')) {
        const size_t close = text.find(']');
        if (close == std::string_view::npos ||
            (close + 1 < text.size() && !is_port(text.substr(close + 1)))) {
            return std::nullopt;
        }
        address = asio::ip::make_address_v6(text.substr(1, close - 1), error);
    } else if (const size_t colon = text.find(':');
               colon != std::string_view::npos &&
               text.find(':', colon + 1) == std::string_view::npos) {
        // One colon: an IPv4 address and its port (an IPv6 address has two at least).
        if (!is_port(text.substr(colon))) {
            return std::nullopt;
        }
        address = asio::ip::make_address_v4(text.substr(0, colon), error);
    } else {
        address = asio::ip::make_address(text, error);
    }
    if (error) {
        return std::nullopt;
    }
    return unmapped(address);
}

// The rightmost entry that is not empty: an empty one (",," or a trailing comma) is no entry,
// as in any list of an HTTP header.
std::string_view rightmost_entry(std::string_view list) {
    for (;;) {
        const size_t comma = list.rfind(',');
        const std::string_view entry =
            trimmed(comma == std::string_view::npos ? list : list.substr(comma + 1));
        if (!entry.empty() || comma == std::string_view::npos) {
            return entry;
        }
        list = list.substr(0, comma);
    }
}

} // namespace

asio::ip::address unreadable_client() { return asio::ip::make_address("100::"); }

asio::ip::address request_client(const asio::ip::address& peer,
                                 const std::vector<asio::ip::address>& trusted_proxies,
                                 std::optional<std::string_view> last_forwarded_for,
                                 std::optional<std::string_view> real_ip) {
    asio::ip::address from = unmapped(peer);
    if (std::find(trusted_proxies.begin(), trusted_proxies.end(), from) == trusted_proxies.end()) {
        return from;
    }
    std::optional<asio::ip::address> forwarded;
    if (last_forwarded_for) {
        forwarded = address_in(rightmost_entry(*last_forwarded_for));
    } else if (real_ip) {
        forwarded = address_in(*real_ip);
    } else {
        return from; // no header: the front server's own request
    }
    return forwarded.value_or(unreadable_client());
}
