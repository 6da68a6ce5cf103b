#include "views/ElementInspector.h"

#include "views/Icons.h"
#include "views/InspectorStyle.h"
#include "views/MMField.h"
#include "views/NumberField.h"
#include "views/PlaceholderMenu.h"

#include "LabelKit/edit/EditSession.h"
#include "LabelKit/edit/InspectorRules.h"
#include "LabelKit/model/LabelFont.h"
#include "LabelKit/model/UserError.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFileDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QImageReader>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace vantrel {

namespace {

using Section = InspectorRules::Section;

// Orange, as warnings read on light and dark backgrounds alike.
QColor problemColour() {
    return {255, 149, 0};
}

QFormLayout* form(QGroupBox* group) {
    auto* layout = new QFormLayout(group);
    layout->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    layout->setLabelAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return layout;
}

template <class Control>
Control* named(Control* control, const QString& title) {
    control->setObjectName(title);
    control->setAccessibleName(title);
    return control;
}

QCheckBox* toggle(const QString& title, QWidget* parent) {
    return named(new QCheckBox(title, parent), title);
}

// Ends the session's typing gesture when the watched field loses focus.
class GestureEnd : public QObject {
public:
    GestureEnd(EditSession& session, QObject* parent) : QObject(parent), m_session(session) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::FocusOut) {
            m_session.endGesture();
        }
        return QObject::eventFilter(watched, event);
    }

private:
    EditSession& m_session;
};

QString imageFilter() {
    QStringList patterns;
    for (const QByteArray& format : QImageReader::supportedImageFormats()) {
        patterns << QStringLiteral("*.") + QString::fromLatin1(format);
    }
    return QStringLiteral("Images (%1)").arg(patterns.join(u' '));
}

} // namespace

ElementInspector::ElementInspector(EditSession& session, SettingsStore& settings,
                                   const QUuid& element, QWidget* parent)
    : QWidget(parent), m_session(session), m_settings(settings), m_element(element) {
    auto* layout = new QVBoxLayout(this);
    const LabelElement* shown = current();
    if (shown) {
        const LabelElement item = *shown;
        for (const Section section : InspectorRules::sections(item.kind)) {
            switch (section) {
            case Section::content:
                addContent(item);
                break;
            case Section::font:
                addFont();
                break;
            case Section::barcode:
                addBarcode();
                break;
            case Section::shape:
                addShape(item);
                break;
            case Section::image:
                addImage();
                break;
            case Section::position:
                addPosition(item);
                break;
            case Section::actions:
                addActions();
                break;
            }
        }
    }
    layout->addStretch(1);

    connect(&session, &EditSession::documentChanged, this,
            [this](const QSet<QUuid>& elements, bool) {
                if (elements.contains(m_element)) {
                    refresh();
                }
            });
    connect(&session, &EditSession::tableChanged, this, [this] {
        refreshColumns();
        refreshCheck();
    });
    connect(&session, &EditSession::previewRowChanged, this, &ElementInspector::refreshCheck);
    refreshColumns();
    refresh();
}

const LabelElement* ElementInspector::current() const {
    return m_session.document().element(m_element);
}

bool ElementInspector::edit(const QString& field, const std::function<void(LabelElement&)>& change,
                            bool typing) {
    return m_session.editElement(m_element, QStringLiteral("Change ") + field, change,
                                 typing ? field : QString());
}

void ElementInspector::addContent(const LabelElement& element) {
    auto* group = named(new QGroupBox(title(element.kind), this), title(element.kind));
    QFormLayout* rows = form(group);

    m_dataTitle = InspectorStyle::iconTitle(u"tablecells", QStringLiteral("Data column"), group);
    m_dataColumn = named(new QComboBox(group), QStringLiteral("Data column"));
    rows->addRow(m_dataTitle, m_dataColumn);
    connect(m_dataColumn, &QComboBox::activated, this, [this](int index) {
        const std::optional<QString> column =
            index > 0 ? std::optional(m_columns.at(index - 1)) : std::nullopt;
        edit(QStringLiteral("Data column"),
             [&](LabelElement& e) { e.content = InspectorRules::linkContent(column); });
    });

    const QString contentTitle = InspectorRules::contentTitle(element.kind);
    auto* field = new QWidget(group);
    auto* fieldLayout = new QHBoxLayout(field);
    fieldLayout->setContentsMargins(0, 0, 0, 0);
    m_content = named(new QPlainTextEdit(field), contentTitle);
    m_content->setTabChangesFocus(true);
    m_content->setFixedHeight(m_content->fontMetrics().lineSpacing() * 3 + 12);
    m_content->installEventFilter(new GestureEnd(m_session, m_content));
    fieldLayout->addWidget(m_content, 1);
    m_insert = new PlaceholderMenu(field);
    m_insert->setToolButtonStyle(Qt::ToolButtonIconOnly);
    fieldLayout->addWidget(m_insert, 0, Qt::AlignTop);
    rows->addRow(contentTitle, field);
    connect(m_content, &QPlainTextEdit::textChanged, this, [this, contentTitle] {
        const QString text = m_content->toPlainText();
        edit(
            contentTitle, [&](LabelElement& e) { e.content = text; }, true);
    });
    connect(m_insert, &PlaceholderMenu::tokenChosen, this, [this](const QString& token) {
        m_session.endGesture();
        edit(QStringLiteral("Insert Placeholder"),
             [&](LabelElement& e) { e.content = InspectorRules::insertToken(e.content, token); });
    });

    if (element.kind == ElementKind::barcode) {
        auto* check = new QWidget(group);
        auto* checkLayout = new QHBoxLayout(check);
        checkLayout->setContentsMargins(0, 0, 0, 0);
        checkLayout->setSpacing(4);
        m_checkIcon = new QLabel(check);
        const int side = style()->pixelMetric(QStyle::PM_SmallIconSize);
        m_checkIcon->setPixmap(Icons::icon(u"exclamationmark.triangle").pixmap(side, side));
        checkLayout->addWidget(m_checkIcon, 0, Qt::AlignTop);
        m_check = InspectorStyle::caption(QString(), check);
        m_check->setObjectName(QStringLiteral("Barcode check"));
        checkLayout->addWidget(m_check, 1);
        rows->addRow(check);
    }
    layout()->addWidget(group);
}

void ElementInspector::addFont() {
    auto* group = named(new QGroupBox(QStringLiteral("Font"), this), QStringLiteral("Font"));
    QFormLayout* rows = form(group);
    m_font = named(new QComboBox(group), QStringLiteral("Font"));
    for (const LabelFont& font : LabelFont::all()) {
        m_font->addItem(font.family);
    }
    rows->addRow(QStringLiteral("Font"), m_font);
    connect(m_font, &QComboBox::activated, this, [this](int index) {
        const QString family = LabelFont::all().at(index).family;
        edit(QStringLiteral("Font"), [&](LabelElement& e) { e.fontFamily = family; });
    });

    m_bold = toggle(QStringLiteral("Bold"), group);
    rows->addRow(QString(), m_bold);
    connect(m_bold, &QCheckBox::clicked, this, [this](bool on) {
        edit(QStringLiteral("Bold"), [&](LabelElement& e) { e.bold = on; });
    });

    auto* align = named(new QWidget(group), QStringLiteral("Align"));
    auto* alignLayout = new QHBoxLayout(align);
    alignLayout->setContentsMargins(0, 0, 0, 0);
    alignLayout->setSpacing(0);
    m_align = new QButtonGroup(align);
    const std::array<std::pair<const char16_t*, const char*>, 3> segments{
        {{u"text.alignleft", "Left"},
         {u"text.aligncenter", "Center"},
         {u"text.alignright", "Right"}}};
    for (size_t i = 0; i < segments.size(); ++i) {
        QToolButton* segment = InspectorStyle::iconButton(
            segments[i].first, QString::fromLatin1(segments[i].second), align);
        segment->setCheckable(true);
        segment->setAutoRaise(false);
        m_align->addButton(segment, int(i));
        alignLayout->addWidget(segment);
    }
    alignLayout->addStretch(1);
    rows->addRow(QStringLiteral("Align"), align);
    connect(m_align, &QButtonGroup::idClicked, this, [this](int id) {
        edit(QStringLiteral("Align"),
             [&](LabelElement& e) { e.align = allCases<TextAlign>()[size_t(id)]; });
    });

    m_fontSize = named(new NumberField(group), QStringLiteral("Size"));
    m_fontSize->setDecimals(1);
    m_fontSize->setSingleStep(1);
    m_fontSize->setStepBounds(InspectorRules::minFontSize, InspectorRules::maxFontSize);
    m_fontSize->setFixedWidth(70);
    m_fontSize->installEventFilter(new GestureEnd(m_session, m_fontSize));
    rows->addRow(QStringLiteral("Size"), m_fontSize);
    connect(m_fontSize, &NumberField::valueChanged, this, [this](double value) {
        const double size =
            std::clamp(value, InspectorRules::minFontSize, InspectorRules::maxFontSize);
        edit(
            QStringLiteral("Size"), [&](LabelElement& e) { e.fontSize = size; }, true);
    });
    connect(m_fontSize, &NumberField::editingFinished, this, [this] {
        m_session.endGesture();
        refresh();
    });

    m_shrink = toggle(QStringLiteral("Shrink to fit box"), group);
    rows->addRow(QString(), m_shrink);
    connect(m_shrink, &QCheckBox::clicked, this, [this](bool on) {
        edit(QStringLiteral("Shrink to Fit"), [&](LabelElement& e) { e.shrinkToFit = on; });
    });
    layout()->addWidget(group);
}

void ElementInspector::addBarcode() {
    auto* group = named(new QGroupBox(QStringLiteral("Barcode"), this), QStringLiteral("Barcode"));
    QFormLayout* rows = form(group);
    m_symbology = named(new QComboBox(group), QStringLiteral("Type"));
    for (const Symbology symbology : allCases<Symbology>()) {
        m_symbology->addItem(title(symbology));
    }
    rows->addRow(QStringLiteral("Type"), m_symbology);
    connect(m_symbology, &QComboBox::activated, this, [this](int index) {
        const Symbology symbology = allCases<Symbology>()[size_t(index)];
        edit(QStringLiteral("Type"),
             [&](LabelElement& e) { InspectorRules::switchSymbology(e, symbology); });
    });
    m_showText = toggle(QStringLiteral("Show text under bars"), group);
    rows->addRow(QString(), m_showText);
    connect(m_showText, &QCheckBox::clicked, this, [this](bool on) {
        edit(QStringLiteral("Show Text"), [&](LabelElement& e) { e.showText = on; });
    });
    layout()->addWidget(group);
}

void ElementInspector::addShape(const LabelElement& element) {
    auto* group = named(new QGroupBox(QStringLiteral("Shape"), this), QStringLiteral("Shape"));
    QFormLayout* rows = form(group);
    m_stroke =
        new MMField(QStringLiteral("Line width"), InspectorRules::strokeInput, m_settings, group);
    rows->addRow(m_stroke->title(), m_stroke);
    connect(m_stroke, &MMField::edited, this, [this](double mm) {
        edit(
            QStringLiteral("Line Width"), [&](LabelElement& e) { e.strokeMM = mm; }, true);
    });
    connect(m_stroke, &MMField::editingFinished, &m_session, &EditSession::endGesture);
    if (InspectorRules::offersFilled(element.kind)) {
        m_filled = toggle(QStringLiteral("Filled"), group);
        rows->addRow(QString(), m_filled);
        connect(m_filled, &QCheckBox::clicked, this, [this](bool on) {
            edit(QStringLiteral("Filled"), [&](LabelElement& e) { e.filled = on; });
        });
    }
    layout()->addWidget(group);
}

void ElementInspector::addImage() {
    auto* group = named(new QGroupBox(QStringLiteral("Image"), this), QStringLiteral("Image"));
    auto* rows = new QVBoxLayout(group);
    m_photo = InspectorStyle::button(u"photo", QStringLiteral("Choose photo"), group);
    rows->addWidget(m_photo, 0, Qt::AlignLeft);
    connect(m_photo, &QPushButton::clicked, this, &ElementInspector::choosePhoto);
    rows->addWidget(InspectorStyle::caption(
        QStringLiteral(
            "Photos are dithered to black and white. Logos with solid shapes print best."),
        group));
    layout()->addWidget(group);
}

void ElementInspector::addPosition(const LabelElement& element) {
    const QString heading = QStringLiteral("Position and size");
    auto* group = named(new QGroupBox(heading, this), heading);
    QFormLayout* rows = form(group);
    const auto length = [&](const QString& title, LengthInput input, double LabelElement::*field) {
        auto* row = new MMField(title, input, m_settings, group);
        rows->addRow(title, row);
        connect(row, &MMField::edited, this, [this, title, field](double mm) {
            edit(
                title, [&](LabelElement& e) { e.*field = mm; }, true);
        });
        connect(row, &MMField::editingFinished, &m_session, &EditSession::endGesture);
        return row;
    };
    m_x = length(QStringLiteral("X"), InspectorRules::positionInput, &LabelElement::x);
    m_y = length(QStringLiteral("Y"), InspectorRules::positionInput, &LabelElement::y);
    m_width = length(QStringLiteral("Width"), InspectorRules::widthInput, &LabelElement::width);
    m_height = length(QStringLiteral("Height"), InspectorRules::heightInput(element.kind),
                      &LabelElement::height);

    auto* rotation = new QWidget(group);
    auto* rotationLayout = new QHBoxLayout(rotation);
    rotationLayout->setContentsMargins(0, 0, 0, 0);
    m_rotation = named(new QLabel(rotation), QStringLiteral("Rotation"));
    rotationLayout->addWidget(m_rotation);
    auto* degrees = new QLabel(QStringLiteral("°"), rotation);
    InspectorStyle::setSecondary(degrees);
    rotationLayout->addWidget(degrees);
    rotationLayout->addStretch(1);
    QPushButton* rotate =
        InspectorStyle::button(u"rotate.right", QStringLiteral("Rotate 90°"), rotation);
    rotate->setObjectName(rotate->text());
    rotationLayout->addWidget(rotate);
    rows->addRow(QStringLiteral("Rotation"), rotation);
    connect(rotate, &QPushButton::clicked, this, [this] {
        m_session.endGesture();
        m_session.editElement(m_element, QStringLiteral("Rotate"),
                              [](LabelElement& e) { e.rotateQuarter(); });
    });

    m_locked = toggle(QStringLiteral("Lock position"), group);
    rows->addRow(QString(), m_locked);
    connect(m_locked, &QCheckBox::clicked, this, [this](bool on) {
        m_session.editElement(
            m_element, on ? QStringLiteral("Lock Position") : QStringLiteral("Unlock Position"),
            [&](LabelElement& e) { e.locked = on; });
    });
    layout()->addWidget(group);
}

void ElementInspector::addActions() {
    auto* group = named(new QGroupBox(QStringLiteral("Actions"), this), QStringLiteral("Actions"));
    auto* grid = new QGridLayout(group);
    // The commands act on the selection; the inspected item is the selected one.
    const auto command = [&](QStringView symbol, const QString& text, int row, int column,
                             std::function<void()> run) {
        QPushButton* button = InspectorStyle::button(symbol, text, group);
        button->setObjectName(text);
        grid->addWidget(button, row, column);
        connect(button, &QPushButton::clicked, this, [this, run = std::move(run)] {
            m_session.endGesture();
            if (m_session.selection() != m_element) {
                m_session.setSelection(m_element);
            }
            run();
        });
    };
    command(u"square.2.layers.3d.bottom.filled", QStringLiteral("Back"), 0, 0,
            [this] { m_session.reorderSelection(-1); });
    command(u"square.2.layers.3d.top.filled", QStringLiteral("Front"), 0, 1,
            [this] { m_session.reorderSelection(1); });
    command(u"plus.square.on.square", QStringLiteral("Duplicate"), 1, 0,
            [this] { m_session.duplicateSelection(); });
    command(u"trash", QStringLiteral("Delete"), 1, 1, [this] { m_session.deleteSelection(); });
    layout()->addWidget(group);
}

QFileDialog* ElementInspector::choosePhoto() {
    auto* dialog = new QFileDialog(window(), m_photo ? m_photo->text() : QString());
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setNameFilter(imageFilter());
    dialog->setWindowModality(Qt::WindowModal);
    connect(dialog, &QFileDialog::fileSelected, this, &ElementInspector::usePhoto);
    dialog->open();
    return dialog;
}

bool ElementInspector::usePhoto(const QString& path) {
    QByteArray bytes;
    try {
        bytes = InspectorRules::photoData(path);
    } catch (const UserError& error) {
        auto* alert =
            new QMessageBox(QMessageBox::Warning, QStringLiteral("Couldn't use this photo"),
                            error.message(), QMessageBox::Ok, window());
        alert->setAttribute(Qt::WA_DeleteOnClose);
        alert->setWindowModality(Qt::WindowModal);
        alert->open();
        return false;
    }
    m_session.endGesture();
    const bool replacing = current() && current()->imageData.has_value();
    return m_session.editElement(
        m_element, replacing ? QStringLiteral("Replace Photo") : QStringLiteral("Choose Photo"),
        [&](LabelElement& e) { e.imageData = bytes; });
}

void ElementInspector::refreshColumns() {
    const std::optional<DataTable> table = m_session.table();
    m_columns = table ? table->columns : QStringList();
    if (m_insert) {
        m_insert->setColumns(m_columns);
    }
    if (m_dataColumn) {
        const QSignalBlocker blocker(m_dataColumn);
        m_dataColumn->clear();
        m_dataColumn->addItem(QStringLiteral("None (fixed text)"));
        m_dataColumn->addItems(m_columns);
        m_dataColumn->setVisible(!m_columns.isEmpty());
        m_dataTitle->setVisible(!m_columns.isEmpty());
        refresh();
    }
}

void ElementInspector::refresh() {
    const LabelElement* shown = current();
    if (!shown) {
        return;
    }
    const LabelElement& e = *shown;
    if (m_content) {
        if (m_content->toPlainText() != e.content) {
            const QSignalBlocker blocker(m_content);
            m_content->setPlainText(e.content);
            m_content->moveCursor(QTextCursor::End);
        }
        const QSignalBlocker blocker(m_dataColumn);
        const std::optional<QString> column = InspectorRules::linkedColumn(e.content, m_columns);
        m_dataColumn->setCurrentIndex(column ? int(m_columns.indexOf(*column)) + 1 : 0);
    }
    if (m_font) {
        const QSignalBlocker fontBlocker(m_font);
        m_font->setCurrentIndex(int(LabelFont::all().indexOf(LabelFont::named(e.fontFamily))));
        m_bold->setChecked(e.bold);
        const auto& aligns = allCases<TextAlign>();
        m_align->button(int(std::find(aligns.begin(), aligns.end(), e.align) - aligns.begin()))
            ->setChecked(true);
        // While typing, the field keeps its text when it still stands for the stored size.
        if (!m_fontSize->hasFocus() || std::clamp(m_fontSize->value(), InspectorRules::minFontSize,
                                                  InspectorRules::maxFontSize) != e.fontSize) {
            m_fontSize->showValue(e.fontSize);
        }
        m_shrink->setChecked(e.shrinkToFit);
    }
    if (m_symbology) {
        const QSignalBlocker blocker(m_symbology);
        const auto& all = allCases<Symbology>();
        m_symbology->setCurrentIndex(
            int(std::find(all.begin(), all.end(), e.symbology) - all.begin()));
        m_showText->setChecked(e.showText);
    }
    if (m_stroke) {
        m_stroke->setValue(e.strokeMM);
    }
    if (m_filled) {
        m_filled->setChecked(e.filled);
    }
    if (m_photo) {
        const QString text =
            e.imageData ? QStringLiteral("Replace photo") : QStringLiteral("Choose photo");
        m_photo->setText(text);
        m_photo->setAccessibleName(text);
    }
    if (m_x) {
        m_x->setValue(e.x);
        m_y->setValue(e.y);
        m_width->setValue(e.width);
        m_height->setValue(e.height);
        m_rotation->setText(QLocale().toString(e.rotation));
        m_locked->setChecked(e.locked);
    }
    refreshCheck();
}

void ElementInspector::refreshCheck() {
    const LabelElement* shown = current();
    if (!m_check || !shown) {
        return;
    }
    const InspectorRules::BarcodeCheck check =
        InspectorRules::barcodeCheck(*shown, m_session.mergeContext());
    m_check->setText(check.text);
    m_checkIcon->setVisible(check.problem);
    QPalette palette = m_check->palette();
    palette.setColor(QPalette::WindowText,
                     check.problem ? problemColour()
                                   : QWidget::palette().color(QPalette::PlaceholderText));
    m_check->setPalette(palette);
}

} // namespace vantrel
