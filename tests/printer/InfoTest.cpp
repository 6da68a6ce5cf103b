#include "tests/printer/ManagerFixture.h"

#include <QSignalSpy>

using namespace vantrel;

using namespace Qt::StringLiterals;

using asyncsupport::run;

struct Reply {
    const char* name;
    QByteArray bytes;
    PrinterInfo expected; // the model falls back to "CT221B-ASKED"
};

class InfoReplies : public ::testing::TestWithParam<Reply> {};

TEST_P(InfoReplies, GiveFirmwareAndModel) {
    EXPECT_EQ(PrinterManager::parseInfo(GetParam().bytes, u"CT221B-ASKED"_s), GetParam().expected);
}

namespace {
QByteArray bytes(const char* data, int size) {
    return QByteArray(data, size);
}
const QString asked = u"CT221B-ASKED"_s;
const QString unknown = u"unknown"_s;
} // namespace

INSTANTIATE_TEST_SUITE_P(
    Replies, InfoReplies,
    ::testing::Values(
        Reply{"ModelThenFirmware", bytes("CT221B\0V1.2.3", 13), {u"V1.2.3"_s, u"CT221B"_s}},
        Reply{"FirmwareThenModel",
              bytes("\0\0V2.0.0\0\0CT221B-X\0", 19),
              {u"V2.0.0"_s, u"CT221B-X"_s}},
        Reply{"FirmwareCutAtItsFirstV", bytes("xxV1.4", 6), {u"V1.4"_s, asked}},
        Reply{"NoV1AndNoLeadingV", bytes("xxVER3", 6), {unknown, asked}},
        Reply{"ShortSegmentsDropped", bytes("CT1\x01\x02\0V10", 9), {unknown, asked}},
        Reply{"UnprintableBytesFiltered",
              bytes("C\x01T\x7F"
                    "221\xFF"
                    "B\0\x1BV1.9",
                    15),
              {u"V1.9"_s, u"CT221B"_s}},
        Reply{"WholeSentence", bytes("Model CT221B V1.0", 17), {u"V1.0"_s, asked}},
        Reply{"Empty", QByteArray(), {unknown, asked}}),
    [](const auto& test) { return std::string(test.param.name); });

class Info : public ManagerFixture {};

TEST_F(Info, ReadsStoresAndAnnouncesThePrintersAnswer) {
    QSignalSpy changes(manager.get(), &PrinterManager::infoChanged);
    const auto outcome = run(manager->readInfo(name()));
    ASSERT_TRUE(outcome.succeeded()) << outcome.message().toStdString();
    const PrinterInfo expected{u"V1.0.7"_s, u"CT221B"_s};
    EXPECT_EQ(*outcome.value, expected);
    EXPECT_EQ(manager->info().value(name()), expected);
    EXPECT_EQ(changes.count(), 1);
    EXPECT_EQ(printer->writeSizes(), QList<qint64>{8}) << "the request goes out in one write";
    EXPECT_TRUE(printer->errors().isEmpty()) << "the request is not mistaken for TSPL";
    EXPECT_EQ(manager->activity(), PrinterActivity::connected(name()));

    ASSERT_TRUE(run(manager->readInfo(name())).succeeded());
    EXPECT_EQ(changes.count(), 1) << "the same answer again is no change";
}

TEST_F(Info, ANotificationNobodyAskedForIsDropped) {
    ASSERT_TRUE(run(manager->sendRaw({}, name())).succeeded());
    central->notify(printer, QByteArray("CT221B-OLD\0V9.9.9", 18));
    asyncsupport::runFor(0.5);
    const auto outcome = run(manager->readInfo(name()));
    ASSERT_TRUE(outcome.succeeded());
    EXPECT_EQ(outcome.value->firmware, u"V1.0.7"_s) << "the reply, not the stale value";
}
