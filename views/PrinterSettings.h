#pragma once

#include <QWidget>

class QDoubleSpinBox;
class QSpinBox;

namespace vantrel {

class PrinterManager;
class PrinterRegistry;
class PrintersList;

// The printer settings: the printers list, and the "Advanced" group whose two steppers set the
// write size and the pause between labels in the manager's registry, which stores them at once.
// Each stepper's text is rebuilt from its value on every change.
class PrinterSettings : public QWidget {
    Q_OBJECT
public:
    explicit PrinterSettings(PrinterManager& printers, QWidget* parent = nullptr);

    PrintersList* printersList() const { return m_list; }
    QSpinBox* writeSize() const { return m_writeSize; }
    QDoubleSpinBox* pause() const { return m_pause; }

private:
    void refresh();

    PrinterRegistry& m_registry;
    PrintersList* m_list;
    QSpinBox* m_writeSize;
    QDoubleSpinBox* m_pause;
};

} // namespace vantrel
