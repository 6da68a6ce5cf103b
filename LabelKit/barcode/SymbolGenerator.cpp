#include "LabelKit/barcode/SymbolGenerator.h"

#include "LabelKit/model/UserError.h"

#include <ZXing/BitMatrix.h>
#include <ZXing/MultiFormatWriter.h>

#include <exception>
#include <string>

namespace vantrel {

namespace {

// MultiFormatWriter maps levels 3 and 4 to M.
constexpr int kEccLevelM = 4;

// A level-M QR symbol holds at most 5596 digits; longer texts are refused without encoding.
constexpr qsizetype kQrMaxBytes = 8192;

const QString kEmpty = QStringLiteral("Empty");

bool isAscii(const QString& text) {
    for (const QChar c : text) {
        if (c.unicode() > 0x7F) {
            return false;
        }
    }
    return true;
}

bool hasUnpairedSurrogate(const QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            ++i;
        } else if (c.isSurrogate()) {
            return true;
        }
    }
    return false;
}

} // namespace

QList<bool> SymbolGenerator::code128(const QString& text) {
    if (text.isEmpty()) {
        throw UserError(kEmpty);
    }
    // ZXing reads some Latin-1 letters as function characters, so non-ASCII never reaches it.
    if (!isAscii(text)) {
        throw UserError(QStringLiteral("Code 128 supports ASCII only"));
    }
    if (text.size() > code128MaxLength) {
        throw UserError(QStringLiteral("Too long for Code 128 (80 characters at most)"));
    }
    const QByteArray bytes = text.toLatin1();
    ZXing::BitMatrix matrix;
    try {
        matrix = ZXing::MultiFormatWriter(ZXing::BarcodeFormat::Code128)
                     .setMargin(0)
                     .encode(std::string(bytes.constData(), size_t(bytes.size())), 0, 0);
    } catch (const std::exception&) {
        throw UserError(QStringLiteral("Code 128 supports ASCII only"));
    }
    QList<bool> modules;
    modules.reserve(matrix.width());
    for (int x = 0; x < matrix.width(); ++x) {
        modules.append(matrix.height() > 0 && matrix.get(x, 0));
    }
    return modules;
}

ModuleMatrix SymbolGenerator::qrCode(const QString& text) {
    if (text.isEmpty()) {
        throw UserError(kEmpty);
    }
    if (hasUnpairedSurrogate(text)) {
        throw UserError(QStringLiteral("Not valid Unicode text"));
    }
    const QByteArray bytes = text.toUtf8();
    const QString tooLong = QStringLiteral("Too long for a QR code");
    if (bytes.size() > kQrMaxBytes) {
        throw UserError(tooLong);
    }
    ZXing::MultiFormatWriter writer(ZXing::BarcodeFormat::QRCode);
    writer.setMargin(0).setEccLevel(kEccLevelM);
    // ASCII is the same in ISO-8859-1, ZXing's default, and needs no ECI header; other text is
    // sent as UTF-8 and says so.
    if (!isAscii(text)) {
        writer.setEncoding(ZXing::CharacterSet::UTF8);
    }
    ZXing::BitMatrix matrix;
    try {
        matrix = writer.encode(std::string(bytes.constData(), size_t(bytes.size())), 0, 0);
    } catch (const std::exception&) {
        throw UserError(tooLong);
    }
    ModuleMatrix result;
    result.width = matrix.width();
    result.height = matrix.height();
    result.dark.reserve(qsizetype(result.width) * result.height);
    for (int y = 0; y < result.height; ++y) {
        for (int x = 0; x < result.width; ++x) {
            result.dark.append(matrix.get(x, y));
        }
    }
    return result;
}

} // namespace vantrel
