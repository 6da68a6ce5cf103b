#pragma once

#include <QWidget>

class QCheckBox;

namespace vantrel {

class SettingsStore;

// "Show printer dots", with its caption: switches every preview to the exact printer raster
// through the setting "preview.showPrinterDots" (false when absent), and follows the setting.
class PrinterDotsToggle : public QWidget {
    Q_OBJECT
public:
    explicit PrinterDotsToggle(SettingsStore& settings, QWidget* parent = nullptr);

    QCheckBox* toggle() const { return m_toggle; }

private:
    void refresh();

    SettingsStore& m_settings;
    QCheckBox* m_toggle;
};

} // namespace vantrel
