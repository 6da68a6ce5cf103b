#include "views/MMField.h"
#include "views/NumberField.h"
#include "views/PlaceholderMenu.h"
#include "views/PrinterDotsToggle.h"
#include "views/UnitPicker.h"

#include "LabelKit/edit/InspectorRules.h"
#include "LabelKit/platform/SettingsStore.h"
#include "views/LabelPreview.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using namespace vantrel;
using namespace Qt::StringLiterals;

namespace {

QAbstractButton* segment(UnitPicker& picker, const QString& title) {
    for (auto* button : picker.findChildren<QAbstractButton*>()) {
        if (button->text() == title) {
            return button;
        }
    }
    return nullptr;
}

} // namespace

// Choosing a unit in one picker switches every open length field at once, and typing into a
// field stores the length converted and clamped.
TEST(InspectorControls, LengthFieldsFollowTheUnitAndClampWhatIsTyped) {
    MemorySettingsStore settings;
    MeasureUnit(MeasureUnit::mm).save(settings);
    UnitPicker picker(settings);
    MMField x(u"X"_s, InspectorRules::positionInput, settings);
    x.setValue(25.4);
    x.show();
    EXPECT_EQ(x.field()->text(), QLocale().toString(25.4));
    EXPECT_EQ(x.symbol()->text(), u"mm"_s);

    segment(picker, MeasureUnit(MeasureUnit::inches).title())->click();
    EXPECT_EQ(MeasureUnit::load(settings), MeasureUnit::inches);
    EXPECT_EQ(x.symbol()->text(), u"in"_s);
    EXPECT_EQ(x.field()->text(), u"1"_s);

    QSignalSpy edited(&x, &MMField::edited);
    x.field()->setFocus();
    x.field()->selectAll();
    QTest::keyClicks(x.field(), u"9"_s);
    ASSERT_FALSE(edited.isEmpty());
    EXPECT_DOUBLE_EQ(edited.last().first().toDouble(), 200);
    EXPECT_EQ(x.field()->text(), u"9"_s) << "typing stays as typed while focused";
}

TEST(InspectorControls, PlaceholderMenuOffersListColumnsInTheirOwnSection) {
    PlaceholderMenu menu;
    QSignalSpy chosen(&menu, &PlaceholderMenu::tokenChosen);
    EXPECT_EQ(menu.menu()->actions().size(), 5);
    menu.setColumns({u"SKU"_s});
    const QList<QAction*> actions = menu.menu()->actions();
    ASSERT_EQ(actions.size(), 7);
    EXPECT_TRUE(actions.at(5)->isSeparator());
    EXPECT_EQ(actions.at(5)->text(), u"List columns"_s);
    actions.at(6)->trigger();
    actions.at(3)->trigger();
    ASSERT_EQ(chosen.size(), 2);
    EXPECT_EQ(chosen.at(0).first().toString(), u"{SKU}"_s);
    EXPECT_EQ(chosen.at(1).first().toString(), u"{serial}"_s);
}

TEST(InspectorControls, DotsToggleWritesAndFollowsTheSetting) {
    MemorySettingsStore settings;
    PrinterDotsToggle one(settings), two(settings);
    one.toggle()->click();
    EXPECT_EQ(settings.boolean(LabelPreview::showDotsKey()), true);
    EXPECT_TRUE(two.toggle()->isChecked());
}
