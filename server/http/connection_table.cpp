// The open connections, counted in all, by client and by client network, with the idle ones in
// the order they fell idle: a newcomer that finds no room has the one idle longest closed.
#include "server/http/connection_table.h"

#include <algorithm>
#include <vector>

ConnectionTable::Place::Place(ConnectionTable& table, std::unique_ptr<Entry> entry)
    : table_(&table), entry_(std::move(entry)) {}

ConnectionTable::Place::Place(Place&& other) noexcept
    : table_(other.table_), entry_(std::move(other.entry_)) {}

ConnectionTable::Place::~Place() {
    if (entry_ == nullptr) {
        return;
    }
    const std::lock_guard lock(table_->mutex_);
    if (!entry_->closed) {
        table_->give_up(*entry_);
    }
}

bool ConnectionTable::Place::busy() {
    const std::lock_guard lock(table_->mutex_);
    if (entry_->closed) {
        return false;
    }
    table_->become_busy(*entry_);
    return true;
}

void ConnectionTable::Place::idle() {
    const std::lock_guard lock(table_->mutex_);
    if (!entry_->closed) {
        table_->become_idle(*entry_);
    }
}

ConnectionTable::ConnectionTable(ConnectionBounds bounds) : bounds_(bounds) {}

ConnectionTable::Group* ConnectionTable::group(Groups& groups,
                                               const std::optional<ClientKey>& key) {
    if (!key) {
        return nullptr;
    }
    const auto found = groups.find(*key);
    return found == groups.end() ? nullptr : &found->second;
}

void ConnectionTable::count(const Entry& entry, int by) {
    if (entry.in_total) {
        all_.count += size_t(by);
    }
    for (auto [groups, key] : {std::pair{&clients_, &entry.client}, {&networks_, &entry.network}}) {
        if (!*key) {
            continue;
        }
        Group& counted = (*groups)[**key];
        counted.count += size_t(by);
        if (counted.count == 0) {
            groups->erase(**key);
        }
    }
}

void ConnectionTable::become_idle(Entry& entry) {
    if (entry.idle) {
        return;
    }
    entry.idle = true;
    entry.in_all = all_.idle.insert(all_.idle.end(), &entry);
    if (entry.client) {
        Idle& idle = clients_[*entry.client].idle;
        entry.in_client = idle.insert(idle.end(), &entry);
    }
    if (entry.network) {
        Idle& idle = networks_[*entry.network].idle;
        entry.in_network = idle.insert(idle.end(), &entry);
    }
}

void ConnectionTable::become_busy(Entry& entry) {
    if (!entry.idle) {
        return;
    }
    entry.idle = false;
    all_.idle.erase(entry.in_all);
    if (entry.client) {
        clients_[*entry.client].idle.erase(entry.in_client);
    }
    if (entry.network) {
        networks_[*entry.network].idle.erase(entry.in_network);
    }
}

void ConnectionTable::give_up(Entry& entry) {
    become_busy(entry);
    count(entry, -1);
}

std::optional<ConnectionTable::Place>
ConnectionTable::admit_connection(std::optional<ClientKey> client, std::optional<ClientKey> network,
                                  std::function<void()> close) {
    const std::lock_guard lock(mutex_);
    // The idle connections that make room, chosen before any is closed: when one bound
    // cannot be met, nothing is closed for nothing.
    std::vector<Entry*> making_room;
    const auto room_in = [&making_room](const Group* group, size_t most, auto belongs) {
        if (group == nullptr) {
            return most > 0;
        }
        size_t counted =
            group->count - size_t(std::count_if(making_room.begin(), making_room.end(), belongs));
        for (auto idle = group->idle.begin(); counted >= most && idle != group->idle.end();
             ++idle) {
            if (std::find(making_room.begin(), making_room.end(), *idle) == making_room.end()) {
                making_room.push_back(*idle);
                --counted;
            }
        }
        return counted < most;
    };
    // The narrowest bound first, so that a client over its own bound makes room from its own
    // idle connections, which also makes room in its network and in the total.
    const bool room =
        room_in(group(clients_, client), bounds_.per_client,
                [&client](const Entry* entry) { return entry->client == client; }) &&
        room_in(group(networks_, network), bounds_.per_network,
                [&network](const Entry* entry) { return entry->network == network; }) &&
        room_in(&all_, bounds_.total, [](const Entry* entry) { return entry->in_total; });
    if (!room) {
        return std::nullopt;
    }
    for (Entry* closed : making_room) {
        give_up(*closed);
        closed->closed = true;
        closed->close();
    }
    auto entry = std::make_unique<Entry>();
    entry->in_total = true;
    entry->client = client;
    entry->network = network;
    entry->close = std::move(close);
    count(*entry, 1);
    become_idle(*entry);
    return Place(*this, std::move(entry));
}

std::optional<ConnectionTable::Place> ConnectionTable::admit_request(ClientKey client,
                                                                     ClientKey network) {
    const std::lock_guard lock(mutex_);
    const Group* from_client = group(clients_, client);
    const Group* from_network = group(networks_, network);
    if ((from_client != nullptr && from_client->count >= bounds_.per_client) ||
        (from_network != nullptr && from_network->count >= bounds_.per_network)) {
        return std::nullopt;
    }
    auto entry = std::make_unique<Entry>();
    entry->client = client;
    entry->network = network;
    count(*entry, 1);
    return Place(*this, std::move(entry));
}
