#pragma once

#include "app/SaveOnQuit.h"

#include <QPointer>
#include <QToolBar>
#include <QUuid>
#include <QWidget>

class QAction;
class QLabel;
class QMenu;
class QScrollArea;
class QSplitter;

namespace vantrel {

class CommandHub;
class EditSession;
class InspectorColumn;
class LabelCanvas;
class ListPanelHost;
class PrinterStatusLabel;
class Services;
class ZoomBar;

// The editor of one stored label: the canvas in a scroll area with the zoom bar in its corner,
// the list panel below it, the inspector column on the right, and a tool bar to add items,
// show the printer's state, print and toggle the inspector. Everything it changes goes through
// its EditSession, which saves 0.6 s after the last change, at once before printing, and when
// the editor goes (or the application quits). Edit commands (undo, redo, cut, copy, paste,
// duplicate) act on this editor; "Import List (CSV)…" and "Print…" reach every open editor
// through the hub.
//
// Linux has no window subtitle: the window title is the label's name, and the tool bar starts
// with the name over its size ("40 × 30 mm"), as a header bar shows a title and subtitle.
class LabelEditor : public QWidget {
    Q_OBJECT
public:
    LabelEditor(const QUuid& labelID, Services& services, CommandHub& hub, SaveOnQuit& saveOnQuit,
                QWidget* parent = nullptr);
    ~LabelEditor() override;

    EditSession& session() const { return *m_session; }
    LabelCanvas& canvas() const { return *m_canvas; }
    ListPanelHost& listPanel() const { return *m_listPanel; }
    InspectorColumn& inspector() const { return *m_inspector; }
    ZoomBar& zoomBar() const { return *m_zoomBar; }
    QScrollArea& canvasScroll() const { return *m_scroll; }
    // The editor's tool bar, named "detailToolBar": a main window may take it into its own tool
    // bar area while the editor is shown. The editor deletes it when it goes.
    QToolBar* toolBar() const { return m_toolBar; }

    double zoom() const { return m_zoom; }
    void setZoom(double zoom);
    // Points per millimetre at which the canvas draws the label.
    double scale() const { return m_scale; }

    // Saves at once when loaded, then asks for the print sheet.
    void print();
    // Adds the edit commands to a menu (the window's Edit menu); they leave it with the editor.
    void addEditActions(QMenu* menu);

    QAction* undoAction() const { return m_undo; }
    QAction* redoAction() const { return m_redo; }
    QAction* cutAction() const { return m_cut; }
    QAction* copyAction() const { return m_copy; }
    QAction* pasteAction() const { return m_paste; }
    QAction* duplicateAction() const { return m_duplicate; }
    QAction* inspectorAction() const { return m_inspectorToggle; }

Q_SIGNALS:
    // The print sheet should open for session().document(), its list and ticked rows.
    void printRequested();
    // The printer status was clicked: the printer settings should open.
    void printerSettingsRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QToolBar* buildToolBar(Services& services);
    QWidget* buildCanvasArea(Services& services);
    void buildEditActions();
    void layoutCanvas();
    void refreshTitle();
    void refreshEditActions();
    void copySelection();
    void cutSelection();
    void paste();

    Services& m_services;
    EditSession* m_session;
    SaveOnQuit::Registration m_flush;
    QPointer<QToolBar> m_toolBar;
    QLabel* m_title = nullptr;
    QLabel* m_subtitle = nullptr;
    PrinterStatusLabel* m_printerStatus = nullptr;
    QAction* m_inspectorToggle = nullptr;
    QWidget* m_canvasArea = nullptr;
    QScrollArea* m_scroll = nullptr;
    QWidget* m_canvasHost = nullptr;
    LabelCanvas* m_canvas = nullptr;
    ZoomBar* m_zoomBar = nullptr;
    QSplitter* m_split = nullptr;
    ListPanelHost* m_listPanel = nullptr;
    InspectorColumn* m_inspector = nullptr;
    QAction* m_undo = nullptr;
    QAction* m_redo = nullptr;
    QAction* m_cut = nullptr;
    QAction* m_copy = nullptr;
    QAction* m_paste = nullptr;
    QAction* m_duplicate = nullptr;
    QAction* m_editSeparator = nullptr;
    double m_zoom = 1;
    double m_scale = 2;
    bool m_splitPlaced = false;
};

} // namespace vantrel
