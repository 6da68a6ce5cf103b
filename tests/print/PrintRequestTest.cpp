#include "LabelKit/print/PrintRequest.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

using namespace vantrel;

using namespace Qt::StringLiterals;

namespace {

// A library of three labels in store order; names compare ignoring letter case, like the
// store's look-up (whose own tests cover its rules). Records the names asked for.
struct Library {
    QList<LabelDocument> labels{LabelDocument(u"Bin tag"_s), LabelDocument(u"Shelf"_s),
                                LabelDocument(u"SHELF"_s)};
    QStringList asked;
    PrintRequest::LabelLookup lookup() {
        return [this](const QString& name) -> std::optional<LabelDocument> {
            asked.append(name);
            for (const LabelDocument& doc : labels) {
                if (doc.name.compare(name, Qt::CaseInsensitive) == 0) {
                    return doc;
                }
            }
            return std::nullopt;
        };
    }
};

// The request of a print link, written as "label index × copies, fields", or nothing.
TEST(PrintLink, GivesTheRequestOrNothing) {
    for (const QStringList& c : testsupport::dataTable(u"print-links.txt"_s)) {
        const QString& url = c[0];
        const QString expected = c.value(1);
        Library library;
        QString got;
        if (const auto request = PrintRequest::fromURL(url, library.lookup())) {
            EXPECT_FALSE(request->id.isNull());
            for (qsizetype i = 0; i < library.labels.size(); ++i) {
                got += library.labels[i].id == request->labelID ? QString::number(i) : QString();
            }
            got += u" × "_s + QString::number(request->copies);
            for (const auto& [name, value] : request->fields.asKeyValueRange()) {
                got += u", "_s + name + u'=' + value;
            }
        }
        EXPECT_EQ(got, expected) << url.toStdString();
    }

    // Only the decoded label name is looked up, and every request is distinct.
    Library library;
    const QString link = u"vantrel://print?Name=%2Fetc%2Fpasswd&label=Bin%20tag"_s;
    const auto first = PrintRequest::fromURL(link, library.lookup());
    const auto second = PrintRequest::fromURL(link, library.lookup());
    ASSERT_TRUE(first && second);
    EXPECT_EQ(library.asked, (QStringList{u"Bin tag"_s, u"Bin tag"_s}));
    EXPECT_NE(first->id, second->id);
    EXPECT_EQ(first->labelID, second->labelID);
    EXPECT_FALSE(PrintRequest::fromURL(link, {})) << "without a look-up nothing is found";
}

} // namespace
