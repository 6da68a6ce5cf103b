#include "LabelKit/edit/UnitStepper.h"

#include <gtest/gtest.h>

using namespace vantrel;

TEST(UnitStepper, InchStepsAreTheMillimetreStepToTwoDecimalsAndNeverZero) {
    const struct {
        MeasureUnit unit;
        double forMM;
        double step;
    } cases[] = {
        {MeasureUnit::mm, 1, 1},
        {MeasureUnit::mm, 0.1, 0.1},
        {MeasureUnit::inches, 25.4, 1},
        {MeasureUnit::inches, 0.5, 0.02},
        {MeasureUnit::inches, 0.1, 0.01},   // 0.0039 would round to nothing
        {MeasureUnit::inches, 0.635, 0.03}, // 0.025: halves away from zero
    };
    for (const auto& c : cases) {
        EXPECT_DOUBLE_EQ(UnitStepper::step(c.unit, c.forMM), c.step)
            << c.unit.rawValue().toStdString() << " " << c.forMM;
    }
}
