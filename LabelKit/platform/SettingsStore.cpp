#include "LabelKit/platform/SettingsStore.h"

#include <QDir>
#include <QIODevice>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>
#include <QStandardPaths>

#include <cmath>

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

bool readJson(QIODevice& device, QSettings::SettingsMap& map) {
    const QByteArray bytes = device.readAll();
    if (bytes.trimmed().isEmpty()) {
        return true;
    }
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        return false;
    }
    const QJsonObject object = document.object();
    for (auto it = object.begin(); it != object.end(); ++it) {
        const QVariant value = fromTagged(it.value());
        if (value.isValid()) {
            map.insert(it.key(), value);
        }
    }
    return true;
}

bool writeJson(QIODevice& device, const QSettings::SettingsMap& map) {
    QJsonObject object;
    for (auto it = map.begin(); it != map.end(); ++it) {
        const QJsonValue tagged = toTagged(it.value());
        if (!tagged.isUndefined()) {
            object.insert(it.key(), tagged);
        }
    }
    return device.write(QJsonDocument(object).toJson(QJsonDocument::Indented)) >= 0;
}

QSettings::Format jsonFormat() {
    static const QSettings::Format format =
        QSettings::registerFormat(QStringLiteral("json"), readJson, writeJson, Qt::CaseSensitive);
    return format;
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

void SettingsStore::setText(const QString& key, const QString& value) {
    put(key, value);
}

void SettingsStore::setInteger(const QString& key, qint64 value) {
    put(key, QVariant::fromValue<qint64>(value));
}

void SettingsStore::setReal(const QString& key, double value) {
    // JSON cannot hold NaN or infinity; such a value is not stored at all.
    put(key, std::isfinite(value) ? QVariant(value) : QVariant());
}

void SettingsStore::setBoolean(const QString& key, bool value) {
    put(key, value);
}

void SettingsStore::setTextMap(const QString& key, const TextMap& value) {
    QVariantMap map;
    for (auto it = value.begin(); it != value.end(); ++it) {
        map.insert(it.key(), it.value());
    }
    put(key, map);
}

void SettingsStore::remove(const QString& key) {
    put(key, QVariant());
}

void SettingsStore::put(const QString& key, const QVariant& value) {
    write(key, value);
    Q_EMIT changed(key);
}

MemorySettingsStore::MemorySettingsStore(QObject* parent) : SettingsStore(parent) {}

QVariant MemorySettingsStore::value(const QString& key) const {
    return m_values.value(key);
}

QStringList MemorySettingsStore::keys() const {
    return m_values.keys();
}

void MemorySettingsStore::write(const QString& key, const QVariant& value) {
    if (value.isValid()) {
        m_values.insert(key, value);
    } else {
        m_values.remove(key);
    }
}

FileSettingsStore::FileSettingsStore(const QString& path, QObject* parent)
    : SettingsStore(parent), m_settings(std::make_unique<QSettings>(path, jsonFormat())) {
    m_settings->setFallbacksEnabled(false);
}

FileSettingsStore::~FileSettingsStore() {
    m_settings->sync();
}

QString FileSettingsStore::defaultPath() {
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return QDir(base).filePath(QStringLiteral("Vantrel/settings.json"));
}

QString FileSettingsStore::path() const {
    return m_settings->fileName();
}

QVariant FileSettingsStore::value(const QString& key) const {
    return m_settings->value(key);
}

QStringList FileSettingsStore::keys() const {
    return m_settings->allKeys();
}

void FileSettingsStore::sync() {
    m_settings->sync();
}

void FileSettingsStore::write(const QString& key, const QVariant& value) {
    if (value.isValid()) {
        m_settings->setValue(key, value);
    } else {
        m_settings->remove(key);
    }
    // Written at once, so another process (the command-line tool, the application) sees it.
    m_settings->sync();
}

} // namespace vantrel
