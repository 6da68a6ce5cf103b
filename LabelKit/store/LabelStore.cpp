#include "LabelKit/store/LabelStore.h"

#include "LabelKit/model/LabelFile.h"
#include "LabelKit/model/Templates.h"
#include "LabelKit/model/UserError.h"
#include "LabelKit/platform/Clock.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <unicode/coll.h>
#include <unicode/locid.h>

#include <algorithm>
#include <cerrno>

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

// Replaces the file in one step: the bytes go to an unnamed file in the same folder, are
// flushed to the disk, and only then take the final name. A crash at any moment leaves either
// the old file or the new one. Throws UserError with the system's description.
void writeAtomically(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly)) {
        throw UserError(file.errorString());
    }
    if (file.write(bytes) != bytes.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        throw UserError(reason);
    }
    if (!file.commit()) {
        throw UserError(file.errorString());
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
    if (m_labels.isEmpty() && seedIfEmpty) {
        for (const LabelDocument& starter : Templates::starters()) {
            save(starter);
        }
    }
}

LabelStore::~LabelStore() = default;

QString LabelStore::defaultDirectory() {
    QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (documents.isEmpty()) {
        documents = QDir::home().filePath(QStringLiteral("Documents"));
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
    QDirIterator it(m_directory,
                    QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        it.next();
        if (extensionOf(it.fileName()) == extension) {
            names.append(it.fileName());
        }
    }
    // The folder's own order is arbitrary; by name, designs saved in the same second come
    // back in the same order on every start.
    std::sort(names.begin(), names.end());

    const QDir dir(m_directory);
    QList<LabelDocument> loaded;
    loaded.reserve(names.size());
    for (const QString& name : names) {
        try {
            loaded.append(readLabelFile(dir.filePath(name)));
        } catch (const UserError&) {
            // Unreadable or not a label file: left on disk, not listed.
        }
    }
    std::stable_sort(
        loaded.begin(), loaded.end(),
        [](const LabelDocument& a, const LabelDocument& b) { return a.modified > b.modified; });
    setLabels(std::move(loaded));
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
    LabelDocument copy = document;
    copy.modified = Clock::wallNow();
    try {
        writeAtomically(url(copy.id), encode(copy));
    } catch (const UserError& e) {
        setLastError(QStringLiteral("Couldn't save ") + copy.name + QStringLiteral(": ") +
                     e.message());
        return false;
    }

    const auto found = std::find_if(m_labels.cbegin(), m_labels.cend(),
                                    [&](const LabelDocument& d) { return d.id == copy.id; });
    const qsizetype oldIndex = found == m_labels.cend() ? -1 : found - m_labels.cbegin();
    if (oldIndex < 0 || m_labels[oldIndex] != copy) {
        // The list stays sorted, so moving the one design is enough (no full sort).
        if (oldIndex >= 0) {
            m_labels.removeAt(oldIndex);
        }
        const qsizetype position =
            sortedPosition(m_labels, copy.modified, std::max<qsizetype>(oldIndex, 0));
        m_labels.insert(position, std::move(copy));
        Q_EMIT labelsChanged();
    }
    setLastError(std::nullopt);
    return true;
}

void LabelStore::remove(const QUuid& id) {
    QFile::remove(url(id));
    QFile::remove(dataURL(id));
    dropTable(id);
    QList<LabelDocument> labels = m_labels;
    labels.removeIf([&](const LabelDocument& d) { return d.id == id; });
    setLabels(std::move(labels));
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
    if (!save(doc)) {
        throw UserError(m_lastError.value_or(QString()));
    }
    return *label(doc.id);
}

LabelDocument LabelStore::attachData(const LabelDocument& document, const QString& path) {
    const QByteArray bytes = readDataFile(path);
    try {
        writeAtomically(dataURL(document.id), bytes);
    } catch (const UserError& e) {
        throw UserError(QStringLiteral("Couldn't store the list “%1”: %2.")
                            .arg(QFileInfo(path).fileName(), e.message()));
    }
    dropTable(document.id);
    LabelDocument bound = document;
    bound.dataName = QFileInfo(path).fileName();
    return bound;
}

LabelDocument LabelStore::detachData(const LabelDocument& document) {
    QFile::remove(dataURL(document.id));
    dropTable(document.id);
    LabelDocument unbound = document;
    unbound.dataName.reset();
    return unbound;
}

std::optional<DataTable> LabelStore::table(const LabelDocument& document) {
    if (!document.dataName) {
        return std::nullopt;
    }
    const auto cached = m_tables.constFind(document.id);
    if (cached != m_tables.cend() && cached->header == document.dataHasHeader) {
        return cached->table;
    }
    QByteArray bytes;
    try {
        bytes = readDataFile(dataURL(document.id));
    } catch (const UserError&) {
        return std::nullopt;
    }
    CachedTable entry{document.dataHasHeader, DataTable::load(bytes, document.dataHasHeader)};
    DataTable result = entry.table;
    m_tables.insert(document.id, std::move(entry));
    Q_EMIT tablesChanged();
    return result;
}

QByteArray LabelStore::encode(const LabelDocument& document) {
    return LabelFile::encode(document);
}

LabelDocument LabelStore::readLabelFile(const QString& path) {
    return LabelFile::decode(
        readRegularFile(path, maxLabelFileSize, QStringLiteral("a label file")));
}

QByteArray LabelStore::readDataFile(const QString& path) {
    return readRegularFile(path, maxDataFileSize, QStringLiteral("a list"));
}

void LabelStore::setLabels(QList<LabelDocument> labels) {
    if (labels == m_labels) {
        return;
    }
    m_labels = std::move(labels);
    Q_EMIT labelsChanged();
}

void LabelStore::setLastError(std::optional<QString> error) {
    if (error == m_lastError) {
        return;
    }
    m_lastError = std::move(error);
    Q_EMIT lastErrorChanged();
}

void LabelStore::dropTable(const QUuid& id) {
    if (m_tables.remove(id) > 0) {
        Q_EMIT tablesChanged();
    }
}

} // namespace vantrel
