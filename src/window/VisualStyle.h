// The visual style "Sapphire Kamri Tolvern": Qt's Fusion style with a palette and a style
// sheet of the project's own, light neutral greys with a sapphire-blue accent, carried inside
// the program as Qt resources. It colours and frames the controls and never changes a size or
// a font: the window's layout is fixed in pixels.
#pragma once

#include <QString>

namespace wwweksports {

inline const QString kVisualStyleName = QStringLiteral("Sapphire Kamri Tolvern");

// Makes the named style the application's look. Throws std::runtime_error when the program
// carries no style of that name or its palette cannot be read; the look is then unchanged.
void ActivateVisualStyle(const QString& name);

}  // namespace wwweksports
