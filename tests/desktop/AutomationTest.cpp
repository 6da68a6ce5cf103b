// The automation interface of the running application, called over a private session bus, and
// vantrel-cli handing its prints to it.
#include "app/AutomationAdaptor.h"
#include "app/SingleInstance.h"
#include "tests/desktop/PrivateBus.h"
#include "tests/printer/ManagerFixture.h"

#include "LabelKit/platform/SessionBus.h"
#include "LabelKit/store/LabelStore.h"

#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCall>
#include <QDir>
#include <QTemporaryDir>

#include <gmock/gmock.h>

using namespace Qt::StringLiterals;

using desktoptest::Finished;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

// The application's automation over a store seeded with the starter designs (and Cabinet and
// Shelf) and the virtual printer, owning its name on a private bus; the test calls it from a
// connection of its own, as another program would.
class Automation : public ManagerFixture {
protected:
    void SetUp() override {
        ManagerFixture::SetUp();
        store = std::make_unique<LabelStore>(m_temp.filePath(u"Labels"_s), true);
        ASSERT_TRUE(store->save(LabelDocument(u"Cabinet"_s)) &&
                    store->save(LabelDocument(u"Shelf"_s)));
        printer->setFolder(m_temp.filePath(u"printed"_s));
        SingleInstance::Channels channels{bus.connect(), {}};
        instance = std::make_unique<SingleInstance>(channels);
        new AutomationAdaptor(
            instance.get(), [this]() -> LabelStore& { return *store; },
            [this]() -> PrinterManager& { return *manager; });
        ASSERT_TRUE(instance->claim());
        client = bus.connect();
    }

    void TearDown() override {
        instance.reset();
        ManagerFixture::TearDown();
    }

    // The reply to a call of the automation interface, the event loop running meanwhile.
    QDBusMessage call(const QString& method, const QVariantList& arguments) {
        QDBusMessage message =
            QDBusMessage::createMethodCall(SessionBus::serviceName, SessionBus::objectPath,
                                           SessionBus::automationInterface, method);
        message.setArguments(arguments);
        QDBusPendingCall pending = client.asyncCall(message);
        asyncsupport::runUntil([&] { return pending.isFinished(); });
        return pending.reply();
    }

    // The (id, name) pairs of a Labels or FindLabels reply.
    static LabelEntries entries(const QDBusMessage& reply) {
        EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
        return reply.arguments().isEmpty() ? LabelEntries()
                                           : qdbus_cast<LabelEntries>(reply.arguments().first());
    }

    static QStringList names(const LabelEntries& list) {
        QStringList result;
        for (const LabelEntry& entry : list) {
            result.append(entry.name);
        }
        return result;
    }

    QStringList printedFiles() const {
        return QDir(m_temp.filePath(u"printed"_s)).entryList({u"*.png"_s}, QDir::Files);
    }

    QTemporaryDir m_temp;
    desktoptest::PrivateBus bus;
    std::unique_ptr<LabelStore> store;
    std::unique_ptr<SingleInstance> instance;
    QDBusConnection client{QString()};
};

TEST_F(Automation, PrintLabelPrintsAStoredLabelByNameOrIdAndConfirms) {
    const QDBusMessage byName = call(u"PrintLabel"_s, {u"bin TAG"_s, 3, QString()});
    ASSERT_EQ(byName.type(), QDBusMessage::ReplyMessage) << byName.errorMessage().toStdString();
    EXPECT_EQ(byName.arguments().value(0).toString(), u"Printed 3 × Bin tag."_s);
    EXPECT_TRUE(printer->received().endsWith("PRINT 1,3\r\n"));

    const QString id = store->labelNamed(u"SKU tag"_s)->id.toString(QUuid::WithoutBraces);
    const QDBusMessage byId = call(u"PrintLabel"_s, {id, 1, u"x"_s});
    EXPECT_EQ(byId.arguments().value(0).toString(), u"Printed 1 × SKU tag."_s);
    EXPECT_EQ(printedFiles().size(), 2);
}

TEST_F(Automation, PrintTextPrintsTheLineAndConfirms) {
    const QDBusMessage reply = call(u"PrintText"_s, {u"Hello"_s, 2});
    ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
    EXPECT_EQ(reply.arguments().value(0).toString(), u"Printed."_s);
    EXPECT_TRUE(printer->received().endsWith("PRINT 1,2\r\n"));
}

TEST_F(Automation, RefusalsAndFailuresAreErrorsWithTheUsersText) {
    const QString invalid = u"org.freedesktop.DBus.Error.InvalidArgs"_s;
    const struct {
        QString method;
        QVariantList arguments;
        QString error;
        QString message; // empty: any
    } cases[] = {
        {u"PrintLabel"_s,
         {u"Nope"_s, 1, QString()},
         SessionBus::failedError,
         u"There is no label named “Nope”."_s},
        {u"PrintLabel"_s, {u"Bin tag"_s, 0, QString()}, invalid, {}},
        {u"PrintLabel"_s, {u"Bin tag"_s, 201, QString()}, invalid, {}},
        {u"PrintText"_s, {u"Hi"_s, -1}, invalid, {}},
        {u"PrintText"_s, {u"  "_s, 1}, invalid, {}},
    };
    for (const auto& c : cases) {
        const QDBusMessage reply = call(c.method, c.arguments);
        EXPECT_EQ(reply.errorName(), c.error) << c.method.toStdString();
        if (!c.message.isEmpty()) {
            EXPECT_EQ(reply.errorMessage(), c.message);
        }
    }
    EXPECT_EQ(printer->connectionRequests(), 0) << "nothing reached the printer";

    // No default printer and none in range: the printer manager's own words.
    VirtualPrinter::Faults absentPrinter;
    absentPrinter.absent = true;
    printer->setFaults(absentPrinter);
    const QDBusMessage absent = call(u"PrintText"_s, {u"Hi"_s, 1});
    EXPECT_EQ(absent.errorName(), SessionBus::failedError);
    EXPECT_EQ(absent.errorMessage(), PrinterError::noPrinterSelected().message());
    EXPECT_THAT(printedFiles(), IsEmpty());
}

TEST_F(Automation, LabelsAndFindLabelsAnswerInStoreOrder) {
    LabelEntries all;
    for (const LabelDocument& label : store->labels()) {
        all.append({label.id.toString(QUuid::WithoutBraces).toUpper(), label.name});
    }
    EXPECT_EQ(entries(call(u"Labels"_s, {})), all);
    EXPECT_THAT(names(entries(call(u"FindLabels"_s, {u"BIN"_s}))),
                ElementsAre(u"Cabinet"_s, u"Bin tag"_s));
    EXPECT_THAT(names(entries(call(u"FindLabels"_s, {u"tag"_s}))),
                ElementsAre(u"SKU tag"_s, u"Bin tag"_s));
    EXPECT_THAT(entries(call(u"FindLabels"_s, {u"nothing like it"_s})), IsEmpty());
}

TEST_F(Automation, TheCommandLinePrintsThroughTheRunningApplication) {
    QProcessEnvironment env = bus.environment();
    env.insert(u"HOME"_s, m_temp.filePath(u"home"_s));
    env.insert(u"XDG_CONFIG_HOME"_s, m_temp.filePath(u"home/.config"_s));
    env.remove(u"VANTREL_VIRTUAL_PRINTER"_s);
    const QString cli = QStringLiteral(VANTREL_CLI_PATH);

    // Printing itself, the tool would reach for Bluetooth, which this machine lacks.
    const Finished label =
        desktoptest::run(cli, {u"print-label"_s, u"Bin tag"_s, u"--copies"_s, u"2"_s}, env);
    EXPECT_EQ(label.exitCode, 0) << label.err.toStdString();
    EXPECT_EQ(QString::fromUtf8(label.out), u"Printed 2 × Bin tag.\n"_s);
    const Finished text = desktoptest::run(cli, {u"print-text"_s, u"Hello"_s}, env);
    EXPECT_EQ(text.out, "Printed.\n") << text.err.toStdString();
    EXPECT_EQ(printedFiles().size(), 2) << "the application's printer printed both";
    EXPECT_FALSE(QDir(m_temp.filePath(u"home/Documents"_s)).exists())
        << "the tool never opened a library of its own";

    const Finished missing = desktoptest::run(cli, {u"print-label"_s, u"Nope"_s}, env);
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(QString::fromUtf8(missing.err), u"There is no label named “Nope”.\n"_s);

    // With a printer of its own, the tool prints itself.
    const QString own = m_temp.filePath(u"own"_s);
    const Finished itself =
        desktoptest::run(cli, {u"--virtual"_s, own, u"print-text"_s, u"Hi"_s}, env);
    EXPECT_EQ(itself.exitCode, 0) << itself.err.toStdString();
    EXPECT_EQ(QDir(own).entryList({u"*.png"_s}).size(), 1);
    EXPECT_EQ(printedFiles().size(), 2);
}

} // namespace
