#include "LabelKit/printer/TsplInterpreter.h"

#include "tests/printer/TsplJobs.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

using namespace vantrel;

using namespace Qt::StringLiterals;

using Kind = TsplInterpreter::Event::Kind;

namespace {

const QStringList arrow = {
    u"#.........#"_s,
    u".#.......#."_s,
    u"..#.....#.."_s,
    u"...#####..."_s,
};

QList<TsplInterpreter::Event> feedInPieces(TsplInterpreter& interpreter, const QByteArray& bytes,
                                           qsizetype piece) {
    QList<TsplInterpreter::Event> events;
    for (qsizetype offset = 0; offset < bytes.size(); offset += piece) {
        events += interpreter.feed(bytes.mid(offset, piece));
    }
    return events;
}

QList<Kind> kinds(const QList<TsplInterpreter::Event>& events) {
    QList<Kind> list;
    for (const auto& event : events) {
        list.append(event.kind);
    }
    return list;
}

} // namespace

// However the stream is cut into writes, the printer sees the same label.
class TsplPieces : public ::testing::TestWithParam<int> {};

TEST_P(TsplPieces, PrintsTheBitmapOfAJobCutAnywhere) {
    // 11 dots wide: the rows are 2 bytes, and the width comes from SIZE (11 / 8 mm).
    const QByteArray job = tspljobs::job(arrow, "1.4", "0.5", 3);
    TsplInterpreter interpreter;
    const auto events = feedInPieces(interpreter, job, GetParam());
    ASSERT_EQ(kinds(events), QList<Kind>{Kind::page});
    EXPECT_EQ(events[0].job, job);
    EXPECT_EQ(events[0].copies, 3);
    EXPECT_EQ(events[0].image.format(), QImage::Format_Grayscale8);
    EXPECT_EQ(tspljobs::art(events[0].image), arrow);
}

INSTANTIATE_TEST_SUITE_P(Writes, TsplPieces, ::testing::Values(1, 2, 3, 7, 20, 237, 100000));

TEST(TsplInterpreter, SeparatesConsecutiveJobsAndKeepsTheirBytes) {
    const QByteArray first = tspljobs::job(arrow, "1.4", "0.5", 1);
    const QByteArray second = tspljobs::job({u"########"_s}, "1", "0.1", 2);
    TsplInterpreter interpreter;
    const auto events = interpreter.feed(first + second);
    ASSERT_EQ(kinds(events), (QList<Kind>{Kind::page, Kind::page}));
    EXPECT_EQ(events[0].job, first);
    EXPECT_EQ(events[1].job, second);
    EXPECT_EQ(tspljobs::art(events[1].image), QStringList{u"########"_s});
}

TEST(TsplInterpreter, PayloadBytesThatLookLikeLineEndsAreData) {
    // Rows whose packed bytes are 0x0D 0x0A: a reader that split lines inside the payload
    // would lose them.
    QByteArray job = "SIZE 2 mm, 0.1 mm\r\nCLS\r\nBITMAP 0,0,2,1,0,";
    job += QByteArray("\r\n", 2);
    job += "\r\nPRINT 1,1\r\n";
    TsplInterpreter interpreter;
    const auto events = interpreter.feed(job);
    ASSERT_EQ(kinds(events), QList<Kind>{Kind::page});
    EXPECT_EQ(tspljobs::art(events[0].image), QStringList{u"####..#.####.#.#"_s});
}

TEST(TsplInterpreter, RecognisesTheInfoRequestBetweenJobsEvenWhenSplit) {
    const QByteArray request = QByteArray::fromHex("DD0005040000E5DD");
    const QByteArray job = tspljobs::job(arrow, "1.4", "0.5");
    TsplInterpreter interpreter;
    const auto events = feedInPieces(interpreter, request + job + request, 3);
    EXPECT_EQ(kinds(events), (QList<Kind>{Kind::infoRequest, Kind::page, Kind::infoRequest}));
    EXPECT_EQ(events[1].job, job) << "the request is not part of the job";
}

struct Malformed {
    const char* name;
    QByteArray stream;
    const char* error;
};

class TsplMalformed : public ::testing::TestWithParam<Malformed> {};

TEST_P(TsplMalformed, IsReportedNotPrintedAndTheNextJobPrints) {
    const QByteArray good = tspljobs::job(arrow, "1.4", "0.5");
    TsplInterpreter interpreter;
    auto events = interpreter.feed(GetParam().stream + good);
    ASSERT_FALSE(events.isEmpty());
    EXPECT_EQ(events.first().kind, Kind::error);
    EXPECT_TRUE(events.first().error.contains(QString::fromUtf8(GetParam().error)))
        << events.first().error.toStdString();
    ASSERT_EQ(events.count(), 2) << "one error, then the good job";
    EXPECT_EQ(events.last().kind, Kind::page);
    EXPECT_EQ(events.last().job, good);
}

namespace {
QByteArray withBitmap(int widthBytes, int rows, const QByteArray& payload) {
    return "SIZE 2 mm, 1 mm\r\nCLS\r\nBITMAP 0,0," + QByteArray::number(widthBytes) + "," +
           QByteArray::number(rows) + ",0," + payload + "\r\nPRINT 1,1\r\n";
}
} // namespace

INSTANTIATE_TEST_SUITE_P(
    Streams, TsplMalformed,
    ::testing::Values(
        Malformed{"BitmapShorterThanHeader", withBitmap(2, 4, QByteArray(6, char(0xFF))),
                  "does not end after the 8 bytes"},
        Malformed{"BitmapLongerThanHeader", withBitmap(2, 2, QByteArray(6, char(0xFF))),
                  "does not end after the 4 bytes"},
        Malformed{"UnknownCommand",
                  "SIZE 2 mm, 1 mm\r\nTEXT 10,10,\"3\",0,1,1,\"hi\"\r\nPRINT 1,1\r\n",
                  "Unknown command"},
        Malformed{"LineWithoutCarriageReturn", "SIZE 2 mm, 1 mm\nCLS\r\nPRINT 1,1\r\n",
                  "LF without CR"},
        Malformed{"PrintBeforeSize", "CLS\r\nPRINT 1,1\r\n", "PRINT came before any SIZE"},
        Malformed{"DensityOutOfRange", "SIZE 2 mm, 1 mm\r\nDENSITY 16\r\nPRINT 1,1\r\n", "density"},
        Malformed{"BitmapModeUnknown", "SIZE 2 mm, 1 mm\r\nBITMAP 0,0,1,1,7,\xFF\r\nPRINT 1,1\r\n",
                  "mode 7"},
        Malformed{"HugeBitmap", "SIZE 2 mm, 1 mm\r\nBITMAP 0,0,999999,999999,0,\r\nPRINT 1,1\r\n",
                  "out of range"},
        Malformed{"BinaryGarbage", QByteArray("\xDD\x01\x02\x03\x04\x05\x06\x07\r\n", 10),
                  "Unknown binary command"},
        Malformed{"UnprintableBytes", "SIZE 2 mm, 1 mm\r\nCL\x01S\r\nPRINT 1,1\r\n",
                  "not printable"}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(TsplInterpreter, EndlessLineIsReportedWithoutWaitingForever) {
    TsplInterpreter interpreter;
    const auto events = interpreter.feed(QByteArray(1000, 'A'));
    ASSERT_EQ(kinds(events), QList<Kind>{Kind::error});
    EXPECT_TRUE(events[0].error.contains(u"CR LF"_s));
}

TEST(TsplInterpreter, ALinkDroppedMidJobLosesTheJobOnly) {
    const QByteArray job = tspljobs::job(arrow, "1.4", "0.5");
    TsplInterpreter interpreter;
    EXPECT_TRUE(interpreter.feed(job.left(40)).isEmpty());
    const auto dropped = interpreter.reset();
    ASSERT_EQ(kinds(dropped), QList<Kind>{Kind::error});
    EXPECT_TRUE(dropped[0].error.contains(u"40 bytes were lost"_s));
    EXPECT_EQ(kinds(interpreter.feed(job)), QList<Kind>{Kind::page});
    EXPECT_TRUE(interpreter.reset().isEmpty()) << "nothing pending after a whole job";
}

TEST(TsplInterpreter, ClsClearsAndModesCombineBitmaps) {
    QByteArray stream = "SIZE 1 mm, 0.1 mm\r\nCLS\r\n";
    stream += "BITMAP 0,0,1,1,0," + tspljobs::packedRows({u"##..##.."_s}) + "\r\n";
    stream += "BITMAP 0,0,1,1,1," + tspljobs::packedRows({u"#.#.#.#."_s}) + "\r\n";
    stream += "PRINT 1\r\n";
    stream += "BITMAP 0,0,1,1,2," + tspljobs::packedRows({u"########"_s}) + "\r\n";
    stream += "PRINT 1,1\r\n";
    stream += "CLS\r\nPRINT 1,1\r\n";
    TsplInterpreter interpreter;
    const auto events = interpreter.feed(stream);
    ASSERT_EQ(kinds(events), (QList<Kind>{Kind::page, Kind::page, Kind::page}));
    EXPECT_EQ(tspljobs::art(events[0].image), QStringList{u"###.###."_s}) << "OR";
    EXPECT_EQ(tspljobs::art(events[1].image), QStringList{u"...#...#"_s}) << "XOR";
    EXPECT_EQ(tspljobs::art(events[2].image), QStringList{u"........"_s})
        << "after CLS a blank label of the page size";
}

// Rows are whole bytes; the page width, when it falls inside the last byte, says where the
// raster really ended.
TEST(TsplInterpreter, BurnTrimsToThePageOnlyWithinTheLastByte) {
    TsplInterpreter::Bitmap bitmap;
    bitmap.widthBytes = 51;
    bitmap.height = 2;
    bitmap.payload = QByteArray(51 * 2, char(0xFF));
    for (const auto& [page, width] : {std::pair(401, 401), std::pair(407, 407), std::pair(408, 408),
                                      std::pair(400, 408), std::pair(600, 408)}) {
        const QImage image = TsplInterpreter::burn({bitmap}, page, 2);
        EXPECT_EQ(image.size(), QSize(width, 2)) << page;
    }
}
