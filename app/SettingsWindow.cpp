#include "app/SettingsWindow.h"

#include "views/PrinterSettings.h"

#include <QScrollArea>
#include <QVBoxLayout>

namespace vantrel {

SettingsWindow::SettingsWindow(PrinterManager& printers, QWidget* parent)
    : QDialog(parent), m_content(new PrinterSettings(printers)) {
    setWindowTitle(QStringLiteral("Preferences"));
    setFixedSize(520, 460);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* scroll = new QScrollArea(this);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setWidget(m_content);
    layout->addWidget(scroll);
}

} // namespace vantrel
