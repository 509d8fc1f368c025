// The pictures the window draws itself with QPainter: the glyph of the two upload buttons (a
// sheet of paper with an arrow pointing right), the glyph of "Aizvērt" (an open door with an
// arrow going out), each 16x16 with a normal and a disabled image, and the window icon, a
// worksheet with an arrow, at 16x16 and 32x32.
#pragma once

#include <QIcon>

namespace wwweksports {

QIcon SendGlyph();
QIcon CloseGlyph();
QIcon WindowIcon();
// The window icon's picture at `size` x `size` pixels (also the program's icon on Windows).
QPixmap WindowImage(int size);

}  // namespace wwweksports
