// Renders the application's windows to PNG for the README, on the offscreen platform, against
// a temporary library seeded with the starter designs and a virtual printer.
//
//   vantrel-screenshots OUTDIR [SCENE...]
//
// Each scene builds its window state from a fresh application and returns the picture; add a
// scene by adding an entry to `scenes` below.
#include "app/Application.h"
#include "app/LabelEditor.h"
#include "app/MainWindow.h"
#include "app/PrintSheet.h"
#include "app/SettingsWindow.h"
#include "views/LabelCanvas.h"
#include "views/PrinterSettings.h"
#include "views/PrintersList.h"

#include "LabelKit/edit/EditSession.h"
#include "LabelKit/model/Templates.h"
#include "LabelKit/platform/Clock.h"
#include "LabelKit/printer/PrinterManager.h"
#include "LabelKit/printer/PrinterRegistry.h"
#include "LabelKit/store/LabelStore.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <functional>

using namespace vantrel;

namespace {

// Lets layouts settle, timers fire and the printer picker hear the virtual printer.
void settle(int milliseconds = 400) {
    QElapsedTimer elapsed;
    elapsed.start();
    while (elapsed.elapsed() < milliseconds) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
}

// A window and the sheet over it, as the desktop shows a window-modal dialog: centred
// horizontally, hanging from the top of the window's content.
QImage withSheet(QWidget& window, QWidget& sheet) {
    QImage picture = window.grab().toImage();
    const QImage over = sheet.grab().toImage();
    QPainter painter(&picture);
    painter.fillRect(picture.rect(), QColor(0, 0, 0, 40));
    const QPoint at((picture.width() - over.width()) / 2, 60);
    painter.fillRect(QRect(at + QPoint(2, 4), over.size()), QColor(0, 0, 0, 50));
    painter.drawImage(at, over);
    return picture;
}

struct Scene {
    const char* name;
    std::function<QImage(Application&)> render;
    // The virtual printers of the scene (a VirtualPrinterSet description); empty for one.
    const char* printers = "";
};

LabelDocument labelNamed(Application& app, const QString& name) {
    return app.services().store().labelNamed(name).value_or(LabelDocument());
}

const Scene scenes[] = {
    {"main-window",
     [](Application& app) {
         MainWindow& window = app.mainWindow();
         window.show();
         window.select(labelNamed(app, QStringLiteral("Bin tag")).id);
         settle();
         return window.grab().toImage();
     }},
    {"editor",
     [](Application& app) {
         MainWindow& window = app.mainWindow();
         window.show();
         const LabelDocument bin = labelNamed(app, QStringLiteral("Bin tag"));
         window.select(bin.id);
         settle();
         auto* editor = qobject_cast<LabelEditor*>(window.detailWidget());
         if (!editor || bin.elements.isEmpty()) {
             return QImage();
         }
         editor->session().setSelection(bin.elements.first().id);
         editor->canvas().setFocus();
         settle();
         return window.grab().toImage();
     }},
    {"editor-list",
     [](Application& app) {
         MainWindow& window = app.mainWindow();
         window.show();
         const LabelDocument sku = labelNamed(app, QStringLiteral("SKU tag"));
         window.select(sku.id);
         settle();
         auto* editor = qobject_cast<LabelEditor*>(window.detailWidget());
         if (!editor || sku.elements.size() < 4) {
             return QImage();
         }
         QTemporaryDir dir;
         QFile list(dir.filePath(QStringLiteral("stock.csv")));
         if (!list.open(QIODevice::WriteOnly)) {
             return QImage();
         }
         list.write("Name,SKU,Price,Aisle\n"
                    "Brass hinge,HG-1001,4.20,Aisle 3\n"
                    "Steel bracket,BR-2040,2.75,Aisle 3\n"
                    "Wood screw 4x40,WS-0440,0.09,Aisle 5\n"
                    "Cabinet knob,KN-0310,3.10,Aisle 2\n"
                    "Drawer slide,DS-4500,11.90,Aisle 7\n"
                    "Wall plug 8 mm,WP-0800,0.05,Aisle 5\n"
                    "Shelf pin,SP-0500,0.12,Aisle 2\n"
                    "Door stop,DS-0120,6.40,Aisle 3\n");
         list.close();
         EditSession& session = editor->session();
         session.attachList(list.fileName());
         const auto link = [&](int index, const QString& content) {
             session.editElement(sku.elements[index].id, QStringLiteral("Link"),
                                 [&](LabelElement& e) { e.content = content; });
         };
         link(0, QStringLiteral("{Name}"));
         link(1, QStringLiteral("{Price} €"));
         link(2, QStringLiteral("{SKU}"));
         link(3, QStringLiteral("{SKU}"));
         session.setPreviewRow(2);
         session.setTickedRows({1, 2, 4});
         session.setSelection(sku.elements[3].id);
         settle();
         return window.grab().toImage();
     }},
    {"print-sheet",
     [](Application& app) {
         MainWindow& window = app.mainWindow();
         window.show();
         const LabelDocument sku = labelNamed(app, QStringLiteral("SKU tag"));
         window.select(sku.id);
         window.openPrintSheet(sku, std::nullopt, {}, 2, {});
         settle(800);
         return withSheet(window, *window.printSheet());
     }},
    {"settings",
     [](Application& app) {
         PrinterRegistry& printers = *app.services().printers().registry();
         printers.setNicknames({{QStringLiteral("CT221B-A"), QStringLiteral("Front counter")}});
         printers.setDefaultPrinter(QStringLiteral("CT221B-A"));
         app.showSettings();
         settle(600);
         // Read within the 15 s the link stays up after it, so the row shows it connected.
         app.settingsWindow()->content().printersList()->readFirmware(QStringLiteral("CT221B-B"));
         settle(250);
         return app.settingsWindow()->grab().toImage();
     },
     "A@-55,B@-72"},
};

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qapp(argc, argv);
    const QStringList args = qapp.arguments().mid(1);
    if (args.isEmpty()) {
        std::fputs("usage: vantrel-screenshots OUTDIR [SCENE...]\n", stderr);
        return 2;
    }
    const QDir out(args.first());
    QDir().mkpath(out.path());
    const QStringList wanted = args.mid(1);
    // The pictures show a fixed day, so they do not change with the date they are made on.
    Clock::setWallTime(QDateTime(QDate(2025, 3, 14), QTime(9, 26), Qt::UTC));

    int failures = 0;
    for (const Scene& scene : scenes) {
        const QString name = QString::fromLatin1(scene.name);
        if (!wanted.isEmpty() && !wanted.contains(name)) {
            continue;
        }
        QTemporaryDir home;
        Services::Config config;
        config.libraryDirectory = home.filePath(QStringLiteral("Labels"));
        config.settingsPath = home.filePath(QStringLiteral("settings.json"));
        config.virtualPrinterFolder = home.filePath(QStringLiteral("printer"));
        config.virtualPrinters = QString::fromLatin1(scene.printers);
        Application app(config);
        const QImage picture = scene.render(app);
        const QString path = out.filePath(name + QStringLiteral(".png"));
        if (picture.isNull() || !picture.save(path)) {
            std::fprintf(stderr, "could not render %s\n", scene.name);
            ++failures;
            continue;
        }
        std::printf("%s\n", qPrintable(path));
    }
    return failures == 0 ? 0 : 1;
}
