#pragma once

#include <QString>

#include <memory>

namespace vantrel {

// Finds a query inside texts the way the user expects of a search field: letter case is
// ignored, accents are not, and a match never ends inside a character (root collation at
// secondary strength), so "cafe" does not match a decomposed "café". An empty query matches
// every text. Built once per query; not thread-safe.
class TextSearch {
public:
    explicit TextSearch(QString query);
    ~TextSearch();
    TextSearch(const TextSearch&) = delete;
    TextSearch& operator=(const TextSearch&) = delete;

    const QString& query() const { return m_query; }
    bool matches(const QString& text) const;

private:
    struct Icu;
    QString m_query;
    bool m_asciiQuery = false;
    std::unique_ptr<Icu> m_icu; // absent when ICU refused the query: plain matching stands in
};

} // namespace vantrel
