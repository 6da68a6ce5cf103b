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
    const std::pair<const char*, const char*> cases[] = {
        {"vantrel://print?label=Bin%20tag", "0 × 1"},
        {"kestlabel://print?label=Bin%20tag", "0 × 1"},
        {"vantrel://print?label=Shelf&label=Bin%20tag", "1 × 1"},
        {"vantrel://print?label=Bin%20tag&copies=12", "0 × 12"},
        {"vantrel://print?copies=%2B3&label=Bin%20tag", "0 × 3"},
        {"vantrel://print?label=Bin%20tag&copies=2&copies=5", "0 × 2"},
        {"vantrel://print?label=Bin%20tag&copies=0", "0 × 1"},
        {"vantrel://print?label=Bin%20tag&copies=2.5", "0 × 1"},
        {"vantrel://print?label=Bin%20tag&copies=99999999999999999999", "0 × 1"},
        {"vantrel://print?label=Bin%20tag&copies=%D9%A3", "0 × 1"},
        {"vantrel://print?label=Bin%20tag&SKU=123&SKU=456", "0 × 1, SKU=456"},
        {"vantrel://print?Note&label=Bin%20tag", "0 × 1, Note="},
        {"vantrel://print?label=Bin%20tag&Caf%C3%A9=cr%C3%A8me%20br%C3%BBl%C3%A9e&"
         "Sum=a+b%3Dc&Braces=%7Bserial%7D",
         "0 × 1, Braces={serial}, Café=crème brûlée, Sum=a+b=c"},
        {"vantrel://print?&&label=Bin%20tag&&", "0 × 1"},
        {"vantrel://print/x/y?label=Bin%20tag#copies=9", "0 × 1"},
        // Ignored.
        {"vantrel://Print?label=Bin%20tag", ""},
        {"vantrel:print?label=Bin%20tag", ""},
        {"Vantrel://print?label=Bin%20tag", ""},
        {"https://print?label=Bin%20tag", ""},
        {"", ""},
        {"vantrel://print", ""},
        {"vantrel://print?copies=2&Name=x", ""},
        {"vantrel://print?Label=Bin%20tag", ""},
        {"vantrel://print?label=Nothing", ""},
        {"vantrel://print?label=Bin%zztag", ""},
        {"vantrel://print?label=Bin%20tag&Name=%FF", ""},
        {"vantrel://print?label=Bin tag", ""},
    };
    for (const auto& [url, expected] : cases) {
        Library library;
        QString got;
        if (const auto request = PrintRequest::fromURL(QString::fromUtf8(url), library.lookup())) {
            EXPECT_FALSE(request->id.isNull());
            for (qsizetype i = 0; i < library.labels.size(); ++i) {
                got += library.labels[i].id == request->labelID ? QString::number(i) : QString();
            }
            got += u" × "_s + QString::number(request->copies);
            for (const auto& [name, value] : request->fields.asKeyValueRange()) {
                got += u", "_s + name + u'=' + value;
            }
        }
        EXPECT_EQ(got, QString::fromUtf8(expected)) << url;
    }
}

TEST(PrintLink, OnlyTheDecodedLabelNameIsLookedUpAndEveryRequestIsDistinct) {
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
