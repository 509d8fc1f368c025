#include "settings/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <array>
#include <cmath>
#include <limits>

#include "operator/Error.h"

#ifdef Q_OS_WIN
#include <windows.h>

#include <string>
#include <vector>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSaveFile>
#include <QScopeGuard>
#include <cerrno>
#endif

namespace wwweksports {
namespace {

// The strings in the order they are read and written; the link's security mode and CA file
// came later, so a store without them is an older one (and an empty mode the default).
std::array<QString*, 7> StringFields(Inputs& in) {
    return {&in.address,      &in.database, &in.user, &in.password,
            &in.workbookPath, &in.tlsMode,  &in.tlsCa};
}
const std::array<QString, 7> kStringNames = {QStringLiteral("E_SHOP_MYSQL_IP"),
                                             QStringLiteral("E_SHOP_MYSQL_DB"),
                                             QStringLiteral("E_SHOP_MYSQL_USERNAME"),
                                             QStringLiteral("E_SHOP_MYSQL_PASWORD"),
                                             QStringLiteral("ExcelDir"),
                                             QStringLiteral("E_SHOP_MYSQL_TLS_MODE"),
                                             QStringLiteral("E_SHOP_MYSQL_TLS_CA")};
const QString kProductsName = QStringLiteral("chkPreces");
const QString kSpecialsName = QStringLiteral("chkSpecCenas");

Error StoreError(const QString& what, const QString& location, const QString& reason) {
    return Error(Error::Category::Input, QStringLiteral("%1 %2: %3").arg(what, location, reason));
}

#ifndef Q_OS_WIN

// The largest settings file that is read; the nine values take well under 1 KiB.
constexpr qint64 kMaxFileSize = 64 * 1024;

// What ReadSmallFile() found at a path.
struct SmallFile {
    bool exists = true;
    QString failure;  // why it was not read; empty when it was
    QByteArray bytes;
    bool shared = false;  // users other than its owner may read or write it
};

// Reads the file at `path` when it is a regular file (or a link to one) of at most
// kMaxFileSize bytes. Neither a FIFO nor a device is ever read from: the type is checked
// before the file is opened and again on what was opened, and opening does not wait for a
// FIFO's writer.
SmallFile ReadSmallFile(const QString& path) {
    SmallFile file;
    const QByteArray name = QFile::encodeName(path);
    struct stat st {};
    const auto unusable = [&st]() -> QString {
        if (!S_ISREG(st.st_mode)) return QStringLiteral("tas nav parasts fails");
        if (st.st_size > kMaxFileSize) return QStringLiteral("lielāks par 64 KiB");
        return {};
    };
    if (::stat(name.constData(), &st) != 0) {
        file.exists = errno != ENOENT && errno != ENOTDIR;
        file.failure = qt_error_string(errno);
        return file;
    }
    if (file.failure = unusable(); !file.failure.isEmpty()) return file;
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        file.failure = qt_error_string(errno);
        return file;
    }
    const auto closeIt = qScopeGuard([fd] { ::close(fd); });
    if (::fstat(fd, &st) != 0) {
        file.failure = qt_error_string(errno);
        return file;
    }
    if (file.failure = unusable(); !file.failure.isEmpty()) return file;
    file.shared = (st.st_mode & (S_IRWXG | S_IRWXO)) != 0;

    // One byte more than allowed tells a file that grew since fstat().
    file.bytes.resize(kMaxFileSize + 1);
    qint64 filled = 0;
    while (filled < file.bytes.size()) {
        const ssize_t got =
            ::read(fd, file.bytes.data() + filled, size_t(file.bytes.size() - filled));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            file.failure = qt_error_string(errno);
            return file;
        }
        if (got == 0) break;
        filled += got;
    }
    if (filled > kMaxFileSize) file.failure = QStringLiteral("lielāks par 64 KiB");
    file.bytes.truncate(filled);
    return file;
}

// `path` as one word for a POSIX shell.
QString ShellWord(const QString& path) {
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_./+@%:,-]+$"));
    if (plain.match(path).hasMatch()) return path;
    return QLatin1Char('\'') + QString(path).replace(QLatin1Char('\''), QStringLiteral("'\\''")) +
           QLatin1Char('\'');
}

#endif

}  // namespace

#ifdef Q_OS_WIN

namespace {

// The key below HKEY_CURRENT_USER that a location names, with or without the root's name.
std::wstring SubKey(const QString& location) {
    const QString root = QStringLiteral("HKEY_CURRENT_USER\\");
    return (location.startsWith(root, Qt::CaseInsensitive) ? location.mid(root.size()) : location)
        .toStdWString();
}

struct OpenKey {
    HKEY key = nullptr;
    ~OpenKey() {
        if (key) RegCloseKey(key);
    }
};

QString SystemText(LSTATUS code) {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    QString message = length ? QString::fromWCharArray(text, length).trimmed()
                             : QStringLiteral("reģistra kļūda %1").arg(code);
    LocalFree(text);
    return message;
}

enum class Found { Missing, String, OtherKind };

// A string value exactly as stored (REG_SZ), without its terminating null.
Found ReadString(HKEY key, const QString& name, QString& out) {
    const std::wstring valueName = name.toStdWString();
    DWORD type = 0;
    DWORD bytes = 0;
    LSTATUS rc = RegQueryValueExW(key, valueName.c_str(), nullptr, &type, nullptr, &bytes);
    if (rc == ERROR_FILE_NOT_FOUND) return Found::Missing;
    if (rc != ERROR_SUCCESS || type != REG_SZ) return Found::OtherKind;
    std::vector<wchar_t> text(bytes / sizeof(wchar_t) + 1, L'\0');
    bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    rc = RegQueryValueExW(key, valueName.c_str(), nullptr, &type,
                          reinterpret_cast<BYTE*>(text.data()), &bytes);
    if (rc != ERROR_SUCCESS || type != REG_SZ) return Found::OtherKind;
    size_t length = bytes / sizeof(wchar_t);
    while (length > 0 && text[length - 1] == L'\0') --length;
    out = QString::fromWCharArray(text.data(), static_cast<qsizetype>(length));
    return Found::String;
}

// A check box stored as a number (REG_DWORD); anything else leaves it as it is.
void ReadBox(HKEY key, const QString& name, bool& target) {
    const std::wstring valueName = name.toStdWString();
    DWORD type = 0;
    DWORD value = 0;
    DWORD bytes = sizeof value;
    if (RegQueryValueExW(key, valueName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value),
                         &bytes) == ERROR_SUCCESS &&
        type == REG_DWORD && bytes == sizeof value)
        target = value != 0;
}

}  // namespace

SettingsStore::SettingsStore()
    : SettingsStore(QStringLiteral("HKEY_CURRENT_USER\\Software\\TOLVERN\\Zentaro\\WWWExp")) {}

QStringList SettingsStore::restore(Inputs& inputs) const {
    OpenKey opened;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, SubKey(location_).c_str(), 0, KEY_QUERY_VALUE,
                      &opened.key) != ERROR_SUCCESS)
        return {};  // no key yet: the fields keep their initial state
    DWORD values = 0;
    if (RegQueryInfoKeyW(opened.key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values,
                         nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS ||
        values == 0)
        return {};
    const auto fields = StringFields(inputs);
    for (size_t i = 0; i < fields.size(); ++i) {
        QString text;
        const Found found = ReadString(opened.key, kStringNames[i], text);
        if (found == Found::OtherKind) break;
        *fields[i] = text;  // a missing value empties its field
    }
    ReadBox(opened.key, kProductsName, inputs.products);
    ReadBox(opened.key, kSpecialsName, inputs.specials);
    return {};
}

void SettingsStore::save(const Inputs& inputs) const {
    OpenKey opened;
    LSTATUS rc = RegCreateKeyExW(HKEY_CURRENT_USER, SubKey(location_).c_str(), 0, nullptr, 0,
                                 KEY_SET_VALUE, nullptr, &opened.key, nullptr);
    Inputs copy = inputs;
    const auto fields = StringFields(copy);
    for (size_t i = 0; rc == ERROR_SUCCESS && i < fields.size(); ++i) {
        const std::wstring name = kStringNames[i].toStdWString();
        const std::wstring text = fields[i]->toStdWString();
        rc = RegSetValueExW(opened.key, name.c_str(), 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(text.c_str()),
                            static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    }
    for (const auto& [name, checked] :
         {std::pair{kProductsName, inputs.products}, std::pair{kSpecialsName, inputs.specials}}) {
        if (rc != ERROR_SUCCESS) break;
        const std::wstring valueName = name.toStdWString();
        const DWORD value = checked ? 1 : 0;
        rc = RegSetValueExW(opened.key, valueName.c_str(), 0, REG_DWORD,
                            reinterpret_cast<const BYTE*>(&value), sizeof value);
    }
    if (rc != ERROR_SUCCESS)
        throw StoreError(QStringLiteral("Nevar saglabāt iestatījumus"), location_, SystemText(rc));
}

#else

SettingsStore::SettingsStore()
    : SettingsStore(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                    QStringLiteral("/TOLVERN/Zentaro/WWWExp.json")) {}

QStringList SettingsStore::restore(Inputs& inputs) const {
    const auto unused = [this](const QString& reason) {
        return QStringList{QStringLiteral("Nevar nolasīt saglabātos iestatījumus %1: %2; "
                                          "saglabātās vērtības netika izmantotas")
                               .arg(location_, reason)};
    };
    const SmallFile file = ReadSmallFile(location_);
    if (!file.exists) return {};  // first start: the fields keep their initial state
    if (!file.failure.isEmpty()) return unused(file.failure);

    QJsonParseError parseError{};
    const QJsonDocument document = QJsonDocument::fromJson(file.bytes, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        return unused(QStringLiteral("bojāts JSON baitā %1").arg(parseError.offset));
    }
    if (!document.isObject()) return unused(QStringLiteral("tas nav JSON objekts"));
    const QJsonObject object = document.object();

    // Nothing reaches `inputs` until all of the store has been read.
    Inputs read = inputs;
    const auto fields = StringFields(read);
    for (size_t i = 0; i < fields.size(); ++i) {
        const auto value = object.constFind(kStringNames[i]);
        if (value == object.constEnd()) {
            fields[i]->clear();
        } else if (value->isString()) {
            *fields[i] = value->toString();
        } else {
            return unused(QStringLiteral("\"%1\" nav teksts").arg(kStringNames[i]));
        }
    }
    for (const auto& [name, target] :
         {std::pair{kProductsName, &read.products}, std::pair{kSpecialsName, &read.specials}}) {
        const auto value = object.constFind(name);
        if (value == object.constEnd()) continue;
        const double number = value->toDouble(0.5);  // 0.5 for what is not a number
        if (number < std::numeric_limits<qint32>::min() ||
            number > std::numeric_limits<qint32>::max() || number != std::trunc(number)) {
            return unused(QStringLiteral("\"%1\" nav vesels skaitlis (0 vai 1)").arg(name));
        }
        *target = number != 0;
    }
    inputs = read;
    if (inputs.password.isEmpty() || !file.shared) return {};
    return {
        QStringLiteral("Saglabātajos iestatījumos %1 ir parole, un tos var lasīt vai mainīt arī "
                       "citi lietotāji; lai tie būtu tikai jūsu: chmod 600 %2")
            .arg(location_, ShellWord(location_))};
}

void SettingsStore::save(const Inputs& inputs) const {
    QJsonObject object;
    Inputs copy = inputs;
    const auto fields = StringFields(copy);
    for (size_t i = 0; i < fields.size(); ++i) object.insert(kStringNames[i], *fields[i]);
    object.insert(kProductsName, inputs.products ? 1 : 0);
    object.insert(kSpecialsName, inputs.specials ? 1 : 0);

    if (!QDir().mkpath(QFileInfo(location_).absolutePath())) {
        throw StoreError(QStringLiteral("Nevar saglabāt iestatījumus"), location_,
                         QStringLiteral("nevar izveidot tā mapi"));
    }
    QSaveFile file(location_);
    if (!file.open(QIODevice::WriteOnly) ||
        !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner) ||
        file.write(QJsonDocument(object).toJson()) < 0 || !file.commit()) {
        throw StoreError(QStringLiteral("Nevar saglabāt iestatījumus"), location_,
                         file.errorString());
    }
}

#endif

SettingsStore::SettingsStore(QString location) : location_(std::move(location)) {}

}  // namespace wwweksports
