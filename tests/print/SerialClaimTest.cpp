// Serial numbers claimed for a print: never handed out twice, and after a print that stops early
// the numbering continues after the last label that went out.
#include "LabelKit/print/SerialClaim.h"

#include "LabelKit/model/UserError.h"
#include "LabelKit/platform/SettingsStore.h"
#include "LabelKit/print/PrintBatch.h"
#include "tests/support/TestSupport.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace vantrel;

using namespace Qt::StringLiterals;

namespace {

class SerialClaimTest : public ::testing::Test {
protected:
    std::optional<qint64> counter() const {
        return settings.integer(PrintBatch::nextSerialKey(id));
    }
    SerialClaim take(std::optional<qint64> start, qint64 count) {
        return SerialClaim::take(settings, id, start, count);
    }

    MemorySettingsStore settings;
    const QUuid id = QUuid::createUuid();
};

TEST_F(SerialClaimTest, ClaimsFollowOneAnotherAndAnExplicitStartNeverMovesTheCounterBack) {
    SerialClaim first = take(std::nullopt, 3);
    const SerialClaim second = take(std::nullopt, 2);
    EXPECT_EQ(first.start(), 1);
    EXPECT_EQ(second.start(), 4) << "claimed while the first print still runs";
    EXPECT_EQ(counter(), 6);

    const SerialClaim reprint = take(2, 2);
    EXPECT_EQ(reprint.start(), 2);
    EXPECT_EQ(counter(), 6);
    EXPECT_EQ(take(10, 5).start(), 10);
    EXPECT_EQ(counter(), 15);

    QList<PrintItem> items(3, PrintItem(LabelDocument(), LabelContext(), 1));
    first.number(items);
    EXPECT_EQ(items[0].context.serial, 1);
    EXPECT_EQ(items[2].context.serial, 3);
}

TEST_F(SerialClaimTest, AnEarlyEndGivesBackTheUnsentNumbersUnlessOthersClaimedSince) {
    struct Case {
        std::optional<qint64> before;
        qint64 sent;
        bool othersClaimed;
        std::optional<qint64> after;
    };
    for (const Case& c : {Case{std::nullopt, 0, false, std::nullopt}, Case{8, 0, false, 8},
                          Case{8, 3, false, 11}, Case{8, 10, false, 18}, Case{8, 3, true, 21}}) {
        const QString key = PrintBatch::nextSerialKey(id);
        settings.remove(key);
        if (c.before) {
            settings.setInteger(key, *c.before);
        }
        SerialClaim claim = take(std::nullopt, 10);
        if (c.othersClaimed) {
            take(std::nullopt, 3);
        }
        claim.finish(c.sent);
        EXPECT_EQ(counter(), c.after) << "sent " << c.sent;
    }
}

TEST_F(SerialClaimTest, ANumberThatCannotBeStoredIsNotClaimed) {
    QTemporaryDir temp;
    testsupport::writeBytes(temp.filePath(u"file"_s), "x");
    FileSettingsStore unwritable(temp.filePath(u"file/settings.json"_s));
    EXPECT_THROW(SerialClaim::take(unwritable, id, std::nullopt, 1), UserError);
}

} // namespace
