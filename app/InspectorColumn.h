#pragma once

#include <QUuid>
#include <QWidget>

class QScrollArea;

namespace vantrel {

class EditSession;
class SettingsStore;

// The editor's right-hand column, 320 points wide: the inspector of the selected item, or of
// the label itself when nothing (or an item no longer in the design) is selected. It follows
// the session's selection and slides in and out from the trailing edge.
class InspectorColumn : public QWidget {
    Q_OBJECT
public:
    static constexpr int columnWidth = 320;

    InspectorColumn(EditSession& session, SettingsStore& settings, QWidget* parent = nullptr);

    // Slides the column in or out over 0.2 s (at once when `animated` is false).
    void setShown(bool shown, bool animated = true);
    bool shown() const { return m_shown; }
    // The inspector on show: the element inspector or the document inspector.
    QWidget* inspector() const { return m_inspector; }

private:
    void rebuild();

    EditSession& m_session;
    SettingsStore& m_settings;
    QScrollArea* m_scroll;
    QWidget* m_inspector = nullptr;
    QUuid m_target; // the item inspected; null for the label itself
    bool m_shown = true;
    bool m_pending = false;
};

} // namespace vantrel
