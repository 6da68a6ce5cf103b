#include "views/Icons.h"

#include <QIcon>
#include <QImage>

#include <gtest/gtest.h>

using namespace vantrel;

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
