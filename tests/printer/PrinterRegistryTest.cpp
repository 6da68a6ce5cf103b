#include "LabelKit/printer/PrinterRegistry.h"

#include "tests/printer/ManagerFixture.h"
#include "tests/support/TestSupport.h"

#include <QSignalSpy>
#include <QTemporaryDir>

#include <limits>

using namespace vantrel;

using namespace Qt::StringLiterals;

// The rules apply to what another run left in the settings file: values that cannot be used
// give the defaults.
TEST(Registry, FollowsTheLoadRules) {
    for (const QStringList& c : testsupport::dataTable(u"printer-settings-load.txt"_s)) {
        const QByteArray json = c[0].toUtf8();
        const QString expected = c.value(1);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"settings.json"_s);
        testsupport::writeBytes(path, "{" + json + "}");
        FileSettingsStore store(path);
        const PrinterRegistry registry(&store, {});
        QStringList loaded{QString::number(registry.chunkSize()),
                           QString::number(registry.interLabelDelay()),
                           registry.defaultPrinter().value_or(u"none"_s)};
        for (const auto& [name, nickname] : registry.nicknames().asKeyValueRange()) {
            loaded.append(name + u'=' + nickname);
        }
        EXPECT_EQ(loaded.join(u' '), expected) << json.toStdString();
    }
}

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
    registry.setNicknames({{u"CT221B-A"_s, u"Front counter"_s}, {u"CT221B-B"_s, QString()}});
    registry.setDefaultPrinter(u"CT221B-A"_s);
    registry.setIdleDisconnectSeconds(3.0);
    registry.setIdleDisconnectSeconds(std::numeric_limits<double>::infinity());
    EXPECT_EQ(
        (QList<qsizetype>{chunk.count(), delay.count(), nick.count(), def.count(), idle.count()}),
        (QList<qsizetype>{1, 1, 1, 1, 1}));
    EXPECT_EQ(registry.interLabelDelay(), 2.0) << "a value that cannot be stored is refused";
    EXPECT_EQ(registry.idleDisconnectSeconds(), 3.0);

    EXPECT_EQ(settings.text(u"printer.default"_s), u"CT221B-A"_s);
    // The display name is a non-empty nickname, matched exactly, or else the name.
    for (const QString& name : {u"CT221B-B"_s, u"CT221B-C"_s, u"ct221b-a"_s}) {
        EXPECT_EQ(registry.displayName(name), name);
    }
    EXPECT_EQ(registry.displayName(u"CT221B-A"_s), u"Front counter"_s);

    registry.setDefaultPrinter(std::nullopt);
    EXPECT_FALSE(settings.contains(u"printer.default"_s));

    const PrinterRegistry reloaded(&settings, {});
    EXPECT_EQ(reloaded.chunkSize(), 180);
    EXPECT_EQ(reloaded.interLabelDelay(), 2.0);
    EXPECT_EQ(reloaded.nicknames(), registry.nicknames());
    EXPECT_FALSE(reloaded.defaultPrinter().has_value());
    EXPECT_EQ(reloaded.idleDisconnectSeconds(), 15.0) << "the idle time lasts one run";
}

// Through the manager that owns it: the registry follows the printers the manager lists, and a
// print without a printer named goes to the preferred one or, among several and no default, is
// refused.
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
    EXPECT_EQ(asyncsupport::run(manager->print({}, std::nullopt)).message(),
              u"No printer selected."_s);
    EXPECT_TRUE(activities.isEmpty()) << "nothing else happens";
    registry->setDefaultPrinter(u"CT221B-A"_s);
    ASSERT_TRUE(asyncsupport::run(manager->print({}, std::nullopt)).succeeded());
    EXPECT_TRUE(manager->isConnected(u"CT221B-A"_s));
    registry->setDefaultPrinter(u"CT221B-C"_s);
    EXPECT_EQ(registry->preferredPrinter(), u"CT221B-C"_s) << "even when not listed";
    central->advertise(a, -70);
    EXPECT_EQ(preferred.count(), 4) << "only real changes are announced";
}
