#pragma once

#include <QUuid>
#include <QWidget>

class QLabel;

namespace vantrel {

class LabelPreview;
class MainWindow;

// The detail area's view of the selected label until an editor takes its place: the name, the
// size and a large preview, following the stored label. Print… opens the print sheet for it.
class LabelOverview : public QWidget {
    Q_OBJECT
public:
    LabelOverview(const QUuid& labelID, MainWindow& window);

private:
    void refresh();

    QUuid m_labelID;
    MainWindow& m_window;
    QLabel* m_title;
    QLabel* m_caption;
    LabelPreview* m_preview;
};

} // namespace vantrel
