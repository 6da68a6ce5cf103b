#include "LabelKit/platform/SettingsStore.h"

#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

using namespace vantrel;

using namespace Qt::StringLiterals;

namespace {

// The same behaviour is required of both backends.
class SettingsStoreTest : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        if (GetParam()) {
            store = std::make_unique<FileSettingsStore>(dir.filePath(u"settings.json"_s));
        } else {
            store = std::make_unique<MemorySettingsStore>();
        }
    }
    QTemporaryDir dir;
    std::unique_ptr<SettingsStore> store;
};

// Each type reads back as written; a value of another type reads as absent, but an integer is a
// perfectly good real; a real that is not finite is not stored. Every write and removal, even of
// an absent key, is announced with its key.
TEST_P(SettingsStoreTest, ReadsEachTypeBackAsWrittenAndOnlyAsThatType) {
    QSignalSpy spy(store.get(), &SettingsStore::changed);
    store->setText(u"t"_s, u"237"_s);
    store->setInteger(u"i"_s, 1);
    store->setReal(u"r"_s, 0.3);
    store->setBoolean(u"b"_s, true);
    store->setTextMap(u"m"_s, {{u"CT221B-A"_s, u"Front counter"_s}});
    EXPECT_EQ(store->text(u"t"_s), u"237"_s);
    EXPECT_EQ(store->integer(u"i"_s), 1);
    EXPECT_EQ(store->real(u"r"_s), 0.3);
    EXPECT_EQ(store->boolean(u"b"_s), true);
    EXPECT_EQ(store->textMap(u"m"_s), TextMap({{u"CT221B-A"_s, u"Front counter"_s}}));
    EXPECT_FALSE(store->integer(u"t"_s) || store->real(u"t"_s) || store->textMap(u"t"_s));
    EXPECT_FALSE(store->integer(u"r"_s) || store->boolean(u"i"_s) || store->text(u"i"_s));
    EXPECT_FALSE(store->text(u"absent"_s));
    EXPECT_EQ(store->real(u"i"_s), 1.0);
    store->setReal(u"r"_s, std::nan(""));
    EXPECT_FALSE(store->real(u"r"_s));
    store->remove(u"t"_s);
    EXPECT_FALSE(store->contains(u"t"_s));
    store->remove(u"c.d"_s);
    ASSERT_EQ(spy.count(), 8);
    EXPECT_EQ(spy.at(0).at(0).toString(), u"t"_s);
    EXPECT_EQ(spy.at(7).at(0).toString(), u"c.d"_s);
}

INSTANTIATE_TEST_SUITE_P(Backends, SettingsStoreTest, ::testing::Values(false, true),
                         [](const auto& p) { return p.param ? "File" : "Memory"; });

class FileSettingsStoreTest : public ::testing::Test {
protected:
    QString path() const { return dir.filePath(u"Vantrel/settings.json"_s); }
    QTemporaryDir dir;
};

TEST_F(FileSettingsStoreTest, WritesAreOnDiskAtOnceAndTypesSurviveARestart) {
    FileSettingsStore store(path());
    store.setText(u"t"_s, u"2"_s);
    store.setInteger(u"i"_s, 9007199254740993); // beyond a double's precision
    store.setReal(u"r"_s, 2.0);
    store.setBoolean(u"b"_s, false);
    // A copy taken while the store lives, under another name that QSettings has not cached.
    const QString copy = dir.filePath(u"copy.json"_s);
    ASSERT_TRUE(QFile::copy(path(), copy));
    FileSettingsStore reopened(copy);
    EXPECT_EQ(reopened.text(u"t"_s), u"2"_s);
    EXPECT_EQ(reopened.integer(u"i"_s), 9007199254740993);
    EXPECT_EQ(reopened.real(u"r"_s), 2.0);
    EXPECT_FALSE(reopened.integer(u"t"_s) || reopened.integer(u"r"_s));
    EXPECT_EQ(reopened.boolean(u"b"_s), false);
}

TEST_F(FileSettingsStoreTest, UnreadableEntriesReadAsAbsentAndAreKept) {
    QDir().mkpath(dir.filePath(u"Vantrel"_s));
    testsupport::writeBytes(path(), R"({"a": 5, "b": {"integer": 1.5}, "c": {"text": 3},
        "d": {"real": 1, "extra": 2}, "e": {"integer": 7},
        "m": {"textMap": {"A": "Front", "B": 3}}})");
    FileSettingsStore store(path());
    for (const char* key : {"a", "b", "c", "d"}) {
        EXPECT_FALSE(store.contains(QString::fromLatin1(key))) << key;
    }
    EXPECT_EQ(store.integer(u"e"_s), 7);
    // A map holding something other than text is kept but reads as no map.
    EXPECT_TRUE(store.contains(u"m"_s));
    EXPECT_FALSE(store.textMap(u"m"_s));
    // They stay in the file through a write.
    ASSERT_TRUE(store.setInteger(u"f"_s, 8));
    EXPECT_TRUE(testsupport::readBytes(path()).contains("\"b\": {"));
}

// A file that is not JSON, not an object or not a regular file is set aside (never written over)
// and named, and the defaults apply; found later by a write, it is set aside just the same.
TEST_F(FileSettingsStoreTest, ADamagedFileIsSetAsideAndNeverWrittenOver) {
    const QString folder = dir.filePath(u"Vantrel"_s);
    const auto setAside = [&] {
        return QDir(folder).entryList({u"settings.json.damaged-*"_s}, QDir::AllEntries);
    };
    for (const QByteArray& damaged :
         {QByteArray(R"({"a": {"integer": 1}, oops)"), QByteArray("[1]"), QByteArray()}) {
        QDir(folder).removeRecursively();
        QDir().mkpath(damaged.isEmpty() ? path() : folder);
        if (!damaged.isEmpty()) {
            testsupport::writeBytes(path(), damaged);
        }
        FileSettingsStore store(path());
        ASSERT_EQ(setAside().size(), 1) << damaged.toStdString();
        const QString aside = QDir(folder).filePath(setAside()[0]);
        EXPECT_THAT(store.damage().value_or(QString()).toStdString(),
                    ::testing::HasSubstr(aside.toStdString()));
        EXPECT_TRUE(damaged.isEmpty() || testsupport::readBytes(aside) == damaged);
        EXPECT_TRUE(store.keys().isEmpty()) << "the defaults apply";
        EXPECT_TRUE(store.setInteger(u"b"_s, 2));
        EXPECT_EQ(FileSettingsStore(path()).integer(u"b"_s), 2);
    }
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
    FileSettingsStore store(path());
    ASSERT_TRUE(store.setInteger(u"a"_s, 1));
    QSignalSpy found(&store, &FileSettingsStore::damageFound);
    testsupport::writeBytes(path(), "{ damaged");
    EXPECT_TRUE(store.setInteger(u"b"_s, 2));
    EXPECT_EQ(found.count(), 1);
    EXPECT_EQ(setAside().size(), 1);
    EXPECT_FALSE(store.contains(u"a"_s));
}

TEST_F(FileSettingsStoreTest, AWriteThatCannotBeStoredChangesNothingAndSaysWhy) {
    testsupport::SmallDisk disk;
    if (disk.unavailable()) {
        GTEST_SKIP() << disk.unavailable()->toStdString();
    }
    const QString file = disk.path(u"settings.json"_s);
    FileSettingsStore store(file);
    ASSERT_TRUE(store.setText(u"printer.default"_s, u"CT221B-A"_s));
    const QByteArray before = testsupport::readBytes(file);
    disk.fill();
    QSignalSpy changed(&store, &SettingsStore::changed);
    EXPECT_FALSE(store.setText(u"printer.default"_s, u"CT221B-B"_s));
    EXPECT_EQ(store.lastError(),
              u"Couldn't save the settings in “%1”: No space left on device"_s.arg(file));
    EXPECT_EQ(store.text(u"printer.default"_s), u"CT221B-A"_s);
    EXPECT_EQ(changed.count(), 0);
    EXPECT_EQ(testsupport::readBytes(file), before);
    disk.release();
    EXPECT_TRUE(store.setText(u"printer.default"_s, u"CT221B-B"_s));
    EXPECT_FALSE(store.lastError());
}

TEST_F(FileSettingsStoreTest, StoresSharingTheFileKeepEachOthersKeys) {
    FileSettingsStore a(path());
    FileSettingsStore b(path());
    ASSERT_TRUE(a.setInteger(u"a"_s, 1));
    // b read the file before a wrote: its transaction reads it again, under the lock.
    ASSERT_TRUE(b.transact([&] {
        EXPECT_EQ(b.integer(u"a"_s), 1);
        b.setInteger(u"b"_s, *b.integer(u"a"_s) + 1);
    }));
    const FileSettingsStore reopened(path());
    EXPECT_EQ(reopened.integer(u"a"_s), 1);
    EXPECT_EQ(reopened.integer(u"b"_s), 2);
}

} // namespace
