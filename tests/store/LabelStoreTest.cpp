#include "LabelKit/store/LabelStore.h"

#include "LabelKit/model/LabelFile.h"
#include "LabelKit/model/UserError.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <cstdlib>
#include <limits>

#include <sys/stat.h>
#include <unistd.h>

using ::testing::ElementsAre;
using ::testing::StartsWith;
using testsupport::readBytes;
using testsupport::writeBytes;

namespace {

QString idText(const QUuid& id) {
    return id.toString(QUuid::WithoutBraces).toUpper();
}

QStringList names(const QList<LabelDocument>& labels) {
    QStringList list;
    for (const LabelDocument& doc : labels) {
        list.append(doc.name);
    }
    return list;
}

std::vector<std::string> stdNames(const QList<LabelDocument>& labels) {
    std::vector<std::string> list;
    for (const QString& name : names(labels)) {
        list.push_back(name.toStdString());
    }
    return list;
}

QDateTime at(qint64 secondsSinceEpoch) {
    return QDateTime::fromSecsSinceEpoch(secondsSinceEpoch, Qt::UTC);
}

LabelDocument design(const QString& name, qint64 modifiedSeconds = 1700000000) {
    LabelElement text(ElementKind::text);
    text.content = name + QStringLiteral(" {serial}");
    LabelElement code(ElementKind::barcode);
    LabelDocument doc(name, 40, 30, {text, code});
    doc.modified = at(modifiedSeconds);
    return doc;
}

// A folder that refuses new entries, also to root (which ignores permission bits): the
// immutable attribute for root, the permission bits otherwise. Restored on destruction.
class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(QString path) : m_path(std::move(path)) {
        if (::geteuid() == 0) {
            m_immutable = true;
            m_ok = QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), m_path}) == 0;
        } else {
            m_ok = ::chmod(QFile::encodeName(m_path).constData(), 0555) == 0;
        }
    }
    ~ReadOnlyFolder() {
        if (m_immutable) {
            QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), m_path});
        } else {
            ::chmod(QFile::encodeName(m_path).constData(), 0755);
        }
    }
    bool ok() const { return m_ok; }

private:
    QString m_path;
    bool m_immutable = false;
    bool m_ok = false;
};

class LabelStoreTest : public ::testing::Test {
protected:
    QString dir() const { return m_temp.path(); }
    QString path(const QString& name) const { return QDir(dir()).filePath(name); }

    // Writes the design's label file, by default under its own id.
    void writeLabel(const LabelDocument& doc, QString fileName = {}) {
        if (fileName.isEmpty()) {
            fileName = idText(doc.id) + QStringLiteral(".vtllabel");
        }
        writeBytes(path(fileName), LabelFile::encode(doc));
    }

    QStringList entries() const {
        return QDir(dir()).entryList(
            QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    }

    QTemporaryDir m_temp;
};

// Start-up: folder, migration, seeding.

TEST_F(LabelStoreTest, StartUpCreatesTheFolderWithItsParents) {
    const QString nested = path(QStringLiteral("a/b/Labels"));
    LabelStore store(nested, false);
    EXPECT_TRUE(QFileInfo(nested).isDir());
    EXPECT_TRUE(store.labels().isEmpty());
    EXPECT_EQ(store.directory(), nested);
}

TEST_F(LabelStoreTest, AnEmptyFolderIsSeededWithTheStartersNewestFirst) {
    LabelStore store(dir(), true);
    EXPECT_THAT(stdNames(store.labels()),
                ElementsAre("Big text", "Dated label", "SKU tag", "Bin tag"));
    EXPECT_FALSE(store.lastError());
    for (const LabelDocument& doc : store.labels()) {
        EXPECT_TRUE(QFileInfo::exists(store.url(doc.id))) << doc.name.toStdString();
        EXPECT_LE(std::abs(doc.modified.secsTo(QDateTime::currentDateTimeUtc())), 60);
    }
    // A restart reads the same four designs and seeds nothing more.
    LabelStore again(dir(), true);
    EXPECT_EQ(again.labels().size(), 4);
    EXPECT_EQ(entries().size(), 4);
}

TEST_F(LabelStoreTest, SeedingNeedsTheOptionAndAnEmptyLibrary) {
    {
        LabelStore store(dir(), false);
        EXPECT_TRUE(store.labels().isEmpty());
        EXPECT_TRUE(entries().isEmpty());
    }
    writeLabel(design(QStringLiteral("Shelf")));
    LabelStore store(dir(), true);
    EXPECT_THAT(stdNames(store.labels()), ElementsAre("Shelf"));
}

TEST_F(LabelStoreTest, LegacyFilesMoveToTheCurrentExtension) {
    const LabelDocument old = design(QStringLiteral("Old"));
    writeLabel(old, QStringLiteral("X.kestlabel"));
    LabelStore store(dir(), false);
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("X.kestlabel"))));
    EXPECT_TRUE(QFileInfo::exists(path(QStringLiteral("X.vtllabel"))));
    ASSERT_EQ(store.labels().size(), 1);
    EXPECT_EQ(store.labels().first().id, old.id);
}

TEST_F(LabelStoreTest, ALegacyFileNeverReplacesACurrentOne) {
    writeLabel(design(QStringLiteral("Legacy")), QStringLiteral("X.kestlabel"));
    writeLabel(design(QStringLiteral("Current")), QStringLiteral("X.vtllabel"));
    // A dangling link counts as an existing entry too.
    ASSERT_TRUE(QFile::link(path(QStringLiteral("nowhere")), path(QStringLiteral("Y.vtllabel"))));
    writeLabel(design(QStringLiteral("Other legacy")), QStringLiteral("Y.kestlabel"));

    LabelStore store(dir(), false);
    EXPECT_THAT(stdNames(store.labels()), ElementsAre("Current"));
    EXPECT_TRUE(QFileInfo::exists(path(QStringLiteral("X.kestlabel"))));
    EXPECT_TRUE(QFileInfo::exists(path(QStringLiteral("Y.kestlabel"))));
    EXPECT_TRUE(QFileInfo(path(QStringLiteral("Y.vtllabel"))).isSymLink());
}

// Reload.

TEST_F(LabelStoreTest, ReloadSkipsWhatItCannotDecodeAndLeavesItOnDisk) {
    writeBytes(path(QStringLiteral("a.vtllabel")), "{ not json");
    writeLabel(design(QStringLiteral("Good")), QStringLiteral("b.vtllabel"));
    LabelStore store(dir(), true);
    EXPECT_THAT(stdNames(store.labels()), ElementsAre("Good"));
    EXPECT_EQ(readBytes(path(QStringLiteral("a.vtllabel"))), QByteArray("{ not json"));
    EXPECT_FALSE(store.lastError());
}

TEST_F(LabelStoreTest, ReloadReadsOnlyTheLabelExtensionExactly) {
    writeLabel(design(QStringLiteral("Label")), QStringLiteral("a.vtllabel"));
    writeLabel(design(QStringLiteral("Upper")), QStringLiteral("b.VTLLABEL"));
    writeLabel(design(QStringLiteral("Json")), QStringLiteral("c.json"));
    writeLabel(design(QStringLiteral("Two dots")), QStringLiteral("d.vtllabel.bak"));
    writeLabel(design(QStringLiteral("Hidden")), QStringLiteral(".e.vtllabel"));
    LabelStore store(dir(), false);
    EXPECT_THAT(names(store.labels()),
                ::testing::UnorderedElementsAre(QStringLiteral("Label"), QStringLiteral("Hidden")));
}

TEST_F(LabelStoreTest, ReloadOrdersNewestFirstAndTiesByFileName) {
    writeLabel(design(QStringLiteral("Old"), 1000), QStringLiteral("a.vtllabel"));
    writeLabel(design(QStringLiteral("Tie 2"), 2000), QStringLiteral("c.vtllabel"));
    writeLabel(design(QStringLiteral("New"), 3000), QStringLiteral("d.vtllabel"));
    writeLabel(design(QStringLiteral("Tie 1"), 2000), QStringLiteral("b.vtllabel"));
    LabelStore store(dir(), false);
    EXPECT_THAT(stdNames(store.labels()), ElementsAre("New", "Tie 1", "Tie 2", "Old"));
}

TEST_F(LabelStoreTest, ReloadFollowsTheFolderAndAnnouncesOnlyRealChanges) {
    const LabelDocument first = design(QStringLiteral("First"), 1000);
    writeLabel(first);
    LabelStore store(dir(), false);
    QSignalSpy labelsChanged(&store, &LabelStore::labelsChanged);

    store.reload();
    EXPECT_EQ(labelsChanged.count(), 0);

    writeLabel(design(QStringLiteral("Second"), 2000));
    store.reload();
    EXPECT_EQ(labelsChanged.count(), 1);
    EXPECT_THAT(stdNames(store.labels()), ElementsAre("Second", "First"));

    QFile::remove(store.url(first.id));
    store.reload();
    EXPECT_EQ(labelsChanged.count(), 2);
    EXPECT_THAT(stdNames(store.labels()), ElementsAre("Second"));
}

TEST_F(LabelStoreTest, HostileEntriesAreSkippedWithoutHangingOrCrashing) {
    writeLabel(design(QStringLiteral("Good")));
    QDir(dir()).mkdir(QStringLiteral("folder.vtllabel"));
    ASSERT_TRUE(QFile::link(path(QStringLiteral("loop2.vtllabel")),
                            path(QStringLiteral("loop1.vtllabel"))));
    ASSERT_TRUE(QFile::link(path(QStringLiteral("loop1.vtllabel")),
                            path(QStringLiteral("loop2.vtllabel"))));
    ASSERT_TRUE(
        QFile::link(path(QStringLiteral("gone")), path(QStringLiteral("dangling.vtllabel"))));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), path(QStringLiteral("zero.vtllabel"))));
    ASSERT_TRUE(QFile::link(dir(), path(QStringLiteral("self.vtllabel"))));
    ASSERT_EQ(::mkfifo(QFile::encodeName(path(QStringLiteral("pipe.vtllabel"))).constData(), 0644),
              0);
    writeBytes(path(QStringLiteral("empty.vtllabel")), {});
    writeBytes(path(QStringLiteral("latin1.vtllabel")), "{\"name\": \"caf\xe9\"}");
    writeBytes(path(QStringLiteral("broken-utf8.vtllabel")), "{\"name\": \"\xc3\x28\xff\xfe\"}");
    {
        // 200 MB without taking 200 MB of disk: a sparse file.
        QFile huge(path(QStringLiteral("huge.vtllabel")));
        ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
        ASSERT_TRUE(huge.write("{\"name\": \"Huge\", \"x\": \""));
        ASSERT_TRUE(huge.resize(200LL * 1024 * 1024));
    }

    QElapsedTimer clock;
    clock.start();
    LabelStore store(dir(), true);
    EXPECT_THAT(stdNames(store.labels()), ElementsAre("Good"));
    EXPECT_LT(clock.elapsed(), 5000) << "reading a hostile folder must not read big files whole";
    EXPECT_FALSE(store.lastError());
    // Nothing was removed or renamed.
    EXPECT_EQ(entries().size(), 12);
}

TEST_F(LabelStoreTest, AnUnreadableFolderGivesAnEmptyLibrary) {
    // A file where the folder should be: it cannot be created, listed or written to.
    writeBytes(path(QStringLiteral("file")), "x");
    LabelStore store(path(QStringLiteral("file")), true);
    EXPECT_TRUE(store.labels().isEmpty());
    ASSERT_TRUE(store.lastError());
    // Each starter failed in turn; the last one tried was Big text.
    EXPECT_THAT(store.lastError()->toStdString(), StartsWith("Couldn't save Big text: "));
}

// Look-ups.

TEST_F(LabelStoreTest, LookUpByIdAndByNameIgnoringCaseAndDiacritics) {
    const LabelDocument bin = design(QStringLiteral("Bin tag"), 2000);
    const LabelDocument cafe = design(QStringLiteral("Café straße"), 1000);
    writeLabel(bin);
    writeLabel(cafe);
    LabelStore store(dir(), false);

    EXPECT_EQ(store.label(cafe.id)->name, cafe.name);
    EXPECT_FALSE(store.label(QUuid::createUuid()));

    for (const QString& query : {QStringLiteral("Bin tag"), QStringLiteral("BIN TAG"),
                                 QStringLiteral("bín tág"), QStringLiteral("Bin Tag")}) {
        const auto found = store.labelNamed(query);
        ASSERT_TRUE(found) << query.toStdString();
        EXPECT_EQ(found->id, bin.id);
    }
    EXPECT_EQ(store.labelNamed(QStringLiteral("CAFE STRASSE"))->id, cafe.id);
    // Decomposed accents compare equal to composed ones.
    EXPECT_EQ(store.labelNamed(QStringLiteral("Cafe\u0301 straße"))->id, cafe.id);
    for (const QString& query :
         {QStringLiteral("Bin tags"), QStringLiteral("Bintag"), QStringLiteral("Bin"), QString()}) {
        EXPECT_FALSE(store.labelNamed(query)) << query.toStdString();
    }
}

TEST_F(LabelStoreTest, NamesThatDifferOnlyInCaseResolveToTheNewest) {
    writeLabel(design(QStringLiteral("shelf"), 1000));
    const LabelDocument newer = design(QStringLiteral("SHELF"), 2000);
    writeLabel(newer);
    LabelStore store(dir(), false);
    EXPECT_EQ(store.labelNamed(QStringLiteral("Shelf"))->id, newer.id);
}

TEST_F(LabelStoreTest, FilesAreNamedByTheUpperCaseId) {
    LabelStore store(dir(), false);
    const QUuid id = QUuid::fromString(QStringLiteral("{0a1b2c3d-4e5f-6789-abcd-ef0123456789}"));
    EXPECT_EQ(store.url(id), path(QStringLiteral("0A1B2C3D-4E5F-6789-ABCD-EF0123456789.vtllabel")));
    EXPECT_EQ(store.dataURL(id), path(QStringLiteral("0A1B2C3D-4E5F-6789-ABCD-EF0123456789.csv")));
}

TEST(LabelStoreDefaults, TheDefaultFolderIsLabelsInTheDocumentsFolder) {
    QTemporaryDir home;
    const QByteArray oldHome = qgetenv("HOME");
    const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("HOME", QFile::encodeName(home.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral("config"))));
    QDir(home.path()).mkpath(QStringLiteral("config"));
    writeBytes(home.filePath(QStringLiteral("config/user-dirs.dirs")),
               "XDG_DOCUMENTS_DIR=\"$HOME/Papers\"\n");
    const QString folder = LabelStore::defaultDirectory();
    qputenv("HOME", oldHome);
    qputenv("XDG_CONFIG_HOME", oldConfig);
    if (oldConfig.isEmpty()) {
        qunsetenv("XDG_CONFIG_HOME");
    }
    EXPECT_EQ(folder, home.filePath(QStringLiteral("Papers/Labels")));
}

// Save.

TEST_F(LabelStoreTest, SaveWritesTheFileAndPutsTheDesignFirst) {
    writeLabel(design(QStringLiteral("Existing"), 1000));
    LabelStore store(dir(), false);
    QSignalSpy labelsChanged(&store, &LabelStore::labelsChanged);
    QSignalSpy errorChanged(&store, &LabelStore::lastErrorChanged);

    const LabelDocument doc = design(QStringLiteral("New"));
    ASSERT_TRUE(store.save(doc));
    EXPECT_THAT(stdNames(store.labels()), ElementsAre("New", "Existing"));
    EXPECT_EQ(labelsChanged.count(), 1);
    EXPECT_EQ(errorChanged.count(), 0);

    const LabelDocument stored = store.labels().first();
    EXPECT_LE(std::abs(stored.modified.secsTo(QDateTime::currentDateTimeUtc())), 5);
    LabelDocument expected = doc;
    expected.modified = stored.modified;
    EXPECT_EQ(stored, expected);
    // On disk: the same design, to the second.
    const LabelDocument onDisk = LabelFile::decode(readBytes(store.url(doc.id)));
    EXPECT_EQ(onDisk.modified.toSecsSinceEpoch(), stored.modified.toSecsSinceEpoch());
    expected.modified = onDisk.modified;
    EXPECT_EQ(onDisk, expected);
}

TEST_F(LabelStoreTest, SavingAnOlderDesignAgainMovesItToTheFront) {
    const LabelDocument a = design(QStringLiteral("A"), 1000);
    writeLabel(a);
    writeLabel(design(QStringLiteral("B"), 2000));
    writeLabel(design(QStringLiteral("C"), 3000));
    LabelStore store(dir(), false);
    LabelDocument edited = *store.label(a.id);
    edited.name = QStringLiteral("A edited");
    ASSERT_TRUE(store.save(edited));
    EXPECT_THAT(stdNames(store.labels()), ElementsAre("A edited", "C", "B"));
    EXPECT_EQ(store.labels().size(), 3);
    EXPECT_EQ(entries().size(), 3);
}

TEST_F(LabelStoreTest, ARunOfSavesKeepsTheListSortedLikeAReload) {
    LabelStore store(dir(), false);
    QList<QUuid> ids;
    for (int i = 0; i < 6; ++i) {
        ASSERT_TRUE(store.save(design(QStringLiteral("L%1").arg(i))));
        ids.append(store.labels().first().id);
    }
    for (const int i : {2, 0, 5, 2}) {
        ASSERT_TRUE(store.save(*store.label(ids[i])));
        EXPECT_EQ(store.labels().first().id, ids[i]);
    }
    for (qsizetype i = 1; i < store.labels().size(); ++i) {
        EXPECT_GE(store.labels()[i - 1].modified, store.labels()[i].modified);
    }
    EXPECT_EQ(store.labels().size(), 6);
}

TEST_F(LabelStoreTest, ASaveIntoAReadOnlyFolderReportsAndKeepsTheEarlierVersion) {
    LabelStore store(dir(), false);
    LabelDocument shelf = design(QStringLiteral("Shelf"));
    ASSERT_TRUE(store.save(shelf));
    const QList<LabelDocument> before = store.labels();
    const QByteArray onDisk = readBytes(store.url(shelf.id));
    QSignalSpy labelsChanged(&store, &LabelStore::labelsChanged);
    QSignalSpy errorChanged(&store, &LabelStore::lastErrorChanged);

    {
        ReadOnlyFolder readOnly(dir());
        if (!readOnly.ok()) {
            GTEST_SKIP() << "chattr is needed to make a folder read-only for root";
        }
        shelf.name = QStringLiteral("Shelf");
        shelf.widthMM = 50;
        EXPECT_FALSE(store.save(shelf));
        ASSERT_TRUE(store.lastError());
        EXPECT_THAT(store.lastError()->toStdString(), StartsWith("Couldn't save Shelf: "));
        EXPECT_GT(store.lastError()->size(), QStringLiteral("Couldn't save Shelf: ").size());
        EXPECT_EQ(store.labels(), before);
        EXPECT_EQ(readBytes(store.url(shelf.id)), onDisk);
        EXPECT_EQ(labelsChanged.count(), 0);
        EXPECT_EQ(errorChanged.count(), 1);

        // The same failure again changes nothing observable.
        EXPECT_FALSE(store.save(shelf));
        EXPECT_EQ(errorChanged.count(), 1);
    }
    EXPECT_EQ(entries().size(), 1);

    ASSERT_TRUE(store.save(shelf));
    EXPECT_FALSE(store.lastError());
    EXPECT_EQ(errorChanged.count(), 2);
    EXPECT_EQ(store.labels().first().widthMM, 50);
}

TEST_F(LabelStoreTest, ASaveIntoAVanishedFolderReportsAndKeepsTheListedVersion) {
    const QString folder = path(QStringLiteral("Labels"));
    LabelStore store(folder, false);
    LabelDocument doc = design(QStringLiteral("Shelf"));
    ASSERT_TRUE(store.save(doc));
    const QList<LabelDocument> before = store.labels();
    ASSERT_TRUE(QDir(folder).removeRecursively());

    doc.name = QStringLiteral("Renamed");
    EXPECT_FALSE(store.save(doc));
    ASSERT_TRUE(store.lastError());
    EXPECT_THAT(store.lastError()->toStdString(), StartsWith("Couldn't save Renamed: "));
    EXPECT_EQ(store.labels(), before);
    EXPECT_FALSE(QFileInfo::exists(folder)) << "a save must not recreate a vanished library";
}

TEST_F(LabelStoreTest, ADesignJsonCannotExpressIsNotSaved) {
    LabelStore store(dir(), false);
    LabelDocument doc = design(QStringLiteral("Broken"));
    doc.elements[0].x = std::numeric_limits<double>::quiet_NaN();
    EXPECT_FALSE(store.save(doc));
    ASSERT_TRUE(store.lastError());
    EXPECT_THAT(store.lastError()->toStdString(), StartsWith("Couldn't save Broken: The value of"));
    EXPECT_TRUE(store.labels().isEmpty());
    EXPECT_TRUE(entries().isEmpty());
}

// Delete.

TEST_F(LabelStoreTest, DeleteRemovesTheDesignItsListAndItsCachedTable) {
    LabelStore store(dir(), false);
    LabelDocument doc = design(QStringLiteral("Shelf"));
    writeBytes(path(QStringLiteral("list.csv")), "Name\nA\n");
    doc = store.attachData(doc, path(QStringLiteral("list.csv")));
    ASSERT_TRUE(store.save(doc));
    ASSERT_TRUE(store.table(doc));
    ASSERT_TRUE(store.tables().contains(doc.id));
    ASSERT_TRUE(store.save(design(QStringLiteral("Other"))));

    QSignalSpy labelsChanged(&store, &LabelStore::labelsChanged);
    QSignalSpy tablesChanged(&store, &LabelStore::tablesChanged);
    store.remove(doc.id);
    EXPECT_THAT(stdNames(store.labels()), ElementsAre("Other"));
    EXPECT_FALSE(QFileInfo::exists(store.url(doc.id)));
    EXPECT_FALSE(QFileInfo::exists(store.dataURL(doc.id)));
    EXPECT_FALSE(store.tables().contains(doc.id));
    EXPECT_EQ(labelsChanged.count(), 1);
    EXPECT_EQ(tablesChanged.count(), 1);

    // Deleting what is not there is quiet.
    store.remove(doc.id);
    store.remove(QUuid::createUuid());
    EXPECT_EQ(labelsChanged.count(), 1);
    EXPECT_EQ(tablesChanged.count(), 1);
    EXPECT_EQ(store.labels().size(), 1);
}

// Duplicate.

TEST_F(LabelStoreTest, DuplicateSavesACopyWithFreshIdsAndItsOwnList) {
    LabelStore store(dir(), false);
    LabelDocument bin = design(QStringLiteral("Bin tag"));
    writeBytes(path(QStringLiteral("parts.csv")), "Part\nA-12\n");
    bin = store.attachData(bin, path(QStringLiteral("parts.csv")));
    ASSERT_TRUE(store.save(bin));

    const std::optional<LabelDocument> copy = store.duplicate(bin.id);
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->name, QStringLiteral("Bin tag copy"));
    EXPECT_NE(copy->id, bin.id);
    ASSERT_EQ(copy->elements.size(), bin.elements.size());
    for (qsizetype i = 0; i < bin.elements.size(); ++i) {
        EXPECT_NE(copy->elements[i].id, bin.elements[i].id);
        LabelElement same = copy->elements[i];
        same.id = bin.elements[i].id;
        EXPECT_EQ(same, bin.elements[i]);
    }
    EXPECT_EQ(copy->dataName, bin.dataName);
    EXPECT_EQ(store.labels().first().id, copy->id);
    EXPECT_EQ(*store.label(copy->id), *copy);
    EXPECT_TRUE(QFileInfo::exists(store.url(copy->id)));
    EXPECT_EQ(readBytes(store.dataURL(copy->id)), QByteArray("Part\nA-12\n"));

    // Its own copy: deleting the original leaves the duplicate's list.
    store.remove(bin.id);
    EXPECT_EQ(readBytes(store.dataURL(copy->id)), QByteArray("Part\nA-12\n"));
}

TEST_F(LabelStoreTest, DuplicateOfNothingOrIntoAReadOnlyFolderGivesNothing) {
    LabelStore store(dir(), false);
    EXPECT_FALSE(store.duplicate(QUuid::createUuid()));

    LabelDocument doc = design(QStringLiteral("Shelf"));
    writeBytes(path(QStringLiteral("list.csv")), "A\n1\n");
    doc = store.attachData(doc, path(QStringLiteral("list.csv")));
    ASSERT_TRUE(store.save(doc));
    ASSERT_TRUE(QFile::remove(path(QStringLiteral("list.csv"))));
    const QStringList before = entries();
    {
        ReadOnlyFolder readOnly(dir());
        if (!readOnly.ok()) {
            GTEST_SKIP() << "chattr is needed to make a folder read-only for root";
        }
        EXPECT_FALSE(store.duplicate(doc.id));
        EXPECT_THAT(store.lastError().value_or(QString()).toStdString(),
                    StartsWith("Couldn't save Shelf copy: "));
    }
    EXPECT_EQ(entries(), before) << "a failed duplicate leaves no list file behind";
    EXPECT_EQ(store.labels().size(), 1);
}

TEST_F(LabelStoreTest, DuplicateWithoutItsListFileStillCopiesTheDesign) {
    LabelStore store(dir(), false);
    LabelDocument doc = design(QStringLiteral("Shelf"));
    doc.dataName = QStringLiteral("gone.csv");
    ASSERT_TRUE(store.save(doc));
    const auto copy = store.duplicate(doc.id);
    ASSERT_TRUE(copy);
    EXPECT_FALSE(QFileInfo::exists(store.dataURL(copy->id)));
    EXPECT_FALSE(store.table(*copy));
}

// Import.

TEST_F(LabelStoreTest, ImportStoresTheFileAndKeepsBothOnAnIdCollision) {
    QTemporaryDir outside;
    const LabelDocument original = design(QStringLiteral("Shelf"), 1000);
    LabelStore store(dir(), false);
    ASSERT_TRUE(store.save(original));

    LabelDocument incoming = original;
    incoming.name = QStringLiteral("Shelf from a friend");
    incoming.dataName = QStringLiteral("their.csv");
    const QString file = outside.filePath(QStringLiteral("shelf.vtllabel"));
    writeBytes(file, LabelFile::encode(incoming));

    const LabelDocument imported = store.importFile(file);
    EXPECT_NE(imported.id, original.id);
    EXPECT_EQ(imported.name, incoming.name);
    EXPECT_EQ(imported.dataName, incoming.dataName);
    EXPECT_FALSE(store.table(imported)) << "no list comes with a label file";
    EXPECT_EQ(store.labels().size(), 2);
    EXPECT_EQ(store.labels().first().id, imported.id);
    EXPECT_EQ(store.label(original.id)->name, QStringLiteral("Shelf"));
    EXPECT_EQ(LabelFile::decode(readBytes(store.url(imported.id))).name, incoming.name);

    // A new id is kept as it is.
    const LabelDocument fresh = design(QStringLiteral("Fresh"));
    writeBytes(outside.filePath(QStringLiteral("fresh.vtllabel")), LabelFile::encode(fresh));
    EXPECT_EQ(store.importFile(outside.filePath(QStringLiteral("fresh.vtllabel"))).id, fresh.id);
}

TEST_F(LabelStoreTest, ImportNeverOverwritesAFileThatDidNotLoad) {
    QTemporaryDir outside;
    const LabelDocument doc = design(QStringLiteral("Incoming"));
    // A damaged file on disk under the same id: not listed, but not to be replaced either.
    writeBytes(path(idText(doc.id) + QStringLiteral(".vtllabel")), "{ damaged");
    LabelStore store(dir(), false);
    ASSERT_TRUE(store.labels().isEmpty());
    writeBytes(outside.filePath(QStringLiteral("in.vtllabel")), LabelFile::encode(doc));

    const LabelDocument imported =
        store.importFile(outside.filePath(QStringLiteral("in.vtllabel")));
    EXPECT_NE(imported.id, doc.id);
    EXPECT_EQ(readBytes(path(idText(doc.id) + QStringLiteral(".vtllabel"))),
              QByteArray("{ damaged"));
}

TEST_F(LabelStoreTest, ImportOfSomethingThatIsNotALabelThrowsAndStoresNothing) {
    QTemporaryDir outside;
    writeBytes(outside.filePath(QStringLiteral("text.vtllabel")), "hello");
    writeBytes(outside.filePath(QStringLiteral("array.vtllabel")), "[1]");
    QDir(outside.path()).mkdir(QStringLiteral("folder.vtllabel"));
    {
        QFile huge(outside.filePath(QStringLiteral("huge.vtllabel")));
        ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
        ASSERT_TRUE(huge.resize(LabelStore::maxLabelFileSize + 1));
    }
    LabelStore store(dir(), false);
    struct Case {
        const char* file;
        const char* message;
    };
    for (const Case& c : {Case{"text.vtllabel", "The file isn't a label file"},
                          Case{"array.vtllabel", "The file isn't a label file"},
                          Case{"folder.vtllabel", "it is a folder"},
                          Case{"huge.vtllabel", "too large for a label file"},
                          Case{"missing.vtllabel", "No such file or directory"}}) {
        try {
            store.importFile(outside.filePath(QString::fromLatin1(c.file)));
            ADD_FAILURE() << c.file << " was imported";
        } catch (const UserError& e) {
            EXPECT_THAT(e.message().toStdString(), ::testing::HasSubstr(c.message)) << c.file;
        }
    }
    EXPECT_TRUE(store.labels().isEmpty());
    EXPECT_TRUE(entries().isEmpty());
}

TEST_F(LabelStoreTest, ImportIntoAReadOnlyFolderThrowsTheSaveError) {
    QTemporaryDir outside;
    writeBytes(outside.filePath(QStringLiteral("in.vtllabel")),
               LabelFile::encode(design(QStringLiteral("Shelf"))));
    LabelStore store(dir(), false);
    ReadOnlyFolder readOnly(dir());
    if (!readOnly.ok()) {
        GTEST_SKIP() << "chattr is needed to make a folder read-only for root";
    }
    try {
        store.importFile(outside.filePath(QStringLiteral("in.vtllabel")));
        ADD_FAILURE() << "an import that could not be stored reported success";
    } catch (const UserError& e) {
        EXPECT_THAT(e.message().toStdString(), StartsWith("Couldn't save Shelf: "));
    }
    EXPECT_TRUE(store.labels().isEmpty());
}

// Lists: attach, detach, the table cache.

TEST_F(LabelStoreTest, AttachCopiesTheBytesAndBindsWithoutSaving) {
    QTemporaryDir outside;
    const QByteArray bytes("\xff\xfeN\0a\0m\0e\0\n\0", 12); // UTF-16 with its mark, as is
    writeBytes(outside.filePath(QStringLiteral("parts.csv")), bytes);
    LabelStore store(dir(), false);
    const LabelDocument doc = design(QStringLiteral("Shelf"));
    ASSERT_TRUE(store.save(doc));
    QSignalSpy labelsChanged(&store, &LabelStore::labelsChanged);

    const LabelDocument bound =
        store.attachData(doc, outside.filePath(QStringLiteral("parts.csv")));
    EXPECT_EQ(bound.dataName, QStringLiteral("parts.csv"));
    LabelDocument sameOtherwise = bound;
    sameOtherwise.dataName.reset();
    EXPECT_EQ(sameOtherwise, doc);
    EXPECT_EQ(readBytes(store.dataURL(doc.id)), bytes);
    EXPECT_EQ(labelsChanged.count(), 0);
    EXPECT_FALSE(store.labels().first().dataName);
}

TEST_F(LabelStoreTest, AttachOfAnUnreadableFileThrowsAndKeepsTheEarlierList) {
    LabelStore store(dir(), false);
    const LabelDocument doc = design(QStringLiteral("Shelf"));
    writeBytes(path(QStringLiteral("first.csv")), "A\n1\n");
    const LabelDocument bound = store.attachData(doc, path(QStringLiteral("first.csv")));
    QDir(dir()).mkdir(QStringLiteral("folder.csv"));
    for (const QString& source :
         {path(QStringLiteral("missing.csv")), path(QStringLiteral("folder.csv"))}) {
        EXPECT_THROW(store.attachData(bound, source), UserError) << source.toStdString();
    }
    EXPECT_EQ(readBytes(store.dataURL(doc.id)), QByteArray("A\n1\n"));
}

TEST_F(LabelStoreTest, TheTableIsParsedOnceWithTheDesignsHeaderFlag) {
    LabelStore store(dir(), false);
    writeBytes(path(QStringLiteral("list.csv")), "Name,SKU\nWidget,1\nGadget,2\n");
    LabelDocument doc =
        store.attachData(design(QStringLiteral("Shelf")), path(QStringLiteral("list.csv")));
    QSignalSpy tablesChanged(&store, &LabelStore::tablesChanged);

    const auto table = store.table(doc);
    ASSERT_TRUE(table);
    EXPECT_EQ(table->columns, (QStringList{QStringLiteral("Name"), QStringLiteral("SKU")}));
    EXPECT_EQ(table->rows.size(), 2);
    EXPECT_EQ(tablesChanged.count(), 1);

    // Read through the cache: a change on disk is not seen, and nothing is announced.
    writeBytes(store.dataURL(doc.id), "Other\nx\n");
    EXPECT_EQ(store.table(doc), table);
    EXPECT_EQ(tablesChanged.count(), 1);

    // Another header flag parses again: the header line becomes the first row.
    doc.dataHasHeader = false;
    const auto headless = store.table(doc);
    ASSERT_TRUE(headless);
    EXPECT_EQ(headless->rows.first(), QStringList{QStringLiteral("Other")});
    EXPECT_EQ(tablesChanged.count(), 2);
    EXPECT_EQ(store.tables().value(doc.id).header, false);
}

TEST_F(LabelStoreTest, AttachingAgainOrDetachingDropsTheCachedTable) {
    LabelStore store(dir(), false);
    writeBytes(path(QStringLiteral("one.csv")), "Name\nOne\n");
    writeBytes(path(QStringLiteral("two.csv")), "Name\nTwo\n");
    LabelDocument doc =
        store.attachData(design(QStringLiteral("Shelf")), path(QStringLiteral("one.csv")));
    ASSERT_EQ(store.table(doc)->rows.value(0), QStringList{QStringLiteral("One")});

    doc = store.attachData(doc, path(QStringLiteral("two.csv")));
    EXPECT_FALSE(store.tables().contains(doc.id));
    EXPECT_EQ(store.table(doc)->rows.value(0), QStringList{QStringLiteral("Two")});

    const LabelDocument detached = store.detachData(doc);
    EXPECT_FALSE(detached.dataName);
    EXPECT_FALSE(QFileInfo::exists(store.dataURL(doc.id)));
    EXPECT_FALSE(store.tables().contains(doc.id));
    EXPECT_FALSE(store.table(detached));
    // Even the design still naming its list finds nothing now.
    EXPECT_FALSE(store.table(doc));
}

TEST_F(LabelStoreTest, AMissingListGivesNoTableAndLeavesTheCacheAlone) {
    LabelStore store(dir(), false);
    LabelDocument doc = design(QStringLiteral("Shelf"));
    EXPECT_FALSE(store.table(doc));
    doc.dataName = QStringLiteral("list.csv");
    QSignalSpy tablesChanged(&store, &LabelStore::tablesChanged);
    EXPECT_FALSE(store.table(doc));
    EXPECT_TRUE(store.tables().isEmpty());
    EXPECT_EQ(tablesChanged.count(), 0);
}

// Reliability: a save killed at any moment leaves every label whole.

// The version a saver child gave the design, checked for being whole; -1 when it is not.
qint64 wholeVersion(const LabelDocument& doc) {
    bool ok = false;
    const qint64 k = doc.name.section(u' ', 1).toLongLong(&ok);
    if (!ok || !doc.name.startsWith(QStringLiteral("version ")) ||
        doc.elements.size() != k % 6 + 1) {
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
    const QString saver = QStringLiteral(VANTREL_STORE_SAVER_PATH);
    QMap<QUuid, qint64> versions;
    {
        LabelStore store(dir(), false);
        for (int i = 0; i < 8; ++i) {
            LabelDocument doc = design(QStringLiteral("version 0"));
            doc.elements = {LabelElement(ElementKind::image)};
            doc.elements[0].content = doc.name;
            doc.elements[0].imageData = QByteArray();
            ASSERT_TRUE(store.save(doc));
            versions.insert(doc.id, 0);
        }
    }

    std::srand(unsigned(QDateTime::currentMSecsSinceEpoch()));
    for (int round = 0; round < 60; ++round) {
        QProcess child;
        child.start(saver, {dir()});
        ASSERT_TRUE(child.waitForStarted(10000));
        ASSERT_TRUE(child.waitForReadyRead(10000)) << child.readAllStandardError().toStdString();
        ASSERT_EQ(child.readAllStandardOutput(), QByteArray("saving\n"))
            << child.readAllStandardError().toStdString();
        ::usleep(useconds_t(std::rand() % 40000));
        ::kill(pid_t(child.processId()), SIGKILL);
        ASSERT_TRUE(child.waitForFinished(10000));
        ASSERT_EQ(child.exitStatus(), QProcess::CrashExit)
            << child.readAllStandardError().toStdString();

        // Every file decodes on its own, and the library loads all of them whole.
        const QStringList files =
            QDir(dir()).entryList({QStringLiteral("*.vtllabel")}, QDir::Files);
        ASSERT_EQ(files.size(), versions.size()) << "round " << round;
        for (const QString& file : files) {
            EXPECT_NO_THROW(LabelFile::decode(readBytes(path(file)))) << file.toStdString();
        }
        LabelStore store(dir(), false);
        ASSERT_EQ(store.labels().size(), versions.size()) << "round " << round;
        for (const LabelDocument& doc : store.labels()) {
            ASSERT_TRUE(versions.contains(doc.id));
            const qint64 k = wholeVersion(doc);
            ASSERT_GE(k, 0) << "round " << round << ": a torn label " << doc.name.toStdString();
            EXPECT_GE(k, versions[doc.id]) << "a label went back to an older version";
            versions[doc.id] = k;
        }
        // Besides the label files, at most the name a finished write held for an instant
        // before taking its final one (a kill can land in between); it is never loaded.
        static const QRegularExpression pending(
            QStringLiteral("\\A[0-9A-F-]{36}\\.vtllabel\\.[A-Za-z0-9]{6}\\z"));
        for (const QString& entry : entries()) {
            EXPECT_TRUE(entry.endsWith(QStringLiteral(".vtllabel")) ||
                        pending.match(entry).hasMatch())
                << entry.toStdString();
        }
    }
}

} // namespace
