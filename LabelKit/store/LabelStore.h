#pragma once

#include "LabelKit/merge/DataTable.h"
#include "LabelKit/model/LabelDocument.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QUuid>

#include <unicode/uversion.h>

#include <memory>
#include <optional>

U_NAMESPACE_BEGIN
class Collator;
U_NAMESPACE_END

namespace vantrel {

// The user's label library: one label file per design ("<ID>.vtllabel", ID in upper case) and
// the list file a design is bound to ("<ID>.csv", the bytes as imported), all in one folder.
// The only reader and writer of those files. Lives on the interface thread; every call does
// its file work synchronously.
//
// labels, lastError and tables are observable: each signal fires only when its value really
// changed.
class LabelStore : public QObject {
    Q_OBJECT
public:
    // A parsed list, remembered with the header flag it was parsed with.
    struct CachedTable {
        bool header = true;
        DataTable table;
        friend bool operator==(const CachedTable&, const CachedTable&) = default;
    };

    // Larger files are refused rather than read into memory: a label file holds a few pictures
    // at most, and a list of a million rows stays well below.
    static constexpr qint64 maxLabelFileSize = 64 * 1024 * 1024;
    static constexpr qint64 maxDataFileSize = 64 * 1024 * 1024;

    // Creates the folder when missing, moves legacy ".kestlabel" files to ".vtllabel" (never
    // over an existing file), loads every label file, and saves the four starter designs when
    // nothing loaded and seedIfEmpty is set. Problems with the folder are ignored: the store
    // starts with whatever could be read.
    LabelStore(const QString& directory, bool seedIfEmpty, QObject* parent = nullptr);
    ~LabelStore() override;

    // The user's documents folder with "Labels" appended.
    static QString defaultDirectory();

    const QString& directory() const { return m_directory; }
    // Every design that loaded, newest modified first.
    const QList<LabelDocument>& labels() const { return m_labels; }
    // "Couldn't save <name>: <reason>" after a failed save; absent after a successful one.
    const std::optional<QString>& lastError() const { return m_lastError; }
    const QHash<QUuid, CachedTable>& tables() const { return m_tables; }

    // Reads every "*.vtllabel" entry of the folder; whatever cannot be read or decoded is
    // skipped and left where it is.
    void reload();

    std::optional<LabelDocument> label(const QUuid& id) const;
    // The first design, newest first, whose name equals the text ignoring letter case and
    // diacritics.
    std::optional<LabelDocument> labelNamed(const QString& name) const;

    QString url(const QUuid& id) const;
    QString dataURL(const QUuid& id) const;

    // Stamps the design with the current time and writes it atomically; a reader never sees a
    // half-written file. On failure sets lastError and changes nothing else. True on success.
    bool save(const LabelDocument& document);
    // Removes the design, its list file and its cached table. Never fails.
    void remove(const QUuid& id);
    // Saves a copy named "<name> copy" with fresh ids and its own copy of the list file.
    // Absent when no design has the id or the copy could not be saved (lastError says why).
    std::optional<LabelDocument> duplicate(const QUuid& id);
    // Reads a label file from anywhere and stores it under a fresh id when its id is taken, so
    // importing never replaces a design. Returns the stored design.
    // Throws UserError when the file cannot be read or decoded, or the design cannot be saved.
    LabelDocument importFile(const QString& path);
    // Copies a list file into the store for the design and returns the design bound to it. Does
    // not save the design. Throws UserError when the file cannot be read or stored.
    LabelDocument attachData(const LabelDocument& document, const QString& path);
    // Removes the design's list file and returns the design unbound. Does not save it.
    LabelDocument detachData(const LabelDocument& document);
    // The design's list, parsed with its header flag and cached; absent when it has none or the
    // file cannot be read.
    std::optional<DataTable> table(const LabelDocument& document);

    // The label file bytes of a design. Throws UserError for a number JSON cannot express.
    static QByteArray encode(const LabelDocument& document);
    // Reads and decodes a label file (a regular file of at most maxLabelFileSize bytes).
    // Throws UserError with a message naming the file.
    static LabelDocument readLabelFile(const QString& path);
    // The bytes of a list file (a regular file of at most maxDataFileSize bytes).
    // Throws UserError with a message naming the file.
    static QByteArray readDataFile(const QString& path);

Q_SIGNALS:
    void labelsChanged();
    void lastErrorChanged();
    void tablesChanged();

private:
    void migrateLegacyFiles();
    void setLabels(QList<LabelDocument> labels);
    void setLastError(std::optional<QString> error);
    void dropTable(const QUuid& id);

    QString m_directory;
    QList<LabelDocument> m_labels;
    std::optional<QString> m_lastError;
    QHash<QUuid, CachedTable> m_tables;
    std::unique_ptr<icu::Collator> m_collator; // root rules, primary strength; built on first use
};

} // namespace vantrel
