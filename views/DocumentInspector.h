#pragma once

#include <QWidget>

#include <functional>

class QLineEdit;
class QSpinBox;
class QToolButton;

namespace vantrel {

class EditSession;
class MMField;
class SettingsStore;
struct LabelDocument;

// The inspector of the label itself, shown when no item is selected: its name, size (stock
// sizes or typed), gap and darkness, the display unit, the printer-dots switch and a tip. Every
// change is an undo step of the session; typing into one field is one step until the field is
// left. Follows the design and the unit setting without being rebuilt.
class DocumentInspector : public QWidget {
    Q_OBJECT
public:
    DocumentInspector(EditSession& session, SettingsStore& settings, QWidget* parent = nullptr);

    // The "Stock size" menu button, whose text is the current size.
    QToolButton* stockSize() const { return m_stockSize; }

private:
    bool edit(const QString& field, const std::function<void(LabelDocument&)>& change,
              bool typing = false);
    void refresh();
    void refreshStockSizes();

    EditSession& m_session;
    SettingsStore& m_settings;
    QLineEdit* m_name;
    QToolButton* m_stockSize;
    MMField* m_width;
    MMField* m_height;
    MMField* m_gap;
    QSpinBox* m_darkness;
};

} // namespace vantrel
