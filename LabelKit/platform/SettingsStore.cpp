#include "LabelKit/platform/SettingsStore.h"

#include "LabelKit/platform/FileWriter.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>

#include <cerrno>
#include <cmath>
#include <cstdio>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vantrel {

namespace {

// On disk every value is a one-member object naming its type, so 2.0 stays a real and "2"
// stays text: {"printer.chunkSize": {"integer": 180}, "display.unit": {"text": "mm"}}.
const QString textTag = QStringLiteral("text");
const QString integerTag = QStringLiteral("integer");
const QString realTag = QStringLiteral("real");
const QString booleanTag = QStringLiteral("boolean");
const QString textMapTag = QStringLiteral("textMap");

QVariant fromTagged(const QJsonValue& entry) {
    const QJsonObject object = entry.toObject();
    if (object.size() != 1) {
        return {};
    }
    const QString tag = object.begin().key();
    const QJsonValue v = object.begin().value();
    if (tag == textTag && v.isString()) {
        return v.toString();
    }
    if (tag == integerTag && v.isDouble()) {
        const qint64 i = v.toInteger(std::numeric_limits<qint64>::min());
        if (v.toDouble() == double(i)) {
            return QVariant::fromValue<qint64>(i);
        }
        return {};
    }
    if (tag == realTag && v.isDouble()) {
        return v.toDouble();
    }
    if (tag == booleanTag && v.isBool()) {
        return v.toBool();
    }
    if (tag == textMapTag && v.isObject()) {
        // Values keep whatever JSON type they have, so a map holding non-text is recognised.
        return v.toObject().toVariantMap();
    }
    return {};
}

QJsonValue toTagged(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::QString:
        return QJsonObject{{textTag, value.toString()}};
    case QMetaType::LongLong:
        return QJsonObject{{integerTag, value.toLongLong()}};
    case QMetaType::Double:
        return QJsonObject{{realTag, value.toDouble()}};
    case QMetaType::Bool:
        return QJsonObject{{booleanTag, value.toBool()}};
    case QMetaType::QVariantMap:
        return QJsonObject{{textMapTag, QJsonObject::fromVariantMap(value.toMap())}};
    default:
        return QJsonValue::Undefined;
    }
}

// Writers hold the lock for a few milliseconds; a longer wait means something is stuck.
constexpr std::chrono::milliseconds lockTimeout{10000};

QString damagedName(const QString& path, const QDateTime& now, int attempt) {
    QString name = path + QStringLiteral(".damaged-") + now.toString(u"yyyyMMdd'T'HHmmss'Z'");
    if (attempt > 0) {
        name += u'-' + QString::number(attempt + 1);
    }
    return name;
}

// The settings file's bytes. Nothing when there is none; a failure with the reason when it
// cannot be read (or is no regular file, or too large to be settings).
struct Reading {
    std::optional<QByteArray> bytes;
    std::optional<QString> failure;
};

Reading readSettings(const QString& path) {
    const QByteArray native = QFile::encodeName(path);
    // Never blocks: a FIFO at the path is refused, not waited on.
    const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        if (errno == ENOENT) {
            return {};
        }
        return {std::nullopt, qt_error_string(errno)};
    }
    struct stat info {};
    Reading reading;
    if (::fstat(fd, &info) != 0) {
        reading.failure = qt_error_string(errno);
    } else if (!S_ISREG(info.st_mode)) {
        reading.failure = QStringLiteral("it is not a regular file");
    } else if (info.st_size > FileSettingsStore::maxFileSize) {
        reading.failure = QStringLiteral("it is too large");
    } else {
        QByteArray bytes(qsizetype(info.st_size), Qt::Uninitialized);
        qsizetype filled = 0;
        while (filled < bytes.size()) {
            const ssize_t n = ::read(fd, bytes.data() + filled, size_t(bytes.size() - filled));
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n < 0) {
                reading.failure = qt_error_string(errno);
                break;
            }
            if (n == 0) {
                break;
            }
            filled += n;
        }
        bytes.truncate(filled);
        if (!reading.failure) {
            reading.bytes = std::move(bytes);
        }
    }
    ::close(fd);
    return reading;
}

} // namespace

SettingsStore::SettingsStore(QObject* parent) : QObject(parent) {}

SettingsStore::~SettingsStore() = default;

std::optional<QString> SettingsStore::text(const QString& key) const {
    const QVariant v = value(key);
    if (v.typeId() == QMetaType::QString) {
        return v.toString();
    }
    return std::nullopt;
}

std::optional<qint64> SettingsStore::integer(const QString& key) const {
    const QVariant v = value(key);
    if (v.typeId() == QMetaType::LongLong) {
        return v.toLongLong();
    }
    return std::nullopt;
}

std::optional<double> SettingsStore::real(const QString& key) const {
    const QVariant v = value(key);
    if (v.typeId() == QMetaType::Double) {
        return v.toDouble();
    }
    if (v.typeId() == QMetaType::LongLong) {
        return double(v.toLongLong());
    }
    return std::nullopt;
}

std::optional<bool> SettingsStore::boolean(const QString& key) const {
    const QVariant v = value(key);
    if (v.typeId() == QMetaType::Bool) {
        return v.toBool();
    }
    return std::nullopt;
}

std::optional<TextMap> SettingsStore::textMap(const QString& key) const {
    const QVariant v = value(key);
    if (v.typeId() != QMetaType::QVariantMap) {
        return std::nullopt;
    }
    TextMap result;
    const QVariantMap map = v.toMap();
    for (auto it = map.begin(); it != map.end(); ++it) {
        if (it.value().typeId() != QMetaType::QString) {
            return std::nullopt;
        }
        result.insert(it.key(), it.value().toString());
    }
    return result;
}

bool SettingsStore::setText(const QString& key, const QString& value) {
    return put(key, value);
}

bool SettingsStore::setInteger(const QString& key, qint64 value) {
    return put(key, QVariant::fromValue<qint64>(value));
}

bool SettingsStore::setReal(const QString& key, double value) {
    // JSON cannot hold NaN or infinity; such a value is not stored at all.
    return put(key, std::isfinite(value) ? QVariant(value) : QVariant());
}

bool SettingsStore::setBoolean(const QString& key, bool value) {
    return put(key, value);
}

bool SettingsStore::setTextMap(const QString& key, const TextMap& value) {
    QVariantMap map;
    for (auto it = value.begin(); it != value.end(); ++it) {
        map.insert(it.key(), it.value());
    }
    return put(key, map);
}

bool SettingsStore::remove(const QString& key) {
    return put(key, QVariant());
}

bool SettingsStore::put(const QString& key, const QVariant& value) {
    return transact([&] {
        apply(key, value);
        m_touched.append(key);
    });
}

bool SettingsStore::transact(const std::function<void()>& change) {
    if (m_inTransaction) {
        change();
        return true;
    }
    if (std::optional<QString> failure = begin()) {
        setLastError(std::move(failure));
        return false;
    }
    m_inTransaction = true;
    m_touched.clear();
    try {
        change();
    } catch (...) {
        m_inTransaction = false;
        end(false);
        throw;
    }
    m_inTransaction = false;
    const QStringList touched = std::exchange(m_touched, {});
    std::optional<QString> failure = end(true);
    const bool stored = !failure;
    setLastError(std::move(failure));
    if (stored) {
        for (const QString& key : touched) {
            Q_EMIT changed(key);
        }
    }
    return stored;
}

void SettingsStore::setLastError(std::optional<QString> error) {
    if (error == m_lastError) {
        return;
    }
    m_lastError = std::move(error);
    Q_EMIT lastErrorChanged();
}

MemorySettingsStore::MemorySettingsStore(QObject* parent) : SettingsStore(parent) {}

QVariant MemorySettingsStore::value(const QString& key) const {
    return m_values.value(key);
}

QStringList MemorySettingsStore::keys() const {
    return m_values.keys();
}

std::optional<QString> MemorySettingsStore::begin() {
    m_before = m_values;
    return std::nullopt;
}

void MemorySettingsStore::apply(const QString& key, const QVariant& value) {
    if (value.isValid()) {
        m_values.insert(key, value);
    } else {
        m_values.remove(key);
    }
}

std::optional<QString> MemorySettingsStore::end(bool store) {
    if (!store) {
        m_values = m_before;
    }
    m_before.clear();
    return std::nullopt;
}

FileSettingsStore::FileSettingsStore(const QString& path, QObject* parent)
    : SettingsStore(parent), m_path(path), m_lock(path + QStringLiteral(".lock")) {
    if (read()) {
        // Looked at again under the lock: another process may be replacing it right now.
        m_lock.lock(lockTimeout);
        if (const std::optional<QString> failure = read()) {
            setAside(*failure);
        }
        m_lock.unlock();
    }
}

FileSettingsStore::~FileSettingsStore() = default;

std::optional<QString> FileSettingsStore::defaultPath() {
    // Without a home, Qt falls back to the root folder: never a place for the user's settings.
    const QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    const QString home = qEnvironmentVariable("HOME");
    if (QDir::isRelativePath(config) && (home.isEmpty() || QDir::isRelativePath(home))) {
        return std::nullopt;
    }
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return QDir(base).filePath(QStringLiteral("Vantrel/settings.json"));
}

QVariant FileSettingsStore::value(const QString& key) const {
    return fromTagged(m_entries.value(key));
}

QStringList FileSettingsStore::keys() const {
    QStringList list;
    for (auto it = m_entries.begin(); it != m_entries.end(); ++it) {
        if (fromTagged(it.value()).isValid()) {
            list.append(it.key());
        }
    }
    return list;
}

std::optional<QString> FileSettingsStore::read() {
    const Reading reading = readSettings(m_path);
    m_entries = QJsonObject();
    m_blocked.reset();
    if (reading.failure) {
        return reading.failure;
    }
    if (!reading.bytes || reading.bytes->trimmed().isEmpty()) {
        return std::nullopt;
    }
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(*reading.bytes, &error);
    if (error.error != QJsonParseError::NoError) {
        return QStringLiteral("%1 at byte %2").arg(error.errorString()).arg(error.offset);
    }
    if (!document.isObject()) {
        return QStringLiteral("it doesn't hold a JSON object");
    }
    m_entries = document.object();
    return std::nullopt;
}

void FileSettingsStore::setAside(const QString& failure) {
    // Kept aside under a name of its own, so that nothing written later replaces it.
    const QDateTime now = QDateTime::currentDateTimeUtc();
    QString aside;
    int error = EEXIST;
    for (int attempt = 0; attempt < 100 && error == EEXIST; ++attempt) {
        aside = damagedName(m_path, now, attempt);
        error = ::renameat2(AT_FDCWD, QFile::encodeName(m_path).constData(), AT_FDCWD,
                            QFile::encodeName(aside).constData(), RENAME_NOREPLACE) == 0
                    ? 0
                    : errno;
        if (error == EINVAL && !QFileInfo::exists(aside) && !QFileInfo(aside).isSymLink()) {
            // A file system without an exclusive rename.
            error = ::rename(QFile::encodeName(m_path).constData(),
                             QFile::encodeName(aside).constData()) == 0
                        ? 0
                        : errno;
        }
    }
    QString message;
    if (error == 0) {
        message = QStringLiteral("The settings file “%1” could not be read (%2). It was set aside "
                                 "as “%3”, and the default settings apply.")
                      .arg(m_path, failure, aside);
    } else {
        message = QStringLiteral("The settings file “%1” could not be read (%2) nor set aside "
                                 "(%3). The default settings apply, and none are saved until "
                                 "the file is repaired or removed.")
                      .arg(m_path, failure, qt_error_string(error));
        m_blocked = message;
    }
    if (!m_damage) {
        m_damage = message;
        Q_EMIT damageFound(message);
    }
}

std::optional<QString> FileSettingsStore::begin() {
    const auto failed = [&](const QString& reason) {
        return QStringLiteral("Couldn't save the settings in “%1”: %2").arg(m_path, reason);
    };
    const QString folder = QFileInfo(m_path).path();
    if (!QDir().mkpath(folder)) {
        return failed(QStringLiteral("the folder “%1” cannot be created").arg(folder));
    }
    if (const std::optional<QString> failure = m_lock.lock(lockTimeout)) {
        return failed(*failure);
    }
    if (const std::optional<QString> failure = read()) {
        setAside(*failure);
    }
    m_before = m_entries;
    m_applied = false;
    return std::nullopt;
}

void FileSettingsStore::apply(const QString& key, const QVariant& value) {
    const QJsonValue tagged = toTagged(value);
    if (tagged.isUndefined()) {
        m_entries.remove(key);
    } else {
        m_entries.insert(key, tagged);
    }
    m_applied = true;
}

std::optional<QString> FileSettingsStore::end(bool store) {
    std::optional<QString> failure;
    if (store && m_applied) {
        if (m_blocked) {
            failure = *m_blocked;
        } else if (const auto reason = FileWriter::replace(
                       m_path, QJsonDocument(m_entries).toJson(QJsonDocument::Indented))) {
            failure = QStringLiteral("Couldn't save the settings in “%1”: %2").arg(m_path, *reason);
        }
    }
    if (!store || failure) {
        m_entries = m_before;
    }
    m_before = QJsonObject();
    m_applied = false;
    m_lock.unlock();
    return failure;
}

} // namespace vantrel
