#include "views/BluetoothStatusBanner.h"

#include "views/BluetoothNotice.h"
#include "views/Icons.h"

#include "LabelKit/printer/PrinterManager.h"

#include <QHBoxLayout>
#include <QLabel>

namespace vantrel {

namespace {

const QColor orange(0xc8, 0x5a, 0x00);

} // namespace

BluetoothStatusBanner::BluetoothStatusBanner(PrinterManager& printers, QWidget* parent)
    : QWidget(parent), m_printers(printers), m_icon(new QLabel(this)), m_text(new QLabel(this)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 4);
    layout->addWidget(m_icon);
    layout->addWidget(m_text, 1);
    m_text->setTextFormat(Qt::PlainText);
    m_text->setWordWrap(true);
    QPalette palette = m_text->palette();
    palette.setColor(QPalette::WindowText, orange);
    m_text->setPalette(palette);
    connect(&printers, &PrinterManager::bluetoothStateChanged, this,
            &BluetoothStatusBanner::refresh);
    refresh();
}

QString BluetoothStatusBanner::text() const {
    return isHidden() ? QString() : m_text->text();
}

void BluetoothStatusBanner::refresh() {
    const std::optional<BluetoothNotice> notice =
        BluetoothNotice::forState(m_printers.bluetoothState());
    setHidden(!notice);
    if (notice) {
        m_icon->setPixmap(Icons::tinted(notice->symbol, orange, 16, devicePixelRatioF()));
        m_text->setText(notice->text);
        setAccessibleName(notice->text);
    }
}

} // namespace vantrel
