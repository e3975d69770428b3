// The open connections, counted in all, by client and by client network, with the idle ones in
// the order they fell idle: a newcomer that finds no room has the one idle longest closed.
#pragma once

#include "server/http/client_address.h"

#include <cstddef>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <unordered_map>

struct ConnectionBounds {
    size_t total = 0;
    size_t per_client = 0;
    size_t per_network = 0;
};

class ConnectionTable {
    struct Entry;

  public:
    // A connection's or a request's place in the counts, given back when it ends. A connection
    // is idle while it waits for a request's first byte (a new one too), busy from that byte
    // to the end of its answer; only an idle one is ever closed to make room.
    class Place {
      public:
        Place(Place&& other) noexcept;
        Place(const Place&) = delete;
        Place& operator=(const Place&) = delete;
        Place& operator=(Place&&) = delete;
        ~Place();

        // False when it was closed to make room meanwhile: the connection must end unserved.
        bool busy();
        void idle();

      private:
        friend class ConnectionTable;
        Place(ConnectionTable& table, std::unique_ptr<Entry> entry);
        ConnectionTable* table_;
        std::unique_ptr<Entry> entry_;
    };

    explicit ConnectionTable(ConnectionBounds bounds);

    // A place for a new connection, in the total, and by its client and network unless it
    // comes from a trusted front server. Over a bound, the connections idle longest within
    // that bound make room: each is given up at once and its close called (under the table's
    // lock, so close must only hand the work on). None when too few are idle there: the
    // busy ones are never closed for a newcomer.
    std::optional<Place> admit_connection(std::optional<ClientKey> client,
                                          std::optional<ClientKey> network,
                                          std::function<void()> close);

    // A place for one request a trusted front server passes on, in its client's and network's
    // counts while it is served; none over either bound. Nothing is closed for it: the front
    // server's connections are not the client's own.
    std::optional<Place> admit_request(ClientKey client, ClientKey network);

  private:
    using Idle = std::list<Entry*>;

    struct Group {
        size_t count = 0;
        Idle idle; // the one idle longest first
    };
    using Groups = std::unordered_map<ClientKey, Group, ClientKeyHash>;

    struct Entry {
        bool in_total = false;
        std::optional<ClientKey> client;
        std::optional<ClientKey> network;
        std::function<void()> close;
        bool idle = false;
        bool closed = false; // given up to make room
        Idle::iterator in_all, in_client, in_network;
    };

    Group* group(Groups& groups, const std::optional<ClientKey>& key);
    void count(const Entry& entry, int by);
    void become_idle(Entry& entry);
    void become_busy(Entry& entry);
    void give_up(Entry& entry);

    const ConnectionBounds bounds_;
    std::mutex mutex_;
    Group all_;
    Groups clients_;
    Groups networks_;
};
