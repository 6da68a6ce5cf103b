// The pictures of the views (canvas, previews, icons) and the item clipboard.
#include "views/CanvasPicture.h"
#include "views/ElementClipboard.h"
#include "views/Icons.h"
#include "views/LabelPreview.h"
#include "views/PrinterDotsToggle.h"
#include "views/PrinterStatusLabel.h"

#include "LabelKit/model/Templates.h"
#include "LabelKit/platform/SettingsStore.h"
#include "LabelKit/printer/PrinterActivity.h"

#include <QCheckBox>
#include <QIcon>
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

bool onlyBlackAndWhite(const QImage& image) {
    const QImage mono = image.convertToFormat(QImage::Format_Mono, Qt::ThresholdDither);
    return mono.convertToFormat(image.format()) == image;
}

} // namespace

TEST(PrinterStatusLabel, TitleFollowsTheActivity) {
    const auto names = [](const QString& name) {
        return name == u"CT221B-A1"_s ? u"Front counter"_s : name;
    };
    const struct {
        PrinterActivity activity;
        std::optional<QString> preferred;
        const char* title;
    } cases[] = {
        {PrinterActivity::connecting(u"CT221B-A1"_s), {}, "Connecting Front counter…"},
        {PrinterActivity::printing(u"CT221B-A1"_s, 2, 10), {}, "Front counter 2/10"},
        {PrinterActivity::connected(u"CT221B-B2"_s), u"CT221B-A1"_s, "CT221B-B2"},
        {PrinterActivity::idle(), u"CT221B-A1"_s, "Front counter"},
        {PrinterActivity::idle(), {}, "Printers"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PrinterStatusLabel::describe(c.activity, c.preferred, names).title,
                  QString::fromUtf8(c.title))
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

// Every preview follows "Show printer dots", as the toggle sets it, at once: the exact print at one
// pixel per dot, or the smooth picture at the preview's detail.
TEST(LabelPreview, EveryPreviewFollowsTheShowDotsSettingAndAnUnrenderableLabelIsBlank) {
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

    // A label that cannot be rendered is shown blank.
    LabelDocument huge = Templates::blank();
    huge.widthMM = 1e12;
    LabelPreview blank(huge, LabelContext::preview(), 2, nullptr);
    EXPECT_TRUE(blank.image().isNull());
    EXPECT_FALSE(blank.grab().isNull());
}

// Without a desktop theme (as here, offscreen), every icon of the table comes from the
// fallback theme, so the application never shows an empty button.
TEST(Icons, EverySymbolOfTheTableResolvesWithoutADesktopTheme) {
    Icons::install();
    ASSERT_FALSE(Icons::symbols().isEmpty());
    for (const QString& symbol : Icons::symbols()) {
        const QIcon icon = Icons::icon(symbol);
        EXPECT_FALSE(icon.isNull()) << symbol.toStdString();
        // A missing SVG plugin gives an icon that draws nothing.
        QImage image = icon.pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32);
        QImage blank(image.size(), image.format());
        blank.fill(Qt::transparent);
        EXPECT_NE(image, blank) << symbol.toStdString();
    }
    EXPECT_TRUE(Icons::icon(u"no.such.symbol").isNull());
    for (const ElementKind kind : EnumTraits<ElementKind>::cases) {
        EXPECT_TRUE(Icons::symbols().contains(Icons::symbol(kind))) << rawValue(kind).toStdString();
    }
}
