#pragma once

#include <QDialog>

namespace vantrel {

class PrinterManager;
class PrinterSettings;

// The application's settings window, 520 × 460: the printer settings, scrolling when many
// printers are listed. Changes apply at once; Escape closes it.
class SettingsWindow : public QDialog {
    Q_OBJECT
public:
    explicit SettingsWindow(PrinterManager& printers, QWidget* parent = nullptr);

    PrinterSettings& content() const { return *m_content; }

private:
    PrinterSettings* m_content;
};

} // namespace vantrel
