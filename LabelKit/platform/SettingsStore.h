#pragma once

#include "LabelKit/platform/FileLock.h"

#include <QJsonObject>
#include <QMap>
#include <QObject>
#include <QString>
#include <QVariant>

#include <functional>
#include <memory>
#include <optional>

namespace vantrel {

using TextMap = QMap<QString, QString>;

// The user's key-value settings. Values keep their type across restarts: text, integer, real,
// boolean and text map. A typed read of a key that is absent or holds another type gives
// nothing, so callers apply their own default ("a value of the wrong type reads as its
// default"). An integer also reads as a real; nothing else converts.
//
// Every write is stored at once. One that cannot be stored changes nothing, returns false and
// sets lastError(); it is not announced.
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

    bool setText(const QString& key, const QString& value);
    bool setInteger(const QString& key, qint64 value);
    bool setReal(const QString& key, double value);
    bool setBoolean(const QString& key, bool value);
    bool setTextMap(const QString& key, const TextMap& value);
    bool remove(const QString& key);

    // Runs `change` with the settings held against every other process sharing them: what it
    // reads is the latest stored, and what it writes is stored together when it returns (or
    // not at all when that fails). Nested calls join the outer one. Returns false, with
    // lastError() saying why, when the settings could not be locked, read or stored; `change`
    // does not run when they could not be locked.
    bool transact(const std::function<void()>& change);

    // "Couldn't save the settings …: <reason>" after a failed write; absent after a good one.
    const std::optional<QString>& lastError() const { return m_lastError; }

    // The stored value as it is (QString, qint64, double, bool or QVariantMap); invalid when
    // absent. Exposed for tools that list settings.
    virtual QVariant value(const QString& key) const = 0;
    virtual QStringList keys() const = 0;
    // Kept for callers that flush before they end; every write is already stored.
    virtual void sync() {}

Q_SIGNALS:
    // A key was written or removed through this object, and stored.
    void changed(const QString& key);
    void lastErrorChanged();

protected:
    explicit SettingsStore(QObject* parent = nullptr);

    // A transaction, as the backend sees it: begin() takes whatever guards the storage and
    // brings the values up to date (a failure ends the transaction before it starts); apply()
    // changes one value in memory (an invalid value removes the key); end() stores the values
    // when `store` is set and something was applied, otherwise puts back what begin() saw, and
    // releases the guard. Each returns the reason for a failure.
    virtual std::optional<QString> begin() = 0;
    virtual void apply(const QString& key, const QVariant& value) = 0;
    virtual std::optional<QString> end(bool store) = 0;

private:
    bool put(const QString& key, const QVariant& value);
    void setLastError(std::optional<QString> error);

    bool m_inTransaction = false;
    QStringList m_touched;
    std::optional<QString> m_lastError;
};

// Settings that live only as long as the object: for tests and throw-away runs.
class MemorySettingsStore final : public SettingsStore {
    Q_OBJECT
public:
    explicit MemorySettingsStore(QObject* parent = nullptr);
    QVariant value(const QString& key) const override;
    QStringList keys() const override;

protected:
    std::optional<QString> begin() override;
    void apply(const QString& key, const QVariant& value) override;
    std::optional<QString> end(bool store) override;

private:
    QVariantMap m_values;
    QVariantMap m_before;
};

// Settings in a JSON file that tags every value with its type, shared by the application and
// the command-line tool. Each write or transaction takes a lock file beside it
// ("settings.json.lock"), re-reads the file, applies its changes and replaces the file whole
// (FileWriter), so no process loses another's keys and no failure leaves a damaged file.
// Reads see the file as this object last read it: at construction and at the start of each
// write or transaction. Entries it cannot decode are kept as they are.
//
// A file that cannot be read or is not a JSON object is never written over: it is moved aside
// to "settings.json.damaged-<UTC time>", the defaults apply, and damage() says so, once, in the
// process that found it. When it cannot be moved aside, every write fails instead.
class FileSettingsStore final : public SettingsStore {
    Q_OBJECT
public:
    // Larger files are taken for damaged: the settings hold a few dozen small values.
    static constexpr qint64 maxFileSize = 16 * 1024 * 1024;

    explicit FileSettingsStore(const QString& path, QObject* parent = nullptr);
    ~FileSettingsStore() override;

    // settings.json in the user's configuration folder ($XDG_CONFIG_HOME/Vantrel, else
    // ~/.config/Vantrel); nothing when neither XDG_CONFIG_HOME nor HOME is an absolute path,
    // so that no settings end up in the root folder.
    static std::optional<QString> defaultPath();

    QString path() const { return m_path; }
    QVariant value(const QString& key) const override;
    QStringList keys() const override;

    // What was wrong with the file and where it went, when this object found it damaged.
    const std::optional<QString>& damage() const { return m_damage; }

Q_SIGNALS:
    // The file was found damaged after construction (by a write that re-read it).
    void damageFound(const QString& message);

protected:
    std::optional<QString> begin() override;
    void apply(const QString& key, const QVariant& value) override;
    std::optional<QString> end(bool store) override;

private:
    // Reads the file into the entries (none when it is missing); the reason when it is damaged.
    std::optional<QString> read();
    void setAside(const QString& failure);

    QString m_path;
    QJsonObject m_entries;
    QJsonObject m_before;
    bool m_applied = false;
    std::optional<QString> m_damage;
    std::optional<QString> m_blocked; // why nothing may be written (a damaged file stayed)
    FileLock m_lock;
};

} // namespace vantrel
