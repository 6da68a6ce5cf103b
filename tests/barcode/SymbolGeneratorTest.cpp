#include "LabelKit/barcode/SymbolGenerator.h"
#include "LabelKit/barcode/ModuleMatrix.h"
#include "LabelKit/model/UserError.h"
#include "tests/barcode/Readers.h"
#include "tests/support/TestSupport.h"

#include <QStringList>

#include <gtest/gtest.h>

using namespace vantrel;

using namespace Qt::StringLiterals;

namespace {

QString q(const char* text) {
    return QString::fromUtf8(text);
}

// The message a generator refuses the text with; empty when it encodes the text.
template <typename Generate>
QString refusal(Generate generate, const QString& text) {
    return testsupport::userError([&] { generate(text); });
}

const auto code128Refusal = [](const QString& text) {
    return refusal(SymbolGenerator::code128, text);
};
const auto qrRefusal = [](const QString& text) { return refusal(SymbolGenerator::qrCode, text); };

TEST(Code128, EveryAsciiCharacterReadsBackFromASymbolWithoutQuietZone) {
    QStringList texts{q("12345678"), q("Vantrel CT221B"), q("a"), q("0"), q("lot 42/07-A")};
    QString printable;
    for (char16_t c = 0x20; c < 0x7F; ++c) {
        printable.append(QChar(c));
    }
    texts << printable.left(60) << printable.mid(60);
    QString controls;
    for (char16_t c = 1; c < 0x20; ++c) {
        controls.append(QChar(c));
    }
    texts << controls << q("tab\there") << QString(80, u'7') << QString(80, u'x');
    for (const QString& text : texts) {
        const QList<bool> modules = SymbolGenerator::code128(text);
        // No quiet zone: the symbol starts and ends with a bar; characters are 11 modules, the
        // stop 13.
        EXPECT_TRUE(modules.first() && modules.last());
        EXPECT_EQ((modules.size() - 13) % 11, 0);
        const readers::Decoded read =
            readers::decode(readers::drawRow(modules), ZXing::BarcodeFormat::Code128);
        ASSERT_TRUE(read.valid) << text.toStdString();
        EXPECT_EQ(read.text, text);
    }
}

TEST(Code128, RefusesWhatItCannotCarry) {
    EXPECT_EQ(code128Refusal(QString()), q("Empty"));
    // ZXing would read ñ as a function character and encode a different symbol.
    for (const char* text : {"\xc3\xb1", "\xf0\x9f\x98\x80", "\x7f\xc2\x80"}) {
        EXPECT_EQ(code128Refusal(q(text)), q("Code 128 supports ASCII only")) << text;
    }
    EXPECT_EQ(code128Refusal(QString(81, u'1')),
              q("Too long for Code 128 (80 characters at most)"));
    EXPECT_EQ(code128Refusal(QString(80, u'1')), QString());
}

TEST(QRCode, CarriesAnyTextAsUtf8AtLevelM) {
    for (const char* text :
         {"hello", "https://example.com/p?id=42&lot=7", "0123456789", "HELLO WORLD", "caf\xc3\xa9",
          "Gr\xc3\xbc\xc3\x9f"
          "e \xe2\x82\xac 5 \xe2\x80\x94 \xe6\x97\xa5\xe6\x9c\xac",
          "\xf0\x9f\x98\x80 smile", "line one\nline two", "\xc3\xb1\xc3\xb2"}) {
        const ModuleMatrix matrix = SymbolGenerator::qrCode(q(text));
        const readers::Decoded read =
            readers::decode(readers::drawModules(matrix, 3, 4), ZXing::BarcodeFormat::QRCode);
        ASSERT_TRUE(read.valid) << text;
        EXPECT_EQ(read.text, q(text));
        EXPECT_EQ(read.ecLevel, q("M")) << text;
    }
}

TEST(QRCode, RefusesEmptyBrokenAndOversizedText) {
    EXPECT_EQ(qrRefusal(QString()), q("Empty"));
    EXPECT_EQ(qrRefusal(QString(QChar(0xD800))), q("Not valid Unicode text"));
    EXPECT_EQ(qrRefusal(q("ab") + QChar(0xDC00) + q("cd")), q("Not valid Unicode text"));
    // A level-M symbol holds at most 2331 bytes (version 40).
    EXPECT_EQ(qrRefusal(QString(2331, u'a')), QString());
    EXPECT_EQ(SymbolGenerator::qrCode(QString(2331, u'a')).width, 177);
    EXPECT_EQ(qrRefusal(QString(2332, u'a')), q("Too long for a QR code"));
}

} // namespace
