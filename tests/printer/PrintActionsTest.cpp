#include "LabelKit/printer/PrintActions.h"

#include "tests/printer/ManagerFixture.h"

#include "LabelKit/model/Templates.h"
#include "LabelKit/render/LabelRenderer.h"

#include <QImage>
#include <QTemporaryDir>

using namespace vantrel;

using namespace Qt::StringLiterals;

using asyncsupport::run;

// The automation actions over a library of the starter designs and the virtual printer.
class PrintActionsTest : public ManagerFixture {
protected:
    void SetUp() override {
        ManagerFixture::SetUp();
        ASSERT_TRUE(m_output.isValid());
        printer->setFolder(m_output.path());
        discoverAll();
    }

    std::optional<LabelDocument> named(const QString& name) const {
        for (const LabelDocument& document : library) {
            if (document.name == name) {
                return document;
            }
        }
        return std::nullopt;
    }
    PrintRequest::LabelLookup byName() const {
        return [this](const QString& name) { return named(name); };
    }

    // The single label printed, as the printer burned it.
    QImage printed() const {
        EXPECT_EQ(printer->savedFiles().size(), 1);
        return printer->savedFiles().isEmpty() ? QImage()
                                               : QImage(printer->savedFiles().first())
                                                     .convertToFormat(QImage::Format_Grayscale8);
    }

    QImage rendered(const LabelDocument& document, const MergeFields& fields) const {
        LabelContext context;
        context.fields = fields;
        context.date = QDateTime::currentDateTimeUtc();
        return LabelRenderer::render(document, context, 1, true).image();
    }

    QTemporaryDir m_output;
    QList<LabelDocument> library = Templates::starters();
};

TEST_F(PrintActionsTest, PrintsTheLabelTheLookupFinds) {
    const auto outcome = run(PrintActions::printLabel(byName(), *manager, u"Bin tag"_s, 3, {}));
    ASSERT_TRUE(outcome.succeeded()) << outcome.message().toStdString();
    EXPECT_EQ(*outcome.value, u"Printed 3 × Bin tag."_s);
    EXPECT_TRUE(printer->received().endsWith("PRINT 1,3\r\n"));
    EXPECT_EQ(printed(), rendered(*named(u"Bin tag"_s), {}));
}

TEST_F(PrintActionsTest, OffersTheTextToTheLabelsTextPlaceholder) {
    LabelDocument document = Templates::plainText();
    document.name = u"Shelf note"_s;
    document.elements.first().content = u"Note: {text}"_s;
    library.append(document);
    const auto outcome =
        run(PrintActions::printLabel(byName(), *manager, u"Shelf note"_s, 1, u"Aisle 4"_s));
    ASSERT_TRUE(outcome.succeeded()) << outcome.message().toStdString();
    EXPECT_EQ(*outcome.value, u"Printed 1 × Shelf note."_s);
    const QImage withText = rendered(document, {{u"text"_s, u"Aisle 4"_s}});
    EXPECT_EQ(printed(), withText);
    EXPECT_NE(withText, rendered(document, {})) << "the text made a difference";
}

TEST_F(PrintActionsTest, AMissingLabelFailsWithoutPrinting) {
    const auto missing = run(PrintActions::printLabel(byName(), *manager, u"Nope"_s, 1, {}));
    EXPECT_EQ(missing.message(), u"There is no label named “Nope”."_s);
    const QUuid id = library.first().id;
    const PrintActions::LabelByID deleted = [](const QUuid&) { return std::nullopt; };
    const auto gone = run(PrintActions::printLabel(deleted, *manager, id, u"Gone"_s, 1, {}));
    EXPECT_EQ(gone.message(), u"There is no label named “Gone”."_s);
    EXPECT_EQ(printer->connectionRequests(), 0);
    EXPECT_TRUE(printer->writeSizes().isEmpty());
}

TEST_F(PrintActionsTest, PrintsALineOfTextOnTheBigTextDesign) {
    const auto outcome = run(PrintActions::printText(*manager, u"Hello"_s, 2));
    ASSERT_TRUE(outcome.succeeded()) << outcome.message().toStdString();
    EXPECT_EQ(*outcome.value, u"Printed."_s);
    LabelDocument expected = Templates::plainText();
    expected.elements.first().content = u"Hello"_s;
    EXPECT_EQ(printed(), rendered(expected, {}));
    EXPECT_TRUE(printer->received().endsWith("PRINT 1,2\r\n"));
}
