#include "app/ListPanelHost.h"

#include "views/ListPanel.h"

#include "LabelKit/edit/EditSession.h"
#include "LabelKit/model/UserError.h"

#include <QDragEnterEvent>
#include <QFileDialog>
#include <QFrame>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
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

} // namespace

ListPanelHost::ListPanelHost(EditSession& session, QWidget* parent)
    : QWidget(parent), m_session(session), m_panel(new ListPanel(session, this)) {
    setObjectName(QStringLiteral("listPanel"));
    setAcceptDrops(true);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Window);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* divider = new QFrame(this);
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Plain);
    divider->setForegroundRole(QPalette::Mid);
    layout->addWidget(divider);
    layout->addWidget(m_panel, 1);
    connect(m_panel, &ListPanel::importRequested, this, &ListPanelHost::chooseFile);
    connect(m_panel, &ListPanel::removeRequested, this, &ListPanelHost::removeList);

    m_overlay = new DropOverlay(this);
    m_overlay->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_overlay->hide();
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
