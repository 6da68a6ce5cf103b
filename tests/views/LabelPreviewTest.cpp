#include "views/LabelPreview.h"
#include "views/PrinterDotsToggle.h"

#include "LabelKit/model/Templates.h"
#include "LabelKit/platform/SettingsStore.h"

#include <QCheckBox>
#include <QImage>

#include <gtest/gtest.h>

using namespace vantrel;

namespace {

bool onlyBlackAndWhite(const QImage& image) {
    const QImage mono = image.convertToFormat(QImage::Format_Mono, Qt::ThresholdDither);
    return mono.convertToFormat(image.format()) == image;
}

} // namespace

// Every preview follows "Show printer dots", as the toggle sets it, at once: the exact print at one
// pixel per dot, or the smooth picture at the preview's detail.
TEST(LabelPreview, EveryPreviewFollowsTheShowDotsSetting) {
    MemorySettingsStore settings;
    const LabelDocument label = Templates::binTag();
    LabelPreview large(label, LabelContext::preview(), 4, &settings);
    LabelPreview small(label, LabelContext::preview(), 2, &settings);
    EXPECT_EQ(large.image().size(), QSize(320 * 4, 240 * 4));
    EXPECT_EQ(small.image().size(), QSize(320 * 2, 240 * 2));
    EXPECT_FALSE(onlyBlackAndWhite(large.image())) << "smooth edges";

    PrinterDotsToggle toggle(settings), other(settings);
    toggle.toggle()->click();
    EXPECT_TRUE(other.toggle()->isChecked()) << "every toggle follows the setting";
    for (LabelPreview* preview : {&large, &small}) {
        EXPECT_TRUE(preview->showDots());
        EXPECT_EQ(preview->image().size(), QSize(320, 240));
        EXPECT_TRUE(onlyBlackAndWhite(preview->image()));
    }
    settings.setBoolean(LabelPreview::showDotsKey(), false);
    EXPECT_EQ(small.image().size(), QSize(640, 480));
}

TEST(LabelPreview, ALabelThatCannotBeRenderedIsBlank) {
    LabelDocument huge = Templates::blank();
    huge.widthMM = 1e12;
    LabelPreview preview(huge, LabelContext::preview(), 2, nullptr);
    EXPECT_TRUE(preview.image().isNull());
    EXPECT_FALSE(preview.grab().isNull());
}
