#include "views/CanvasPicture.h"
#include "views/ElementClipboard.h"
#include "views/PrinterStatusLabel.h"

#include "LabelKit/model/Templates.h"
#include "LabelKit/printer/PrinterActivity.h"

#include <QImage>
#include <QMimeData>
#include <QPainter>

#include <gtest/gtest.h>

using namespace vantrel;
using namespace Qt::StringLiterals;

namespace {

// The label's picture as the canvas paints it, at one pixel per printer dot (so that no
// resampling hides a misplaced layer).
QImage painted(CanvasPicture& picture, const LabelDocument& document,
               const std::optional<QUuid>& moving = std::nullopt) {
    QImage image(int(document.widthMM * 8), int(document.heightMM * 8), QImage::Format_RGB32);
    QPainter painter(&image);
    picture.paint(painter, QRectF(image.rect()), document, LabelContext::preview(), false, moving);
    return image;
}

int largestDifference(const QImage& a, const QImage& b) {
    int most = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            most = std::max(most, std::abs(qGray(a.pixel(x, y)) - qGray(b.pixel(x, y))));
        }
    }
    return most;
}

} // namespace

TEST(PrinterStatusLabel, TitleAndIconFollowTheActivity) {
    const auto names = [](const QString& name) {
        return name == u"CT221B-A1"_s ? u"Front counter"_s : name;
    };
    struct Case {
        PrinterActivity activity;
        std::optional<QString> preferred;
        PrinterStatusLabel::Status status;
    };
    for (const Case& c : {
             Case{PrinterActivity::connecting(u"CT221B-A1"_s),
                  {},
                  {u"Connecting Front counter…"_s, u"antenna.radiowaves.left.and.right"_s}},
             Case{PrinterActivity::printing(u"CT221B-A1"_s, 2, 10),
                  {},
                  {u"Front counter 2/10"_s, u"printer.dotmatrix"_s}},
             Case{PrinterActivity::connected(u"CT221B-B2"_s),
                  u"CT221B-A1"_s,
                  {u"CT221B-B2"_s, u"printer.fill"_s}},
             Case{PrinterActivity::idle(), u"CT221B-A1"_s, {u"Front counter"_s, u"printer"_s}},
             Case{PrinterActivity::idle(), {}, {u"Printers"_s, u"printer"_s}},
         }) {
        EXPECT_EQ(PrinterStatusLabel::describe(c.activity, c.preferred, names), c.status)
            << c.activity.toString().toStdString();
    }
}

// During a drag only the dragged item is drawn again, and the two layers make the same picture
// as drawing the whole label.
TEST(CanvasPicture, ADragRedrawsOnlyTheDraggedItemAndLooksLikeTheWholeLabel) {
    LabelDocument document = Templates::binTag();
    LabelElement box(ElementKind::box);
    box.x = 1, box.y = 1, box.width = 12, box.height = 8, box.filled = true;
    document.elements.insert(0, box); // beneath the text it overlaps
    const QUuid text = document.elements[1].id;
    CanvasPicture picture;
    painted(picture, document);
    painted(picture, document);
    EXPECT_EQ(picture.labelRenders(), 1) << "a repaint reuses the picture";

    QImage during;
    for (int step = 1; step <= 4; ++step) {
        document.elements[1].x += 0.25 * step;
        during = painted(picture, document, text);
    }
    EXPECT_EQ(picture.labelRenders(), 2) << "the rest of the label once";
    EXPECT_EQ(picture.itemRenders(), 4);

    CanvasPicture whole;
    EXPECT_LE(largestDifference(during, painted(whole, document)), 2);
    EXPECT_GT(largestDifference(during, painted(whole, Templates::binTag())), 128)
        << "the comparison sees a moved item";
}

TEST(ElementClipboard, CarriesTheWholeItemAsALabelFileDoesAndRefusesOtherData) {
    LabelElement item(ElementKind::barcode);
    item.content = u"{SKU}"_s;
    item.x = 3.25, item.rotation = 90, item.symbology = Symbology::ean13, item.locked = true;
    item.fontFamily = u"Courier"_s, item.imageData = QByteArray("\x89PNG", 4);
    std::unique_ptr<QMimeData> data(ElementClipboard::mimeData(item));
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(ElementClipboard::element(data.get()), item);

    item.width = qQNaN();
    EXPECT_EQ(ElementClipboard::mimeData(item), nullptr) << "not writable as JSON";
    QMimeData foreign;
    foreign.setText(u"hello"_s);
    EXPECT_EQ(ElementClipboard::element(&foreign), std::nullopt);
    foreign.setData(ElementClipboard::mimeType, "[1, 2]");
    EXPECT_EQ(ElementClipboard::element(&foreign), std::nullopt);
    foreign.setData(ElementClipboard::mimeType, R"({"kind": "qr", "width": "wide"})");
    const std::optional<LabelElement> repaired = ElementClipboard::element(&foreign);
    ASSERT_TRUE(repaired);
    EXPECT_EQ(repaired->width, LabelElement(ElementKind::qr).width);
}
