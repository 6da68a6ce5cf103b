#include "LabelKit/edit/CanvasGeometry.h"
#include "LabelKit/edit/CanvasGesture.h"
#include "LabelKit/edit/ColumnDropDelegate.h"
#include "LabelKit/edit/RulerTicks.h"
#include "LabelKit/edit/Zoom.h"

#include <QMimeData>

#include <gtest/gtest.h>

using namespace vantrel;
using namespace Qt::StringLiterals;

// Steps stay within 0.5…4, percentages truncate, and the scale is the fit times the zoom but
// never below 2 points per millimetre.
TEST(Zoom, StepsPercentagesAndScale) {
    EXPECT_EQ(Zoom::out(0.75), 0.5);
    EXPECT_EQ(Zoom::in(3.75), 4.0);
    EXPECT_EQ(Zoom::percent(1.2599), 125);
    struct Case {
        QSizeF area, label;
        double zoom, scale;
    };
    for (const Case& c : {
             Case{{482, 382}, {40, 30}, 1, 10},    // width limits: 400 / 40
             Case{{482, 382}, {20, 30}, 1, 10},    // height limits: 300 / 30
             Case{{482, 382}, {40, 30}, 2.5, 25},  //
             Case{{482, 382}, {400, 300}, 0.5, 2}, // 0.5 would be below the minimum
             Case{{60, 60}, {40, 30}, 1, 2},       // an area smaller than the chrome
             Case{{482, 382}, {0, 30}, 1, 10},     // a zero side leaves the other to fit
             Case{{482, 382}, {-40, -30}, 1, 2},   // no usable size
         }) {
        EXPECT_DOUBLE_EQ(Zoom::scale(c.area, c.label, c.zoom), c.scale)
            << c.label.width() << "x" << c.label.height() << " at " << c.zoom;
    }
}

TEST(CanvasGeometry, TheFrameCentresThePaperAndClicksHitTheTopmostItemNearby) {
    const QSizeF label(40, 30);
    const CanvasGeometry g(CanvasGeometry::frameFor(12.5, label), label);
    EXPECT_DOUBLE_EQ(g.scale, 12.5);
    // A wider frame centres the paper; tiny items still get a visible outline.
    const CanvasGeometry wide(QSizeF(622, 397), label);
    LabelElement dot(ElementKind::line);
    dot.x = 2, dot.y = 3, dot.width = 10, dot.height = 0.1;
    EXPECT_EQ(wide.outline(dot), QRectF(25, 37.5, 125, 4));
    EXPECT_EQ(wide.handleArea(dot).center(), QPointF(150, 38.75));

    // A click hits the topmost item within one millimetre of its box.
    LabelDocument doc(u"Hits"_s, 40, 30);
    LabelElement below(ElementKind::box), above(ElementKind::text);
    below.x = 5, below.y = 5, below.width = 10, below.height = 10;
    above.x = 12, above.y = 12, above.width = 10, above.height = 5;
    doc.elements = {below, above};
    struct Case {
        QPointF mm;
        std::optional<QUuid> hit;
    };
    for (const Case& c : {Case{{4.2, 10}, below.id},     // 0.8 mm left of the box
                          Case{{3.9, 10}, std::nullopt}, // 1.1 mm left
                          Case{{10, 15.9}, below.id},    // 0.9 mm below
                          Case{{13, 13}, above.id},      // both: the later one is on top
                          Case{{23, 18}, above.id}}) {   // the corner of the grown box
        EXPECT_EQ(CanvasGeometry::hit(doc, c.mm), c.hit) << c.mm.x() << "," << c.mm.y();
    }
}

// Moves land on quarter millimetres and keep 1 mm on the label; resizes keep their minimums
// and QR codes square, without an upper limit.
TEST(CanvasGesture, MovesAndResizes) {
    struct Move {
        QPointF start, translation, to;
    };
    for (const Move& c :
         {Move{{10, 10}, {0.13, -0.37}, {10.25, 9.75}}, Move{{10.1, 10}, {0.02, 0}, {10, 10}},
          Move{{10, 10}, {-100, 0}, {-19, 10}}, Move{{10, 10}, {100, 100}, {39, 29}},
          Move{{10, 10}, {0, -100}, {10, -4}}}) {
        EXPECT_EQ(CanvasGesture::movedPosition(c.start, c.translation, {20, 5}, {40, 30}), c.to)
            << c.translation.x() << "," << c.translation.y();
    }
    struct Resize {
        ElementKind kind;
        QSizeF start;
        QPointF translation;
        QSizeF to;
    };
    for (const Resize& c : {Resize{ElementKind::qr, {14, 14}, {-2, 1.1}, {15, 15}},
                            Resize{ElementKind::line, {30, 0.5}, {-40, -1}, {1, 0.25}},
                            Resize{ElementKind::box, {20, 10}, {-40, -20}, {1, 1}},
                            Resize{ElementKind::text, {30, 7}, {500.1, 0.3}, {530, 7.25}}}) {
        EXPECT_EQ(CanvasGesture::resizedSize(c.start, c.translation, c.kind), c.to)
            << title(c.kind).toStdString();
    }
}

TEST(RulerTicks, SpacingAndLabelsFollowTheUnitAndTheScale) {
    const auto labels = [](double length, double scale, MeasureUnit unit) {
        QStringList texts;
        for (const RulerTick& tick : RulerTicks::ticks(length, scale, unit)) {
            if (!tick.label.isEmpty()) {
                texts.append(tick.label);
            }
        }
        return texts.join(u' ');
    };
    // Millimetres: labelled every 10, from 14 points per mm every 5; none within 2 mm of the end.
    EXPECT_EQ(labels(40, 10, MeasureUnit::mm), u"10 20 30"_s);
    EXPECT_EQ(labels(41, 14, MeasureUnit::mm), u"5 10 15 20 25 30 35"_s);
    EXPECT_EQ(labels(42, 14, MeasureUnit::mm), u"5 10 15 20 25 30 35 40"_s);
    // Inches: half inches; sixteenths once they are 3.5 points apart, else eighths.
    EXPECT_EQ(labels(101.6, 2, MeasureUnit::inches), u"½ 1 1½ 2 2½ 3 3½"_s);
    EXPECT_EQ(RulerTicks::ticks(101.6, 2, MeasureUnit::inches).size(), 33);
    EXPECT_EQ(RulerTicks::ticks(101.6, 2.21, MeasureUnit::inches).size(), 65);

    EXPECT_EQ(RulerTicks::ticks(10, 10, MeasureUnit::mm).at(5).kind, RulerTick::Kind::medium);
    // Only the part on screen is listed.
    const QList<RulerTick> part = RulerTicks::ticks(1000, 10, MeasureUnit::mm, 95, 130);
    ASSERT_EQ(part.size(), 4);
    EXPECT_DOUBLE_EQ(part.first().position, 100);
}

TEST(ColumnDrop, PayloadsNameColumnsAndLandOnlyOnTextBarcodesAndQRCodes) {
    LabelDocument doc(u"Drop"_s, 40, 30);
    LabelElement text(ElementKind::text), box(ElementKind::box);
    text.x = 0, text.y = 0, text.width = 10, text.height = 10;
    box.x = 20, box.y = 0, box.width = 10, box.height = 10;
    doc.elements = {text, box};
    std::optional<std::pair<QUuid, QString>> dropped;
    ColumnDropDelegate delegate(
        [&](QPointF mm) { return ColumnDropDelegate::columnTarget(doc, mm); },
        [&](const QUuid& id, const QString& column) { dropped = std::pair(id, column); });
    QMimeData column, plain;
    column.setText(u"column:Name"_s);
    plain.setText(u"Name"_s);

    EXPECT_TRUE(delegate.dropUpdated({5, 5}, column));
    EXPECT_EQ(delegate.target(), text.id);
    EXPECT_FALSE(delegate.dropUpdated({25, 5}, column)) << "a box takes no column";
    EXPECT_EQ(delegate.target(), std::nullopt);
    EXPECT_FALSE(delegate.dropUpdated({5, 5}, plain)) << "text that is not a column";
    EXPECT_FALSE(delegate.performDrop({25, 5}, column));
    EXPECT_FALSE(dropped);
    delegate.dropUpdated({5, 5}, column);
    EXPECT_TRUE(delegate.performDrop({5, 5}, column));
    EXPECT_EQ(dropped, std::pair(text.id, u"Name"_s));
    EXPECT_EQ(delegate.target(), std::nullopt);
}
