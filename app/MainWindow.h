#pragma once

#include "LabelKit/merge/DataTable.h"
#include "LabelKit/print/PrintRequest.h"

#include <QMainWindow>
#include <QPointer>
#include <QSet>
#include <QUuid>

#include <functional>
#include <optional>

class QLabel;
class QLineEdit;
class QListView;
class QStackedWidget;
class QToolButton;

namespace vantrel {

class CommandHub;
class LabelFilterModel;
class LabelListModel;
struct LabelDocument;
class Menus;
class PrintSheet;
class SaveOnQuit;
class Services;

// The library window: the collapsible sidebar that lists the saved labels, and the detail area
// that shows the selected one. It adds, imports, duplicates, deletes and reveals labels, and
// opens the print sheet for a print request.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // Builds the widget shown in the detail area for the selected label. The window rebuilds it
    // whenever the selection changes, so nothing carries over from one label to the next.
    using DetailFactory = std::function<QWidget*(const QUuid& labelID, MainWindow& window)>;

    MainWindow(Services& services, CommandHub& hub, SaveOnQuit& saveOnQuit,
               QWidget* parent = nullptr);
    ~MainWindow() override;

    Services& services() const { return m_services; }
    CommandHub& hub() const { return m_hub; }
    SaveOnQuit& saveOnQuit() const { return m_saveOnQuit; }
    Menus& menus() const { return *m_menus; }

    void setDetailFactory(DetailFactory factory);
    QWidget* detailWidget() const { return m_detail; }

    const std::optional<QUuid>& selectedID() const { return m_selectedID; }
    void select(const std::optional<QUuid>& id);

    // A URL handed to the application (the command line, another instance, the desktop), as
    // text, since a print link's host is compared as written: a file URL imports the label file
    // and selects it; a print link selects its label and opens the print sheet. Anything else,
    // and any failure, is ignored silently.
    void openURL(const QString& url);

    // Opens the print sheet for a stored label: its list, no ticked rows, the request's copies
    // and fields. A label that is not stored opens nothing.
    void showPrintSheet(const PrintRequest& request);
    // Opens the print sheet for a design as an editor holds it, replacing any open sheet.
    void openPrintSheet(const LabelDocument& document, const std::optional<DataTable>& table,
                        const QSet<qsizetype>& selectedRows, qint64 copies,
                        const MergeFields& fields);
    // The open print sheet, if any.
    PrintSheet* printSheet() const;

    // Copies the design with fresh ids, saves it and selects it.
    void addLabel(const LabelDocument& source);
    // Imports a label file and selects it; a failure shows the error alert.
    void importLabelFile(const QString& path);

Q_SIGNALS:
    void selectionChanged();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* buildSidebar();
    void syncList();
    void showRowMenu(const QPoint& position);
    void deleteLabel(const QUuid& id);
    QWidget* buildEmptyState();
    void buildToolBar();
    void rebuildDetail();
    void refreshTitle();
    void chooseLabelFile();
    void showError(const QString& message);

    Services& m_services;
    CommandHub& m_hub;
    SaveOnQuit& m_saveOnQuit;
    Menus* m_menus;
    DetailFactory m_detailFactory;
    std::optional<QUuid> m_selectedID;

    QWidget* m_sidebar = nullptr;
    QLineEdit* m_search = nullptr;
    LabelListModel* m_labels = nullptr;
    LabelFilterModel* m_filter = nullptr;
    QListView* m_list = nullptr;
    bool m_syncingList = false;
    QLabel* m_listEmpty = nullptr;
    QStackedWidget* m_detailStack = nullptr;
    QWidget* m_emptyState = nullptr;
    QWidget* m_detail = nullptr;
    QToolButton* m_newLabelButton = nullptr;
    QPointer<PrintSheet> m_printSheet;
};

} // namespace vantrel
