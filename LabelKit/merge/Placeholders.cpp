#include "LabelKit/merge/Placeholders.h"

#include "LabelKit/model/LabelDocument.h"

#include <unicode/gregocal.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>

#include <algorithm>
#include <limits>
#include <memory>
#include <string>
#include <unordered_map>

namespace vantrel {

namespace {

struct Match {
    qsizetype start; // index of "{"
    qsizetype end;   // one past "}"
};

// The next placeholder at or after `from`: the leftmost "{" followed by one or more characters
// that are not "{", "}" or line feed, then "}". Equivalent to the pattern \{([^{}\n]+)\}.
std::optional<Match> nextMatch(QStringView text, qsizetype from) {
    const qsizetype n = text.size();
    qsizetype open = text.indexOf(u'{', from);
    while (open >= 0) {
        qsizetype i = open + 1;
        while (i < n && text[i] != u'{' && text[i] != u'}' && text[i] != u'\n') {
            ++i;
        }
        if (i < n && text[i] == u'}' && i > open + 1) {
            return Match{open, i + 1};
        }
        if (i >= n) {
            return std::nullopt;
        }
        // A "{" starts the next candidate; after "}" or a line feed, the next "{" does.
        open = text[i] == u'{' ? i : text.indexOf(u'{', i + 1);
    }
    return std::nullopt;
}

bool isBlank(QChar c) {
    return c == u'\t' || c.category() == QChar::Separator_Space;
}

QStringView trimmed(QStringView s) {
    qsizetype b = 0;
    qsizetype e = s.size();
    while (b < e && isBlank(s[b])) {
        ++b;
    }
    while (e > b && isBlank(s[e - 1])) {
        --e;
    }
    return s.sliced(b, e - b);
}

bool isDateToken(QStringView token) {
    return token == u"date" || token.startsWith(u"date:") || token.startsWith(u"date+") ||
           token.startsWith(u"date-");
}

// An optional sign, then ASCII digits only (at least one), within the signed 64-bit range.
std::optional<qint64> readOffset(QStringView text) {
    if (text.isEmpty()) {
        return std::nullopt;
    }
    bool negative = false;
    if (text.front() == u'+' || text.front() == u'-') {
        negative = text.front() == u'-';
        text = text.sliced(1);
    }
    if (text.isEmpty()) {
        return std::nullopt;
    }
    // Accumulate as a negative number so that the minimum value is reachable.
    qint64 value = 0;
    for (QChar c : text) {
        if (c < u'0' || c > u'9') {
            return std::nullopt;
        }
        const int digit = c.unicode() - u'0';
        if (value < (std::numeric_limits<qint64>::min() + digit) / 10) {
            return std::nullopt;
        }
        value = value * 10 - digit;
    }
    if (!negative) {
        if (value == std::numeric_limits<qint64>::min()) {
            return std::nullopt;
        }
        value = -value;
    }
    return value;
}

bool isLineTerminator(QChar c) {
    return c == u'\r' || c == u'\n' || c == QChar(0x0085) || c == QChar(0x2028) ||
           c == QChar(0x2029);
}

// Splits the part after "date:" into the format and the offset text: a sign and decimal digits at
// the very end (or just before a final line terminator, as a regular expression's "$" allows).
std::pair<QStringView, QStringView> splitFormat(QStringView rest) {
    qsizetype end = rest.size();
    if (end > 0 && isLineTerminator(rest[end - 1])) {
        --end;
    }
    qsizetype i = end;
    while (i > 0 && rest[i - 1].isDigit()) {
        --i;
    }
    if (i < end && i > 0 && (rest[i - 1] == u'+' || rest[i - 1] == u'-')) {
        return {rest.first(i - 1), rest.sliced(i - 1, end - (i - 1))};
    }
    return {rest, {}};
}

icu::UnicodeString toIcu(QStringView s) {
    return icu::UnicodeString(reinterpret_cast<const UChar*>(s.utf16()), int32_t(s.size()));
}

// Formatters of this thread by pattern. Building an ICU formatter costs tens of microseconds,
// far more than formatting, and labels repeat the same few patterns on every render. Each
// thread keeps its own, so renders on different threads share nothing; the time zone is set
// afresh on every use.
icu::SimpleDateFormat* formatterFor(QStringView pattern, const icu::Locale& locale) {
    thread_local std::unordered_map<std::u16string, std::unique_ptr<icu::SimpleDateFormat>> cache;
    std::u16string key(reinterpret_cast<const char16_t*>(pattern.utf16()), size_t(pattern.size()));
    if (const auto found = cache.find(key); found != cache.end()) {
        return found->second.get();
    }
    UErrorCode status = U_ZERO_ERROR;
    auto formatter = std::make_unique<icu::SimpleDateFormat>(toIcu(pattern), locale, status);
    if (U_FAILURE(status)) {
        return nullptr;
    }
    if (cache.size() >= 64) {
        cache.clear();
    }
    return cache.emplace(std::move(key), std::move(formatter)).first->second.get();
}

// The reference date moved by whole calendar days in the local zone (the wall-clock time stays
// across daylight-saving changes), formatted with a UTS #35 pattern in en_US_POSIX. Nothing when
// the pattern is not valid.
std::optional<QString> formatDate(const QDateTime& reference, qint64 days, QStringView pattern) {
    UErrorCode status = U_ZERO_ERROR;
    static const icu::Locale posix("en_US_POSIX");
    const std::unique_ptr<icu::TimeZone> zone(icu::TimeZone::createDefault());
    UDate when = UDate(reference.toMSecsSinceEpoch());
    if (days != 0 && days >= std::numeric_limits<int32_t>::min() &&
        days <= std::numeric_limits<int32_t>::max()) {
        icu::GregorianCalendar calendar(*zone, posix, status);
        calendar.setTime(when, status);
        calendar.add(UCAL_DATE, int32_t(days), status);
        const UDate moved = calendar.getTime(status);
        if (U_SUCCESS(status)) {
            when = moved;
        }
        status = U_ZERO_ERROR;
    }
    icu::SimpleDateFormat* formatter = formatterFor(pattern, posix);
    if (!formatter) {
        return std::nullopt;
    }
    formatter->setTimeZone(*zone);
    icu::UnicodeString out;
    icu::FieldPosition position;
    formatter->format(when, out, position, status);
    if (U_FAILURE(status)) {
        return std::nullopt;
    }
    return QString(reinterpret_cast<const QChar*>(out.getBuffer()), out.length());
}

std::optional<QString> dateValue(QStringView token, const LabelContext& context) {
    const QStringView tail = token.sliced(4);
    QStringView format;
    QStringView offsetText;
    if (tail.startsWith(u':')) {
        std::tie(format, offsetText) = splitFormat(tail.sliced(1));
    } else {
        offsetText = tail;
    }
    const qint64 days = readOffset(offsetText).value_or(0);
    static const QString fallback = Placeholders::defaultDateFormat();
    return formatDate(context.date, days, format.isEmpty() ? QStringView(fallback) : format);
}

std::optional<QString> fieldValue(QStringView token, const LabelContext& context) {
    const QString key = token.toString();
    const auto exact = context.fields.constFind(key);
    if (exact != context.fields.cend()) {
        return exact.value();
    }
    const QString lower = key.toLower();
    for (auto it = context.fields.cbegin(); it != context.fields.cend(); ++it) {
        if (it.key().toLower() == lower) {
            return it.value();
        }
    }
    return std::nullopt;
}

std::optional<QString> value(QStringView token, const LabelContext& context) {
    if (token == u"serial") {
        if (!context.serial) {
            return std::nullopt;
        }
        QString serial = QString::number(*context.serial);
        if (serial.size() < context.serialDigits) {
            serial.prepend(QString(qsizetype(context.serialDigits) - serial.size(), u'0'));
        }
        return serial;
    }
    if (isDateToken(token)) {
        return dateValue(token, context);
    }
    return fieldValue(token, context);
}

bool codePointLess(const QString& a, const QString& b) {
    const QList<uint> ua = a.toUcs4();
    const QList<uint> ub = b.toUcs4();
    return std::lexicographical_compare(ua.begin(), ua.end(), ub.begin(), ub.end());
}

} // namespace

QString Placeholders::defaultDateFormat() {
    return QStringLiteral("MM/dd/yyyy");
}

QString Placeholders::resolve(const QString& text, const LabelContext& context) {
    if (!text.contains(u'{')) {
        return text;
    }
    const QStringView view(text);
    QString result;
    qsizetype cursor = 0;
    for (auto m = nextMatch(view, 0); m; m = nextMatch(view, m->end)) {
        result.append(view.sliced(cursor, m->start - cursor));
        const QStringView token = trimmed(view.sliced(m->start + 1, m->end - m->start - 2));
        if (const auto v = value(token, context)) {
            result.append(*v);
        } else {
            result.append(view.sliced(m->start, m->end - m->start));
        }
        cursor = m->end;
    }
    result.append(view.sliced(cursor));
    return result;
}

QStringList Placeholders::tokens(const QString& text) {
    QStringList result;
    const QStringView view(text);
    for (auto m = nextMatch(view, 0); m; m = nextMatch(view, m->end)) {
        const QStringView token = trimmed(view.sliced(m->start + 1, m->end - m->start - 2));
        result.append(isDateToken(token) ? QStringLiteral("date") : token.toString());
    }
    return result;
}

bool Placeholders::isBuiltIn(QStringView name) {
    return name == u"serial" || name == u"date";
}

QSet<QString> Placeholders::placeholders(const LabelDocument& document) {
    QSet<QString> result;
    for (const LabelElement& e : document.elements) {
        for (const QString& token : tokens(e.content)) {
            result.insert(token);
        }
    }
    return result;
}

bool Placeholders::usesSerial(const LabelDocument& document) {
    return placeholders(document).contains(QStringLiteral("serial"));
}

QStringList Placeholders::fieldNames(const LabelDocument& document) {
    QStringList names;
    for (const QString& token : placeholders(document)) {
        if (!isBuiltIn(token)) {
            names.append(token);
        }
    }
    std::sort(names.begin(), names.end(), codePointLess);
    return names;
}

} // namespace vantrel
