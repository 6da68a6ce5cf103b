#include "LabelKit/printer/PrinterRegistry.h"

#include "tests/printer/ManagerFixture.h"
#include "tests/support/TestSupport.h"

#include <QSignalSpy>
#include <QTemporaryDir>

#include <limits>

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

class RegistryLoad : public ::testing::TestWithParam<Stored> {};

// The rules apply to what another run left in the settings file.
TEST_P(RegistryLoad, FollowsTheLoadRules) {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"settings.json"_s);
    testsupport::writeBytes(path, "{" + GetParam().json + "}");
    FileSettingsStore store(path);
    const PrinterRegistry registry(&store, {});
    EXPECT_EQ(registry.chunkSize(), GetParam().chunkSize);
    EXPECT_EQ(registry.interLabelDelay(), GetParam().interLabelDelay);
    EXPECT_EQ(registry.defaultPrinter(), GetParam().defaultPrinter);
    EXPECT_EQ(registry.nicknames(), GetParam().nicknames);
    EXPECT_EQ(registry.idleDisconnectSeconds(), 15.0);
}

INSTANTIATE_TEST_SUITE_P(
    Files, RegistryLoad,
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

TEST(Registry, WritesThroughOnEveryRealChange) {
    MemorySettingsStore settings;
    PrinterRegistry registry(&settings, {});
    QSignalSpy chunk(&registry, &PrinterRegistry::chunkSizeChanged);
    QSignalSpy delay(&registry, &PrinterRegistry::interLabelDelayChanged);
    QSignalSpy nick(&registry, &PrinterRegistry::nicknamesChanged);
    QSignalSpy def(&registry, &PrinterRegistry::defaultPrinterChanged);
    QSignalSpy idle(&registry, &PrinterRegistry::idleDisconnectSecondsChanged);

    registry.setChunkSize(180);
    registry.setChunkSize(180);
    registry.setInterLabelDelay(2.0);
    registry.setInterLabelDelay(std::numeric_limits<double>::quiet_NaN());
    registry.setNicknames({{u"CT221B-A"_s, u"Front counter"_s}});
    registry.setDefaultPrinter(u"CT221B-A"_s);
    registry.setIdleDisconnectSeconds(3.0);
    registry.setIdleDisconnectSeconds(std::numeric_limits<double>::infinity());
    EXPECT_EQ(
        (QList<qsizetype>{chunk.count(), delay.count(), nick.count(), def.count(), idle.count()}),
        (QList<qsizetype>{1, 1, 1, 1, 1}));
    EXPECT_EQ(registry.interLabelDelay(), 2.0) << "a value that cannot be stored is refused";
    EXPECT_EQ(registry.idleDisconnectSeconds(), 3.0);

    EXPECT_EQ(settings.integer(u"printer.chunkSize"_s), 180);
    EXPECT_EQ(settings.real(u"printer.interLabelDelay"_s), 2.0);
    EXPECT_EQ(settings.text(u"printer.default"_s), u"CT221B-A"_s);
    EXPECT_EQ(settings.textMap(u"printer.nicknames"_s),
              (TextMap{{u"CT221B-A"_s, u"Front counter"_s}}));

    registry.setDefaultPrinter(std::nullopt);
    EXPECT_FALSE(settings.contains(u"printer.default"_s));

    const PrinterRegistry reloaded(&settings, {});
    EXPECT_EQ(reloaded.chunkSize(), 180);
    EXPECT_EQ(reloaded.interLabelDelay(), 2.0);
    EXPECT_EQ(reloaded.nicknames(), registry.nicknames());
    EXPECT_FALSE(reloaded.defaultPrinter().has_value());
    EXPECT_EQ(reloaded.idleDisconnectSeconds(), 15.0) << "the idle time lasts one run";
}

TEST(Registry, DisplayNamePrefersANonEmptyNickname) {
    MemorySettingsStore settings;
    PrinterRegistry registry(&settings, {});
    registry.setNicknames({{u"CT221B-A"_s, u"Front counter"_s}, {u"CT221B-B"_s, QString()}});
    EXPECT_EQ(registry.displayName(u"CT221B-A"_s), u"Front counter"_s);
    EXPECT_EQ(registry.displayName(u"CT221B-B"_s), u"CT221B-B"_s);
    EXPECT_EQ(registry.displayName(u"CT221B-C"_s), u"CT221B-C"_s);
    EXPECT_EQ(registry.displayName(u"ct221b-a"_s), u"ct221b-a"_s) << "names match exactly";
}

// Through the manager that owns it: the registry follows the printers the manager lists.
class ManagedRegistry : public ManagerFixture {};

TEST_F(ManagedRegistry, PreferredPrinterIsTheDefaultOrTheOnlyOneListed) {
    PrinterRegistry* registry = manager->registry();
    QSignalSpy preferred(registry, &PrinterRegistry::preferredPrinterChanged);
    EXPECT_FALSE(registry->preferredPrinter().has_value());
    VirtualPrinter* a = addPrinter(u"CT221B-A"_s);
    central->advertise(a, -50);
    EXPECT_EQ(registry->preferredPrinter(), u"CT221B-A"_s);
    EXPECT_EQ(preferred.count(), 1);
    central->advertise(printer, -50);
    EXPECT_FALSE(registry->preferredPrinter().has_value());
    EXPECT_EQ(preferred.count(), 2);
    registry->setDefaultPrinter(u"CT221B-C"_s);
    EXPECT_EQ(registry->preferredPrinter(), u"CT221B-C"_s) << "even when not listed";
    central->advertise(a, -70);
    EXPECT_EQ(preferred.count(), 3) << "only real changes are announced";
}
