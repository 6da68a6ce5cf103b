#include "views/Icons.h"

#include <QPainter>
#include <QStringList>

#include <array>
#include <utility>

namespace vantrel::Icons {

namespace {

struct Entry {
    const char16_t* symbol;
    const char16_t* theme;
};

// Checked against Breeze 5.103; Adwaita knows fewer of them.
constexpr std::array table{
    Entry{u"antenna.radiowaves.left.and.right", u"network-wireless"},
    Entry{u"arrow.down.doc", u"document-import"},
    Entry{u"arrow.triangle.2.circlepath", u"view-refresh"},
    Entry{u"barcode", u"view-barcode"},
    Entry{u"bolt.horizontal.circle", u"quickopen"},
    Entry{u"cellularbars", u"network-mobile-100"},
    Entry{u"checkmark.circle", u"checkmark"},
    Entry{u"checkmark.circle.fill", u"emblem-success"},
    Entry{u"chevron.left", u"go-previous"},
    Entry{u"chevron.right", u"go-next"},
    Entry{u"circle", u"draw-circle"},
    Entry{u"circle.dotted", u"transform-move"},
    Entry{u"curlybraces", u"code-context"},
    Entry{u"ellipsis.circle", u"overflow-menu"},
    Entry{u"exclamationmark.triangle", u"dialog-warning"},
    Entry{u"hand.raised", u"transform-browse"},
    Entry{u"info.circle", u"dialog-information"},
    Entry{u"line.diagonal", u"draw-line"},
    Entry{u"list.bullet.rectangle", u"view-list-details"},
    Entry{u"magnifyingglass", u"edit-find"},
    Entry{u"minus", u"list-remove"},
    Entry{u"pencil", u"document-edit"},
    Entry{u"photo", u"insert-image"},
    Entry{u"plus", u"list-add"},
    Entry{u"plus.square.on.square", u"edit-duplicate"},
    Entry{u"printer", u"document-print"},
    Entry{u"printer.dotmatrix", u"document-print-direct"},
    Entry{u"printer.fill", u"printer"},
    Entry{u"qrcode", u"view-barcode-qr"},
    Entry{u"rectangle", u"draw-rectangle"},
    Entry{u"rotate.right", u"object-rotate-right"},
    Entry{u"sidebar.left", u"view-left-new"},
    Entry{u"sidebar.right", u"view-right-new"},
    Entry{u"square.2.layers.3d.bottom.filled", u"object-order-back"},
    Entry{u"square.2.layers.3d.top.filled", u"object-order-front"},
    Entry{u"star", u"rating-unrated"},
    Entry{u"star.fill", u"rating"},
    Entry{u"tablecells", u"table"},
    Entry{u"tablecells.badge.ellipsis", u"insert-table"},
    Entry{u"tag", u"tag"},
    Entry{u"text.aligncenter", u"format-justify-center"},
    Entry{u"text.alignleft", u"format-justify-left"},
    Entry{u"text.alignright", u"format-justify-right"},
    Entry{u"textformat", u"insert-text"},
    Entry{u"trash", u"edit-delete"},
    Entry{u"xmark.circle.fill", u"edit-clear"},
    Entry{u"xmark.octagon", u"process-stop"},
};

} // namespace

void install() {
    QStringList paths = QIcon::themeSearchPaths();
    for (const QString& path :
         {QStringLiteral("/usr/share/icons"), QStringLiteral("/usr/local/share/icons")}) {
        if (!paths.contains(path)) {
            paths.append(path);
        }
    }
    QIcon::setThemeSearchPaths(paths);
    QIcon::setFallbackThemeName(QStringLiteral("breeze"));
    // Without a desktop theme Qt looks in no theme at all, not even the fallback; hicolor, the
    // base of every theme, makes the lookup start and fall through to Breeze.
    if (QIcon::themeName().isEmpty()) {
        QIcon::setThemeName(QStringLiteral("hicolor"));
    }
}

QString themeName(QStringView symbol) {
    for (const Entry& entry : table) {
        if (symbol == QStringView(entry.symbol)) {
            return QString::fromUtf16(entry.theme);
        }
    }
    return {};
}

QIcon icon(QStringView symbol) {
    const QString name = themeName(symbol);
    return name.isEmpty() ? QIcon() : QIcon::fromTheme(name);
}

QString symbol(ElementKind kind) {
    switch (kind) {
    case ElementKind::text:
        return QStringLiteral("textformat");
    case ElementKind::barcode:
        return QStringLiteral("barcode");
    case ElementKind::qr:
        return QStringLiteral("qrcode");
    case ElementKind::line:
        return QStringLiteral("line.diagonal");
    case ElementKind::box:
        return QStringLiteral("rectangle");
    case ElementKind::ellipse:
        return QStringLiteral("circle");
    case ElementKind::image:
        return QStringLiteral("photo");
    }
    return {};
}

QIcon icon(ElementKind kind) {
    return icon(symbol(kind));
}

QPixmap tinted(QStringView symbol, const QColor& color, int size, qreal devicePixelRatio) {
    QPixmap pixmap = icon(symbol).pixmap(QSize(size, size), devicePixelRatio);
    if (pixmap.isNull()) {
        return pixmap;
    }
    QPainter painter(&pixmap);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(QRect(QPoint(0, 0), pixmap.deviceIndependentSize().toSize()), color);
    return pixmap;
}

QStringList symbols() {
    QStringList names;
    for (const Entry& entry : table) {
        names.append(QString::fromUtf16(entry.symbol));
    }
    return names;
}

} // namespace vantrel::Icons
