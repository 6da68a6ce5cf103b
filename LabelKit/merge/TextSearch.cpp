#include "LabelKit/merge/TextSearch.h"

#include <unicode/ucol.h>
#include <unicode/usearch.h>

#include <algorithm>
#include <limits>

namespace vantrel {

namespace {

constexpr qsizetype icuLimit = std::numeric_limits<int32_t>::max();

const UChar* icuText(const QString& s) {
    return reinterpret_cast<const UChar*>(s.utf16());
}

// Between texts of printable ASCII the collator's match is a plain case-insensitive substring
// match: in the root collation each such character has a primary weight of its own, with no
// contraction, expansion or ignorable among them, and letter case differs only at the third
// level. Such texts skip the collator, which is far slower.
bool isPrintableAscii(QStringView s) {
    return std::all_of(s.begin(), s.end(),
                       [](QChar c) { return c.unicode() >= 0x20 && c.unicode() <= 0x7E; });
}

} // namespace

struct TextSearch::Icu {
    UCollator* collator = nullptr;
    UStringSearch* searcher = nullptr;
    ~Icu() {
        if (searcher) {
            usearch_close(searcher);
        }
        if (collator) {
            ucol_close(collator);
        }
    }
};

TextSearch::TextSearch(QString query) : m_query(std::move(query)) {
    m_asciiQuery = isPrintableAscii(m_query);
    if (m_query.isEmpty() || m_query.size() > icuLimit) {
        return;
    }
    auto icu = std::make_unique<Icu>();
    UErrorCode status = U_ZERO_ERROR;
    icu->collator = ucol_open("", &status);
    if (U_FAILURE(status)) {
        return;
    }
    ucol_setStrength(icu->collator, UCOL_SECONDARY);
    // The text is replaced for every match; a placeholder keeps the searcher valid meanwhile.
    static const UChar placeholder[] = {u' '};
    icu->searcher = usearch_openFromCollator(icuText(m_query), int32_t(m_query.size()), placeholder,
                                             1, icu->collator, nullptr, &status);
    if (U_SUCCESS(status) && icu->searcher) {
        m_icu = std::move(icu);
    }
}

TextSearch::~TextSearch() = default;

bool TextSearch::matches(const QString& text) const {
    if (m_query.isEmpty()) {
        return true;
    }
    if (text.isEmpty()) {
        return false;
    }
    if (!m_icu || text.size() > icuLimit || (m_asciiQuery && isPrintableAscii(text))) {
        return text.contains(m_query, Qt::CaseInsensitive);
    }
    UErrorCode status = U_ZERO_ERROR;
    usearch_setText(m_icu->searcher, icuText(text), int32_t(text.size()), &status);
    return U_SUCCESS(status) && usearch_first(m_icu->searcher, &status) != USEARCH_DONE &&
           U_SUCCESS(status);
}

} // namespace vantrel
