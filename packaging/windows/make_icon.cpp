// Writes the program's icon: for Windows the window icon's picture drawn at the sizes Windows
// shows (16 to 256 pixels), each stored as PNG in one .ico file; for the Linux desktop one
// 256-pixel PNG.
//   wwweksports-make-icon OUT.ico | OUT.png
#include <QBuffer>
#include <QFile>
#include <QGuiApplication>
#include <QPixmap>
#include <QtEndian>
#include <cstdio>
#include <vector>

#include "window/Glyphs.h"

namespace {

void Put16(QByteArray& out, quint16 value) {
    const quint16 le = qToLittleEndian(value);
    out.append(reinterpret_cast<const char*>(&le), 2);
}
void Put32(QByteArray& out, quint32 value) {
    const quint32 le = qToLittleEndian(value);
    out.append(reinterpret_cast<const char*>(&le), 4);
}

}  // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUT.ico|OUT.png\n", argv[0]);
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    if (out.endsWith(QLatin1String(".png")))
        return wwweksports::WindowImage(256).toImage().save(out, "PNG") ? 0 : 1;
    const int sizes[] = {16, 20, 24, 32, 40, 48, 64, 256};
    std::vector<QByteArray> images;
    for (const int size : sizes) {
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        if (!wwweksports::WindowImage(size).toImage().save(&buffer, "PNG")) return 1;
        images.push_back(png);
    }
    // ICONDIR, then one ICONDIRENTRY per image, then the images.
    QByteArray ico;
    Put16(ico, 0);
    Put16(ico, 1);
    Put16(ico, static_cast<quint16>(images.size()));
    quint32 offset = 6 + 16 * static_cast<quint32>(images.size());
    for (size_t i = 0; i < images.size(); ++i) {
        const char side = static_cast<char>(sizes[i] == 256 ? 0 : sizes[i]);  // 0 is 256
        ico.append(side).append(side).append('\0').append('\0');
        Put16(ico, 1);   // colour planes
        Put16(ico, 32);  // bits per pixel
        Put32(ico, static_cast<quint32>(images[i].size()));
        Put32(ico, offset);
        offset += static_cast<quint32>(images[i].size());
    }
    for (const QByteArray& image : images) ico.append(image);
    QFile file(out);
    if (!file.open(QIODevice::WriteOnly) || file.write(ico) != ico.size()) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
