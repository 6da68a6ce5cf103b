// The automation and application interfaces of the running application, called over a private
// session bus, and vantrel-cli handing its prints to it.
#include "app/ApplicationAdaptor.h"
#include "app/AutomationAdaptor.h"
#include "app/SingleInstance.h"
#include "tests/desktop/PrivateBus.h"
#include "tests/printer/ManagerFixture.h"

#include "LabelKit/platform/SessionBus.h"
#include "LabelKit/store/LabelStore.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gmock/gmock.h>

using namespace Qt::StringLiterals;

using ::testing::ElementsAre;

namespace {

// The automation of a running instance over a store seeded with the starter designs (and
// Cabinet and Shelf) and the virtual printer; the test calls it as another program would.
class Automation : public ManagerFixture {
protected:
    void SetUp() override {
        ManagerFixture::SetUp();
        store = std::make_unique<LabelStore>(m_temp.filePath(u"Labels"_s), true);
        ASSERT_TRUE(store->save(LabelDocument(u"Cabinet"_s)) &&
                    store->save(LabelDocument(u"Shelf"_s)));
        printer->setFolder(m_temp.filePath(u"printed"_s));
        instance = std::make_unique<SingleInstance>(SingleInstance::Channels{bus.connect(), {}});
        new AutomationAdaptor(
            instance.get(), [this]() -> LabelStore& { return *store; },
            [this]() -> PrinterManager& { return *manager; });
        ASSERT_TRUE(instance->claim());
    }

    void TearDown() override {
        instance.reset();
        ManagerFixture::TearDown();
    }

    QDBusMessage call(const QString& method, const QVariantList& arguments) {
        return desktoptest::call(client, SessionBus::automationInterface, method, arguments);
    }

    // The names of a Labels or FindLabels answer.
    QStringList names(const QString& method, const QVariantList& arguments = {}) {
        QStringList found;
        for (const LabelEntry& entry :
             qdbus_cast<LabelEntries>(call(method, arguments).arguments().value(0))) {
            found.append(entry.name);
        }
        return found;
    }

    qsizetype printed(const QString& folder = u"printed"_s) const {
        return QDir(m_temp.filePath(folder)).entryList({u"*.png"_s}, QDir::Files).size();
    }

    QTemporaryDir m_temp;
    desktoptest::PrivateBus bus;
    QDBusConnection client = bus.connect();
    std::unique_ptr<LabelStore> store;
    std::unique_ptr<SingleInstance> instance;
};

// The application interface's actions post the File menu's commands. Labels and FindLabels
// answer in store order; a stored label prints by name or id, and a line of text; refusals and
// failures are errors (carrying the user's text, as the command line shows below), and reach no
// printer.
TEST_F(Automation, ActsListsPrintsAndRefusesWithTheUsersText) {
    const QString invalid = u"org.freedesktop.DBus.Error.InvalidArgs"_s;
    QSignalSpy actions(instance.get(), &SingleInstance::actionRequested);
    const auto activate = [&](const QString& action) {
        return desktoptest::call(client, ApplicationAdaptor::interfaceName(), u"ActivateAction"_s,
                                 {action, QVariantList(), QVariantMap()});
    };
    for (const auto& [action, notification] : SingleInstance::actions()) {
        EXPECT_EQ(activate(action).type(), QDBusMessage::ReplyMessage);
        ASSERT_TRUE(desktoptest::waitUntil([&] { return !actions.isEmpty(); }));
        EXPECT_EQ(actions.takeFirst().first().toString(), notification);
    }
    EXPECT_EQ(activate(u"frobnicate"_s).errorName(), invalid);

    const LabelEntries all = qdbus_cast<LabelEntries>(call(u"Labels"_s, {}).arguments().value(0));
    ASSERT_EQ(all.size(), store->labels().size());
    for (qsizetype i = 0; i < all.size(); ++i) {
        EXPECT_EQ(QUuid::fromString(all[i].id), store->labels()[i].id);
        EXPECT_EQ(all[i].name, store->labels()[i].name);
    }
    EXPECT_THAT(names(u"FindLabels"_s, {u"BIN"_s}), ElementsAre(u"Cabinet"_s, u"Bin tag"_s));

    const struct {
        QString method;
        QVariantList arguments;
        QString error;
    } refused[] = {
        {u"PrintLabel"_s, {u"Nope"_s, 1, QString()}, SessionBus::failedError},
        {u"PrintLabel"_s, {u"Bin tag"_s, 0, QString()}, invalid},
        {u"PrintLabel"_s, {u"Bin tag"_s, 201, QString()}, invalid},
        {u"PrintText"_s, {u"  "_s, 1}, invalid},
    };
    for (const auto& c : refused) {
        EXPECT_EQ(call(c.method, c.arguments).errorName(), c.error) << c.method.toStdString();
    }
    EXPECT_EQ(printer->connectionRequests(), 0) << "nothing reached the printer";
    // No default printer and none in range: the printer manager's own words.
    VirtualPrinter::Faults absent;
    absent.absent = true;
    printer->setFaults(absent);
    const QDBusMessage failed = call(u"PrintText"_s, {u"Hi"_s, 1});
    EXPECT_EQ(failed.errorName(), SessionBus::failedError);
    EXPECT_EQ(failed.errorMessage(), PrinterError::noPrinterSelected().message());
    printer->setFaults({});

    EXPECT_EQ(desktoptest::answer(call(u"PrintLabel"_s, {u"bin TAG"_s, 3, QString()})),
              u"Printed 3 × Bin tag."_s);
    EXPECT_TRUE(printer->received().endsWith("PRINT 1,3\r\n"));
    const QString id = store->labelNamed(u"SKU tag"_s)->id.toString(QUuid::WithoutBraces);
    EXPECT_EQ(desktoptest::answer(call(u"PrintLabel"_s, {id, 1, u"x"_s})),
              u"Printed 1 × SKU tag."_s);
    EXPECT_EQ(desktoptest::answer(call(u"PrintText"_s, {u"Hello"_s, 2})), u"Printed."_s);
    EXPECT_TRUE(printer->received().endsWith("PRINT 1,2\r\n"));
    EXPECT_EQ(printed(), 3);
}

TEST_F(Automation, TheCommandLinePrintsThroughTheRunningApplication) {
    QProcessEnvironment env = bus.environment();
    env.insert(u"HOME"_s, m_temp.filePath(u"home"_s));
    env.insert(u"XDG_CONFIG_HOME"_s, m_temp.filePath(u"home/.config"_s));
    env.remove(u"VANTREL_VIRTUAL_PRINTER"_s);
    const auto cli = [&](const QStringList& arguments) {
        return desktoptest::run(QStringLiteral(VANTREL_CLI_PATH), arguments, env);
    };

    // Printing itself, the tool would reach for Bluetooth, which this machine lacks.
    const desktoptest::Finished label =
        cli({u"print-label"_s, u"Bin tag"_s, u"--copies"_s, u"2"_s});
    EXPECT_EQ(QString::fromUtf8(label.out), u"Printed 2 × Bin tag.\n"_s) << label.err.toStdString();
    EXPECT_EQ(cli({u"print-text"_s, u"Hello"_s}).out, "Printed.\n");
    EXPECT_EQ(printed(), 2) << "the application's printer printed both";
    EXPECT_FALSE(QDir(m_temp.filePath(u"home/Documents"_s)).exists())
        << "the tool never opened a library of its own";
    const desktoptest::Finished missing = cli({u"print-label"_s, u"Nope"_s});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(QString::fromUtf8(missing.err), u"There is no label named “Nope”.\n"_s);

    // With a printer of its own, the tool prints itself.
    EXPECT_EQ(cli({u"--virtual"_s, m_temp.filePath(u"own"_s), u"print-text"_s, u"Hi"_s}).exitCode,
              0);
    EXPECT_EQ(printed(u"own"_s), 1);
    EXPECT_EQ(printed(), 2);
}

} // namespace
