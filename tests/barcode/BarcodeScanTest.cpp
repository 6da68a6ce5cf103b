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

// The modules across the symbol, quiet zones of retail symbols included (with text on).
double symbolModules(std::optional<Symbology> symbology, const QString& content) {
    if (!symbology) {
        return SymbolGenerator::qrCode(content).width;
    }
    if (*symbology == Symbology::code128) {
        return double(SymbolGenerator::code128(content).size());
    }
    const RetailSymbol symbol = RetailBarcode::encode(*symbology, content);
    return double(symbol.modules.size()) + (symbol.leftDigit || symbol.rightDigit ? 18 : 14);
}

// Every sample drawn at k dots a module, turned each quarter, with and without text, reads back.
// The box is a few dots wider than k dots per module needs; the label leaves a quiet margin of
// at least ten modules around it.
TEST(Scan, ZXingReadsEveryRenderingBack) {
    const QMap<QString, F> formats{{u"ean13"_s, F::EAN13},     {u"upcA"_s, F::UPCA},
                                   {u"upcE"_s, F::UPCE},       {u"ean8"_s, F::EAN8},
                                   {u"code128"_s, F::Code128}, {u"qr"_s, F::QRCode}};
    for (const QStringList& s : testsupport::dataTable(u"barcode-scan.txt"_s)) {
        const std::optional<Symbology> symbology = fromRawValue<Symbology>(s[0]);
        const QString& content = s[1];
        for (const int k : {1, 2, 3}) {
            const double length = (symbolModules(symbology, content) * k + 6) / 8.0;
            const double margin = std::max(4.0, 12.0 * k / 8.0);
            for (const qint64 rotation : {0, 90, 180, 270}) {
                for (const bool showText : {true, false}) {
                    SCOPED_TRACE(testing::Message()
                                 << content.toStdString() << " k=" << k << " rotation=" << rotation
                                 << (showText ? " text" : " no text"));
                    const bool upright = rotation % 180 != 0;
                    const LabelElement e = symbology
                                               ? barcode(*symbology, content, upright ? 14 : length,
                                                         upright ? length : 14, showText, rotation)
                                               : qr(content, length, length, rotation);
                    const readers::Decoded read = readers::decode(
                        renderElement(e, margin, margin, margin).image(), formats[s[0]]);
                    ASSERT_TRUE(read.valid);
                    EXPECT_EQ(read.text, s[2]);
                }
            }
        }
    }
}

} // namespace
