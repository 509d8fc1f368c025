#include "window/VisualStyle.h"

#include <QApplication>
#include <QFile>
#include <QMetaEnum>
#include <QPalette>
#include <QStyle>
#include <QStyleFactory>
#include <memory>
#include <stdexcept>

// The resources live in a static library: nothing would pull them into the program otherwise.
static void InitStyleResources() { Q_INIT_RESOURCE(SapphireKamriTolvern); }

namespace wwweksports {
namespace {

[[noreturn]] void Fail(const QString& message) { throw std::runtime_error(message.toStdString()); }

QByteArray ReadStyleFile(const QString& name, const QString& suffix) {
    QFile file(QStringLiteral(":/styles/%1.%2").arg(name, suffix));
    if (!file.open(QIODevice::ReadOnly)) {
        Fail(QStringLiteral("Vizuālais stils \"%1\" nav atrasts").arg(name));
    }
    return file.readAll();
}

// Lines "Role = #rrggbb" set a colour in every group, "Group/Role = #rrggbb" in one group;
// "#" starts a comment line.
QPalette ParsePalette(const QByteArray& text, QPalette palette, const QString& name) {
    const QMetaEnum roles = QMetaEnum::fromType<QPalette::ColorRole>();
    const QMetaEnum groups = QMetaEnum::fromType<QPalette::ColorGroup>();
    int lineNumber = 0;
    for (const QByteArray& rawLine : text.split('\n')) {
        ++lineNumber;
        const QByteArray line = rawLine.trimmed();
        if (line.isEmpty() || line.startsWith('#')) continue;
        const QList<QByteArray> parts = line.split('=');
        QList<QByteArray> key = parts.value(0).trimmed().split('/');
        const QColor colour(QString::fromLatin1(parts.value(1).trimmed()));
        bool roleFound = false;
        bool groupFound = true;
        const int role = roles.keyToValue(key.constLast().constData(), &roleFound);
        const int group = key.size() == 2
                              ? groups.keyToValue(key.constFirst().constData(), &groupFound)
                              : QPalette::All;
        if (parts.size() != 2 || key.size() > 2 || !roleFound || !groupFound || !colour.isValid()) {
            Fail(QStringLiteral("Vizuālais stils \"%1\": paletes rindu %2 nevar nolasīt")
                     .arg(name)
                     .arg(lineNumber));
        }
        palette.setColor(static_cast<QPalette::ColorGroup>(group),
                         static_cast<QPalette::ColorRole>(role), colour);
    }
    return palette;
}

}  // namespace

void ActivateVisualStyle(const QString& name) {
    InitStyleResources();
    const QByteArray sheet = ReadStyleFile(name, QStringLiteral("qss"));
    const QByteArray paletteText = ReadStyleFile(name, QStringLiteral("palette"));
    std::unique_ptr<QStyle> fusion(QStyleFactory::create(QStringLiteral("Fusion")));
    if (!fusion) Fail(QStringLiteral("Visual style \"%1\": the Fusion style is missing").arg(name));
    const QPalette palette = ParsePalette(paletteText, fusion->standardPalette(), name);

    QApplication::setStyle(fusion.release());
    QApplication::setPalette(palette);
    qApp->setStyleSheet(QString::fromUtf8(sheet));
}

}  // namespace wwweksports
