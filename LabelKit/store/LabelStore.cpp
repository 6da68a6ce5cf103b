#include "LabelKit/store/LabelStore.h"

#include "LabelKit/model/LabelFile.h"
#include "LabelKit/model/Templates.h"
#include "LabelKit/model/UserError.h"
#include "LabelKit/platform/Clock.h"
#include "LabelKit/platform/FileWriter.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSet>
#include <QStandardPaths>

#include <unicode/coll.h>
#include <unicode/locid.h>

#include <algorithm>
#include <cerrno>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vantrel {

namespace {

const QString legacyExtension = QStringLiteral("kestlabel");
const QString dataExtension = QStringLiteral("csv");

QString extensionOf(const QString& fileName) {
    const qsizetype dot = fileName.lastIndexOf(u'.');
    return dot < 0 ? QString() : fileName.mid(dot + 1);
}

QString idText(const QUuid& id) {
    return id.toString(QUuid::WithoutBraces).toUpper();
}

[[noreturn]] void throwReadError(const QString& path, const QString& reason) {
    throw UserError(QStringLiteral("Couldn't read “%1”: %2.").arg(path, reason));
}

// Reads a whole regular file of at most `limit` bytes. Opening never blocks (a FIFO or device
// named like a label file is refused, not waited on), and a file that grows while being read
// is cut off at the limit instead of filling memory.
QByteArray readRegularFile(const QString& path, qint64 limit, const QString& kind) {
    const auto tooLarge = [&] {
        return UserError(QStringLiteral("“%1” is too large for %2 (over %3 MB).")
                             .arg(path, kind, QString::number(limit / (1024 * 1024))));
    };
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        throwReadError(path, qt_error_string(errno));
    }
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};

    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        throwReadError(path, qt_error_string(errno));
    }
    if (S_ISDIR(info.st_mode)) {
        throwReadError(path, QStringLiteral("it is a folder"));
    }
    if (!S_ISREG(info.st_mode)) {
        throwReadError(path, QStringLiteral("it is not a regular file"));
    }
    if (info.st_size > limit) {
        throw tooLarge();
    }

    QByteArray bytes;
    bytes.resize(qsizetype(info.st_size) + 1);
    qsizetype filled = 0;
    for (;;) {
        if (filled == bytes.size()) {
            if (bytes.size() > limit) {
                throw tooLarge();
            }
            bytes.resize(std::min<qsizetype>(bytes.size() * 2, qsizetype(limit) + 1));
        }
        const ssize_t n = ::read(fd, bytes.data() + filled, size_t(bytes.size() - filled));
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            throwReadError(path, qt_error_string(errno));
        }
        if (n == 0) {
            break;
        }
        filled += n;
    }
    if (filled > limit) {
        throw tooLarge();
    }
    bytes.truncate(filled);
    return bytes;
}

// Replaces the file in one step, only once every byte is on the disk (FileWriter). Throws
// UserError with the system's description.
void writeAtomically(const QString& path, const QByteArray& bytes) {
    if (const std::optional<QString> failure = FileWriter::replace(path, bytes)) {
        throw UserError(*failure);
    }
}

// Where a design with the new modification time goes in a list sorted newest first, so that
// the result equals a stable sort after replacing the design at `oldIndex` (or inserting it at
// the front when it is new): designs as new as it stay before it only when they were before it.
qsizetype sortedPosition(const QList<LabelDocument>& others, const QDateTime& modified,
                         qsizetype oldIndex) {
    for (qsizetype j = 0; j < others.size(); ++j) {
        const QDateTime& m = others[j].modified;
        if (m < modified || (m == modified && j >= oldIndex)) {
            return j;
        }
    }
    return others.size();
}

} // namespace

LabelStore::LabelStore(const QString& directory, bool seedIfEmpty, QObject* parent)
    : QObject(parent), m_directory(directory) {
    UErrorCode status = U_ZERO_ERROR;
    m_collator.reset(icu::Collator::createInstance(icu::Locale::getRoot(), status));
    if (U_FAILURE(status)) {
        m_collator.reset();
    } else {
        m_collator->setStrength(icu::Collator::PRIMARY);
    }

    QDir().mkpath(m_directory);
    migrateLegacyFiles();
    reload();
    if (seedIfEmpty && m_labels.isEmpty() && m_unreadable.isEmpty() && !m_folderError) {
        // Processes starting together seed one after the other: the second finds the starters.
        QLockFile lock(QDir(m_directory).filePath(QStringLiteral(".seeding.lock")));
        lock.tryLock(10000);
        reload();
        if (m_labels.isEmpty() && m_unreadable.isEmpty()) {
            seed();
        }
    }
}

LabelStore::~LabelStore() = default;

void LabelStore::seed() {
    // All or nothing: a folder left with some starters would never be seeded again.
    QList<QUuid> saved;
    for (const LabelDocument& starter : Templates::starters()) {
        if (!save(starter)) {
            const std::optional<QString> error = m_lastError;
            for (const QUuid& id : saved) {
                remove(id);
            }
            setLastError(error);
            return;
        }
        saved.append(starter.id);
    }
}

std::optional<QString> LabelStore::defaultDirectory() {
    // Without a home, Qt falls back to the root folder: never a place for the user's labels.
    const QString home = qEnvironmentVariable("HOME");
    if (home.isEmpty() || QDir::isRelativePath(home)) {
        return std::nullopt;
    }
    QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (documents.isEmpty()) {
        documents = QDir(home).filePath(QStringLiteral("Documents"));
    }
    return QDir(documents).filePath(QStringLiteral("Labels"));
}

void LabelStore::migrateLegacyFiles() {
    QDirIterator it(m_directory,
                    QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    QStringList legacy;
    while (it.hasNext()) {
        it.next();
        if (extensionOf(it.fileName()) == legacyExtension) {
            legacy.append(it.filePath());
        }
    }
    for (const QString& path : legacy) {
        const QString target = path.left(path.size() - legacyExtension.size()) +
                               QLatin1StringView(LabelFile::extension);
        // A dangling link at the target still counts as a file there.
        if (QFileInfo(target).exists() || QFileInfo(target).isSymLink()) {
            continue;
        }
        // Never replaces an existing entry, even one that appeared since the check.
        QFile::rename(path, target);
    }
}

void LabelStore::reload() {
    const QString extension = QString::fromLatin1(LabelFile::extension);
    QStringList names;
    std::optional<QString> folderError;
    if (DIR* folder = ::opendir(QFile::encodeName(m_directory).constData())) {
        errno = 0;
        while (const dirent* entry = ::readdir(folder)) {
            const QString name = QFile::decodeName(entry->d_name);
            if (extensionOf(name) == extension) {
                names.append(name);
            }
            errno = 0;
        }
        if (errno != 0) {
            folderError = qt_error_string(errno);
        }
        ::closedir(folder);
    } else {
        folderError = qt_error_string(errno);
    }
    if (folderError) {
        folderError = QStringLiteral("Couldn't open the label library “%1”: %2.")
                          .arg(m_directory, *folderError);
    }
    // The folder's own order is arbitrary; by name, designs saved in the same second come
    // back in the same order on every start.
    std::sort(names.begin(), names.end());

    const QDir dir(m_directory);
    QList<LabelDocument> loaded;
    QMap<QString, QString> unreadable;
    loaded.reserve(names.size());
    for (const QString& name : names) {
        try {
            loaded.append(readLabelFile(dir.filePath(name)));
        } catch (const UserError& e) {
            // Left on disk and not listed, but remembered: asked for by name, it is reported.
            unreadable.insert(dir.filePath(name), e.message());
        }
    }
    std::stable_sort(
        loaded.begin(), loaded.end(),
        [](const LabelDocument& a, const LabelDocument& b) { return a.modified > b.modified; });
    m_folderError = std::move(folderError);
    m_unreadable = std::move(unreadable);
    applyLabels(loaded);
}

std::optional<LabelDocument> LabelStore::label(const QUuid& id) const {
    for (const LabelDocument& doc : m_labels) {
        if (doc.id == id) {
            return doc;
        }
    }
    return std::nullopt;
}

std::optional<LabelDocument> LabelStore::labelNamed(const QString& name) const {
    const icu::UnicodeString wanted(reinterpret_cast<const char16_t*>(name.utf16()),
                                    int32_t(name.size()));
    for (const LabelDocument& doc : m_labels) {
        bool equal = false;
        if (m_collator) {
            const icu::UnicodeString candidate(reinterpret_cast<const char16_t*>(doc.name.utf16()),
                                               int32_t(doc.name.size()));
            UErrorCode status = U_ZERO_ERROR;
            equal =
                m_collator->compare(wanted, candidate, status) == UCOL_EQUAL && U_SUCCESS(status);
        } else {
            equal = doc.name.compare(name, Qt::CaseInsensitive) == 0;
        }
        if (equal) {
            return doc;
        }
    }
    return std::nullopt;
}

QString LabelStore::url(const QUuid& id) const {
    return QDir(m_directory).filePath(idText(id) + u'.' + QLatin1StringView(LabelFile::extension));
}

QString LabelStore::dataURL(const QUuid& id) const {
    return QDir(m_directory).filePath(idText(id) + u'.' + dataExtension);
}

bool LabelStore::save(const LabelDocument& document) {
    std::optional<QString> error = write(document);
    const bool saved = !error;
    setLastError(std::move(error));
    return saved;
}

std::optional<QString> LabelStore::write(const LabelDocument& document) {
    LabelDocument copy = document;
    copy.modified = Clock::wallNow();
    try {
        writeAtomically(url(copy.id), encode(copy));
    } catch (const UserError& e) {
        return QStringLiteral("Couldn't save ") + copy.name + QStringLiteral(": ") + e.message();
    }

    const QUuid id = copy.id;
    const auto found = std::find_if(m_labels.cbegin(), m_labels.cend(),
                                    [&](const LabelDocument& d) { return d.id == id; });
    const qsizetype oldIndex = found == m_labels.cend() ? -1 : found - m_labels.cbegin();
    if (oldIndex >= 0 && m_labels[oldIndex] == copy) {
        return std::nullopt;
    }
    // The list stays sorted, so moving the one design is enough (no full sort).
    if (oldIndex >= 0) {
        m_labels.removeAt(oldIndex);
    }
    const qsizetype position =
        sortedPosition(m_labels, copy.modified, std::max<qsizetype>(oldIndex, 0));
    m_labels.insert(position, std::move(copy));
    if (oldIndex < 0) {
        Q_EMIT labelInserted(id, position);
    } else {
        if (position != oldIndex) {
            Q_EMIT labelMoved(id, oldIndex, position);
        }
        Q_EMIT labelChanged(id, position);
    }
    Q_EMIT labelsChanged();
    return std::nullopt;
}

void LabelStore::remove(const QUuid& id) {
    QFile::remove(url(id));
    QFile::remove(dataURL(id));
    dropTable(id);
    bool removed = false;
    for (qsizetype row = m_labels.size() - 1; row >= 0; --row) {
        if (m_labels[row].id == id) {
            m_labels.removeAt(row);
            Q_EMIT labelRemoved(id, row);
            removed = true;
        }
    }
    if (removed) {
        Q_EMIT labelsChanged();
    }
}

std::optional<LabelDocument> LabelStore::duplicate(const QUuid& id) {
    const std::optional<LabelDocument> source = label(id);
    if (!source) {
        return std::nullopt;
    }
    LabelDocument copy = *source;
    copy.id = QUuid::createUuid();
    copy.name += QStringLiteral(" copy");
    for (LabelElement& element : copy.elements) {
        element.id = QUuid::createUuid();
    }
    bool copiedData = false;
    if (copy.dataName) {
        try {
            writeAtomically(dataURL(copy.id), readDataFile(dataURL(source->id)));
            copiedData = true;
        } catch (const UserError&) {
            // The copy is saved without its list, as an import would be.
        }
    }
    if (!save(copy)) {
        if (copiedData) {
            QFile::remove(dataURL(copy.id));
        }
        return std::nullopt;
    }
    return label(copy.id);
}

LabelDocument LabelStore::importFile(const QString& path) {
    LabelDocument doc = readLabelFile(path);
    // A file that is on disk but did not load (damaged, or written by a newer version) is not
    // overwritten either, nor is a list file left behind under that id adopted.
    if (label(doc.id) || QFileInfo::exists(url(doc.id)) || QFileInfo(url(doc.id)).isSymLink() ||
        QFileInfo::exists(dataURL(doc.id))) {
        doc.id = QUuid::createUuid();
    }
    if (std::optional<QString> error = write(doc)) {
        throw UserError(*std::move(error));
    }
    return *label(doc.id);
}

LabelDocument LabelStore::attachData(const LabelDocument& document, const QString& path) {
    const QByteArray bytes = readDataFile(path);
    // Parsed now, so that a list the design could not print from is refused when it is chosen.
    try {
        DataTable::load(bytes, document.dataHasHeader);
    } catch (const UserError& e) {
        throw UserError(QStringLiteral("Couldn't use the list “%1”. %2")
                            .arg(QFileInfo(path).fileName(), e.message()));
    }
    try {
        writeAtomically(dataURL(document.id), bytes);
    } catch (const UserError& e) {
        throw UserError(QStringLiteral("Couldn't store the list “%1”: %2.")
                            .arg(QFileInfo(path).fileName(), e.message()));
    }
    dropTable(document.id);
    Q_EMIT tableChanged(document.id);
    LabelDocument bound = document;
    bound.dataName = QFileInfo(path).fileName();
    return bound;
}

LabelDocument LabelStore::detachData(const LabelDocument& document) {
    QFile::remove(dataURL(document.id));
    dropTable(document.id);
    Q_EMIT tableChanged(document.id);
    LabelDocument unbound = document;
    unbound.dataName.reset();
    return unbound;
}

std::optional<DataTable> LabelStore::table(const LabelDocument& document) const {
    try {
        return requireTable(document);
    } catch (const UserError&) {
        return std::nullopt;
    }
}

std::optional<DataTable> LabelStore::requireTable(const LabelDocument& document) const {
    if (!document.dataName) {
        return std::nullopt;
    }
    const auto cached = m_tables.constFind(document.id);
    if (cached != m_tables.cend() && cached->header == document.dataHasHeader) {
        return cached->table;
    }
    CachedTable entry{document.dataHasHeader, {}};
    try {
        entry.table = DataTable::load(readDataFile(dataURL(document.id)), document.dataHasHeader);
    } catch (const UserError& e) {
        throw UserError(QStringLiteral("The list “%1” attached to “%2” can't be used. %3")
                            .arg(*document.dataName, document.name, e.message()));
    }
    DataTable result = entry.table;
    m_tables.insert(document.id, std::move(entry));
    return result;
}

QByteArray LabelStore::encode(const LabelDocument& document) {
    return LabelFile::encode(document);
}

LabelDocument LabelStore::readLabelFile(const QString& path) {
    return LabelFile::decode(
        readRegularFile(path, maxLabelFileSize, QStringLiteral("a label file")), path);
}

QByteArray LabelStore::readDataFile(const QString& path) {
    return readRegularFile(path, maxDataFileSize, QStringLiteral("a list"));
}

void LabelStore::applyLabels(const QList<LabelDocument>& next) {
    // A design is known by its id and, for the rare files that share an id, by how many
    // designs with that id come before it.
    using Key = std::pair<QUuid, qsizetype>;
    const auto keysOf = [](const QList<LabelDocument>& list) {
        QHash<QUuid, qsizetype> seen;
        QList<Key> keys;
        keys.reserve(list.size());
        for (const LabelDocument& doc : list) {
            keys.append({doc.id, seen[doc.id]++});
        }
        return keys;
    };
    const QList<Key> nextKeys = keysOf(next);
    QHash<Key, qsizetype> target;
    target.reserve(next.size());
    for (qsizetype k = 0; k < next.size(); ++k) {
        target.insert(nextKeys[k], k);
    }
    QList<Key> keys = keysOf(m_labels); // moves along with m_labels
    bool changed = false;

    // Designs that are gone, from the back.
    for (qsizetype row = m_labels.size() - 1; row >= 0; --row) {
        if (!target.contains(keys[row])) {
            const QUuid id = m_labels[row].id;
            m_labels.removeAt(row);
            keys.removeAt(row);
            Q_EMIT labelRemoved(id, row);
            changed = true;
        }
    }

    // The designs that keep their place: a longest run whose order the new list keeps. Only
    // the others move, so one design saved elsewhere is one move, not a cascade.
    const qsizetype n = keys.size();
    QList<qsizetype> tails; // tails[l]: the row ending the best run of length l + 1
    QList<qsizetype> previous(n, -1);
    for (qsizetype i = 0; i < n; ++i) {
        const qsizetype t = target.value(keys[i]);
        const auto at =
            std::lower_bound(tails.begin(), tails.end(), t,
                             [&](qsizetype j, qsizetype v) { return target.value(keys[j]) < v; });
        if (at != tails.begin()) {
            previous[i] = *(at - 1);
        }
        if (at == tails.end()) {
            tails.append(i);
        } else {
            *at = i;
        }
    }
    QSet<Key> anchors;
    for (qsizetype i = tails.isEmpty() ? -1 : tails.last(); i >= 0; i = previous[i]) {
        anchors.insert(keys[i]);
    }

    const auto rowOf = [&keys](const Key& key, qsizetype guess) {
        if (guess < keys.size() && keys[guess] == key) {
            return guess;
        }
        return keys.indexOf(key);
    };
    // In the new order, each design that is not an anchor goes right after its predecessor,
    // which is by then in its final order among the anchors.
    for (qsizetype k = 0; k < next.size(); ++k) {
        const LabelDocument& doc = next[k];
        qsizetype row = rowOf(nextKeys[k], k);
        if (!anchors.contains(nextKeys[k])) {
            qsizetype place = k == 0 ? 0 : rowOf(nextKeys[k - 1], k - 1) + 1;
            if (row < 0) {
                m_labels.insert(place, doc);
                keys.insert(place, nextKeys[k]);
                Q_EMIT labelInserted(doc.id, place);
                changed = true;
                continue;
            }
            if (row < place) {
                --place;
            }
            if (place != row) {
                m_labels.move(row, place);
                keys.move(row, place);
                Q_EMIT labelMoved(doc.id, row, place);
                row = place;
                changed = true;
            }
        }
        if (m_labels[row] != doc) {
            m_labels[row] = doc;
            Q_EMIT labelChanged(doc.id, row);
            changed = true;
        }
    }
    if (changed) {
        Q_EMIT labelsChanged();
    }
}

void LabelStore::setLastError(std::optional<QString> error) {
    if (error == m_lastError) {
        return;
    }
    m_lastError = std::move(error);
    Q_EMIT lastErrorChanged();
}

void LabelStore::dropTable(const QUuid& id) {
    m_tables.remove(id);
}

} // namespace vantrel
