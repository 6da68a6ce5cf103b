#include "LabelKit/print/PrintRequest.h"

#include <QByteArray>
#include <QList>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QUrl>

#include <algorithm>

namespace vantrel {

namespace {

struct QueryItem {
    QString name;
    std::optional<QString> value;
};

// Percent-decodes one query component; nothing when the result is not valid UTF-8.
std::optional<QString> decodeComponent(QStringView raw) {
    const QByteArray bytes = QByteArray::fromPercentEncoding(raw.toUtf8());
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (utf8.hasError()) {
        return std::nullopt;
    }
    return text;
}

// The host as written: after "//", without user information and port, before the path. Qt's
// own parser lower-cases it, but a host spelled "Print" is not ours.
std::optional<QStringView> rawHost(QStringView afterScheme) {
    if (!afterScheme.startsWith(u"//")) {
        return std::nullopt;
    }
    QStringView authority = afterScheme.mid(2);
    for (qsizetype i = 0; i < authority.size(); ++i) {
        if (authority[i] == u'/' || authority[i] == u'?' || authority[i] == u'#') {
            authority = authority.left(i);
            break;
        }
    }
    if (const qsizetype at = authority.lastIndexOf(u'@'); at >= 0) {
        authority = authority.mid(at + 1);
    }
    if (const qsizetype colon = authority.lastIndexOf(u':'); colon >= 0) {
        const QStringView port = authority.mid(colon + 1);
        if (std::all_of(port.begin(), port.end(), [](QChar c) { return c >= u'0' && c <= u'9'; })) {
            authority = authority.left(colon);
        }
    }
    return authority;
}

// The query items in order; nothing when one of them does not decode. Empty items (as in
// "a=1&&b=2") are no items.
std::optional<QList<QueryItem>> queryItems(QStringView query) {
    QList<QueryItem> items;
    for (const QStringView piece : query.split(u'&')) {
        if (piece.isEmpty()) {
            continue;
        }
        const qsizetype eq = piece.indexOf(u'=');
        QueryItem item;
        const auto name = decodeComponent(eq < 0 ? piece : piece.left(eq));
        if (!name) {
            return std::nullopt;
        }
        item.name = *name;
        if (eq >= 0) {
            item.value = decodeComponent(piece.mid(eq + 1));
            if (!item.value) {
                return std::nullopt;
            }
        }
        items.append(std::move(item));
    }
    return items;
}

// A decimal integer: optional sign, ASCII digits only, no spaces, within 64 bits.
std::optional<qint64> parseInteger(const QString& text) {
    static const QRegularExpression form(QStringLiteral("\\A[+-]?[0-9]+\\z"));
    if (!form.match(text).hasMatch()) {
        return std::nullopt;
    }
    bool ok = false;
    const qint64 value = text.toLongLong(&ok);
    return ok ? std::optional<qint64>(value) : std::nullopt;
}

} // namespace

std::optional<PrintRequest> PrintRequest::fromURL(const QString& url, const LabelLookup& lookup) {
    const qsizetype colon = url.indexOf(u':');
    if (colon < 0) {
        return std::nullopt;
    }
    const QStringView scheme = QStringView(url).left(colon);
    if (scheme != u"vantrel" && scheme != u"kestlabel") {
        return std::nullopt;
    }
    // A link that is not a well-formed URL (stray "%", spaces, bad host) is not a link at all.
    if (!QUrl(url, QUrl::StrictMode).isValid()) {
        return std::nullopt;
    }
    const QStringView rest = QStringView(url).mid(colon + 1);
    if (rawHost(rest) != QStringView(u"print")) {
        return std::nullopt;
    }
    const qsizetype question = rest.indexOf(u'?');
    if (question < 0) {
        return std::nullopt;
    }
    QStringView query = rest.mid(question + 1);
    if (const qsizetype hash = query.indexOf(u'#'); hash >= 0) {
        query = query.left(hash);
    }
    const std::optional<QList<QueryItem>> items = queryItems(query);
    if (!items || items->isEmpty()) {
        return std::nullopt;
    }

    const auto first = [&](const QString& name) -> const QueryItem* {
        for (const QueryItem& item : *items) {
            if (item.name == name) {
                return &item;
            }
        }
        return nullptr;
    };
    const QString labelKey = QStringLiteral("label");
    const QString copiesKey = QStringLiteral("copies");
    const QueryItem* labelItem = first(labelKey);
    if (!labelItem || !labelItem->value) {
        return std::nullopt;
    }
    const std::optional<LabelDocument> found = lookup ? lookup(*labelItem->value) : std::nullopt;
    if (!found) {
        return std::nullopt;
    }

    PrintRequest request;
    request.labelID = found->id;
    if (const QueryItem* copiesItem = first(copiesKey); copiesItem && copiesItem->value) {
        const std::optional<qint64> copies = parseInteger(*copiesItem->value);
        request.copies = copies && *copies >= 2 ? *copies : 1;
    }
    for (const QueryItem& item : *items) {
        if (item.name != labelKey && item.name != copiesKey) {
            request.fields.insert(item.name, item.value.value_or(QString()));
        }
    }
    return request;
}

} // namespace vantrel
