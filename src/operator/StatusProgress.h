// Status texts that tell how far a phase has come.
#pragma once

#include <QString>
#include <optional>

namespace wwweksports {

struct PhaseStep {
    QString phase;  // the text before the counts: "Paka: ", "Sūtu preces "
    int percent;
};

// How far the phase a status text tells of has come: "Paka: 3 no 20", "Sūtu preces
// 1200/50000"; nothing for other texts.
std::optional<PhaseStep> PhaseProgress(const QString& status);

}  // namespace wwweksports
