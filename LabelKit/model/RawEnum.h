#pragma once

#include <QString>
#include <QStringView>

#include <array>
#include <cstddef>
#include <optional>

namespace vantrel {

// Enumerations stored in label files as raw-value strings. Each enumeration specialises
// EnumTraits with its cases in declaration order and their raw values.
template <class E>
struct EnumTraits;

template <class E>
constexpr const auto& allCases() {
    return EnumTraits<E>::cases;
}

template <class E>
QString rawValue(E value) {
    const auto& cases = EnumTraits<E>::cases;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        if (cases[i] == value) {
            return QString::fromLatin1(EnumTraits<E>::raw[i]);
        }
    }
    return {};
}

// The case whose raw value equals the text exactly (case-sensitive), or nothing.
template <class E>
std::optional<E> fromRawValue(QStringView raw) {
    const auto& cases = EnumTraits<E>::cases;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        if (raw == QLatin1StringView(EnumTraits<E>::raw[i])) {
            return cases[i];
        }
    }
    return std::nullopt;
}

} // namespace vantrel
