#pragma once

#include <QWidget>

namespace vantrel {

class EditSession;
class ListPanel;

// The list panel's place below the canvas. It shows the attached list, takes CSV files dropped
// on it (the first file of a drop; the store decides what it can read), opens the CSV chooser,
// and attaches, replaces and removes the list through the session. An import that fails leaves
// the design as it was and shows its message under "Couldn't import". The list panel inside
// asks for chooseFile() to import or replace a list and removeList() to remove it.
class ListPanelHost : public QWidget {
    Q_OBJECT
public:
    explicit ListPanelHost(EditSession& session, QWidget* parent = nullptr);

    // Opens the CSV chooser, window-modal; a chosen file is attached.
    void chooseFile();
    // Attaches the file as the label's list, replacing any; false (after the alert) on failure.
    bool attach(const QString& path);
    void removeList();

    // A drag of files is over the panel (it shows the accent overlay).
    bool dropHighlight() const { return m_dropHighlight; }
    ListPanel& panel() const { return *m_panel; }

    QSize sizeHint() const override { return {480, 230}; }
    QSize minimumSizeHint() const override { return {240, 110}; }

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void setDropHighlight(bool on);
    void showError(const QString& message);

    EditSession& m_session;
    bool m_dropHighlight = false;
    ListPanel* m_panel;
    QWidget* m_overlay;
};

} // namespace vantrel
