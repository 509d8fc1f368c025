#include "shopdb/Maintenance.h"

#include "shopdb/Query.h"

namespace wwweksports {

QString MaintenanceStatement(int value) {
    return QStringLiteral("UPDATE setting SET value=") + QString::number(value) +
           QStringLiteral(
               " \t\t\t\t\t\t\t WHERE setting.code='config' \t\t\t\t\t\t\t\tAND "
               "setting.key='config_maintenance'");
}

void SetShopMaintenance(ShopConnection& connection, int value) {
    Query query(connection, MaintenanceStatement(value));
    query.exec();
}

}  // namespace wwweksports
