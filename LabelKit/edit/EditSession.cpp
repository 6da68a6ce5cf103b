#include "LabelKit/edit/EditSession.h"

#include "LabelKit/model/UserError.h"
#include "LabelKit/platform/Clock.h"
#include "LabelKit/store/LabelStore.h"

#include <QUndoCommand>

#include <algorithm>
#include <cmath>

namespace vantrel {

namespace {

double quarter(double mm) {
    return std::round(mm * 4) / 4;
}

// The ids of the items that differ between two versions of a design, by id and by place.
QSet<QUuid> changedElements(const LabelDocument& before, const LabelDocument& after) {
    QSet<QUuid> ids;
    const qsizetype common = std::min(before.elements.size(), after.elements.size());
    for (qsizetype i = 0; i < common; ++i) {
        if (before.elements[i] != after.elements[i]) {
            ids.insert(before.elements[i].id);
            ids.insert(after.elements[i].id);
        }
    }
    for (qsizetype i = common; i < before.elements.size(); ++i) {
        ids.insert(before.elements[i].id);
    }
    for (qsizetype i = common; i < after.elements.size(); ++i) {
        ids.insert(after.elements[i].id);
    }
    return ids;
}

bool labelFieldsDiffer(const LabelDocument& a, const LabelDocument& b) {
    return a.id != b.id || a.name != b.name || a.widthMM != b.widthMM || a.heightMM != b.heightMM ||
           a.gapMM != b.gapMM || a.density != b.density || a.modified != b.modified ||
           a.dataName != b.dataName || a.dataHasHeader != b.dataHasHeader;
}

qsizetype indexOf(const LabelDocument& document, const QUuid& id) {
    for (qsizetype i = 0; i < document.elements.size(); ++i) {
        if (document.elements[i].id == id) {
            return i;
        }
    }
    return -1;
}

// Centred on the label on quarter millimetres.
void centre(LabelElement& element, const LabelDocument& document) {
    element.x = quarter((document.widthMM - element.width) * 0.5);
    element.y = quarter((document.heightMM - element.height) * 0.5);
}

} // namespace

// One step: the design and selection before and after. Steps of one gesture merge.
class EditSession::SnapshotCommand : public QUndoCommand {
public:
    SnapshotCommand(EditSession* session, const QString& text, State before, State after,
                    QString mergeKey, quint64 gesture)
        : QUndoCommand(text)
        , m_session(session)
        , m_before(std::move(before))
        , m_after(std::move(after))
        , m_mergeKey(std::move(mergeKey))
        , m_gesture(gesture) {}

    int id() const override { return m_mergeKey.isEmpty() ? -1 : 1; }

    bool mergeWith(const QUndoCommand* other) override {
        const auto* next = dynamic_cast<const SnapshotCommand*>(other);
        if (!next || next->m_mergeKey != m_mergeKey || next->m_gesture != m_gesture) {
            return false;
        }
        m_after = next->m_after;
        // A gesture that ended where it began leaves no step behind.
        setObsolete(m_after.document == m_before.document);
        return true;
    }

    void redo() override { m_session->applyState(m_after); }
    void undo() override { m_session->applyState(m_before); }

private:
    EditSession* m_session;
    State m_before;
    State m_after;
    QString m_mergeKey;
    quint64 m_gesture;
};

EditSession::EditSession(LabelStore* store, const QUuid& id, QObject* parent)
    : QObject(parent), m_store(store), m_id(id), m_saveTimer(new Timer(this)) {
    // Any move through the history other than a new step ends the gesture.
    connect(&m_undo, &QUndoStack::indexChanged, this, [this] {
        if (!m_pushing) {
            ++m_gesture;
        }
    });
    connect(m_saveTimer, &Timer::timeout, this, [this] { saveNow(); });
    connect(m_store, &LabelStore::labelRemoved, this,
            [this](const QUuid& removed) { labelRemoved(removed); });
    load();
}

EditSession::~EditSession() {
    saveNow();
    // The stack announces its clearing as it goes; nothing here should hear it.
    disconnect(&m_undo, nullptr, this, nullptr);
}

bool EditSession::load() {
    if (m_loaded) {
        return true;
    }
    const std::optional<LabelDocument> stored = m_store->label(m_id);
    if (!stored) {
        return false;
    }
    setDocument(*stored);
    m_loaded = true;
    Q_EMIT loadedChanged();
    return true;
}

void EditSession::setSelection(const std::optional<QUuid>& id) {
    if (id == m_selection) {
        return;
    }
    m_selection = id;
    Q_EMIT selectionChanged();
}

const LabelElement* EditSession::selectedElement() const {
    return m_selection ? m_document.element(*m_selection) : nullptr;
}

QUuid EditSession::addElement(ElementKind kind) {
    LabelElement element(kind);
    element.width = std::min(element.width, m_document.widthMM - 2);
    element.height = std::min(element.height, m_document.heightMM - 2);
    centre(element, m_document);
    State after{m_document, element.id};
    after.document.elements.append(element);
    push(QStringLiteral("Add ") + title(kind), std::move(after), {});
    return element.id;
}

bool EditSession::deleteSelection() {
    if (!selectedElement()) {
        return false;
    }
    State after{m_document, std::nullopt};
    after.document.elements.removeIf([&](const LabelElement& e) { return e.id == m_selection; });
    push(QStringLiteral("Delete"), std::move(after), {});
    return true;
}

std::optional<QUuid> EditSession::duplicateSelection() {
    const LabelElement* selected = selectedElement();
    if (!selected) {
        return std::nullopt;
    }
    LabelElement copy = *selected;
    copy.id = QUuid::createUuid();
    copy.x += 1;
    copy.y += 1;
    State after{m_document, copy.id};
    after.document.elements.append(copy);
    push(QStringLiteral("Duplicate"), std::move(after), {});
    return copy.id;
}

void EditSession::reorderSelection(int direction) {
    const qsizetype i = m_selection ? indexOf(m_document, *m_selection) : -1;
    if (i < 0 || direction == 0) {
        return;
    }
    const qsizetype j =
        std::clamp<qsizetype>(i + (direction > 0 ? 1 : -1), 0, m_document.elements.size() - 1);
    if (i == j) {
        return;
    }
    State after{m_document, m_selection};
    after.document.elements.swapItemsAt(i, j);
    push(direction > 0 ? QStringLiteral("Bring Forward") : QStringLiteral("Send Backward"),
         std::move(after), {});
}

double EditSession::nudgeStep(MeasureUnit unit, bool shift) {
    if (unit == MeasureUnit::inches) {
        return MeasureUnit::mmPerInch / (shift ? 8 : 64);
    }
    return shift ? 1.0 : 0.25;
}

bool EditSession::nudge(Arrow arrow, bool shift, MeasureUnit unit, bool autoRepeat) {
    const LabelElement* selected = selectedElement();
    if (!selected) {
        return false;
    }
    if (selected->locked) {
        return true;
    }
    if (!autoRepeat) {
        endGesture();
    }
    const double step = nudgeStep(unit, shift);
    editElement(
        selected->id, QStringLiteral("Move"),
        [&](LabelElement& e) {
            switch (arrow) {
            case Arrow::up:
                e.y -= step;
                break;
            case Arrow::down:
                e.y += step;
                break;
            case Arrow::left:
                e.x -= step;
                break;
            case Arrow::right:
                e.x += step;
                break;
            }
        },
        QStringLiteral("nudge"));
    return true;
}

bool EditSession::handleKey(int key, Qt::KeyboardModifiers modifiers, bool autoRepeat,
                            MeasureUnit unit) {
    const bool shift = modifiers.testFlag(Qt::ShiftModifier);
    switch (key) {
    case Qt::Key_Up:
        return nudge(Arrow::up, shift, unit, autoRepeat);
    case Qt::Key_Down:
        return nudge(Arrow::down, shift, unit, autoRepeat);
    case Qt::Key_Left:
        return nudge(Arrow::left, shift, unit, autoRepeat);
    case Qt::Key_Right:
        return nudge(Arrow::right, shift, unit, autoRepeat);
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
        return deleteSelection();
    default:
        return false;
    }
}

void EditSession::dropColumn(const QUuid& element, const QString& column) {
    const qsizetype i = indexOf(m_document, element);
    if (i < 0) {
        return;
    }
    State after{m_document, element};
    after.document.elements[i].content = u'{' + column + u'}';
    push(QStringLiteral("Insert Column"), std::move(after), {});
}

QUuid EditSession::paste(const LabelElement& element) {
    LabelElement copy = element;
    copy.id = QUuid::createUuid();
    copy.x += 1;
    copy.y += 1;
    const bool fits = copy.x >= 0 && copy.y >= 0 && copy.x + copy.width <= m_document.widthMM &&
                      copy.y + copy.height <= m_document.heightMM;
    if (!fits) {
        centre(copy, m_document);
    }
    State after{m_document, copy.id};
    after.document.elements.append(copy);
    push(QStringLiteral("Paste"), std::move(after), {});
    return copy.id;
}

bool EditSession::editDocument(const QString& text,
                               const std::function<void(LabelDocument&)>& change,
                               const QString& gesture) {
    State after{m_document, m_selection};
    change(after.document);
    if (after.document == m_document) {
        return false;
    }
    if (after.selection && !after.document.element(*after.selection)) {
        after.selection.reset();
    }
    push(text, std::move(after), gesture);
    return true;
}

bool EditSession::editElement(const QUuid& element, const QString& text,
                              const std::function<void(LabelElement&)>& change,
                              const QString& gesture) {
    const qsizetype i = indexOf(m_document, element);
    if (i < 0) {
        return false;
    }
    State after{m_document, m_selection};
    change(after.document.elements[i]);
    if (after.document == m_document) {
        return false;
    }
    push(text, std::move(after),
         gesture.isEmpty() ? QString() : gesture + u' ' + element.toString());
    return true;
}

void EditSession::endGesture() {
    ++m_gesture;
}

std::optional<DataTable> EditSession::table() const {
    return m_store->table(m_document);
}

void EditSession::attachList(const QString& path) {
    if (!m_loaded) {
        // The stand-by design has no place in the library for a list file.
        throw UserError(QStringLiteral("The label is not in the library."));
    }
    LabelDocument bound = m_store->attachData(m_document, path);
    const bool sameName = bound.dataName == m_document.dataName;
    setDocument(std::move(bound));
    if (sameName) {
        Q_EMIT tableChanged(); // a new file under the same name
    }
    resetRows();
    saveNow();
}

void EditSession::removeList() {
    setDocument(m_store->detachData(m_document));
    resetRows();
    saveNow();
}

void EditSession::setPreviewRow(qsizetype row) {
    row = std::max<qsizetype>(row, 0);
    if (row == m_previewRow) {
        return;
    }
    m_previewRow = row;
    Q_EMIT previewRowChanged();
}

void EditSession::stepPreviewRow(int delta) {
    const qsizetype rows = table().value_or(DataTable{}).rows.size();
    setPreviewRow(delta < 0 ? m_previewRow - 1 : std::min(m_previewRow + 1, rows - 1));
}

void EditSession::setTickedRows(const QSet<qsizetype>& rows) {
    if (rows == m_tickedRows) {
        return;
    }
    m_tickedRows = rows;
    Q_EMIT tickedRowsChanged();
}

void EditSession::toggleTickedRow(qsizetype row) {
    if (!m_tickedRows.remove(row)) {
        m_tickedRows.insert(row);
    }
    Q_EMIT tickedRowsChanged();
}

LabelContext EditSession::mergeContext() const {
    LabelContext context = LabelContext::preview();
    if (const std::optional<DataTable> list = table()) {
        const qsizetype last = std::max<qsizetype>(list->rows.size() - 1, 0);
        context.fields = list->record(std::min(m_previewRow, last));
    }
    return context;
}

bool EditSession::saveNow() {
    m_saveTimer->stop();
    if (!m_loaded) {
        return false;
    }
    if (m_unsaved) {
        if (!m_store->save(m_document)) {
            return false;
        }
        m_unsaved = false;
    }
    return true;
}

void EditSession::push(const QString& text, State after, const QString& mergeKey) {
    auto* command = new SnapshotCommand(this, text, State{m_document, m_selection},
                                        std::move(after), mergeKey, m_gesture);
    m_pushing = true;
    m_undo.push(command); // applies the step
    m_pushing = false;
}

void EditSession::applyState(const State& state) {
    LabelDocument document = state.document;
    document.dataName = m_document.dataName; // the list follows its file, not the history
    setDocument(std::move(document));
    setSelection(state.selection);
}

void EditSession::setDocument(LabelDocument document) {
    if (document == m_document) {
        return;
    }
    const QSet<QUuid> elements = changedElements(m_document, document);
    const bool label = labelFieldsDiffer(m_document, document);
    const bool list = document.dataName != m_document.dataName ||
                      document.dataHasHeader != m_document.dataHasHeader;
    m_document = std::move(document);
    if (m_loaded) {
        m_unsaved = true;
        m_saveTimer->start(Clock::duration(autosaveDelay));
    }
    Q_EMIT documentChanged(elements, label);
    if (list) {
        Q_EMIT tableChanged();
    }
}

void EditSession::resetRows() {
    setPreviewRow(0);
    setTickedRows({});
}

void EditSession::labelRemoved(const QUuid& id) {
    if (id != m_id || !m_loaded) {
        return;
    }
    // Saving now would bring the deleted label back.
    m_saveTimer->stop();
    m_loaded = false;
    m_unsaved = false;
    Q_EMIT loadedChanged();
}

} // namespace vantrel
