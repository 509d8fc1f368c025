// Opening a ShopConnection on a test shop the way the uploads do.
#pragma once

#include "fixtures/RecordingOperator.h"
#include "fixtures/TestShop.h"
#include "shopdb/ShopChecks.h"
#include "shopdb/ShopConnection.h"

namespace wwweksports::testing {

inline void ConnectTo(TestShop& shop, ShopConnection& connection) {
    RecordingOperator op(shop.inputs());
    if (TestShopConnection(connection, op) != kCheckOk) {
        throw std::runtime_error("connection test failed: " +
                                 op.messages().join(' ').toStdString());
    }
}

}  // namespace wwweksports::testing
