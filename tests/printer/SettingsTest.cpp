#include "tests/printer/ManagerFixture.h"
#include "tests/support/TestSupport.h"

#include <QSignalSpy>
#include <QTemporaryDir>

using namespace vantrel;

using namespace Qt::StringLiterals;

struct Stored {
    const char* name;
    QByteArray json; // the settings file's members, as the file store writes them
    qint64 chunkSize = 237;
    double interLabelDelay = 1.5;
    std::optional<QString> defaultPrinter = std::nullopt;
    TextMap nicknames = {};
};

class SettingsLoad : public ::testing::TestWithParam<Stored> {};

// The rules apply to what another run left in the settings file.
TEST_P(SettingsLoad, FollowsTheLoadRules) {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"settings.json"_s);
    testsupport::writeBytes(path, "{" + GetParam().json + "}");
    FileSettingsStore store(path);
    PrinterManager manager(&store, new VirtualCentral());
    EXPECT_EQ(manager.chunkSize(), GetParam().chunkSize);
    EXPECT_EQ(manager.interLabelDelay(), GetParam().interLabelDelay);
    EXPECT_EQ(manager.defaultPrinter(), GetParam().defaultPrinter);
    EXPECT_EQ(manager.nicknames(), GetParam().nicknames);
    EXPECT_EQ(manager.idleDisconnectSeconds(), 15.0);
}

INSTANTIATE_TEST_SUITE_P(
    Files, SettingsLoad,
    ::testing::Values(
        Stored{"Fresh", ""}, Stored{"ChunkZero", R"("printer.chunkSize": {"integer": 0})"},
        Stored{"ChunkNegative", R"("printer.chunkSize": {"integer": -5})"},
        Stored{"ChunkHundred", R"("printer.chunkSize": {"integer": 100})", 100},
        Stored{"ChunkAsText", R"("printer.chunkSize": {"text": "100"})"},
        Stored{"DelayZero", R"("printer.interLabelDelay": {"real": 0})"},
        Stored{"DelayNegative", R"("printer.interLabelDelay": {"real": -2.5})"},
        Stored{"DelayShort", R"("printer.interLabelDelay": {"real": 0.3})", 237, 0.3},
        Stored{"DelayWholeNumber", R"("printer.interLabelDelay": {"integer": 2})", 237, 2.0},
        Stored{"DefaultPrinter", R"("printer.default": {"text": "CT221B-A"})", 237, 1.5,
               u"CT221B-A"_s},
        Stored{"DefaultNotText", R"("printer.default": {"integer": 7})"},
        Stored{"Nicknames", R"("printer.nicknames": {"textMap": {"CT221B-A": "Front counter"}})",
               237, 1.5, std::nullopt, TextMap{{u"CT221B-A"_s, u"Front counter"_s}}},
        Stored{
            "NicknameNotText",
            R"("printer.nicknames": {"textMap": {"CT221B-A": "Front counter", "CT221B-B": 3}})"}),
    [](const auto& test) { return std::string(test.param.name); });

class Settings : public ManagerFixture {};

TEST_F(Settings, AreWrittenThroughOnEveryRealChange) {
    QSignalSpy chunk(manager.get(), &PrinterManager::chunkSizeChanged);
    QSignalSpy delay(manager.get(), &PrinterManager::interLabelDelayChanged);
    QSignalSpy nick(manager.get(), &PrinterManager::nicknamesChanged);
    QSignalSpy def(manager.get(), &PrinterManager::defaultPrinterChanged);

    manager->setChunkSize(180);
    manager->setChunkSize(180);
    manager->setInterLabelDelay(2.0);
    manager->setInterLabelDelay(std::numeric_limits<double>::quiet_NaN());
    manager->setNicknames({{u"CT221B-A"_s, u"Front counter"_s}});
    manager->setDefaultPrinter(u"CT221B-A"_s);
    EXPECT_EQ(chunk.count(), 1);
    EXPECT_EQ(delay.count(), 1);
    EXPECT_EQ(nick.count(), 1);
    EXPECT_EQ(def.count(), 1);
    EXPECT_EQ(manager->interLabelDelay(), 2.0) << "a value that cannot be stored is refused";

    EXPECT_EQ(settings.integer(u"printer.chunkSize"_s), 180);
    EXPECT_EQ(settings.real(u"printer.interLabelDelay"_s), 2.0);
    EXPECT_EQ(settings.text(u"printer.default"_s), u"CT221B-A"_s);
    EXPECT_EQ(settings.textMap(u"printer.nicknames"_s),
              (TextMap{{u"CT221B-A"_s, u"Front counter"_s}}));

    manager->setDefaultPrinter(std::nullopt);
    EXPECT_FALSE(settings.contains(u"printer.default"_s));

    PrinterManager reloaded(&settings, new VirtualCentral());
    EXPECT_EQ(reloaded.chunkSize(), 180);
    EXPECT_EQ(reloaded.interLabelDelay(), 2.0);
    EXPECT_EQ(reloaded.nicknames(), manager->nicknames());
    EXPECT_FALSE(reloaded.defaultPrinter().has_value());
}

TEST_F(Settings, DisplayNamePrefersANonEmptyNickname) {
    manager->setNicknames({{u"CT221B-A"_s, u"Front counter"_s}, {u"CT221B-B"_s, QString()}});
    EXPECT_EQ(manager->displayName(u"CT221B-A"_s), u"Front counter"_s);
    EXPECT_EQ(manager->displayName(u"CT221B-B"_s), u"CT221B-B"_s);
    EXPECT_EQ(manager->displayName(u"CT221B-C"_s), u"CT221B-C"_s);
    EXPECT_EQ(manager->displayName(u"ct221b-a"_s), u"ct221b-a"_s) << "names match exactly";
}

TEST_F(Settings, PreferredPrinterIsTheDefaultOrTheOnlyOneListed) {
    EXPECT_FALSE(manager->preferredPrinter().has_value());
    VirtualPrinter* a = addPrinter(u"CT221B-A"_s);
    central->advertise(a, -50);
    EXPECT_EQ(manager->preferredPrinter(), u"CT221B-A"_s);
    central->advertise(printer, -50);
    EXPECT_FALSE(manager->preferredPrinter().has_value());
    manager->setDefaultPrinter(u"CT221B-C"_s);
    EXPECT_EQ(manager->preferredPrinter(), u"CT221B-C"_s) << "even when not listed";
}
