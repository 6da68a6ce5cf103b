#include "LabelKit/store/LabelStore.h"

#include "LabelKit/model/LabelFile.h"
#include "LabelKit/model/UserError.h"
#include "LabelKit/platform/Clock.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <cstdlib>
#include <limits>
#include <memory>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

using namespace vantrel;

using namespace Qt::StringLiterals;
using ::testing::ElementsAre;
using ::testing::StartsWith;
using testsupport::readBytes;
using testsupport::writeBytes;

namespace {

QString idText(const QUuid& id) {
    return id.toString(QUuid::WithoutBraces).toUpper();
}

std::vector<std::string> names(const QList<LabelDocument>& labels) {
    std::vector<std::string> list;
    for (const LabelDocument& doc : labels) {
        list.push_back(doc.name.toStdString());
    }
    return list;
}

std::string lastError(const LabelStore& store) {
    return store.lastError().value_or(u"(none)"_s).toStdString();
}

LabelDocument design(const QString& name, qint64 modifiedSeconds = 1700000000) {
    LabelElement text(ElementKind::text);
    text.content = name + u" {serial}"_s;
    LabelDocument doc(name, 40, 30, {text, LabelElement(ElementKind::barcode)});
    doc.modified = QDateTime::fromSecsSinceEpoch(modifiedSeconds, Qt::UTC);
    return doc;
}

// The message of the UserError the call throws, for the string matchers.
template <typename Call>
std::string userError(Call call) {
    return testsupport::userError(call).toStdString();
}

// A file of the size without taking the disk space: a sparse file after its first bytes.
void sparseFile(const QString& path, qint64 size, const QByteArray& start = {}) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(start), start.size());
    ASSERT_TRUE(file.resize(size));
}

// Makes a folder refuse new entries, also to root (which ignores permission bits): the
// immutable attribute for root, the permission bits otherwise; or undoes it. Whether it could.
bool setReadOnly(const QString& path, bool readOnly) {
    if (::geteuid() == 0) {
        return QProcess::execute(u"chattr"_s, {readOnly ? u"+i"_s : u"-i"_s, path}) == 0;
    }
    return ::chmod(QFile::encodeName(path).constData(), readOnly ? 0555 : 0755) == 0;
}

// Follows the store's per-design signals on a copy of the ids, as an item model would, and
// checks at every step that the copy equals the store's list. Also counts every announcement.
class Follower {
public:
    explicit Follower(LabelStore& store) : m_store(store), m_ids(ids()) {
        QObject::connect(&store, &LabelStore::labelInserted, &m_context,
                         [this](const QUuid& id, qsizetype row) {
                             m_ids.insert(row, id);
                             step(u"insert"_s);
                         });
        QObject::connect(&store, &LabelStore::labelMoved, &m_context,
                         [this](const QUuid& id, qsizetype from, qsizetype to) {
                             m_ids.move(from, to);
                             EXPECT_EQ(m_ids[to], id);
                             step(u"move"_s);
                         });
        QObject::connect(&store, &LabelStore::labelChanged, &m_context,
                         [this](const QUuid& id, qsizetype row) {
                             EXPECT_EQ(m_ids.value(row), id);
                             step(u"change"_s);
                         });
        QObject::connect(&store, &LabelStore::labelRemoved, &m_context,
                         [this](const QUuid& id, qsizetype row) {
                             EXPECT_EQ(m_ids.value(row), id);
                             m_ids.removeAt(row);
                             step(u"remove"_s);
                         });
        for (auto signal : {&LabelStore::labelsChanged, &LabelStore::lastErrorChanged}) {
            QObject::connect(&store, signal, &m_context, [this] { step(u"list"_s); });
        }
        QObject::connect(&store, &LabelStore::tableChanged, &m_context,
                         [this] { step(u"table"_s); });
    }

    // The announcements since the last call, e.g. "move change list".
    QString take() { return std::exchange(m_steps, {}).join(u' '); }

private:
    QList<QUuid> ids() const {
        QList<QUuid> list;
        for (const LabelDocument& doc : m_store.labels()) {
            list.append(doc.id);
        }
        return list;
    }
    void step(const QString& what) {
        m_steps.append(what);
        EXPECT_EQ(m_ids, ids()) << "after " << what.toStdString();
    }

    LabelStore& m_store;
    QObject m_context;
    QList<QUuid> m_ids;
    QStringList m_steps;
};

class LabelStoreTest : public ::testing::Test {
protected:
    QString dir() const { return m_temp.path(); }
    QString path(const QString& name) const { return QDir(dir()).filePath(name); }

    // Writes the design's label file, by default under its own id.
    void writeLabel(const LabelDocument& doc, QString fileName = {}) {
        if (fileName.isEmpty()) {
            fileName = idText(doc.id) + u".vtllabel"_s;
        }
        writeBytes(path(fileName), LabelFile::encode(doc));
    }

    // A design saved with a list attached.
    LabelDocument savedWithList(const QString& name, const QByteArray& csv) {
        LabelStore& store = *m_store;
        writeBytes(path(u"list.csv"_s), csv);
        LabelDocument doc = store.attachData(design(name), path(u"list.csv"_s));
        EXPECT_TRUE(store.save(doc)) << lastError(store);
        EXPECT_TRUE(QFile::remove(path(u"list.csv"_s)));
        return doc;
    }

    QStringList entries() const {
        return QDir(dir()).entryList(
            QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    }

    LabelStore& open() {
        m_store = std::make_unique<LabelStore>(dir(), false);
        return *m_store;
    }

    QTemporaryDir m_temp;
    QTemporaryDir m_outside;
    std::unique_ptr<LabelStore> m_store;
};

// Start-up: folder, migration, seeding.

TEST_F(LabelStoreTest, StartUpCreatesTheFolderAndSeedsTheStartersNewestFirstWhenEmpty) {
    const QString nested = path(u"a/b/Labels"_s);
    EXPECT_TRUE(LabelStore(nested, false).labels().isEmpty());
    EXPECT_TRUE(QFileInfo(nested).isDir());
    EXPECT_TRUE(QDir(nested).isEmpty());

    LabelStore store(nested, true);
    EXPECT_THAT(names(store.labels()),
                ElementsAre("Big text", "Dated label", "SKU tag", "Bin tag"));
    EXPECT_FALSE(store.lastError());
    // A restart reads the same four designs and seeds nothing more.
    EXPECT_EQ(LabelStore(nested, true).labels().size(), 4);
    EXPECT_EQ(QDir(nested).entryList(QDir::Files).size(), 4);
    // A library holding a design is not seeded.
    writeLabel(design(u"Shelf"_s), u"shelf.vtllabel"_s);
    EXPECT_THAT(names(LabelStore(dir(), true).labels()), ElementsAre("Shelf"));
    // A file where the folder should be: it cannot be created, listed or seeded.
    const QString file = path(u"shelf.vtllabel"_s);
    LabelStore unreadable(file, true);
    EXPECT_TRUE(unreadable.labels().isEmpty());
    EXPECT_EQ(unreadable.folderError(),
              u"Couldn't open the label library “%1”: Not a directory."_s.arg(file));
    EXPECT_FALSE(unreadable.lastError())
        << "no starter is saved into a folder that cannot be listed";
}

TEST_F(LabelStoreTest, ProcessesStartingTogetherSeedTheStartersOnce) {
    std::vector<std::unique_ptr<QProcess>> children;
    for (int i = 0; i < 6; ++i) {
        children.push_back(std::make_unique<QProcess>());
        children.back()->start(QStringLiteral(VANTREL_STORE_SAVER_PATH), {u"--seed"_s, dir()});
    }
    for (const auto& child : children) {
        ASSERT_TRUE(child->waitForFinished(10000));
        EXPECT_EQ(child->exitCode(), 0) << child->readAllStandardError().toStdString();
    }
    EXPECT_EQ(QDir(dir()).entryList({u"*.vtllabel"_s}, QDir::Files).size(), 4);
}

TEST_F(LabelStoreTest, LegacyFilesMoveToTheCurrentExtensionButNeverReplaceOne) {
    const LabelDocument old = design(u"Old"_s);
    writeLabel(old, u"X.kestlabel"_s);
    writeLabel(design(u"Legacy"_s), u"Y.kestlabel"_s);
    writeLabel(design(u"Current"_s), u"Y.vtllabel"_s);
    // A dangling link counts as an existing entry too.
    ASSERT_TRUE(QFile::link(path(u"nowhere"_s), path(u"Z.vtllabel"_s)));
    writeLabel(design(u"Other legacy"_s), u"Z.kestlabel"_s);

    LabelStore store(dir(), false);
    EXPECT_THAT(names(store.labels()), ::testing::UnorderedElementsAre("Old", "Current"));
    EXPECT_EQ(entries(), (QStringList{u"X.vtllabel"_s, u"Y.kestlabel"_s, u"Y.vtllabel"_s,
                                      u"Z.kestlabel"_s, u"Z.vtllabel"_s}));
    EXPECT_TRUE(QFileInfo(path(u"Z.vtllabel"_s)).isSymLink());
}

// Reload.

TEST_F(LabelStoreTest, ReloadAnnouncesEachDesignThatChangedWithTheFewestMoves) {
    QList<LabelDocument> docs;
    for (int i = 0; i < 6; ++i) {
        docs.append(design(u"L%1"_s.arg(i), 1000 * (i + 1)));
        writeLabel(docs.last());
    }
    LabelStore& store = open();
    Follower follower(store);
    store.reload();
    EXPECT_EQ(follower.take(), u""_s);

    QFile::remove(store.url(docs[2].id));
    docs[4].name = u"L4 renamed"_s;
    writeLabel(docs[4]);
    docs[1].modified = QDateTime::fromSecsSinceEpoch(9000, Qt::UTC);
    writeLabel(docs[1]);
    docs[5].modified = QDateTime::fromSecsSinceEpoch(1500, Qt::UTC);
    writeLabel(docs[5]);
    writeLabel(design(u"New"_s, 3500));
    LabelDocument twin = design(u"Twin of L0"_s, 500); // a copied file: same id, other name
    twin.id = docs[0].id;
    writeLabel(twin, u"twin.vtllabel"_s);
    store.reload();
    EXPECT_EQ(follower.take(), u"remove move change change insert move change insert list"_s);
    EXPECT_THAT(names(store.labels()),
                ElementsAre("L1", "L4 renamed", "L3", "New", "L5", "L0", "Twin of L0"));
}

// Only files of exactly the label extension are read, newest first and ties by file name;
// hostile entries are skipped without hanging, crashing or touching them.
TEST_F(LabelStoreTest, ReadingTheFolderTakesTheLabelFilesAndSkipsHostileEntries) {
    writeLabel(design(u"Old"_s, 1000), u"a.vtllabel"_s);
    writeLabel(design(u"Tie 2"_s, 2000), u"c.vtllabel"_s);
    writeLabel(design(u"New"_s, 3000), u"d.vtllabel"_s);
    writeLabel(design(u"Tie 1"_s, 2000), u"b.vtllabel"_s);
    writeLabel(design(u"Hidden"_s, 500), u".e.vtllabel"_s);
    writeLabel(design(u"Upper"_s), u"f.VTLLABEL"_s);
    writeLabel(design(u"Two dots"_s), u"h.vtllabel.bak"_s);
    QDir(dir()).mkdir(u"folder.vtllabel"_s);
    ASSERT_TRUE(QFile::link(path(u"loop2.vtllabel"_s), path(u"loop1.vtllabel"_s)));
    ASSERT_TRUE(QFile::link(path(u"loop1.vtllabel"_s), path(u"loop2.vtllabel"_s)));
    ASSERT_TRUE(QFile::link(path(u"gone"_s), path(u"dangling.vtllabel"_s)));
    ASSERT_TRUE(QFile::link(u"/dev/zero"_s, path(u"zero.vtllabel"_s)));
    ASSERT_TRUE(QFile::link(dir(), path(u"self.vtllabel"_s)));
    ASSERT_EQ(::mkfifo(QFile::encodeName(path(u"pipe.vtllabel"_s)).constData(), 0644), 0);
    writeBytes(path(u"empty.vtllabel"_s), {});
    writeBytes(path(u"broken.vtllabel"_s), "{ not json");
    writeBytes(path(u"broken-utf8.vtllabel"_s), "{\"name\": \"\xc3\x28\xff\xfe\"}");
    sparseFile(path(u"huge.vtllabel"_s), 200LL * 1024 * 1024, "{\"name\": \"Huge\", \"x\": \"");

    QElapsedTimer clock;
    clock.start();
    LabelStore store(dir(), true);
    EXPECT_THAT(names(store.labels()), ElementsAre("New", "Tie 1", "Tie 2", "Old", "Hidden"));
    EXPECT_LT(clock.elapsed(), 5000) << "reading a hostile folder must not read big files whole";
    EXPECT_FALSE(store.lastError());
    // Nothing was removed, renamed or rewritten.
    EXPECT_EQ(entries().size(), 18);
    EXPECT_EQ(readBytes(path(u"broken.vtllabel"_s)), QByteArray("{ not json"));
}

TEST(LabelStoreOnAFullDisk, SavesAndSeedingFailWithTheReasonAndKeepWhatWasThere) {
    testsupport::SmallDisk disk;
    if (disk.unavailable()) {
        GTEST_SKIP() << disk.unavailable()->toStdString();
    }
    const QString folder = disk.path(u"Labels"_s);
    LabelStore store(folder, false);
    LabelDocument doc = design(u"Shelf"_s);
    ASSERT_TRUE(store.save(doc));
    const QByteArray before = readBytes(store.url(doc.id));
    disk.fill();
    doc.name = u"Shelf 2"_s;
    EXPECT_FALSE(store.save(doc));
    EXPECT_EQ(lastError(store), "Couldn't save Shelf 2: No space left on device");
    EXPECT_EQ(readBytes(store.url(doc.id)), before);
    EXPECT_THAT(names(store.labels()), ElementsAre("Shelf"));
    EXPECT_EQ(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{QFileInfo(store.url(doc.id)).fileName()})
        << "no half-written file is left behind";

    // A first start on the full disk saves no starter; the next start with room seeds them.
    const QString fresh = disk.path(u"Fresh"_s);
    LabelStore first(fresh, true);
    EXPECT_TRUE(first.labels().isEmpty());
    EXPECT_THAT(lastError(first), ::testing::EndsWith(": No space left on device"));
    EXPECT_TRUE(QDir(fresh).isEmpty());
    disk.release();
    EXPECT_EQ(LabelStore(fresh, true).labels().size(), 4);
}

// Look-ups.

TEST_F(LabelStoreTest, LookUpByIdAndByNameIgnoringCaseAndDiacritics) {
    const LabelDocument bin = design(u"Bin tag"_s, 2000);
    const LabelDocument cafe = design(u"Café straße"_s, 1000);
    const LabelDocument newer = design(u"SHELF"_s, 2000);
    for (const LabelDocument& doc : {bin, cafe, design(u"shelf"_s, 1000), newer}) {
        writeLabel(doc);
    }
    LabelStore& store = open();

    EXPECT_EQ(store.label(cafe.id)->name, cafe.name);
    EXPECT_FALSE(store.label(QUuid::createUuid()));
    EXPECT_EQ(store.labelNamed(u"BÍN tág"_s).value_or(LabelDocument()).id, bin.id);
    EXPECT_EQ(store.labelNamed(u"CAFE STRASSE"_s)->id, cafe.id);
    // Decomposed accents compare equal to composed ones.
    EXPECT_EQ(store.labelNamed(u"Cafe\u0301 straße"_s)->id, cafe.id);
    for (const QString& query : {u"Bin tags"_s, u"Bin"_s, QString()}) {
        EXPECT_FALSE(store.labelNamed(query)) << query.toStdString();
    }
    // Names that differ only in case resolve to the newest.
    EXPECT_EQ(store.labelNamed(u"Shelf"_s)->id, newer.id);
}

TEST(LabelStoreDefaults, TheDefaultFolderIsLabelsInTheDocumentsFolder) {
    QTemporaryDir home;
    const QByteArray oldHome = qgetenv("HOME");
    const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("HOME", QFile::encodeName(home.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(u"config"_s)));
    QDir(home.path()).mkpath(u"config"_s);
    writeBytes(home.filePath(u"config/user-dirs.dirs"_s), "XDG_DOCUMENTS_DIR=\"$HOME/Papers\"\n");
    const std::optional<QString> folder = LabelStore::defaultDirectory();
    qputenv("HOME", oldHome);
    qputenv("XDG_CONFIG_HOME", oldConfig);
    if (oldConfig.isEmpty()) {
        qunsetenv("XDG_CONFIG_HOME");
    }
    EXPECT_EQ(folder, home.filePath(u"Papers/Labels"_s));
}

// Save.

TEST_F(LabelStoreTest, EachSaveMovesItsDesignIntoPlaceAndIsAnnounced) {
    const LabelDocument older = design(u"Older"_s, 1000);
    const LabelDocument newer = design(u"Newer"_s, 2000);
    writeLabel(older);
    writeLabel(newer);
    LabelStore& store = open();
    Follower follower(store);

    // A save writes the file under the upper-case id and stamps the design, to the second on disk.
    LabelDocument added = design(u"Added"_s);
    ASSERT_TRUE(store.save(added));
    EXPECT_EQ(follower.take(), u"insert list"_s);
    EXPECT_EQ(store.url(added.id), path(idText(added.id) + u".vtllabel"_s));
    added.modified = store.labels().first().modified;
    EXPECT_LE(std::abs(added.modified.secsTo(QDateTime::currentDateTimeUtc())), 5);
    EXPECT_EQ(store.labels().first(), added);
    const LabelDocument onDisk = LabelFile::decode(readBytes(store.url(added.id)));
    EXPECT_EQ(onDisk.modified.toSecsSinceEpoch(), added.modified.toSecsSinceEpoch());
    added.modified = onDisk.modified;
    EXPECT_EQ(onDisk, added);
    ::usleep(2000); // a save within the same millisecond would tie and keep its place
    ASSERT_TRUE(store.save(older));
    EXPECT_EQ(follower.take(), u"move change list"_s);
    EXPECT_THAT(names(store.labels()), ElementsAre("Older", "Added", "Newer"));
    // A save stamped earlier than the rest (the clock was set back) moves the design down.
    Clock::setWallTime(QDateTime::fromSecsSinceEpoch(1500, Qt::UTC));
    ASSERT_TRUE(store.save(*store.label(older.id)));
    EXPECT_EQ(follower.take(), u"move change list"_s);
    EXPECT_THAT(names(store.labels()), ElementsAre("Added", "Newer", "Older"));
    // Saves at the same moment: a saved design keeps its place among them, a new one goes first.
    Clock::setTimeScale(1e9);
    Clock::setWallTime(QDateTime::fromSecsSinceEpoch(4000000000, Qt::UTC));
    ASSERT_TRUE(store.save(*store.label(older.id)));
    ASSERT_TRUE(store.save(*store.label(newer.id)));
    ASSERT_TRUE(store.save(*store.label(older.id)));
    ASSERT_TRUE(store.save(design(u"Tied"_s)));
    Clock::setTimeScale(1);
    Clock::setWallTime({});
    EXPECT_THAT(names(store.labels()), ElementsAre("Tied", "Older", "Newer", "Added"));
    EXPECT_EQ(follower.take(), u"move change list move change list insert list"_s);

    store.remove(newer.id);
    EXPECT_EQ(follower.take(), u"remove list"_s);
    store.remove(newer.id);
    EXPECT_EQ(follower.take(), u""_s);
}

// A save that cannot be written (a number JSON cannot hold, a folder that refuses writes or has
// vanished), and duplicates and imports into such a folder, report why, keep the listed version
// and leave nothing behind; a vanished library is not recreated.
TEST_F(LabelStoreTest, WritesThatFailReportWhyAndKeepTheEarlierVersion) {
    LabelStore& store = open();
    LabelDocument shelf = savedWithList(u"Shelf"_s, "A\n1\n");
    const QList<LabelDocument> before = store.labels();
    const QStringList files = entries();
    const QByteArray onDisk = readBytes(store.url(shelf.id));
    const QString incoming = m_outside.filePath(u"in.vtllabel"_s);
    writeBytes(incoming, LabelFile::encode(design(u"Import"_s)));
    QSignalSpy labelsChanged(&store, &LabelStore::labelsChanged);
    QSignalSpy errorChanged(&store, &LabelStore::lastErrorChanged);
    LabelDocument broken = design(u"Broken"_s);
    broken.elements[0].x = std::numeric_limits<double>::quiet_NaN();
    EXPECT_FALSE(store.save(broken));
    EXPECT_THAT(lastError(store), StartsWith("Couldn't save Broken: The value of"));
    shelf.widthMM = 50;
    {
        const auto writable = qScopeGuard([&] { setReadOnly(dir(), false); });
        if (!setReadOnly(dir(), true)) {
            GTEST_SKIP() << "chattr is needed to make a folder read-only for root";
        }
        EXPECT_FALSE(store.save(shelf));
        EXPECT_THAT(lastError(store), StartsWith("Couldn't save Shelf: "));
        EXPECT_EQ(errorChanged.count(), 2);
        // The same failure again changes nothing observable.
        EXPECT_FALSE(store.save(shelf));
        EXPECT_EQ(errorChanged.count(), 2);
        EXPECT_FALSE(store.duplicate(shelf.id));
        EXPECT_THAT(lastError(store), StartsWith("Couldn't save Shelf copy: "));
        EXPECT_THAT(userError([&] { store.importFile(incoming); }),
                    StartsWith("Couldn't save Import: "));
    }
    EXPECT_EQ(store.labels(), before);
    EXPECT_EQ(labelsChanged.count(), 0);
    EXPECT_EQ(entries(), files) << "a failed duplicate leaves no list file behind";
    EXPECT_EQ(readBytes(store.url(shelf.id)), onDisk);

    ASSERT_TRUE(store.save(shelf));
    EXPECT_FALSE(store.lastError());
    EXPECT_EQ(store.labels().first().widthMM, 50);

    ASSERT_TRUE(QDir(dir()).removeRecursively());
    shelf.name = u"Renamed"_s;
    EXPECT_FALSE(store.save(shelf));
    EXPECT_THAT(lastError(store), StartsWith("Couldn't save Renamed: "));
    EXPECT_EQ(store.labels().first().name, u"Shelf"_s);
    EXPECT_FALSE(QFileInfo::exists(dir()));
}

// Delete and duplicate.

TEST_F(LabelStoreTest, DuplicateSavesACopyWithFreshIdsAndItsOwnListAndDeleteRemovesAll) {
    LabelStore& store = open();
    const LabelDocument bin = savedWithList(u"Bin tag"_s, "Part\nA-12\n");
    ASSERT_TRUE(store.table(bin));
    EXPECT_FALSE(store.duplicate(QUuid::createUuid()));

    const std::optional<LabelDocument> copy = store.duplicate(bin.id);
    ASSERT_TRUE(copy);
    EXPECT_EQ(store.labels().first(), *copy);
    LabelDocument same = *copy;
    for (qsizetype i = 0; i < bin.elements.size(); ++i) {
        EXPECT_NE(same.elements[i].id, bin.elements[i].id);
        same.elements[i].id = bin.elements[i].id;
    }
    EXPECT_NE(same.id, bin.id);
    std::tie(same.id, same.modified) = std::tie(bin.id, bin.modified);
    EXPECT_EQ(same.name, u"Bin tag copy"_s);
    same.name = bin.name;
    EXPECT_EQ(same, bin);

    // Deleting removes the design, its list and its cached table; the copy keeps its own list.
    QSignalSpy labelsChanged(&store, &LabelStore::labelsChanged);
    store.remove(bin.id);
    EXPECT_THAT(names(store.labels()), ElementsAre("Bin tag copy"));
    EXPECT_FALSE(QFileInfo::exists(store.url(bin.id)));
    EXPECT_FALSE(QFileInfo::exists(store.dataURL(bin.id)));
    EXPECT_FALSE(store.tables().contains(bin.id));
    EXPECT_EQ(readBytes(store.dataURL(copy->id)), QByteArray("Part\nA-12\n"));
    // Deleting what is not there is quiet.
    store.remove(bin.id);
    store.remove(QUuid::createUuid());
    EXPECT_EQ(labelsChanged.count(), 1);

    // A design whose list file is gone still duplicates, without a list.
    LabelDocument listless = design(u"Shelf"_s);
    listless.dataName = u"gone.csv"_s;
    ASSERT_TRUE(store.save(listless));
    const auto plain = store.duplicate(listless.id);
    ASSERT_TRUE(plain);
    EXPECT_FALSE(QFileInfo::exists(store.dataURL(plain->id)));
    EXPECT_FALSE(store.table(*plain));
}

// Import.

// The incoming id is kept unless something holds it: a design, or a file that did not load (a
// damaged label file, a stray list), which is neither replaced nor adopted.
TEST_F(LabelStoreTest, ImportStoresTheFileUnderItsIdUnlessSomethingHoldsIt) {
    const LabelDocument original = design(u"Shelf"_s, 1000);
    LabelStore& store = open();
    ASSERT_TRUE(store.save(original));
    LabelDocument incoming = original;
    incoming.name = u"Shelf from a friend"_s;
    incoming.dataName = u"their.csv"_s;
    const auto import = [&] {
        writeBytes(m_outside.filePath(u"in.vtllabel"_s), LabelFile::encode(incoming));
        return store.importFile(m_outside.filePath(u"in.vtllabel"_s));
    };
    const LabelDocument imported = import();
    EXPECT_NE(imported.id, original.id);
    EXPECT_EQ(imported.dataName, incoming.dataName);
    EXPECT_FALSE(store.table(imported)) << "no list comes with a label file";
    EXPECT_THAT(names(store.labels()), ElementsAre("Shelf from a friend", "Shelf"));
    EXPECT_EQ(LabelFile::decode(readBytes(store.url(imported.id))).name, incoming.name);

    for (const QString& suffix : {u".vtllabel"_s, u".csv"_s}) {
        incoming.id = QUuid::createUuid();
        writeBytes(path(idText(incoming.id) + suffix), "{ damaged");
        const LabelDocument moved = import();
        EXPECT_NE(moved.id, incoming.id) << suffix.toStdString();
        EXPECT_FALSE(store.table(moved)) << suffix.toStdString();
        EXPECT_EQ(readBytes(path(idText(incoming.id) + suffix)), QByteArray("{ damaged"));
    }
    incoming.id = QUuid::createUuid();
    EXPECT_EQ(import().id, incoming.id);
}

TEST_F(LabelStoreTest, ImportOfSomethingThatIsNotALabelThrowsAndStoresNothing) {
    writeBytes(m_outside.filePath(u"text.vtllabel"_s), "hello");
    writeBytes(m_outside.filePath(u"array.vtllabel"_s), "[1]");
    QDir(m_outside.path()).mkdir(u"folder.vtllabel"_s);
    sparseFile(m_outside.filePath(u"huge.vtllabel"_s), LabelStore::maxLabelFileSize + 1);
    LabelStore& store = open();
    for (const auto& [file, message] :
         {std::pair("text.vtllabel", "text.vtllabel” isn't a label file"),
          std::pair("array.vtllabel", "array.vtllabel” isn't a label file"),
          std::pair("folder.vtllabel", "it is a folder"),
          std::pair("huge.vtllabel", "too large for a label file"),
          std::pair("missing.vtllabel", "No such file or directory")}) {
        EXPECT_THAT(
            userError([&] { store.importFile(m_outside.filePath(QString::fromLatin1(file))); }),
            ::testing::HasSubstr(message));
    }
    EXPECT_TRUE(store.labels().isEmpty());
    EXPECT_TRUE(entries().isEmpty());
}

// Lists: attach, detach, the table cache.

// Attaching copies the bytes as they are and binds the list without saving the design; the
// table is parsed once, with the design's header flag, until the list is attached again or
// detached. Filling the cache announces nothing (item models look tables up inside data()).
TEST_F(LabelStoreTest, AttachedListsAreCopiedAndTheirTablesCached) {
    const QByteArray bytes("\xff\xfeN\0a\0m\0e\0\n\0O\0n\0e\0", 18); // UTF-16 with its mark
    writeBytes(m_outside.filePath(u"parts.csv"_s), bytes);
    writeBytes(path(u"two.csv"_s), "Name\nTwo\n");
    LabelStore& store = open();
    const LabelDocument doc = design(u"Shelf"_s);
    ASSERT_TRUE(store.save(doc));
    Follower follower(store);

    LabelDocument bound = store.attachData(doc, m_outside.filePath(u"parts.csv"_s));
    EXPECT_EQ(follower.take(), u"table"_s);
    EXPECT_EQ(bound.dataName, u"parts.csv"_s);
    EXPECT_EQ(readBytes(store.dataURL(doc.id)), bytes);
    EXPECT_FALSE(store.labels().first().dataName);
    const auto table = std::as_const(store).table(bound);
    ASSERT_TRUE(table);
    EXPECT_EQ(table->rows, QList<QStringList>{{u"One"_s}});
    // Read through the cache: a change on disk is not seen; another header flag parses again.
    writeBytes(store.dataURL(doc.id), "Other\nx\n");
    EXPECT_EQ(store.table(bound), table);
    bound.dataHasHeader = false;
    EXPECT_EQ(store.table(bound)->rows.first(), QStringList{u"Other"_s});
    EXPECT_EQ(follower.take(), u""_s);

    // A file that cannot be read throws and keeps the earlier list.
    QDir(dir()).mkdir(u"folder.csv"_s);
    for (const QString& source : {path(u"missing.csv"_s), path(u"folder.csv"_s)}) {
        EXPECT_THROW(store.attachData(bound, source), UserError) << source.toStdString();
    }
    EXPECT_EQ(readBytes(store.dataURL(doc.id)), QByteArray("Other\nx\n"));

    bound = store.attachData(bound, path(u"two.csv"_s));
    EXPECT_EQ(follower.take(), u"table"_s);
    EXPECT_EQ(store.table(bound)->rows.value(1), QStringList{u"Two"_s});
    const LabelDocument detached = store.detachData(bound);
    EXPECT_EQ(follower.take(), u"table"_s);
    EXPECT_FALSE(detached.dataName);
    EXPECT_FALSE(QFileInfo::exists(store.dataURL(doc.id)));
    // Even the design still naming its list finds nothing now, and the cache stays empty.
    EXPECT_FALSE(store.table(bound));
    EXPECT_TRUE(store.tables().isEmpty());
}

TEST_F(LabelStoreTest, AListThatCannotBeUsedIsRefusedWhenAttachedAndNamedWhenNeeded) {
    LabelStore& store = open();
    writeBytes(path(u"wide.csv"_s), QByteArray(DataTable::maxColumns, ','));
    const LabelDocument shelf = design(u"Shelf"_s);
    EXPECT_EQ(userError([&] { store.attachData(shelf, path(u"wide.csv"_s)); }),
              "Couldn't use the list “wide.csv”. The list has too many columns: a list holds at "
              "most 1000 columns.");
    EXPECT_FALSE(QFileInfo::exists(store.dataURL(shelf.id)));

    // A list that is gone, or has grown past the limits since, is an error for printing.
    const LabelDocument doc = savedWithList(u"Shelf"_s, "Name\nWidget\n");
    ASSERT_TRUE(QFile::remove(store.dataURL(doc.id)));
    for (const QByteArray& bytes : {QByteArray(), QByteArray(DataTable::maxColumns, ',')}) {
        if (!bytes.isEmpty()) {
            writeBytes(store.dataURL(doc.id), bytes);
        }
        EXPECT_FALSE(store.table(doc));
        EXPECT_THAT(userError([&] { store.requireTable(doc); }),
                    StartsWith("The list “list.csv” attached to “Shelf” can't be used. "));
    }
    EXPECT_FALSE(store.requireTable(design(u"No list"_s)));
}

// Reliability: a save killed at any moment leaves every label whole.

// The version a saver child gave the design, checked for being whole; -1 when it is not.
qint64 wholeVersion(const LabelDocument& doc) {
    bool ok = false;
    const qint64 k = doc.name.section(u' ', 1).toLongLong(&ok);
    if (!ok || !doc.name.startsWith(u"version "_s) || doc.elements.size() != k % 6 + 1) {
        return -1;
    }
    for (const LabelElement& e : doc.elements) {
        if (e.content != doc.name || !e.imageData ||
            *e.imageData != QByteArray(qsizetype((k * 7919) % 300000), char('a' + k % 26))) {
            return -1;
        }
    }
    return k;
}

TEST_F(LabelStoreTest, ASaveKilledAtAnyMomentLeavesTheOldOrTheNewVersion) {
    QMap<QUuid, qint64> versions;
    {
        LabelStore store(dir(), false);
        for (int i = 0; i < 8; ++i) {
            LabelDocument doc = design(u"version 0"_s);
            doc.elements = {LabelElement(ElementKind::image)};
            doc.elements[0].content = doc.name;
            doc.elements[0].imageData = QByteArray();
            ASSERT_TRUE(store.save(doc));
            versions.insert(doc.id, 0);
        }
    }
    // Besides the label files, at most the hidden file of a write that was cut short; it is
    // never loaded.
    static const QRegularExpression pending(u"\\A\\.[0-9A-F-]{36}\\.vtllabel\\.[a-z0-9]+\\z"_s);

    std::srand(unsigned(QDateTime::currentMSecsSinceEpoch()));
    for (int round = 0; round < 50; ++round) {
        SCOPED_TRACE(round);
        QProcess child;
        child.start(QStringLiteral(VANTREL_STORE_SAVER_PATH), {dir()});
        ASSERT_TRUE(child.waitForStarted(10000));
        ASSERT_TRUE(child.waitForReadyRead(10000)) << child.readAllStandardError().toStdString();
        ASSERT_EQ(child.readAllStandardOutput(), QByteArray("saving\n"))
            << child.readAllStandardError().toStdString();
        ::usleep(useconds_t(std::rand() % 40000));
        ::kill(pid_t(child.processId()), SIGKILL);
        ASSERT_TRUE(child.waitForFinished(10000));
        ASSERT_EQ(child.exitStatus(), QProcess::CrashExit);

        // The library loads every file, each whole.
        ASSERT_EQ(QDir(dir()).entryList({u"*.vtllabel"_s}, QDir::Files).size(), versions.size());
        LabelStore store(dir(), false);
        ASSERT_EQ(store.labels().size(), versions.size());
        for (const LabelDocument& doc : store.labels()) {
            ASSERT_TRUE(versions.contains(doc.id));
            const qint64 k = wholeVersion(doc);
            ASSERT_GE(k, 0) << "a torn label " << doc.name.toStdString();
            EXPECT_GE(k, versions[doc.id]) << "a label went back to an older version";
            versions[doc.id] = k;
        }
        for (const QString& entry : entries()) {
            EXPECT_TRUE(entry.endsWith(u".vtllabel"_s) || pending.match(entry).hasMatch())
                << entry.toStdString();
        }
    }
}

} // namespace
