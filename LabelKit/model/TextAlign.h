#pragma once

#include "LabelKit/model/RawEnum.h"

namespace vantrel {

// Horizontal alignment of text inside its box.
enum class TextAlign { left, center, right };

template <>
struct EnumTraits<TextAlign> {
    static constexpr std::array cases{TextAlign::left, TextAlign::center, TextAlign::right};
    static constexpr std::array raw{"left", "center", "right"};
};

} // namespace vantrel
