#pragma once

#include <QWidget>

class QLabel;

namespace vantrel {

class PrinterManager;

// A one-line notice in orange that says why no printer can be found while the radio is
// missing, forbidden or off. Hidden, and so taking no space, otherwise.
class BluetoothStatusBanner : public QWidget {
    Q_OBJECT
public:
    explicit BluetoothStatusBanner(PrinterManager& printers, QWidget* parent = nullptr);

    // The notice shown, or nothing.
    QString text() const;

private:
    void refresh();

    PrinterManager& m_printers;
    QLabel* m_icon;
    QLabel* m_text;
};

} // namespace vantrel
