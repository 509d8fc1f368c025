// Inside shopdb/ only: parameter values laid out as the client library's binary-protocol
// bindings.
#pragma once

#include <vector>

#include "shopdb/Session.h"
#include "shopdb/Value.h"

namespace wwweksports {

class Bindings {
public:
    void resize(size_t count);
    // The value must stay alive and unchanged until the statement has been executed.
    void set(size_t index, const Value& value);
    MYSQL_BIND* data() { return binds_.data(); }
    size_t size() const { return binds_.size(); }

private:
    std::vector<MYSQL_BIND> binds_;
    std::vector<MYSQL_TIME> dates_;
};

// Bytes a value takes in an execute request.
size_t WireSize(const Value& value);

}  // namespace wwweksports
