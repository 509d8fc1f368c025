#include "settings/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <array>
#include <limits>

#include "operator/Error.h"

#ifdef Q_OS_WIN
#include <QSettings>
#else
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#endif

namespace wwweksports {
namespace {

// The five strings in the order they are read and written.
std::array<QString*, 5> StringFields(Inputs& in) {
    return {&in.address, &in.database, &in.user, &in.password, &in.workbookPath};
}
const std::array<QString, 5> kStringNames = {
    QStringLiteral("E_SHOP_MYSQL_IP"), QStringLiteral("E_SHOP_MYSQL_DB"),
    QStringLiteral("E_SHOP_MYSQL_USERNAME"), QStringLiteral("E_SHOP_MYSQL_PASWORD"),
    QStringLiteral("ExcelDir")};
const QString kProductsName = QStringLiteral("chkPreces");
const QString kSpecialsName = QStringLiteral("chkSpecCenas");

Error StoreError(const QString& what, const QString& location, const QString& reason) {
    return Error(Error::Category::Input, QStringLiteral("%1 %2: %3").arg(what, location, reason));
}

}  // namespace

#ifdef Q_OS_WIN

SettingsStore::SettingsStore()
    : SettingsStore(QStringLiteral("HKEY_CURRENT_USER\\Software\\TOLVERN\\Zentaro\\WWWExp")) {}

void SettingsStore::restore(Inputs& inputs) const {
    QSettings registry(location_, QSettings::NativeFormat);
    if (registry.childKeys().isEmpty()) return;  // no key yet: the fields keep their initial state
    const auto fields = StringFields(inputs);
    for (size_t i = 0; i < fields.size(); ++i) {
        const QVariant value = registry.value(kStringNames[i]);
        if (!value.isValid()) {
            fields[i]->clear();
        } else if (value.typeId() == QMetaType::QString) {
            *fields[i] = value.toString();
        } else {
            break;
        }
    }
    auto readBool = [&registry](const QString& name, bool& target) {
        const QVariant value = registry.value(name);
        const int type = value.typeId();
        if (type == QMetaType::Int || type == QMetaType::UInt) target = value.toLongLong() != 0;
    };
    readBool(kProductsName, inputs.products);
    readBool(kSpecialsName, inputs.specials);
}

void SettingsStore::save(const Inputs& inputs) const {
    QSettings registry(location_, QSettings::NativeFormat);
    Inputs copy = inputs;
    const auto fields = StringFields(copy);
    for (size_t i = 0; i < fields.size(); ++i) registry.setValue(kStringNames[i], *fields[i]);
    registry.setValue(kProductsName, inputs.products ? 1 : 0);
    registry.setValue(kSpecialsName, inputs.specials ? 1 : 0);
    registry.sync();
    if (registry.status() != QSettings::NoError) {
        throw StoreError(QStringLiteral("Cannot save the settings in"), location_,
                         QStringLiteral("registry error"));
    }
}

#else

SettingsStore::SettingsStore()
    : SettingsStore(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                    QStringLiteral("/TOLVERN/Zentaro/WWWExp.json")) {}

void SettingsStore::restore(Inputs& inputs) const {
    QFile file(location_);
    if (!file.exists()) return;  // first start: the fields keep their initial state
    if (!file.open(QIODevice::ReadOnly)) {
        throw StoreError(QStringLiteral("Cannot read the saved settings"), location_,
                         file.errorString());
    }
    QJsonParseError parseError{};
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        throw StoreError(QStringLiteral("Cannot read the saved settings"), location_,
                         parseError.errorString());
    }
    if (!document.isObject()) {
        throw StoreError(QStringLiteral("Cannot read the saved settings"), location_,
                         QStringLiteral("not a JSON object"));
    }
    const QJsonObject object = document.object();

    const auto fields = StringFields(inputs);
    for (size_t i = 0; i < fields.size(); ++i) {
        const auto value = object.constFind(kStringNames[i]);
        if (value == object.constEnd()) {
            fields[i]->clear();
        } else if (value->isString()) {
            *fields[i] = value->toString();
        } else {
            break;
        }
    }
    auto readBool = [&object](const QString& name, bool& target) {
        const auto value = object.constFind(name);
        if (value == object.constEnd() || !value->isDouble()) return;
        const double number = value->toDouble();
        if (number != static_cast<double>(static_cast<qint64>(number)) ||
            number < std::numeric_limits<qint32>::min() ||
            number > std::numeric_limits<qint32>::max()) {
            return;
        }
        target = number != 0;
    };
    readBool(kProductsName, inputs.products);
    readBool(kSpecialsName, inputs.specials);
}

void SettingsStore::save(const Inputs& inputs) const {
    QJsonObject object;
    Inputs copy = inputs;
    const auto fields = StringFields(copy);
    for (size_t i = 0; i < fields.size(); ++i) object.insert(kStringNames[i], *fields[i]);
    object.insert(kProductsName, inputs.products ? 1 : 0);
    object.insert(kSpecialsName, inputs.specials ? 1 : 0);

    if (!QDir().mkpath(QFileInfo(location_).absolutePath())) {
        throw StoreError(QStringLiteral("Cannot save the settings in"), location_,
                         QStringLiteral("cannot create its folder"));
    }
    QSaveFile file(location_);
    if (!file.open(QIODevice::WriteOnly) ||
        !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner) ||
        file.write(QJsonDocument(object).toJson()) < 0 || !file.commit()) {
        throw StoreError(QStringLiteral("Cannot save the settings in"), location_,
                         file.errorString());
    }
}

#endif

SettingsStore::SettingsStore(QString location) : location_(std::move(location)) {}

}  // namespace wwweksports
