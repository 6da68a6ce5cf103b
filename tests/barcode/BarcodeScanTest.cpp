#include "LabelKit/barcode/RetailBarcode.h"
#include "LabelKit/barcode/SymbolGenerator.h"
#include "tests/barcode/Labels.h"
#include "tests/barcode/Readers.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>

namespace {

QString q(const char* text) {
    return QString::fromUtf8(text);
}

// One content of one symbology, and what each reader reports for it.
struct Sample {
    std::optional<Symbology> symbology; // nothing for a QR element
    const char* content;
    const char* zxingText;
    const char* zbarText;
};

void PrintTo(const Sample& s, std::ostream* os) {
    *os << (s.symbology ? rawValue(*s.symbology).toStdString() : std::string("qr")) << " \""
        << s.content << '"';
}

ZXing::BarcodeFormats formatOf(const Sample& s) {
    if (!s.symbology) {
        return ZXing::BarcodeFormat::QRCode;
    }
    switch (*s.symbology) {
    case Symbology::code128:
        return ZXing::BarcodeFormat::Code128;
    case Symbology::upcA:
        return ZXing::BarcodeFormat::UPCA;
    case Symbology::upcE:
        return ZXing::BarcodeFormat::UPCE;
    case Symbology::ean13:
        return ZXing::BarcodeFormat::EAN13;
    case Symbology::ean8:
        return ZXing::BarcodeFormat::EAN8;
    }
    return {};
}

// zbar's options that enable the symbology alone. zbar reads UPC-A with its EAN-13 decoder and
// reports it as UPC-A only when asked to.
QStringList zbarSymbology(const Sample& s) {
    QStringList names;
    if (!s.symbology) {
        names = {q("qrcode")};
    } else {
        switch (*s.symbology) {
        case Symbology::code128:
            names = {q("code128")};
            break;
        case Symbology::upcA:
            names = {q("ean13"), q("upca")};
            break;
        case Symbology::upcE:
            names = {q("upce")};
            break;
        case Symbology::ean13:
            names = {q("ean13")};
            break;
        case Symbology::ean8:
            names = {q("ean8")};
            break;
        }
    }
    QStringList options{q("-Sdisable")};
    for (const QString& name : names) {
        options.append(q("-S%1.enable").arg(name));
    }
    return options;
}

// The modules across the symbol, quiet zones of retail symbols included (with text on).
double symbolModules(const Sample& s) {
    const QString content = q(s.content);
    if (!s.symbology) {
        return SymbolGenerator::qrCode(content).width;
    }
    if (*s.symbology == Symbology::code128) {
        return double(SymbolGenerator::code128(content).size());
    }
    const RetailSymbol symbol = RetailBarcode::encode(*s.symbology, content);
    return double(symbol.modules.size()) + (symbol.leftDigit || symbol.rightDigit ? 18 : 14);
}

// One rendering of a sample: module width, rotation, human-readable text.
struct Variant {
    int k;
    qint64 rotation;
    bool showText;

    std::string name() const {
        return "k=" + std::to_string(k) + " rotation=" + std::to_string(rotation) +
               (showText ? " text" : " no text");
    }
};

RenderedLabel renderVariant(const Sample& s, const Variant& v) {
    // The box is a few dots wider than k dots per module needs; the label leaves a quiet
    // margin of at least ten modules around it.
    const double length = (symbolModules(s) * v.k + 6) / 8.0;
    const double margin = std::max(4.0, 12.0 * v.k / 8.0);
    const bool upright = v.rotation % 180 != 0;
    if (!s.symbology) {
        return labels::render(labels::qr(q(s.content), length, length, v.rotation), margin, margin,
                              margin);
    }
    const double height = 14;
    return labels::render(labels::barcode(*s.symbology, q(s.content), upright ? height : length,
                                          upright ? length : height, v.showText, v.rotation),
                          margin, margin, margin);
}

QList<Variant> variants(const Sample& s, const QList<int>& moduleWidths) {
    QList<Variant> all;
    for (const int k : moduleWidths) {
        for (const qint64 rotation : {0, 90, 180, 270}) {
            all.append({k, rotation, true});
            if (s.symbology) {
                all.append({k, rotation, false});
            }
        }
    }
    return all;
}

class Scan : public ::testing::TestWithParam<Sample> {};
class ZbarScan : public ::testing::TestWithParam<Sample> {};

TEST_P(Scan, ZXingReadsEveryRenderingBack) {
    const Sample& s = GetParam();
    for (const Variant& v : variants(s, {1, 2, 3})) {
        SCOPED_TRACE(v.name());
        const RenderedLabel label = renderVariant(s, v);
        const readers::Decoded read = readers::decode(labels::image(label), formatOf(s));
        ASSERT_TRUE(read.valid);
        EXPECT_EQ(read.text, q(s.zxingText));
    }
}

TEST_P(ZbarScan, ZbarReadsTheSamePngs) {
    const QString zbarimg = QStandardPaths::findExecutable(q("zbarimg"));
    if (zbarimg.isEmpty()) {
        GTEST_SKIP() << "zbarimg (zbar-tools) is not installed";
    }
    const Sample& s = GetParam();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const Variant& v : variants(s, {2, 3})) {
        SCOPED_TRACE(v.name());
        const QString path = dir.filePath(q("label.png"));
        ASSERT_TRUE(labels::image(renderVariant(s, v)).save(path));
        QProcess process;
        process.start(zbarimg,
                      QStringList{q("--quiet"), q("--raw")} + zbarSymbology(s) + QStringList{path});
        ASSERT_TRUE(process.waitForFinished(30000));
        EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
        EXPECT_EQ(QString::fromUtf8(process.readAllStandardOutput()).trimmed(), q(s.zbarText));
    }
}

const Sample kEan13[] = {{Symbology::ean13, "400638133393", "4006381333931", "4006381333931"},
                         {Symbology::ean13, "590-1234-12345-7", "5901234123457", "5901234123457"},
                         {Symbology::ean13, "978020137962", "9780201379624", "9780201379624"}};
const Sample kUpcA[] = {{Symbology::upcA, "03600029145", "036000291452", "036000291452"},
                        {Symbology::upcA, "123456789012", "123456789012", "123456789012"}};
const Sample kUpcE[] = {{Symbology::upcE, "0425261", "04252614", "04252614"},
                        {Symbology::upcE, "042100005264", "04252614", "04252614"}};
// zbar 0.23 decodes UPC-E under number system 0 only; it does not read ZXing's own rendering of
// 14252611 either. ZXing reads it.
const Sample kUpcESystemOne[] = {{Symbology::upcE, "1425261", "14252611", "14252611"}};
const Sample kEan8[] = {{Symbology::ean8, "9638507", "96385074", "96385074"},
                        {Symbology::ean8, "55123457", "55123457", "55123457"}};
const Sample kCode128[] = {
    {Symbology::code128, "12345678", "12345678", "12345678"},
    {Symbology::code128, "Vantrel-42 lot A/7", "Vantrel-42 lot A/7", "Vantrel-42 lot A/7"},
    {Symbology::code128, "abc 123 XYZ", "abc 123 XYZ", "abc 123 XYZ"}};
const Sample kQR[] = {{std::nullopt, "https://example.com/label/42", "https://example.com/label/42",
                       "https://example.com/label/42"},
                      {std::nullopt, "caf\xc3\xa9 \xe2\x82\xac 5", "caf\xc3\xa9 \xe2\x82\xac 5",
                       "caf\xc3\xa9 \xe2\x82\xac 5"},
                      {std::nullopt, "0123456789", "0123456789", "0123456789"}};

INSTANTIATE_TEST_SUITE_P(Ean13, Scan, ::testing::ValuesIn(kEan13));
INSTANTIATE_TEST_SUITE_P(UpcA, Scan, ::testing::ValuesIn(kUpcA));
INSTANTIATE_TEST_SUITE_P(UpcE, Scan, ::testing::ValuesIn(kUpcE));
INSTANTIATE_TEST_SUITE_P(UpcESystemOne, Scan, ::testing::ValuesIn(kUpcESystemOne));
INSTANTIATE_TEST_SUITE_P(Ean8, Scan, ::testing::ValuesIn(kEan8));
INSTANTIATE_TEST_SUITE_P(Code128, Scan, ::testing::ValuesIn(kCode128));
INSTANTIATE_TEST_SUITE_P(QR, Scan, ::testing::ValuesIn(kQR));

INSTANTIATE_TEST_SUITE_P(Ean13, ZbarScan, ::testing::ValuesIn(kEan13));
INSTANTIATE_TEST_SUITE_P(UpcA, ZbarScan, ::testing::ValuesIn(kUpcA));
INSTANTIATE_TEST_SUITE_P(UpcE, ZbarScan, ::testing::ValuesIn(kUpcE));
INSTANTIATE_TEST_SUITE_P(Ean8, ZbarScan, ::testing::ValuesIn(kEan8));
INSTANTIATE_TEST_SUITE_P(Code128, ZbarScan, ::testing::ValuesIn(kCode128));
INSTANTIATE_TEST_SUITE_P(QR, ZbarScan, ::testing::ValuesIn(kQR));

} // namespace
