#include "LabelKit/platform/SettingsStore.h"

#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace {

// The same behaviour is required of both backends.
class SettingsStoreTest : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        store = makeStore();
    }
    std::unique_ptr<SettingsStore> makeStore() {
        if (GetParam()) {
            return std::make_unique<FileSettingsStore>(
                dir.filePath(QStringLiteral("settings.json")));
        }
        return std::make_unique<MemorySettingsStore>();
    }
    QTemporaryDir dir;
    std::unique_ptr<SettingsStore> store;
};

TEST_P(SettingsStoreTest, ReadsEachTypeBackAsWritten) {
    store->setText(QStringLiteral("display.unit"), QStringLiteral("mm"));
    store->setInteger(QStringLiteral("printer.chunkSize"), 180);
    store->setReal(QStringLiteral("printer.interLabelDelay"), 0.3);
    store->setBoolean(QStringLiteral("preview.showPrinterDots"), true);
    store->setTextMap(QStringLiteral("printer.nicknames"),
                      {{QStringLiteral("CT221B-A"), QStringLiteral("Front counter")}});

    EXPECT_EQ(store->text(QStringLiteral("display.unit")), QStringLiteral("mm"));
    EXPECT_EQ(store->integer(QStringLiteral("printer.chunkSize")), 180);
    EXPECT_EQ(store->real(QStringLiteral("printer.interLabelDelay")), 0.3);
    EXPECT_EQ(store->boolean(QStringLiteral("preview.showPrinterDots")), true);
    const auto nicknames = store->textMap(QStringLiteral("printer.nicknames"));
    ASSERT_TRUE(nicknames);
    EXPECT_EQ(nicknames->value(QStringLiteral("CT221B-A")), QStringLiteral("Front counter"));
}

TEST_P(SettingsStoreTest, AValueOfAnotherTypeReadsAsAbsent) {
    store->setText(QStringLiteral("k.text"), QStringLiteral("237"));
    store->setReal(QStringLiteral("k.real"), 2.0);
    store->setInteger(QStringLiteral("k.integer"), 1);

    EXPECT_FALSE(store->integer(QStringLiteral("k.text")));
    EXPECT_FALSE(store->real(QStringLiteral("k.text")));
    EXPECT_FALSE(store->integer(QStringLiteral("k.real")));
    EXPECT_FALSE(store->boolean(QStringLiteral("k.integer")));
    EXPECT_FALSE(store->text(QStringLiteral("k.integer")));
    EXPECT_FALSE(store->textMap(QStringLiteral("k.text")));
    EXPECT_FALSE(store->text(QStringLiteral("k.absent")));
    // An integer is a perfectly good real.
    EXPECT_EQ(store->real(QStringLiteral("k.integer")), 1.0);
}

TEST_P(SettingsStoreTest, RemovingAKeyMakesItAbsent) {
    store->setText(QStringLiteral("printer.default"), QStringLiteral("CT221B-A"));
    ASSERT_TRUE(store->contains(QStringLiteral("printer.default")));
    store->remove(QStringLiteral("printer.default"));
    EXPECT_FALSE(store->contains(QStringLiteral("printer.default")));
    EXPECT_FALSE(store->text(QStringLiteral("printer.default")));
}

TEST_P(SettingsStoreTest, AnnouncesEveryWriteByKey) {
    QSignalSpy spy(store.get(), &SettingsStore::changed);
    store->setInteger(QStringLiteral("a.b"), 1);
    store->remove(QStringLiteral("c.d"));
    ASSERT_EQ(spy.count(), 2);
    EXPECT_EQ(spy.at(0).at(0).toString(), QStringLiteral("a.b"));
    EXPECT_EQ(spy.at(1).at(0).toString(), QStringLiteral("c.d"));
}

TEST_P(SettingsStoreTest, NonFiniteRealsAreNotStored) {
    store->setReal(QStringLiteral("k"), 1.5);
    store->setReal(QStringLiteral("k"), std::nan(""));
    EXPECT_FALSE(store->real(QStringLiteral("k")));
}

INSTANTIATE_TEST_SUITE_P(Backends, SettingsStoreTest, ::testing::Values(false, true),
                         [](const auto& p) { return p.param ? "File" : "Memory"; });

class FileSettingsStoreTest : public ::testing::Test {
protected:
    QString path() const { return dir.filePath(QStringLiteral("Vantrel/settings.json")); }
    QTemporaryDir dir;
};

TEST_F(FileSettingsStoreTest, TypesSurviveARestart) {
    {
        FileSettingsStore store(path());
        store.setText(QStringLiteral("t"), QStringLiteral("2"));
        store.setInteger(QStringLiteral("i"), 9007199254740993); // beyond a double's precision
        store.setReal(QStringLiteral("r"), 2.0);
        store.setBoolean(QStringLiteral("b"), false);
        store.setTextMap(QStringLiteral("m"), {{QStringLiteral("x"), QStringLiteral("1")}});
    }
    // A copy under another name cannot come from QSettings' in-process cache of the first file.
    const QString copy = dir.filePath(QStringLiteral("copy.json"));
    ASSERT_TRUE(QFile::copy(path(), copy));
    FileSettingsStore reopened(copy);
    EXPECT_EQ(reopened.text(QStringLiteral("t")), QStringLiteral("2"));
    EXPECT_FALSE(reopened.integer(QStringLiteral("t")));
    EXPECT_EQ(reopened.integer(QStringLiteral("i")), 9007199254740993);
    EXPECT_EQ(reopened.real(QStringLiteral("r")), 2.0);
    EXPECT_FALSE(reopened.integer(QStringLiteral("r")));
    EXPECT_EQ(reopened.boolean(QStringLiteral("b")), false);
    EXPECT_EQ(reopened.textMap(QStringLiteral("m")),
              TextMap({{QStringLiteral("x"), QStringLiteral("1")}}));
}

TEST_F(FileSettingsStoreTest, AMapHoldingNonTextReadsAsAbsent) {
    QDir().mkpath(dir.filePath(QStringLiteral("Vantrel")));
    testsupport::writeBytes(path(),
                            R"({"printer.nicknames": {"textMap": {"A": "Front", "B": 3}}})");
    FileSettingsStore store(path());
    EXPECT_FALSE(store.textMap(QStringLiteral("printer.nicknames")));
    EXPECT_TRUE(store.contains(QStringLiteral("printer.nicknames")));
}

TEST_F(FileSettingsStoreTest, UnreadableEntriesAndFilesReadAsAbsent) {
    QDir().mkpath(dir.filePath(QStringLiteral("Vantrel")));
    testsupport::writeBytes(path(), R"({"a": 5, "b": {"integer": 1.5}, "c": {"text": 3},
                                        "d": {"real": 1, "extra": 2}, "e": {"integer": 7}})");
    FileSettingsStore store(path());
    for (const char* key : {"a", "b", "c", "d"}) {
        EXPECT_FALSE(store.contains(QString::fromLatin1(key))) << key;
    }
    EXPECT_EQ(store.integer(QStringLiteral("e")), 7);

    testsupport::writeBytes(dir.filePath(QStringLiteral("garbage.json")), "\x01\x02 not json");
    FileSettingsStore garbage(dir.filePath(QStringLiteral("garbage.json")));
    EXPECT_TRUE(garbage.keys().isEmpty());
}

TEST_F(FileSettingsStoreTest, AWriteIsOnDiskAtOnce) {
    FileSettingsStore store(path());
    store.setInteger(QStringLiteral("printer.chunkSize"), 100);
    const QByteArray onDisk = testsupport::readBytes(path());
    EXPECT_TRUE(onDisk.contains("\"printer.chunkSize\"")) << onDisk.toStdString();
    EXPECT_TRUE(onDisk.contains("\"integer\": 100")) << onDisk.toStdString();
}

} // namespace
