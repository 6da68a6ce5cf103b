#include "tests/printer/ManagerFixture.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

struct Stored {
    const char* name;
    QByteArray json; // the settings file's members, as the file store writes them
    qint64 chunkSize;
    double interLabelDelay;
    std::optional<QString> defaultPrinter;
    TextMap nicknames;
};

void PrintTo(const Stored& s, std::ostream* os) {
    *os << s.name;
}

class SettingsLoad : public ::testing::TestWithParam<Stored> {};

// The rules apply to what another run left in the settings file.
TEST_P(SettingsLoad, FollowsTheLoadRules) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("settings.json"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("{" + GetParam().json + "}");
    file.close();

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
        Stored{"Fresh", "", 237, 1.5, std::nullopt, {}},
        Stored{"ChunkZero", R"("printer.chunkSize": {"integer": 0})", 237, 1.5, std::nullopt, {}},
        Stored{
            "ChunkNegative", R"("printer.chunkSize": {"integer": -5})", 237, 1.5, std::nullopt, {}},
        Stored{
            "ChunkHundred", R"("printer.chunkSize": {"integer": 100})", 100, 1.5, std::nullopt, {}},
        Stored{
            "ChunkAsText", R"("printer.chunkSize": {"text": "100"})", 237, 1.5, std::nullopt, {}},
        Stored{
            "DelayZero", R"("printer.interLabelDelay": {"real": 0})", 237, 1.5, std::nullopt, {}},
        Stored{"DelayNegative",
               R"("printer.interLabelDelay": {"real": -2.5})",
               237,
               1.5,
               std::nullopt,
               {}},
        Stored{"DelayShort",
               R"("printer.interLabelDelay": {"real": 0.3})",
               237,
               0.3,
               std::nullopt,
               {}},
        Stored{"DelayWholeNumber",
               R"("printer.interLabelDelay": {"integer": 2})",
               237,
               2.0,
               std::nullopt,
               {}},
        Stored{"DefaultPrinter",
               R"("printer.default": {"text": "CT221B-A"})",
               237,
               1.5,
               QStringLiteral("CT221B-A"),
               {}},
        Stored{
            "DefaultNotText", R"("printer.default": {"integer": 7})", 237, 1.5, std::nullopt, {}},
        Stored{"Nicknames", R"("printer.nicknames": {"textMap": {"CT221B-A": "Front counter"}})",
               237, 1.5, std::nullopt,
               TextMap{{QStringLiteral("CT221B-A"), QStringLiteral("Front counter")}}},
        Stored{"NicknameNotText",
               R"("printer.nicknames": {"textMap": {"CT221B-A": "Front counter", "CT221B-B": 3}})",
               237,
               1.5,
               std::nullopt,
               {}}),
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
    manager->setNicknames({{QStringLiteral("CT221B-A"), QStringLiteral("Front counter")}});
    manager->setDefaultPrinter(QStringLiteral("CT221B-A"));
    EXPECT_EQ(chunk.count(), 1);
    EXPECT_EQ(delay.count(), 1);
    EXPECT_EQ(nick.count(), 1);
    EXPECT_EQ(def.count(), 1);
    EXPECT_EQ(manager->interLabelDelay(), 2.0) << "a value that cannot be stored is refused";

    EXPECT_EQ(settings.integer(QStringLiteral("printer.chunkSize")), 180);
    EXPECT_EQ(settings.real(QStringLiteral("printer.interLabelDelay")), 2.0);
    EXPECT_EQ(settings.text(QStringLiteral("printer.default")), QStringLiteral("CT221B-A"));
    EXPECT_EQ(settings.textMap(QStringLiteral("printer.nicknames")),
              (TextMap{{QStringLiteral("CT221B-A"), QStringLiteral("Front counter")}}));

    manager->setDefaultPrinter(std::nullopt);
    EXPECT_FALSE(settings.contains(QStringLiteral("printer.default")));

    PrinterManager reloaded(&settings, new VirtualCentral());
    EXPECT_EQ(reloaded.chunkSize(), 180);
    EXPECT_EQ(reloaded.interLabelDelay(), 2.0);
    EXPECT_EQ(reloaded.nicknames(), manager->nicknames());
    EXPECT_FALSE(reloaded.defaultPrinter().has_value());
}

TEST_F(Settings, DisplayNamePrefersANonEmptyNickname) {
    manager->setNicknames({{QStringLiteral("CT221B-A"), QStringLiteral("Front counter")},
                           {QStringLiteral("CT221B-B"), QString()}});
    EXPECT_EQ(manager->displayName(QStringLiteral("CT221B-A")), QStringLiteral("Front counter"));
    EXPECT_EQ(manager->displayName(QStringLiteral("CT221B-B")), QStringLiteral("CT221B-B"));
    EXPECT_EQ(manager->displayName(QStringLiteral("CT221B-C")), QStringLiteral("CT221B-C"));
    EXPECT_EQ(manager->displayName(QStringLiteral("ct221b-a")), QStringLiteral("ct221b-a"))
        << "names match exactly";
}

TEST_F(Settings, PreferredPrinterIsTheDefaultOrTheOnlyOneListed) {
    EXPECT_FALSE(manager->preferredPrinter().has_value());
    VirtualPrinter* a = addPrinter(QStringLiteral("CT221B-A"));
    central->advertise(a, -50);
    EXPECT_EQ(manager->preferredPrinter(), QStringLiteral("CT221B-A"));
    central->advertise(printer, -50);
    EXPECT_FALSE(manager->preferredPrinter().has_value());
    manager->setDefaultPrinter(QStringLiteral("CT221B-C"));
    EXPECT_EQ(manager->preferredPrinter(), QStringLiteral("CT221B-C")) << "even when not listed";
}
