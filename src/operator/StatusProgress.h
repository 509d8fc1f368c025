// Status texts that tell how far a phase has come.
#pragma once

#include <QString>
#include <optional>

namespace wwweksports {

// How far the phase a status text tells of has come, in percent: "Paka: 3 no 20",
// "Sūtu preces 1200/50000"; nothing for other texts.
std::optional<int> PhasePercent(const QString& status);

}  // namespace wwweksports
