#include "LabelKit/barcode/RetailBarcode.h"

#include <array>

namespace vantrel {

namespace {

// Number set A (the L patterns); the R and G patterns derive from it.
constexpr std::array<const char*, 10> kLeftOdd{"0001101", "0011001", "0010011", "0111101",
                                               "0100011", "0110001", "0101111", "0111011",
                                               "0110111", "0001011"};

// Left-half number sets of EAN-13 by the leading digit: 'L' set A, 'G' set B.
constexpr std::array<const char*, 10> kEan13Parity{"LLLLLL", "LLGLGG", "LLGGLG", "LLGGGL",
                                                   "LGLLGG", "LGGLLG", "LGGGLL", "LGLGLG",
                                                   "LGLGGL", "LGGLGL"};

// UPC-E parity under number system 0 by check digit: 'O' odd (set A), 'E' even (set B).
constexpr std::array<const char*, 10> kUpcEParity{"EEEOOO", "EEOEOO", "EEOOEO", "EEOOOE", "EOEEOO",
                                                  "EOOEEO", "EOOOEE", "EOEOEO", "EOEOOE", "EOOEOE"};

enum class NumberSet { a, b, c };

bool isAsciiDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

bool allDigits(const QString& text) {
    for (const QChar c : text) {
        if (!isAsciiDigit(c)) {
            return false;
        }
    }
    return true;
}

int digitAt(const QString& text, qsizetype i) {
    return text[i].unicode() - u'0';
}

void appendPattern(QList<bool>& modules, const char* pattern) {
    for (const char* p = pattern; *p; ++p) {
        modules.append(*p == '1');
    }
}

void appendDigit(QList<bool>& modules, int digit, NumberSet set) {
    std::array<bool, 7> pattern{};
    for (int i = 0; i < 7; ++i) {
        pattern[i] = kLeftOdd[digit][i] == '1';
    }
    if (set == NumberSet::a) {
        modules.append(QList<bool>(pattern.begin(), pattern.end()));
        return;
    }
    // Set C inverts set A; set B is set C read backwards.
    for (bool& module : pattern) {
        module = !module;
    }
    if (set == NumberSet::b) {
        modules.append(QList<bool>(pattern.rbegin(), pattern.rend()));
    } else {
        modules.append(QList<bool>(pattern.begin(), pattern.end()));
    }
}

void addGuards(std::set<int>& guards, int first, int last) {
    for (int i = first; i <= last; ++i) {
        guards.insert(i);
    }
}

QString clean(const QString& text) {
    QString cleaned;
    cleaned.reserve(text.size());
    for (const QChar c : text) {
        if (!c.isSpace() && c != u'-') {
            cleaned.append(c);
        }
    }
    return cleaned;
}

// Appends the check digit to n digits or verifies it on n + 1.
QString withCheckDigit(const QString& digits, qsizetype n, Symbology symbology) {
    if (digits.size() == n) {
        return digits + RetailBarcode::checkDigit(digits);
    }
    if (digits.size() == n + 1) {
        const QChar expected = RetailBarcode::checkDigit(digits.left(n));
        if (digits[n] != expected) {
            throw RetailBarcodeError::badCheckDigit(expected);
        }
        return digits;
    }
    throw RetailBarcodeError::wrongLength(symbology);
}

RetailSymbol ean13Symbol(const QString& d) {
    RetailSymbol symbol;
    const char* parity = kEan13Parity[digitAt(d, 0)];
    appendPattern(symbol.modules, "101");
    for (int i = 1; i <= 6; ++i) {
        appendDigit(symbol.modules, digitAt(d, i),
                    parity[i - 1] == 'L' ? NumberSet::a : NumberSet::b);
    }
    appendPattern(symbol.modules, "01010");
    for (int i = 7; i <= 12; ++i) {
        appendDigit(symbol.modules, digitAt(d, i), NumberSet::c);
    }
    appendPattern(symbol.modules, "101");
    addGuards(symbol.guards, 0, 2);
    addGuards(symbol.guards, 45, 49);
    addGuards(symbol.guards, 92, 94);
    return symbol;
}

RetailSymbol ean13(const QString& digits) {
    const QString d = withCheckDigit(digits, 12, Symbology::ean13);
    RetailSymbol symbol = ean13Symbol(d);
    symbol.groups = {{d.mid(1, 6), 3, 45}, {d.mid(7, 6), 50, 92}};
    symbol.leftDigit = d.left(1);
    symbol.digits = d;
    return symbol;
}

RetailSymbol upcA(const QString& digits) {
    const QString u = withCheckDigit(digits, 11, Symbology::upcA);
    RetailSymbol symbol = ean13Symbol(QLatin1Char('0') + u);
    // The first and last digits stand outside, so their bars are drawn as tall as the guards.
    addGuards(symbol.guards, 3, 9);
    addGuards(symbol.guards, 85, 91);
    symbol.groups = {{u.mid(1, 5), 10, 45}, {u.mid(6, 5), 50, 85}};
    symbol.leftDigit = u.left(1);
    symbol.rightDigit = u.right(1);
    symbol.digits = u;
    return symbol;
}

RetailSymbol ean8(const QString& digits) {
    const QString d = withCheckDigit(digits, 7, Symbology::ean8);
    RetailSymbol symbol;
    appendPattern(symbol.modules, "101");
    for (int i = 0; i < 4; ++i) {
        appendDigit(symbol.modules, digitAt(d, i), NumberSet::a);
    }
    appendPattern(symbol.modules, "01010");
    for (int i = 4; i < 8; ++i) {
        appendDigit(symbol.modules, digitAt(d, i), NumberSet::c);
    }
    appendPattern(symbol.modules, "101");
    addGuards(symbol.guards, 0, 2);
    addGuards(symbol.guards, 31, 35);
    addGuards(symbol.guards, 64, 66);
    symbol.groups = {{d.left(4), 3, 31}, {d.mid(4, 4), 36, 64}};
    symbol.digits = d;
    return symbol;
}

RetailSymbol upcE(const QString& digits) {
    QChar numberSystem = u'0';
    QString core;
    std::optional<QChar> givenCheck;
    switch (digits.size()) {
    case 6:
        core = digits;
        break;
    case 7:
        numberSystem = digits[0];
        core = digits.mid(1);
        break;
    case 8:
        numberSystem = digits[0];
        core = digits.mid(1, 6);
        givenCheck = digits[7];
        break;
    case 11:
    case 12: {
        if (digits.size() == 12) {
            const QChar expected = RetailBarcode::checkDigit(digits.left(11));
            if (digits[11] != expected) {
                throw RetailBarcodeError::badCheckDigit(expected);
            }
        }
        const auto compressed = RetailBarcode::compressUPCA(digits.left(11));
        if (!compressed) {
            throw RetailBarcodeError::notCompressible();
        }
        numberSystem = digits[0];
        core = *compressed;
        break;
    }
    default:
        throw RetailBarcodeError::wrongLength(Symbology::upcE);
    }
    if (numberSystem != u'0' && numberSystem != u'1') {
        throw RetailBarcodeError::numberSystem();
    }
    const QChar check = RetailBarcode::checkDigit(RetailBarcode::expandUPCE(core, numberSystem));
    if (givenCheck && *givenCheck != check) {
        throw RetailBarcodeError::badCheckDigit(check);
    }

    RetailSymbol symbol;
    const char* parity = kUpcEParity[check.unicode() - u'0'];
    const bool swapped = numberSystem == u'1';
    appendPattern(symbol.modules, "101");
    for (int i = 0; i < 6; ++i) {
        const bool odd = (parity[i] == 'O') != swapped;
        appendDigit(symbol.modules, digitAt(core, i), odd ? NumberSet::a : NumberSet::b);
    }
    appendPattern(symbol.modules, "010101");
    addGuards(symbol.guards, 0, 2);
    addGuards(symbol.guards, 45, 50);
    symbol.groups = {{core, 3, 45}};
    symbol.leftDigit = QString(numberSystem);
    symbol.rightDigit = QString(check);
    symbol.digits = numberSystem + core + check;
    return symbol;
}

} // namespace

RetailSymbol RetailBarcode::encode(Symbology symbology, const QString& text) {
    const QString digits = clean(text);
    if (!allDigits(digits)) {
        throw RetailBarcodeError::notDigits();
    }
    switch (symbology) {
    case Symbology::upcA:
        return upcA(digits);
    case Symbology::upcE:
        return upcE(digits);
    case Symbology::ean13:
        return ean13(digits);
    case Symbology::ean8:
        return ean8(digits);
    case Symbology::code128:
        break;
    }
    throw RetailBarcodeError::notDigits();
}

QChar RetailBarcode::checkDigit(const QString& digits) {
    int sum = 0;
    int weight = 3;
    for (qsizetype i = digits.size() - 1; i >= 0; --i) {
        if (!isAsciiDigit(digits[i])) {
            continue;
        }
        sum = (sum + weight * digitAt(digits, i)) % 10;
        weight = 4 - weight;
    }
    return QChar(u'0' + (10 - sum) % 10);
}

QString RetailBarcode::expandUPCE(const QString& core, QChar numberSystem) {
    if (core.size() != 6 || !allDigits(core)) {
        return {};
    }
    const QString x = core;
    const QChar last = x[5];
    const QString s(numberSystem);
    if (last <= u'2') {
        return s + x.left(2) + last + QStringLiteral("0000") + x.mid(2, 3);
    }
    if (last == u'3') {
        return s + x.left(3) + QStringLiteral("00000") + x.mid(3, 2);
    }
    if (last == u'4') {
        return s + x.left(4) + QStringLiteral("00000") + x[4];
    }
    return s + x.left(5) + QStringLiteral("0000") + last;
}

std::optional<QString> RetailBarcode::compressUPCA(const QString& body) {
    if (body.size() != 11 || !allDigits(body)) {
        return std::nullopt;
    }
    if (body[0] != u'0' && body[0] != u'1') {
        return std::nullopt;
    }
    const QString m = body.mid(1, 5);
    const QString p = body.mid(6, 5);
    const QString mTail = m.right(3);
    if ((mTail == QLatin1String("000") || mTail == QLatin1String("100") ||
         mTail == QLatin1String("200")) &&
        p.startsWith(QLatin1String("00"))) {
        return m.left(2) + p.right(3) + m[2];
    }
    if (m.endsWith(QLatin1String("00")) && p.startsWith(QLatin1String("000"))) {
        return m.left(3) + p.right(2) + u'3';
    }
    if (m.endsWith(u'0') && p.startsWith(QLatin1String("0000"))) {
        return m.left(4) + p[4] + u'4';
    }
    if (p.startsWith(QLatin1String("0000")) && p[4] >= u'5') {
        return m + p[4];
    }
    return std::nullopt;
}

} // namespace vantrel
