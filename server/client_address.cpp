// Who a request comes from: the peer's address, or the client's address a trusted front server
// forwarded, and the keys under which the service counts a client's connections and results,
// and its network's connections.
#include "server/client_address.h"

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

std::optional<asio::ip::address> address_in(std::string_view text) {
    boost::system::error_code error;
    const asio::ip::address address = asio::ip::make_address(trimmed(text), error);
    if (error) {
        return std::nullopt;
    }
    return unmapped(address);
}

} // namespace

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
        const size_t comma = last_forwarded_for->rfind(',');
        forwarded =
            address_in(comma == std::string_view::npos ? *last_forwarded_for
                                                       : last_forwarded_for->substr(comma + 1));
    } else if (real_ip) {
        forwarded = address_in(*real_ip);
    }
    return forwarded.value_or(from);
}
