#pragma once

#include "LabelKit/merge/DataTable.h"
#include "LabelKit/model/LabelDocument.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMap>
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
// Observers follow labels() design by design: labelInserted, labelMoved, labelChanged and
// labelRemoved describe each step, then labelsChanged closes the operation. Each per-design
// signal comes after labels() has taken that step, so replaying the steps on a copy of the
// earlier list gives labels() at every point. Slots must not change the store.
//
// Failures are reported one way per operation, as each one's comment says: thrown (UserError
// with the message the user sees), kept in lastError (saves), or skipped silently.
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
    // seedIfEmpty is set and the folder holds no label file at all (an unreadable one counts).
    // Seeding is serialised between processes, so starters are never saved twice, and saves
    // all four or none (lastError says why). Problems with
    // the folder do not fail the construction: the store starts with whatever could be read and
    // folderError() says why.
    LabelStore(const QString& directory, bool seedIfEmpty, QObject* parent = nullptr);
    ~LabelStore() override;

    // The user's documents folder with "Labels" appended; nothing when HOME is not set (or not
    // an absolute path), so that no library ends up in the root folder.
    static std::optional<QString> defaultDirectory();

    const QString& directory() const { return m_directory; }
    // Every design that loaded, newest modified first.
    const QList<LabelDocument>& labels() const { return m_labels; }
    // "Couldn't save <name>: <reason>" after a failed save; absent after a successful one.
    const std::optional<QString>& lastError() const { return m_lastError; }
    // The lists parsed so far, by design id.
    const QHash<QUuid, CachedTable>& tables() const { return m_tables; }

    // Reads every "*.vtllabel" entry of the folder; whatever cannot be read or decoded is
    // left where it is, not listed, and named in unreadableFiles(). The difference to the
    // earlier list is announced design by design, with as few moves as keep the rest in order.
    void reload();
    // Why the last reload could not list the folder ("Couldn't open the label library “…”:
    // <reason>."); absent when it could.
    const std::optional<QString>& folderError() const { return m_folderError; }
    // The label files the last reload could not read or decode: path -> message naming the file.
    const QMap<QString, QString>& unreadableFiles() const { return m_unreadable; }

    std::optional<LabelDocument> label(const QUuid& id) const;
    // The first design, newest first, whose name equals the text ignoring letter case and
    // diacritics.
    std::optional<LabelDocument> labelNamed(const QString& name) const;

    QString url(const QUuid& id) const;
    QString dataURL(const QUuid& id) const;

    // Stamps the design with the current time and writes it atomically; a reader never sees a
    // half-written file. A design saved again moves to its place, normally the front.
    // Failure is reported in lastError ("Couldn't save <name>: <reason>"), never thrown, and
    // changes nothing else; the result only says whether it succeeded.
    bool save(const LabelDocument& document);
    // Removes the design, its list file and its cached table. Never fails: a file that cannot
    // be removed is ignored.
    void remove(const QUuid& id);
    // Saves a copy named "<name> copy" with fresh ids and its own copy of the list file (a list
    // that cannot be copied is left out). Absent when no design has the id or the copy could
    // not be saved; lastError says why.
    std::optional<LabelDocument> duplicate(const QUuid& id);
    // Reads a label file from anywhere and stores it under a fresh id when its id is taken, so
    // importing never replaces a design. Returns the stored design.
    // Throws UserError when the file cannot be read or decoded, or the design cannot be saved
    // (then with the save's message; lastError is left alone).
    LabelDocument importFile(const QString& path);
    // Copies a list file into the store for the design and returns the design bound to it. Does
    // not save the design. Throws UserError when the file cannot be read or stored, or is not a
    // list the design can print from (beyond the list limits).
    LabelDocument attachData(const LabelDocument& document, const QString& path);
    // Removes the design's list file and returns the design unbound. Does not save it. Never
    // fails: a file that cannot be removed is ignored.
    LabelDocument detachData(const LabelDocument& document);
    // The design's list, parsed with its header flag and cached; absent when it has none or the
    // file cannot be read. A look-up: filling the cache announces nothing, so item models may
    // call it while answering data().
    std::optional<DataTable> table(const LabelDocument& document) const;
    // The same, for printing: absent only when the design has no list. A list that is attached
    // but cannot be read or parsed would print its placeholders as text, so it is an error.
    // Throws UserError naming the list and the design.
    std::optional<DataTable> requireTable(const LabelDocument& document) const;

    // The label file bytes of a design. Throws UserError for a number JSON cannot express.
    static QByteArray encode(const LabelDocument& document);
    // Reads and decodes a label file (a regular file of at most maxLabelFileSize bytes).
    // Throws UserError with a message naming the file, also when it is not a label file.
    static LabelDocument readLabelFile(const QString& path);
    // The bytes of a list file (a regular file of at most maxDataFileSize bytes).
    // Throws UserError with a message naming the file.
    static QByteArray readDataFile(const QString& path);

Q_SIGNALS:
    // A design new to the list, now at `row`.
    void labelInserted(const QUuid& id, qsizetype row);
    // A design left `from` and is now at `to` (both positions in the list as it is after the
    // move). A save that moves a design announces the move, then the change at `to`.
    void labelMoved(const QUuid& id, qsizetype from, qsizetype to);
    // The design at `row` has new content.
    void labelChanged(const QUuid& id, qsizetype row);
    // The design that was at `row` is gone.
    void labelRemoved(const QUuid& id, qsizetype row);
    // After the per-design signals of one operation that changed the list.
    void labelsChanged();
    void lastErrorChanged();
    // The design's list file was attached, replaced or removed; table() reads it again.
    void tableChanged(const QUuid& id);

private:
    void migrateLegacyFiles();
    void seed();
    // Writes the design stamped with the current time and puts it in its place in the list;
    // the failure's message, or nothing.
    std::optional<QString> write(const LabelDocument& document);
    // Turns labels() into `next` step by step, announcing each step.
    void applyLabels(const QList<LabelDocument>& next);
    void setLastError(std::optional<QString> error);
    void dropTable(const QUuid& id);

    QString m_directory;
    QList<LabelDocument> m_labels;
    std::optional<QString> m_lastError;
    mutable QHash<QUuid, CachedTable> m_tables; // filled by the const look-up table()
    std::optional<QString> m_folderError;
    QMap<QString, QString> m_unreadable;
    std::unique_ptr<icu::Collator> m_collator; // root rules, primary strength; built on first use
};

} // namespace vantrel
