// What the store's connections are lent through to the parts beside it that read and write
// their own tables.
#pragma once

#include <functional>

class PostgresConnection;

// Lends one of the store's connections for one use, waiting for a free one at most the
// store's db_timeout; PostgreSQL's failures come out as StoreError. A use whose connection
// was lost runs once more on a new one if again_if_lost.
class PostgresLender {
  public:
    virtual ~PostgresLender() = default;
    virtual void lend(const std::function<void(PostgresConnection&)>& use, bool again_if_lost) = 0;
};
