#include "LabelKit/merge/LabelContext.h"

const LabelContext& LabelContext::preview() {
    static const LabelContext context{1, 0, {}, QDateTime::currentDateTimeUtc()};
    return context;
}
