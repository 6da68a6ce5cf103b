#include "views/PrintersList.h"

#include "views/BluetoothStatusBanner.h"
#include "views/BusyIndicator.h"
#include "views/PrinterRow.h"
#include "views/PrinterRowView.h"
#include "views/RenamePrinterDialog.h"

#include "LabelKit/edit/PrinterListModel.h"
#include "LabelKit/model/Templates.h"
#include "LabelKit/model/UserError.h"
#include "LabelKit/platform/Clock.h"
#include "LabelKit/print/PrintItem.h"
#include "LabelKit/printer/PrinterManager.h"
#include "LabelKit/printer/PrinterRegistry.h"

#include <QAction>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace vantrel {

namespace {

QLabel* secondary(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setForegroundRole(QPalette::PlaceholderText);
    return label;
}

QWidget* emptyState(QWidget* parent) {
    auto* empty = new QWidget(parent);
    auto* layout = new QHBoxLayout(empty);
    layout->setContentsMargins(0, 4, 0, 4);
    layout->setSpacing(10);
    auto* spinner = new BusyIndicator(16, empty);
    spinner->setAccessibleName(QStringLiteral("Looking for printers"));
    layout->addWidget(spinner, 0, Qt::AlignVCenter);
    auto* lines = new QVBoxLayout;
    lines->setSpacing(2);
    lines->addWidget(new QLabel(QStringLiteral("Looking for printers…"), empty));
    QLabel* hint = secondary(QStringLiteral("Switch the printer on and close the Clabel app. A "
                                            "blinking light means it's free."),
                             empty);
    QFont font = hint->font();
    font.setPointSizeF(font.pointSizeF() * 0.85);
    hint->setFont(font);
    lines->addWidget(hint);
    layout->addLayout(lines, 1);
    return empty;
}

} // namespace

PrintersList::PrintersList(PrinterManager& printers, QWidget* parent)
    : QWidget(parent)
    , m_printers(printers)
    , m_model(new PrinterListModel(&printers, this))
    , m_group(new QGroupBox(QStringLiteral("Printers"), this))
    , m_banner(new BluetoothStatusBanner(printers, m_group))
    , m_empty(emptyState(m_group))
    , m_rowsLayout(new QVBoxLayout)
    , m_footer(secondary(QString(), this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    layout->addWidget(m_group);
    m_footer->setContentsMargins(8, 0, 8, 0);
    m_footer->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_footer->hide();
    layout->addWidget(m_footer);

    auto* content = new QVBoxLayout(m_group);
    content->addWidget(m_banner);
    content->addWidget(m_empty);
    m_rowsLayout->setSpacing(0);
    content->addLayout(m_rowsLayout);

    // Rows come and go and change one at a time; the views follow them all at once.
    connect(m_model, &QAbstractItemModel::rowsInserted, this, &PrintersList::refresh);
    connect(m_model, &QAbstractItemModel::rowsRemoved, this, &PrintersList::refresh);
    connect(m_model, &QAbstractItemModel::dataChanged, this, &PrintersList::refresh);
    connect(m_model, &QAbstractItemModel::modelReset, this, &PrintersList::refresh);
    refresh();
}

PrintersList::~PrintersList() {
    if (m_scanning) {
        m_printers.stopScanning();
    }
}

QList<PrinterRowView*> PrintersList::rows() const {
    QList<PrinterRowView*> ordered;
    for (int i = 0; i < m_rowsLayout->count(); ++i) {
        if (auto* view = qobject_cast<PrinterRowView*>(m_rowsLayout->itemAt(i)->widget())) {
            ordered.append(view);
        }
    }
    return ordered;
}

PrinterRowView* PrintersList::row(const QString& name) const {
    return m_rows.value(name);
}

RenamePrinterDialog* PrintersList::renamePrompt() const {
    return m_prompt;
}

bool PrintersList::showsEmptyState() const {
    return !m_empty->isHidden();
}

void PrintersList::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!m_scanning) {
        m_scanning = true;
        m_printers.startScanning();
    }
}

void PrintersList::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (m_scanning) {
        m_scanning = false;
        m_printers.stopScanning();
    }
}

PrinterRowView* PrintersList::addRow(const QString& name) {
    auto* view = new PrinterRowView(m_group);
    m_rows.insert(name, view);
    connect(view->renameAction(), &QAction::triggered, this, [this, name] { rename(name); });
    connect(view->defaultAction(), &QAction::triggered, this,
            [this, name] { toggleDefault(name); });
    connect(view->identifyAction(), &QAction::triggered, this, [this, name] { identify(name); });
    connect(view->firmwareAction(), &QAction::triggered, this,
            [this, name] { readFirmware(name); });
    return view;
}

void PrintersList::refresh() {
    const int count = m_model->rowCount();
    m_empty->setHidden(count > 0);
    QSet<QString> listed;
    for (int i = 0; i < count; ++i) {
        PrinterRow row = PrinterRow::of(m_model->index(i));
        listed.insert(row.advertisedName);
        PrinterRowView* view = m_rows.value(row.advertisedName);
        if (!view) {
            view = addRow(row.advertisedName);
        }
        row.busy = m_busy == row.advertisedName;
        view->setRow(row);
        if (m_rowsLayout->indexOf(view) != i) {
            m_rowsLayout->removeWidget(view);
            m_rowsLayout->insertWidget(i, view);
        }
    }
    for (auto it = m_rows.begin(); it != m_rows.end();) {
        if (listed.contains(it.key())) {
            ++it;
        } else {
            it.value()->deleteLater();
            it = m_rows.erase(it);
        }
    }
}

void PrintersList::rename(const QString& name) {
    if (m_prompt) {
        m_prompt->reject();
    }
    PrinterRegistry& registry = *m_printers.registry();
    auto* prompt = new RenamePrinterDialog(name, registry.nicknames().value(name), this);
    prompt->setAttribute(Qt::WA_DeleteOnClose);
    connect(prompt, &QDialog::accepted, this, [&registry, prompt] {
        TextMap nicknames = registry.nicknames();
        nicknames.insert(prompt->printer(), PrinterRow::nicknameFromInput(prompt->newName()));
        registry.setNicknames(nicknames);
    });
    m_prompt = prompt;
    prompt->open();
}

void PrintersList::toggleDefault(const QString& name) {
    PrinterRegistry& registry = *m_printers.registry();
    const bool isDefault = registry.defaultPrinter() == name;
    registry.setDefaultPrinter(isDefault ? std::nullopt : std::optional(name));
}

void PrintersList::identify(const QString& name) {
    LabelContext context;
    context.date = Clock::wallNow();
    const PrintItem item(Templates::identify(m_printers.registry()->displayName(name), name),
                         context, 1);
    const quint64 action = beginAction(name);
    QCoro::Task<> task = m_printers.print({item}, name);
    finish(QPointer(this), action, std::move(task));
}

void PrintersList::readFirmware(const QString& name) {
    const quint64 action = beginAction(name);
    QCoro::Task<PrinterInfo> task = m_printers.readInfo(name);
    finish(QPointer(this), action, std::move(task));
}

quint64 PrintersList::beginAction(const QString& name) {
    m_busy = name;
    setMessage(std::nullopt);
    refresh();
    return ++m_lastAction;
}

// The spinner belongs to the action started last: an earlier one that ends meanwhile leaves it.
void PrintersList::endAction(quint64 action, const std::optional<QString>& failure) {
    if (failure) {
        setMessage(failure);
    }
    if (action == m_lastAction) {
        m_busy.reset();
    }
    refresh();
}

template <typename T>
QCoro::Task<> PrintersList::finish(QPointer<PrintersList> list, quint64 action,
                                   QCoro::Task<T> task) {
    std::optional<QString> failure;
    try {
        co_await task;
    } catch (const UserError& error) {
        failure = error.message();
    }
    if (list) {
        list->endAction(action, failure);
    }
}

void PrintersList::setMessage(const std::optional<QString>& message) {
    m_message = message;
    m_footer->setText(message.value_or(QString()));
    m_footer->setHidden(!message);
}

} // namespace vantrel
