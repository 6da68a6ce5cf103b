#include "LabelKit/barcode/RetailBarcode.h"
#include "LabelKit/barcode/SymbolGenerator.h"
#include "tests/barcode/Readers.h"
#include "tests/render/RenderTesting.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

using namespace vantrel;

using namespace Qt::StringLiterals;
using namespace rendertest;

namespace {

using F = ZXing::BarcodeFormat;

// One content of one symbology (nothing: a QR element), and what the reader reports for it.
struct Sample {
    std::optional<Symbology> symbology;
    F format;
    const char* content;
    const char* decoded;
};

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

// Every sample drawn at k dots a module, turned each quarter, with and without text, reads back.
// The box is a few dots wider than k dots per module needs; the label leaves a quiet margin of
// at least ten modules around it.
const Sample kSamples[] = {
    {Symbology::ean13, F::EAN13, "400638133393", "4006381333931"},
    {Symbology::ean13, F::EAN13, "590-1234-12345-7", "5901234123457"},
    {Symbology::upcA, F::UPCA, "03600029145", "036000291452"},
    {Symbology::upcA, F::UPCA, "123456789012", "123456789012"},
    {Symbology::upcE, F::UPCE, "0425261", "04252614"},
    {Symbology::upcE, F::UPCE, "042100005264", "04252614"},
    {Symbology::upcE, F::UPCE, "1425261", "14252611"},
    {Symbology::ean8, F::EAN8, "9638507", "96385074"},
    {Symbology::ean8, F::EAN8, "55123457", "55123457"},
    {Symbology::code128, F::Code128, "12345678", "12345678"},
    {Symbology::code128, F::Code128, "Vantrel-42 lot A/7", "Vantrel-42 lot A/7"},
    {std::nullopt, F::QRCode, "https://example.com/label/42", "https://example.com/label/42"},
    {std::nullopt, F::QRCode, "caf\xc3\xa9 \xe2\x82\xac 5", "caf\xc3\xa9 \xe2\x82\xac 5"}};

TEST(Scan, ZXingReadsEveryRenderingBack) {
    for (const Sample& s : kSamples) {
        const QString content = QString::fromUtf8(s.content);
        for (const int k : {1, 2, 3}) {
            const double length = (symbolModules(s) * k + 6) / 8.0;
            const double margin = std::max(4.0, 12.0 * k / 8.0);
            for (const qint64 rotation : {0, 90, 180, 270}) {
                for (const bool showText : {true, false}) {
                    SCOPED_TRACE(testing::Message()
                                 << s.content << " k=" << k << " rotation=" << rotation
                                 << (showText ? " text" : " no text"));
                    const bool upright = rotation % 180 != 0;
                    const LabelElement e =
                        s.symbology ? barcode(*s.symbology, content, upright ? 14 : length,
                                              upright ? length : 14, showText, rotation)
                                    : qr(content, length, length, rotation);
                    const readers::Decoded read =
                        readers::decode(renderElement(e, margin, margin, margin).image(), s.format);
                    ASSERT_TRUE(read.valid);
                    EXPECT_EQ(read.text, QString::fromUtf8(s.decoded));
                }
            }
        }
    }
}
} // namespace
