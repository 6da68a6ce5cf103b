#pragma once

#include <QUuid>
#include <QWidget>

#include <functional>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QFileDialog;
class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace vantrel {

class EditSession;
class MMField;
class NumberField;
class PlaceholderMenu;
class SettingsStore;
struct LabelElement;

// The inspector of one item of the session's design: the sections its kind shows
// (InspectorRules::sections), each a titled group of rows. Every change is an undo step of the
// session named after its field ("Change X"); typing into one field is one step until the
// field is left. The inspector follows the design (undo, canvas drags), the attached list (the
// "Data column" choices and the Insert menu's columns) and the preview row (the barcode check)
// without being rebuilt. Every control is named by its title (objectName and accessible name).
class ElementInspector : public QWidget {
    Q_OBJECT
public:
    ElementInspector(EditSession& session, SettingsStore& settings, const QUuid& element,
                     QWidget* parent = nullptr);

    const QUuid& element() const { return m_element; }

    // Opens the desktop's image chooser, window-modal; a chosen file becomes the item's picture.
    QFileDialog* choosePhoto();
    // Stores the file's bytes unchanged as the picture, or, when it is not a readable picture,
    // leaves the item as it is and shows why. True when stored.
    bool usePhoto(const QString& path);

private:
    const LabelElement* current() const;
    bool edit(const QString& field, const std::function<void(LabelElement&)>& change,
              bool typing = false);
    void addContent(const LabelElement& element);
    void addFont();
    void addBarcode();
    void addShape(const LabelElement& element);
    void addImage();
    void addPosition(const LabelElement& element);
    void addActions();
    void refresh();
    void refreshColumns();
    void refreshCheck();

    EditSession& m_session;
    SettingsStore& m_settings;
    QUuid m_element;
    QStringList m_columns;

    QWidget* m_dataRow = nullptr;
    QWidget* m_dataTitle = nullptr;
    QComboBox* m_dataColumn = nullptr;
    QPlainTextEdit* m_content = nullptr;
    PlaceholderMenu* m_insert = nullptr;
    QLabel* m_checkIcon = nullptr;
    QLabel* m_check = nullptr;
    QComboBox* m_font = nullptr;
    QCheckBox* m_bold = nullptr;
    QButtonGroup* m_align = nullptr;
    NumberField* m_fontSize = nullptr;
    QCheckBox* m_shrink = nullptr;
    QComboBox* m_symbology = nullptr;
    QCheckBox* m_showText = nullptr;
    MMField* m_stroke = nullptr;
    QCheckBox* m_filled = nullptr;
    QPushButton* m_photo = nullptr;
    MMField* m_x = nullptr;
    MMField* m_y = nullptr;
    MMField* m_width = nullptr;
    MMField* m_height = nullptr;
    QLabel* m_rotation = nullptr;
    QCheckBox* m_locked = nullptr;
};

} // namespace vantrel
