#pragma once

#include <QMap>
#include <QObject>
#include <QString>
#include <QVariant>

#include <memory>
#include <optional>

class QSettings;

namespace vantrel {

using TextMap = QMap<QString, QString>;

// The user's key-value settings. Values keep their type across restarts: text, integer, real,
// boolean and text map. A typed read of a key that is absent or holds another type gives
// nothing, so callers apply their own default ("a value of the wrong type reads as its
// default"). An integer also reads as a real; nothing else converts.
class SettingsStore : public QObject {
    Q_OBJECT
public:
    ~SettingsStore() override;

    std::optional<QString> text(const QString& key) const;
    std::optional<qint64> integer(const QString& key) const;
    std::optional<double> real(const QString& key) const;
    std::optional<bool> boolean(const QString& key) const;
    // Nothing when any value of the stored map is not text.
    std::optional<TextMap> textMap(const QString& key) const;
    bool contains(const QString& key) const { return value(key).isValid(); }

    void setText(const QString& key, const QString& value);
    void setInteger(const QString& key, qint64 value);
    void setReal(const QString& key, double value);
    void setBoolean(const QString& key, bool value);
    void setTextMap(const QString& key, const TextMap& value);
    void remove(const QString& key);

    // The stored value as it is (QString, qint64, double, bool or QVariantMap); invalid when
    // absent. Exposed for tools that list settings.
    virtual QVariant value(const QString& key) const = 0;
    virtual QStringList keys() const = 0;
    // Writes any buffered change to permanent storage.
    virtual void sync() {}

Q_SIGNALS:
    // A key was written or removed through this object.
    void changed(const QString& key);

protected:
    explicit SettingsStore(QObject* parent = nullptr);
    // Stores the value, or removes the key when the value is invalid.
    virtual void write(const QString& key, const QVariant& value) = 0;

private:
    void put(const QString& key, const QVariant& value);
};

// Settings that live only as long as the object: for tests and throw-away runs.
class MemorySettingsStore final : public SettingsStore {
    Q_OBJECT
public:
    explicit MemorySettingsStore(QObject* parent = nullptr);
    QVariant value(const QString& key) const override;
    QStringList keys() const override;

protected:
    void write(const QString& key, const QVariant& value) override;

private:
    QVariantMap m_values;
};

// Settings in a JSON file that tags every value with its type. QSettings supplies the locking
// and atomic replacement, so the application and the command-line tool can share the file.
class FileSettingsStore final : public SettingsStore {
    Q_OBJECT
public:
    explicit FileSettingsStore(const QString& path, QObject* parent = nullptr);
    ~FileSettingsStore() override;

    // settings.json in the user's configuration folder ($XDG_CONFIG_HOME/Vantrel).
    static QString defaultPath();

    QString path() const;
    QVariant value(const QString& key) const override;
    QStringList keys() const override;
    void sync() override;

protected:
    void write(const QString& key, const QVariant& value) override;

private:
    std::unique_ptr<QSettings> m_settings;
};

} // namespace vantrel
