#include "app/ListPanelHost.h"

#include "views/Icons.h"

#include "LabelKit/edit/EditSession.h"
#include "LabelKit/model/UserError.h"

#include <QDragEnterEvent>
#include <QFileDialog>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
#include <QPushButton>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

namespace vantrel {

namespace {

// The accent colour at 12 % over the whole panel while files hover over it.
class DropOverlay : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        QColor accent = palette().color(QPalette::Highlight);
        accent.setAlphaF(0.12);
        painter.fillRect(rect(), accent);
    }
};

QToolButton* iconButton(QWidget* parent, QStringView symbol, const QString& help) {
    auto* button = new QToolButton(parent);
    button->setAutoRaise(true);
    button->setIcon(Icons::icon(symbol));
    button->setToolTip(help);
    button->setAccessibleName(help);
    return button;
}

} // namespace

ListPanelHost::ListPanelHost(EditSession& session, QWidget* parent)
    : QWidget(parent), m_session(session) {
    setObjectName(QStringLiteral("listPanel"));
    setAcceptDrops(true);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Window);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    auto* divider = new QFrame(this);
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Plain);
    divider->setForegroundRole(QPalette::Mid);
    outer->addWidget(divider);
    auto* layout = new QVBoxLayout();
    layout->setContentsMargins(12, 8, 12, 8);
    outer->addLayout(layout, 1);

    m_empty = new QWidget(this);
    auto* emptyLayout = new QVBoxLayout(m_empty);
    emptyLayout->addStretch(1);
    auto* emptyTitle = new QLabel(QStringLiteral("No list"), m_empty);
    emptyTitle->setAlignment(Qt::AlignCenter);
    QFont bold = emptyTitle->font();
    bold.setBold(true);
    emptyTitle->setFont(bold);
    emptyLayout->addWidget(emptyTitle);
    auto* emptyText =
        new QLabel(QStringLiteral("Drop a CSV file here to print one label per row."), m_empty);
    emptyText->setAlignment(Qt::AlignCenter);
    emptyText->setStyleSheet(QStringLiteral("color: palette(placeholder-text);"));
    emptyLayout->addWidget(emptyText);
    auto* import = new QPushButton(QStringLiteral("Import List…"), m_empty);
    import->setAccessibleName(import->text());
    emptyLayout->addWidget(import, 0, Qt::AlignCenter);
    emptyLayout->addStretch(1);
    connect(import, &QPushButton::clicked, this, &ListPanelHost::chooseFile);
    layout->addWidget(m_empty, 1);

    m_attached = new QWidget(this);
    auto* bar = new QHBoxLayout(m_attached);
    bar->setContentsMargins(0, 0, 0, 0);
    m_name = new QLabel(m_attached);
    m_name->setFont(bold);
    bar->addWidget(m_name);
    bar->addStretch(1);
    m_previous = iconButton(m_attached, u"chevron.left", QStringLiteral("Previous row"));
    m_row = new QLabel(m_attached);
    m_next = iconButton(m_attached, u"chevron.right", QStringLiteral("Next row"));
    bar->addWidget(m_previous);
    bar->addWidget(m_row);
    bar->addWidget(m_next);
    auto* replace = new QPushButton(QStringLiteral("Replace List…"), m_attached);
    auto* remove = new QPushButton(QStringLiteral("Remove List"), m_attached);
    for (QPushButton* button : {replace, remove}) {
        button->setAccessibleName(button->text());
        bar->addWidget(button);
    }
    connect(m_previous, &QToolButton::clicked, this, [this] { m_session.stepPreviewRow(-1); });
    connect(m_next, &QToolButton::clicked, this, [this] { m_session.stepPreviewRow(1); });
    connect(replace, &QPushButton::clicked, this, &ListPanelHost::chooseFile);
    connect(remove, &QPushButton::clicked, this, &ListPanelHost::removeList);
    layout->addWidget(m_attached);
    layout->addStretch(0);

    m_overlay = new DropOverlay(this);
    m_overlay->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_overlay->hide();

    connect(&m_session, &EditSession::tableChanged, this, &ListPanelHost::refresh);
    connect(&m_session, &EditSession::previewRowChanged, this, &ListPanelHost::refresh);
    connect(&m_session, &EditSession::loadedChanged, this, &ListPanelHost::refresh);
    refresh();
}

void ListPanelHost::refresh() {
    const std::optional<DataTable> table = m_session.table();
    m_empty->setVisible(!table);
    m_attached->setVisible(table.has_value());
    if (!table) {
        return;
    }
    const qsizetype rows = table->rows.size();
    const qsizetype row = std::min(m_session.previewRow(), std::max<qsizetype>(rows - 1, 0));
    m_name->setText(m_session.document().dataName.value_or(QString()));
    m_row->setText(rows == 0 ? QStringLiteral("No rows")
                             : QStringLiteral("Row %1 of %2").arg(row + 1).arg(rows));
    m_previous->setEnabled(row > 0);
    m_next->setEnabled(row + 1 < rows);
}

void ListPanelHost::chooseFile() {
    auto* dialog = new QFileDialog(window(), QStringLiteral("Import List"));
    dialog->setObjectName(QStringLiteral("listChooser"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setNameFilters(
        {QStringLiteral("Lists (*.csv *.tsv *.tab *.txt)"), QStringLiteral("All files (*)")});
    dialog->setWindowModality(Qt::WindowModal);
    connect(dialog, &QFileDialog::fileSelected, this, &ListPanelHost::attach);
    dialog->open();
}

bool ListPanelHost::attach(const QString& path) {
    try {
        m_session.attachList(path);
        return true;
    } catch (const UserError& error) {
        showError(error.message());
        return false;
    }
}

void ListPanelHost::removeList() {
    m_session.removeList();
}

void ListPanelHost::showError(const QString& message) {
    auto* alert = new QMessageBox(QMessageBox::Warning, QStringLiteral("Couldn't import"), message,
                                  QMessageBox::Ok, window());
    alert->setObjectName(QStringLiteral("importErrorAlert"));
    alert->setAttribute(Qt::WA_DeleteOnClose);
    alert->setWindowModality(Qt::WindowModal);
    alert->open();
}

void ListPanelHost::setDropHighlight(bool on) {
    m_dropHighlight = on;
    m_overlay->setVisible(on);
    if (on) {
        m_overlay->raise();
    }
}

void ListPanelHost::resizeEvent(QResizeEvent*) {
    m_overlay->setGeometry(rect());
}

void ListPanelHost::dragEnterEvent(QDragEnterEvent* event) {
    if (!event->mimeData()->hasUrls()) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    setDropHighlight(true);
}

void ListPanelHost::dragLeaveEvent(QDragLeaveEvent*) {
    setDropHighlight(false);
}

void ListPanelHost::dropEvent(QDropEvent* event) {
    setDropHighlight(false);
    const QList<QUrl> urls = event->mimeData()->urls();
    // Only the first file counts; what it is, the store decides.
    if (urls.isEmpty() || !attach(urls.first().toLocalFile())) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

} // namespace vantrel
