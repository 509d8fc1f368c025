// The shop's maintenance mode: its `config_maintenance` setting, switched on while an upload
// rewrites the shop and off again at the upload's end.
#pragma once

#include <QString>

namespace wwweksports {

class ShopConnection;

// The statement text for value 1 (on) or 0 (off).
QString MaintenanceStatement(int value);

// Executes the statement; database errors pass to the caller.
void SetShopMaintenance(ShopConnection& connection, int value);

}  // namespace wwweksports
