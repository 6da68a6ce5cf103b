

// Saves the labels of a library over and over until it is killed. Version k of a label is
// recognisable as a whole: its name, its element count and every element's content follow
// from k, and its picture's length varies so that writes take different times.
//
// usage: store_saver DIR
// Prints "saving" once the first save is done.
// usage: store_saver --seed DIR
// Only opens the library as the application does, seeding it when it is empty.
#include "LabelKit/store/LabelStore.h"

#include <QCoreApplication>

#include <cstdio>

using namespace vantrel;

namespace {

LabelDocument version(LabelDocument doc, qint64 k) {
    doc.name = QStringLiteral("version %1").arg(k);
    doc.elements.clear();
    for (qint64 i = 0; i < k % 6 + 1; ++i) {
        LabelElement e(ElementKind::image);
        e.content = QStringLiteral("version %1").arg(k);
        e.imageData = QByteArray(qsizetype((k * 7919) % 300000), char('a' + k % 26));
        doc.elements.append(e);
    }
    return doc;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc == 3 && QByteArray(argv[1]) == "--seed") {
        const LabelStore store(QString::fromLocal8Bit(argv[2]), true);
        return store.lastError() ? 1 : 0;
    }
    if (argc != 2) {
        std::fputs("usage: store_saver [--seed] DIR\n", stderr);
        return 2;
    }
    LabelStore store(QString::fromLocal8Bit(argv[1]), false);
    if (store.labels().isEmpty()) {
        std::fputs("no labels\n", stderr);
        return 1;
    }
    qint64 k = 0;
    for (const LabelDocument& doc : store.labels()) {
        k = std::max(k, doc.name.section(u' ', 1).toLongLong());
    }
    bool announced = false;
    for (;;) {
        const QList<LabelDocument> labels = store.labels();
        for (const LabelDocument& doc : labels) {
            ++k;
            if (!store.save(version(doc, k))) {
                std::fprintf(stderr, "%s\n", qPrintable(store.lastError().value_or(QString())));
                return 1;
            }
            if (!announced) {
                std::fputs("saving\n", stdout);
                std::fflush(stdout);
                announced = true;
            }
        }
    }
}
