#include "LabelKit/tspl/TsplDecoder.h"

#include "LabelKit/tspl/TSPL.h"

#include "tests/render/RenderTesting.h"

#include <gtest/gtest.h>

using namespace vantrel;

using namespace Qt::StringLiterals;
using rendertest::ascii;
using rendertest::raster;

using Kind = TsplDecoder::Event::Kind;

namespace {

const QByteArray infoRequest = QByteArray::fromHex("DD0005040000E5DD");

const QString arrow = u"#.........#\n"
                      u".#.......#.\n"
                      u"..#.....#..\n"
                      u"...#####...\n"_s;

// The job our encoder writes for the art on a label of its size.
QByteArray job(const QString& art, qint64 copies = 1) {
    const RenderedLabel label = raster(art);
    LabelDocument doc(u"Art"_s, double(label.width) / 8, double(label.height) / 8);
    return TSPL::job(label, doc, copies);
}

QList<TsplDecoder::Event> feedInPieces(TsplDecoder& decoder, const QByteArray& bytes,
                                       qsizetype piece) {
    QList<TsplDecoder::Event> events;
    for (qsizetype offset = 0; offset < bytes.size(); offset += piece) {
        events += decoder.feed(bytes.mid(offset, piece));
    }
    return events;
}

QList<Kind> kinds(const QList<TsplDecoder::Event>& events) {
    QList<Kind> list;
    for (const auto& event : events) {
        list.append(event.kind);
    }
    return list;
}

} // namespace

// However the stream is cut into writes, the printer sees the same labels.
TEST(TsplDecoder, PrintsTheBitmapsOfJobsCutAnywhere) {
    // 11 dots wide: the rows are 2 bytes, and the width comes from SIZE (1.4 mm).
    const QByteArray first = job(arrow, 3);
    // A row whose packed bytes are 0x0D 0x0A: a reader that split lines inside the payload
    // would lose it.
    const QString lineEnd = u"####..#.####.#.#\n"_s;
    ASSERT_EQ(raster(lineEnd).packedRows(), QByteArray("\r\n"));
    const QByteArray second = job(lineEnd, 2);
    for (const qsizetype piece : {1, 2, 3, 7, 20, 237, 100000}) {
        SCOPED_TRACE(piece);
        TsplDecoder decoder;
        const auto events = feedInPieces(decoder, first + second, piece);
        ASSERT_EQ(kinds(events), (QList<Kind>{Kind::page, Kind::page}));
        EXPECT_EQ(events[0].bytes, first);
        EXPECT_EQ(events[0].copies, 3);
        EXPECT_EQ(ascii(events[0].label), arrow);
        EXPECT_EQ(events[1].bytes, second);
        EXPECT_EQ(ascii(events[1].label), lineEnd);
    }
}

TEST(TsplDecoder, RecognisesBinaryCommandsBetweenJobsEvenWhenSplit) {
    const QByteArray bytes = job(arrow);
    TsplDecoder decoder({infoRequest});
    const auto events = feedInPieces(decoder, infoRequest + bytes + infoRequest, 3);
    EXPECT_EQ(kinds(events), (QList<Kind>{Kind::binary, Kind::page, Kind::binary}));
    EXPECT_EQ(events[0].bytes, infoRequest);
    EXPECT_EQ(events[1].bytes, bytes) << "the request is not part of the job";
}

// A malformed stream is reported, not printed, and the next job prints.
TEST(TsplDecoder, MalformedStreamsAreReportedAndTheNextJobPrints) {
    const auto page = [](const QByteArray& commands) {
        return "SIZE 2 mm, 1 mm\r\n" + commands + "PRINT 1,1\r\n";
    };
    const QByteArray bitmap = "CLS\r\nBITMAP 0,0,2,4,0," + QByteArray(6, char(0xFF)) + "\r\n";
    const std::pair<QByteArray, const char*> streams[] = {
        {page(bitmap), "does not end after the 8 bytes"},
        {page(QByteArray(bitmap).replace(",4,0,", ",2,0,")), "does not end after the 4 bytes"},
        {page("TEXT 10,10,\"3\",0,1,1,\"hi\"\r\n"), "Unknown command"},
        {"SIZE 2 mm, 1 mm\nCLS\r\nPRINT 1,1\r\n", "LF without CR"},
        {"CLS\r\nPRINT 1,1\r\n", "PRINT came before any SIZE"},
        {page("DENSITY 16\r\n"), "density"},
        {page("BITMAP 0,0,1,1,3,\xFF\r\n"), "mode 3"},
        {page("BITMAP 0,0,999999,999999,0,\r\n"), "out of range"},
        {QByteArray("\xDD\x01\x02\x03\x04\x05\x06\x07\r\n", 10), "Unknown binary command"},
        {page("CL\x01S\r\n"), "not printable"},
    };
    const QByteArray good = job(arrow);
    for (const auto& [stream, error] : streams) {
        TsplDecoder decoder({infoRequest});
        const auto events = decoder.feed(stream + good);
        ASSERT_EQ(kinds(events), (QList<Kind>{Kind::error, Kind::page})) << error;
        EXPECT_TRUE(events[0].error.contains(QString::fromUtf8(error)))
            << events[0].error.toStdString();
        EXPECT_EQ(events[1].bytes, good);
    }
}

TEST(TsplDecoder, EndlessLineIsReportedWithoutWaitingForever) {
    TsplDecoder decoder;
    const auto events = decoder.feed(QByteArray(1000, 'A'));
    ASSERT_EQ(kinds(events), QList<Kind>{Kind::error});
    EXPECT_TRUE(events[0].error.contains(u"CR LF"_s));
}

TEST(TsplDecoder, ALinkDroppedMidJobLosesTheJobOnly) {
    const QByteArray bytes = job(arrow);
    TsplDecoder decoder;
    EXPECT_TRUE(decoder.feed(bytes.left(40)).isEmpty());
    const auto dropped = decoder.reset();
    ASSERT_EQ(kinds(dropped), QList<Kind>{Kind::error});
    EXPECT_TRUE(dropped[0].error.contains(u"40 bytes were lost"_s));
    EXPECT_EQ(kinds(decoder.feed(bytes)), QList<Kind>{Kind::page});
    EXPECT_TRUE(decoder.reset().isEmpty()) << "nothing pending after a whole job";
}

TEST(TsplDecoder, ClsClearsAndModesCombineBitmaps) {
    auto bitmap = [](char mode, const QString& art) {
        return "BITMAP 0,0,1,1," + QByteArray(1, mode) + "," + raster(art).packedRows() + "\r\n";
    };
    QByteArray stream = "SIZE 1 mm, 0.1 mm\r\nCLS\r\n";
    stream += bitmap('0', u"##..##.."_s) + bitmap('1', u"#.#.#.#."_s) + "PRINT 1\r\n";
    stream += bitmap('2', u"########"_s) + "PRINT 1,1\r\n";
    stream += "CLS\r\nPRINT 1,1\r\n";
    TsplDecoder decoder;
    const auto events = decoder.feed(stream);
    ASSERT_EQ(kinds(events), (QList<Kind>{Kind::page, Kind::page, Kind::page}));
    EXPECT_EQ(ascii(events[0].label), u"###.###.\n"_s) << "OR";
    EXPECT_EQ(ascii(events[1].label), u"...#...#\n"_s) << "XOR";
    EXPECT_EQ(ascii(events[2].label), u"........\n"_s)
        << "after CLS a blank label of the page size";
}

// Rows are whole bytes; the page width, when it falls inside the last byte, says where the
// raster really ended.
TEST(TsplPage, BurnTrimsToThePageOnlyWithinTheLastByte) {
    TsplPage::Bitmap bitmap;
    bitmap.widthBytes = 51;
    bitmap.height = 2;
    bitmap.payload = QByteArray(51 * 2, char(0xFF));
    for (const auto& [page, width] : {std::pair(401, 401), std::pair(407, 407), std::pair(408, 408),
                                      std::pair(400, 408), std::pair(600, 408)}) {
        const RenderedLabel image = TsplPage::burn({bitmap}, page, 2);
        EXPECT_EQ(QSize(int(image.width), int(image.height)), QSize(width, 2)) << page;
    }
}
