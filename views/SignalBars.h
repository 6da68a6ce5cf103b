#pragma once

#include <QWidget>

namespace vantrel {

// A four-bar signal icon for one RSSI value, lit to its level in the secondary text colour.
class SignalBars : public QWidget {
    Q_OBJECT
public:
    explicit SignalBars(QWidget* parent = nullptr);

    int rssi() const { return m_rssi; }
    void setRssi(int rssi);
    // How many bars are lit.
    int bars() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_rssi = -100;
};

} // namespace vantrel
