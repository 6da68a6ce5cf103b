#pragma once

#include "LabelKit/edit/EditSession.h"
#include "LabelKit/platform/SettingsStore.h"
#include "LabelKit/store/LabelStore.h"
#include "tests/support/TestSupport.h"

#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace viewstest {

// An edit session over a 40 × 30 mm label "Shelf" with a barcode (EAN-13, its sample) and an
// empty photo, stored in a temporary library; settings in millimetres.
class SessionFixture : public ::testing::Test {
protected:
    SessionFixture() : store(dir.path(), false) {
        vantrel::LabelDocument doc(QStringLiteral("Shelf"), 40, 30);
        vantrel::LabelElement barcode(vantrel::ElementKind::barcode);
        barcode.symbology = vantrel::Symbology::ean13;
        barcode.content = vantrel::sample(vantrel::Symbology::ean13);
        doc.elements = {barcode, vantrel::LabelElement(vantrel::ElementKind::image)};
        EXPECT_TRUE(store.save(doc));
        session = std::make_unique<vantrel::EditSession>(&store, doc.id);
        barcodeID = doc.elements[0].id;
        imageID = doc.elements[1].id;
        vantrel::MeasureUnit(vantrel::MeasureUnit::mm).save(settings);
    }

    // Attaches a list of five rows (SKU, Name), or the CSV given.
    void attach(const QByteArray& csv = "SKU,Name\nA1,Apple\nB2,Banana\nC3,Cherry\nD4,Date\n"
                                        "E5,Elder\n") {
        const QString path = dir.filePath(QStringLiteral("stock.csv"));
        testsupport::writeBytes(path, csv);
        session->attachList(path);
    }
    const vantrel::LabelElement& item(const QUuid& id) const {
        return *session->document().element(id);
    }
    static void typeInto(QWidget* field, const QString& text) {
        field->setFocus();
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(field, text);
    }

    QTemporaryDir dir;
    vantrel::LabelStore store;
    vantrel::MemorySettingsStore settings;
    std::unique_ptr<vantrel::EditSession> session;
    QUuid barcodeID, imageID;
};

} // namespace viewstest
