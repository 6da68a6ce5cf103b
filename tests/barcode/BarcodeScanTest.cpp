#include "LabelKit/barcode/RetailBarcode.h"
#include "LabelKit/barcode/SymbolGenerator.h"
#include "tests/barcode/Readers.h"
#include "tests/render/RenderTesting.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace vantrel;

using namespace Qt::StringLiterals;
using namespace rendertest;

namespace {

// One content of one symbology (nothing: a QR element), and what the reader reports for it.
struct Sample {
    std::optional<Symbology> symbology;
    const char* content;
    const char* decoded;
};

void PrintTo(const Sample& s, std::ostream* os) {
    *os << (s.symbology ? rawValue(*s.symbology).toStdString() : std::string("qr")) << " \""
        << s.content << '"';
}

// The ZXing format of a sample's symbology.
ZXing::BarcodeFormat format(const Sample& s) {
    using F = ZXing::BarcodeFormat;
    if (!s.symbology) {
        return F::QRCode;
    }
    switch (*s.symbology) {
    case Symbology::code128:
        return F::Code128;
    case Symbology::upcA:
        return F::UPCA;
    case Symbology::upcE:
        return F::UPCE;
    case Symbology::ean13:
        return F::EAN13;
    case Symbology::ean8:
        return F::EAN8;
    }
    return F::None;
}

// The modules across the symbol, quiet zones of retail symbols included (with text on).
double symbolModules(const Sample& s) {
    const QString content = QString::fromUtf8(s.content);
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
    const QString content = QString::fromUtf8(s.content);
    const double length = (symbolModules(s) * v.k + 6) / 8.0;
    const double margin = std::max(4.0, 12.0 * v.k / 8.0);
    if (!s.symbology) {
        return renderElement(qr(content, length, length, v.rotation), margin, margin, margin);
    }
    const bool upright = v.rotation % 180 != 0;
    return renderElement(barcode(*s.symbology, content, upright ? 14 : length,
                                 upright ? length : 14, v.showText, v.rotation),
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
TEST_P(Scan, ZXingReadsEveryRenderingBack) {
    const Sample& s = GetParam();
    for (const Variant& v : variants(s, {1, 2, 3})) {
        SCOPED_TRACE(v.name());
        const readers::Decoded read = readers::decode(renderVariant(s, v).image(), format(s));
        ASSERT_TRUE(read.valid);
        EXPECT_EQ(read.text, QString::fromUtf8(s.decoded));
    }
}

const Sample kSamples[] = {
    {Symbology::ean13, "400638133393", "4006381333931"},
    {Symbology::ean13, "590-1234-12345-7", "5901234123457"},
    {Symbology::upcA, "03600029145", "036000291452"},
    {Symbology::upcA, "123456789012", "123456789012"},
    {Symbology::upcE, "0425261", "04252614"},
    {Symbology::upcE, "042100005264", "04252614"},
    {Symbology::upcE, "1425261", "14252611"},
    {Symbology::ean8, "9638507", "96385074"},
    {Symbology::ean8, "55123457", "55123457"},
    {Symbology::code128, "12345678", "12345678"},
    {Symbology::code128, "Vantrel-42 lot A/7", "Vantrel-42 lot A/7"},
    {std::nullopt, "https://example.com/label/42", "https://example.com/label/42"},
    {std::nullopt, "caf\xc3\xa9 \xe2\x82\xac 5", "caf\xc3\xa9 \xe2\x82\xac 5"}};

INSTANTIATE_TEST_SUITE_P(Samples, Scan, ::testing::ValuesIn(kSamples));

} // namespace
