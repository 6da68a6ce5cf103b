#include "LabelKit/merge/LabelContext.h"

#include "LabelKit/platform/Clock.h"

namespace vantrel {

LabelContext LabelContext::preview() {
    return LabelContext{1, 0, {}, Clock::wallNow()};
}

} // namespace vantrel
