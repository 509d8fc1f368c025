#include "shopdb/Maintenance.h"

#include "shopdb/Query.h"

namespace wwweksports {

QString ShopMaintenanceStatement(int value) {
    return QStringLiteral(
               "UPDATE setting SET value = '%1' WHERE code = 'config' AND `key` = "
               "'config_maintenance'")
        .arg(value);
}

void SetShopMaintenance(ShopConnection& connection, int value) {
    Query(connection, ShopMaintenanceStatement(value)).exec();
}

}  // namespace wwweksports
