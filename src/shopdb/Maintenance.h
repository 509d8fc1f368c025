// The shop's maintenance mode: its `config_maintenance` setting, switched on while an upload
// rewrites the shop and off again at the upload's end. A shop without that setting row has
// no maintenance mode; switching changes nothing there.
#pragma once

#include <QString>

namespace wwweksports {

class ShopConnection;

// 1 switches the mode on, 0 off. Database errors pass to the caller.
void SetShopMaintenance(ShopConnection& connection, int value);
// The statement that does it, to go in a round trip with others.
QString ShopMaintenanceStatement(int value);

}  // namespace wwweksports
