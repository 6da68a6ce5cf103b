#pragma once

#include <QLocale>
#include <QString>

namespace vantrel {

// One of the two transfer settings as its stepper shows it: the label built around the value,
// the range and the step; the settings view configures its spin boxes from these. The write size is
// a whole number of bytes; the pause is shown with exactly one decimal in the user's number format.
struct TransferStepper {
    QString title; // "Write size"
    QString unit;  // "bytes"
    double minimum = 0;
    double maximum = 0;
    double step = 1;
    int decimals = 0;

    static TransferStepper writeSize();
    static TransferStepper pause();

    // "Write size: 237 bytes", "Pause between labels: 1.5 s" (1,5 where the user writes so):
    // prefix(), the value, suffix().
    QString label(double value, const QLocale& locale = QLocale()) const;
    QString prefix() const { return title + QStringLiteral(": "); }
    QString suffix() const { return u' ' + unit; }
};

} // namespace vantrel
