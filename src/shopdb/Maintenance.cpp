#include "shopdb/Maintenance.h"

namespace wwweksports {

QString ShopMaintenanceStatement(int value) {
    return QStringLiteral(
               "UPDATE setting SET value = '%1' WHERE code = 'config' AND `key` = "
               "'config_maintenance'")
        .arg(value);
}

}  // namespace wwweksports
