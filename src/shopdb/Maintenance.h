// The shop's maintenance mode: its `config_maintenance` setting, switched on while an upload
// rewrites the shop and off again at the upload's end. A shop without that setting row has
// no maintenance mode; switching changes nothing there.
#pragma once

#include <QString>

namespace wwweksports {

// The statement that switches the mode on (1) or off (0); it goes in a round trip with
// others.
QString ShopMaintenanceStatement(int value);

}  // namespace wwweksports
