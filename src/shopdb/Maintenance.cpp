#include "shopdb/Maintenance.h"

#include "shopdb/Query.h"

namespace wwweksports {

void SetShopMaintenance(ShopConnection& connection, int value) {
    Query(connection, QStringLiteral("UPDATE setting SET value = '%1' WHERE code = 'config' AND "
                                     "`key` = 'config_maintenance'")
                          .arg(value))
        .exec();
}

}  // namespace wwweksports
