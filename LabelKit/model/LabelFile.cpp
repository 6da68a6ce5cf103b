#include "LabelKit/model/LabelFile.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTimeZone>

#include <cmath>
#include <cstring>
#include <limits>

namespace vantrel {

namespace {

// Field readers: each gives nothing when the value is missing, null or of another type, so the
// caller keeps its default.

std::optional<double> readDouble(const QJsonObject& o, QLatin1StringView key) {
    const QJsonValue v = o.value(key);
    if (!v.isDouble()) {
        return std::nullopt;
    }
    return v.toDouble();
}

std::optional<qint64> readInteger(const QJsonObject& o, QLatin1StringView key) {
    const QJsonValue v = o.value(key);
    if (!v.isDouble()) {
        return std::nullopt;
    }
    const double d = v.toDouble();
    // 8.5 is not an integer; 8.0 is. Values outside the 64-bit range are not integers either.
    if (!std::isfinite(d) || d != std::trunc(d) || d >= 9223372036854775808.0 ||
        d < -9223372036854775808.0) {
        return std::nullopt;
    }
    return v.toInteger(static_cast<qint64>(d));
}

std::optional<bool> readBool(const QJsonObject& o, QLatin1StringView key) {
    const QJsonValue v = o.value(key);
    if (!v.isBool()) {
        return std::nullopt;
    }
    return v.toBool();
}

std::optional<QString> readString(const QJsonObject& o, QLatin1StringView key) {
    const QJsonValue v = o.value(key);
    if (!v.isString()) {
        return std::nullopt;
    }
    return v.toString();
}

template <class E>
std::optional<E> readEnum(const QJsonObject& o, QLatin1StringView key) {
    if (const auto raw = readString(o, key)) {
        return fromRawValue<E>(*raw);
    }
    return std::nullopt;
}

// The canonical 36-character form, in either letter case; braces and other forms are refused.
std::optional<QUuid> readUuid(const QJsonObject& o, QLatin1StringView key) {
    static const QRegularExpression canonical(QStringLiteral(
        "\\A[0-9A-Fa-f]{8}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{12}\\z"));
    const auto text = readString(o, key);
    if (!text || !canonical.match(*text).hasMatch()) {
        return std::nullopt;
    }
    return QUuid::fromString(*text);
}

// ISO 8601 internet date-time with whole seconds and a zone: 2025-03-14T09:26:53Z or
// 2025-03-14T10:26:53+01:00. Fractional seconds or a missing zone do not parse.
std::optional<QDateTime> readDate(const QJsonObject& o, QLatin1StringView key) {
    static const QRegularExpression form(
        QStringLiteral("\\A(\\d{4})-(\\d{2})-(\\d{2})T(\\d{2}):(\\d{2}):(\\d{2})"
                       "(?:(Z)|([+-])(\\d{2}):(\\d{2}))\\z"));
    const auto text = readString(o, key);
    if (!text) {
        return std::nullopt;
    }
    const QRegularExpressionMatch m = form.match(*text);
    if (!m.hasMatch()) {
        return std::nullopt;
    }
    const QDate date(m.capturedView(1).toInt(), m.capturedView(2).toInt(),
                     m.capturedView(3).toInt());
    const QTime time(m.capturedView(4).toInt(), m.capturedView(5).toInt(),
                     m.capturedView(6).toInt());
    if (!date.isValid() || !time.isValid()) {
        return std::nullopt;
    }
    int offsetSeconds = 0;
    if (!m.capturedView(8).isEmpty()) {
        const int hours = m.capturedView(9).toInt();
        const int minutes = m.capturedView(10).toInt();
        if (hours > 23 || minutes > 59) {
            return std::nullopt;
        }
        offsetSeconds = (hours * 3600 + minutes * 60) * (m.capturedView(8) == u'-' ? -1 : 1);
    }
    return QDateTime(date, time, QTimeZone(offsetSeconds)).toUTC();
}

// Standard Base64 with padding; anything else is not a picture field.
std::optional<QByteArray> readBase64(const QJsonObject& o, QLatin1StringView key) {
    const auto text = readString(o, key);
    if (!text || text->size() % 4 != 0) {
        return std::nullopt;
    }
    auto decoded =
        QByteArray::fromBase64Encoding(text->toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded) {
        return std::nullopt;
    }
    return *decoded;
}

template <class T>
void assign(T& field, const std::optional<T>& value) {
    if (value) {
        field = *value;
    }
}

LabelElement decodeElement(const QJsonObject& o) {
    LabelElement e(readEnum<ElementKind>(o, QLatin1StringView("kind")).value_or(ElementKind::text));
    assign(e.align, readEnum<TextAlign>(o, QLatin1StringView("align")));
    assign(e.bold, readBool(o, QLatin1StringView("bold")));
    assign(e.content, readString(o, QLatin1StringView("content")));
    assign(e.filled, readBool(o, QLatin1StringView("filled")));
    assign(e.fontFamily, readString(o, QLatin1StringView("fontFamily")));
    assign(e.fontSize, readDouble(o, QLatin1StringView("fontSize")));
    assign(e.height, readDouble(o, QLatin1StringView("height")));
    assign(e.id, readUuid(o, QLatin1StringView("id")));
    if (auto picture = readBase64(o, QLatin1StringView("imageData"))) {
        e.imageData = std::move(*picture);
    }
    assign(e.locked, readBool(o, QLatin1StringView("locked")));
    assign(e.rotation, readInteger(o, QLatin1StringView("rotation")));
    assign(e.showText, readBool(o, QLatin1StringView("showText")));
    assign(e.shrinkToFit, readBool(o, QLatin1StringView("shrinkToFit")));
    assign(e.strokeMM, readDouble(o, QLatin1StringView("strokeMM")));
    assign(e.symbology, readEnum<Symbology>(o, QLatin1StringView("symbology")));
    assign(e.width, readDouble(o, QLatin1StringView("width")));
    assign(e.x, readDouble(o, QLatin1StringView("x")));
    assign(e.y, readDouble(o, QLatin1StringView("y")));
    return e;
}

[[noreturn]] void refuseElements() {
    throw UserError(QStringLiteral("The label has too many elements: a label holds at most %1.")
                        .arg(LabelDocument::maxElements));
}

// Counts the values of the JSON text, and the entries of the top-level "elements" array, without
// building anything, and refuses a file beyond the limits before the parser allocates for every
// value. Malformed text is left to the parser to report: the walk just stops.
void refuseBeyondLimits(QByteArrayView json) {
    const char* p = json.data();
    const char* const end = p + json.size();
    QByteArray containers;       // '{' and '[' from the outside in
    QByteArrayView topLevelKey;  // the last key read in the top-level object
    qsizetype elementsLevel = 0; // the nesting depth of the "elements" array while inside it
    bool expectKey = false;      // in an object, the next string is a key
    qsizetype values = 0;
    qsizetype elements = 0;
    const auto value = [&] {
        if (++values > LabelFile::maxValues) {
            throw UserError(
                QStringLiteral("The label file is too complex: a label file holds at most %1 "
                               "values.")
                    .arg(LabelFile::maxValues));
        }
        if (elementsLevel > 0 && containers.size() == elementsLevel &&
            ++elements > LabelDocument::maxElements) {
            refuseElements();
        }
    };
    while (p < end) {
        switch (*p) {
        case ' ':
        case '\t':
        case '\n':
        case '\r':
        case ':':
            ++p;
            break;
        case ',':
            expectKey = containers.endsWith('{');
            ++p;
            break;
        case '"': {
            const char* const start = ++p;
            while (p < end && *p != '"') {
                p += *p == '\\' && end - p > 1 ? 2 : 1;
            }
            if (p == end) {
                return;
            }
            if (expectKey) {
                if (containers.size() == 1) {
                    topLevelKey = QByteArrayView(start, p - start);
                }
                expectKey = false;
            } else {
                value();
            }
            ++p;
            break;
        }
        case '{':
        case '[':
            value();
            containers.append(*p);
            if (*p == '[' && containers == "{[" && topLevelKey == "elements") {
                elementsLevel = containers.size();
            }
            expectKey = *p == '{';
            ++p;
            break;
        case '}':
        case ']':
            if (containers.isEmpty()) {
                return;
            }
            containers.chop(1);
            if (containers.size() < elementsLevel) {
                elementsLevel = 0;
            }
            expectKey = false;
            ++p;
            break;
        default:
            // A number or a literal, or text the parser will reject.
            value();
            for (++p; p < end && *p != '\0' && !std::strchr(" \t\n\r:,\"{}[]", *p); ++p) {
            }
            break;
        }
    }
}

QString uuidText(const QUuid& id) {
    return id.toString(QUuid::WithoutBraces).toUpper();
}

QString dateText(const QDateTime& date) {
    // Whole seconds: a fraction is dropped, not rounded.
    const qint64 seconds = date.toSecsSinceEpoch();
    return QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC)
        .toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss'Z'"));
}

QJsonValue number(double value, const QString& field) {
    if (!std::isfinite(value)) {
        throw UserError(QStringLiteral("The value of “%1” is not a finite number.").arg(field));
    }
    return value;
}

QJsonObject encodeElement(const LabelElement& e) {
    QJsonObject o;
    o.insert(QLatin1StringView("align"), rawValue(e.align));
    o.insert(QLatin1StringView("bold"), e.bold);
    o.insert(QLatin1StringView("content"), e.content);
    o.insert(QLatin1StringView("filled"), e.filled);
    o.insert(QLatin1StringView("fontFamily"), e.fontFamily);
    o.insert(QLatin1StringView("fontSize"), number(e.fontSize, QStringLiteral("fontSize")));
    o.insert(QLatin1StringView("height"), number(e.height, QStringLiteral("height")));
    o.insert(QLatin1StringView("id"), uuidText(e.id));
    if (e.imageData) {
        o.insert(QLatin1StringView("imageData"), QString::fromLatin1(e.imageData->toBase64()));
    }
    o.insert(QLatin1StringView("kind"), rawValue(e.kind));
    o.insert(QLatin1StringView("locked"), e.locked);
    o.insert(QLatin1StringView("rotation"), e.rotation);
    o.insert(QLatin1StringView("showText"), e.showText);
    o.insert(QLatin1StringView("shrinkToFit"), e.shrinkToFit);
    o.insert(QLatin1StringView("strokeMM"), number(e.strokeMM, QStringLiteral("strokeMM")));
    o.insert(QLatin1StringView("symbology"), rawValue(e.symbology));
    o.insert(QLatin1StringView("width"), number(e.width, QStringLiteral("width")));
    o.insert(QLatin1StringView("x"), number(e.x, QStringLiteral("x")));
    o.insert(QLatin1StringView("y"), number(e.y, QStringLiteral("y")));
    return o;
}

} // namespace

LabelDocument LabelFile::decode(const QByteArray& bytes, const QString& source) {
    const QString file =
        source.isEmpty() ? QStringLiteral("The file") : QStringLiteral("“%1”").arg(source);
    refuseBeyondLimits(bytes);
    QJsonParseError error;
    const QJsonDocument json = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError) {
        throw UserError(QStringLiteral("%1 isn't a label file: %2 at byte %3.")
                            .arg(file, error.errorString())
                            .arg(error.offset));
    }
    if (!json.isObject()) {
        throw UserError(
            QStringLiteral("%1 isn't a label file: it doesn't hold a JSON object.").arg(file));
    }
    const QJsonObject o = json.object();

    LabelDocument doc;
    assign(doc.dataHasHeader, readBool(o, QLatin1StringView("dataHasHeader")));
    doc.dataName = readString(o, QLatin1StringView("dataName"));
    assign(doc.density, readInteger(o, QLatin1StringView("density")));
    const QJsonValue elements = o.value(QLatin1StringView("elements"));
    if (elements.isArray()) {
        const QJsonArray array = elements.toArray();
        if (array.size() > LabelDocument::maxElements) {
            refuseElements(); // a key spelled with escapes escapes the count above
        }
        QList<LabelElement> list;
        list.reserve(array.size());
        bool allObjects = true;
        for (const QJsonValue& entry : array) {
            if (!entry.isObject()) {
                // One bad entry empties the whole list rather than failing the file.
                allObjects = false;
                break;
            }
            list.append(decodeElement(entry.toObject()));
        }
        if (allObjects) {
            doc.elements = std::move(list);
        }
    }
    assign(doc.gapMM, readDouble(o, QLatin1StringView("gapMM")));
    assign(doc.heightMM, readDouble(o, QLatin1StringView("heightMM")));
    assign(doc.id, readUuid(o, QLatin1StringView("id")));
    assign(doc.modified, readDate(o, QLatin1StringView("modified")));
    assign(doc.name, readString(o, QLatin1StringView("name")));
    assign(doc.widthMM, readDouble(o, QLatin1StringView("widthMM")));
    return doc;
}

QByteArray LabelFile::encode(const LabelDocument& doc) {
    QJsonObject o;
    o.insert(QLatin1StringView("dataHasHeader"), doc.dataHasHeader);
    if (doc.dataName) {
        o.insert(QLatin1StringView("dataName"), *doc.dataName);
    }
    o.insert(QLatin1StringView("density"), doc.density);
    QJsonArray elements;
    for (const LabelElement& e : doc.elements) {
        elements.append(encodeElement(e));
    }
    o.insert(QLatin1StringView("elements"), elements);
    o.insert(QLatin1StringView("gapMM"), number(doc.gapMM, QStringLiteral("gapMM")));
    o.insert(QLatin1StringView("heightMM"), number(doc.heightMM, QStringLiteral("heightMM")));
    o.insert(QLatin1StringView("id"), uuidText(doc.id));
    o.insert(QLatin1StringView("modified"), dateText(doc.modified));
    o.insert(QLatin1StringView("name"), doc.name);
    o.insert(QLatin1StringView("widthMM"), number(doc.widthMM, QStringLiteral("widthMM")));
    return QJsonDocument(o).toJson(QJsonDocument::Indented);
}

} // namespace vantrel
