#pragma once

#include "LabelKit/merge/DataTable.h"
#include "LabelKit/merge/LabelContext.h"
#include "LabelKit/model/LabelDocument.h"
#include "LabelKit/model/MeasureUnit.h"

#include <QObject>
#include <QSet>
#include <QString>
#include <QUndoStack>
#include <QUuid>

#include <functional>
#include <optional>

namespace vantrel {

class LabelStore;
class Timer;

// The editing state of one stored label, without any widget: the working copy of the design,
// the selected item, the undo history, the list's preview row and ticked rows, and the
// delayed save. Views show its state, route their events to its commands, and follow its
// signals; they never change the document themselves.
//
// Every change of the document is one step on undoStack(), named for the Edit menu ("Move",
// "Add Text", "Delete"); undo and redo restore the selection of their step. A continuous
// gesture (a drag, a held arrow key, typing into one field) is one step: its edits carry the
// same gesture name and merge until endGesture(), an undo or a redo.
//
// The attached list is not part of the history: attaching, replacing and removing a list
// change files in the store, so undo and redo keep whatever list is attached now.
//
// Saving: every change while loaded() schedules a save through the store 0.6 s later on the
// platform clock, restarting the wait, so a burst of edits saves once. saveNow() saves at once
// (before printing); destroying the session saves what is unsaved. Nothing is saved before the
// label has loaded, nor after the store removed it. Save failures are the store's to report
// (its lastError). Lives on the interface thread.
class EditSession : public QObject {
    Q_OBJECT
public:
    enum class Arrow { up, down, left, right };

    static constexpr double autosaveDelay = 0.6; // clock seconds

    // Loads the label with the id from the store, which must outlive the session. Without it,
    // the session keeps a stand-by design ("Untitled", 40 x 30 mm) until load() finds it, and
    // saves nothing.
    EditSession(LabelStore* store, const QUuid& id, QObject* parent = nullptr);
    ~EditSession() override;

    LabelStore* store() const { return m_store; }
    const QUuid& id() const { return m_id; }
    const LabelDocument& document() const { return m_document; }
    bool loaded() const { return m_loaded; }
    // Takes the stored label when not loaded yet; true when loaded.
    bool load();

    QUndoStack* undoStack() { return &m_undo; }

    const std::optional<QUuid>& selection() const { return m_selection; }
    // Not an undo step.
    void setSelection(const std::optional<QUuid>& id);
    // The selected item, or nullptr when nothing is selected or the id is not in the document.
    const LabelElement* selectedElement() const;

    // Editor commands. Each is one undo step when it changes something.

    // A new item of the kind with its defaults, shrunk to fit 1 mm inside the label, centred
    // on quarter millimetres, on top, and selected. Returns its id.
    QUuid addElement(ElementKind kind);
    // Removes the selected item, locked or not, and clears the selection. False when nothing
    // in the document is selected.
    bool deleteSelection();
    // A copy of the selected item with a fresh id, 1 mm right and down, on top, selected.
    std::optional<QUuid> duplicateSelection();
    // Swaps the selected item with its neighbour above (+1) or below (-1) in drawing order;
    // nothing at either end.
    void reorderSelection(int direction);
    // Moves the selected item one step (nudgeStep); a locked item stays where it is. True
    // (handled) whenever an item of the document is selected. Key repeats of a held key
    // (autoRepeat) merge into the step of the press.
    bool nudge(Arrow arrow, bool shift, MeasureUnit unit, bool autoRepeat = false);
    // The canvas keyboard: arrows nudge, Backspace and Delete delete. True when handled.
    bool handleKey(int key, Qt::KeyboardModifiers modifiers, bool autoRepeat, MeasureUnit unit);
    // 0.25 mm or 1 mm with Shift; in inches 1/64 inch or 1/8 inch with Shift.
    static double nudgeStep(MeasureUnit unit, bool shift);
    // The item's content becomes "{column}". Nothing when no item has the id.
    void dropColumn(const QUuid& element, const QString& column);
    // Inserts a copy of the item with a fresh id, on top and selected: 1 mm right and down of
    // its position when its box stays on the label there, else centred on quarter millimetres.
    QUuid paste(const LabelElement& element);

    // Any other edit as one undo step named `text`: the change applies to a copy, and nothing
    // is recorded when it changes nothing. Edits with the same non-empty gesture (and, for
    // editElement, the same item) merge into one step until endGesture(). The selection stays,
    // or is cleared when its item is gone. False when nothing changed or no item has the id.
    bool editDocument(const QString& text, const std::function<void(LabelDocument&)>& change,
                      const QString& gesture = {});
    bool editElement(const QUuid& element, const QString& text,
                     const std::function<void(LabelElement&)>& change, const QString& gesture = {});
    // Ends the current gesture (a drag released, a field left): the next edit is a new step.
    void endGesture();

    // The attached list, read through the store's cache; absent without one.
    std::optional<DataTable> table() const;
    // Copies the file into the store as the label's list, saves the label at once, and resets
    // the preview row and the ticks. Throws UserError with the store's message (for the
    // "Couldn't import" alert), or when the label has not loaded; the document is then
    // unchanged.
    void attachList(const QString& path);
    // Removes the list file and the binding, saves at once, resets the preview row and ticks.
    void removeList();

    // The list row whose values the canvas shows (zero-based).
    qsizetype previewRow() const { return m_previewRow; }
    void setPreviewRow(qsizetype row);
    // Previous (-1) or next (+1) row, kept within the list.
    void stepPreviewRow(int delta);
    // The ticked rows, which the print sheet prints.
    const QSet<qsizetype>& tickedRows() const { return m_tickedRows; }
    void setTickedRows(const QSet<qsizetype>& rows);
    void toggleTickedRow(qsizetype row);

    // The merge values of the canvas and the inspector: serial 1, no padding, today, and the
    // fields of the preview row (the last row when it lies beyond), none without a list.
    LabelContext mergeContext() const;

    // Saves at once when loaded and changed since the last save, and cancels the pending
    // save. True when the store holds the working document afterwards.
    bool saveNow();
    bool hasUnsavedChanges() const { return m_unsaved; }

Q_SIGNALS:
    // After every change of the working document (edit, undo, redo, list, load): the items
    // added, removed or changed (a reorder changes the items it swaps), and whether a field of
    // the label itself changed (name, size, gap, density, list).
    void documentChanged(const QSet<QUuid>& elements, bool label);
    void selectionChanged();
    void loadedChanged();
    // The attached list changed: attached, replaced, removed, or read with another header flag.
    void tableChanged();
    void previewRowChanged();
    void tickedRowsChanged();

private:
    class SnapshotCommand;
    struct State {
        LabelDocument document;
        std::optional<QUuid> selection;
    };

    void push(const QString& text, State after, const QString& mergeKey);
    void applyState(const State& state);
    void setDocument(LabelDocument document);
    void resetRows();
    void labelRemoved(const QUuid& id);

    LabelStore* m_store;
    QUuid m_id;
    LabelDocument m_document;
    bool m_loaded = false;
    bool m_unsaved = false;
    std::optional<QUuid> m_selection;
    qsizetype m_previewRow = 0;
    QSet<qsizetype> m_tickedRows;
    QUndoStack m_undo;
    quint64 m_gesture = 0; // steps merge only within one gesture
    bool m_pushing = false;
    Timer* m_saveTimer;
};

} // namespace vantrel
