#include "LabelKit/print/PrintRequest.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

using namespace vantrel;

using namespace Qt::StringLiterals;

namespace {

// A library of three labels in store order; names compare ignoring letter case, like the
// store's look-up (whose own tests cover its rules).
class Library {
public:
    Library() {
        for (const char* name : {"Bin tag", "Shelf", "SHELF"}) {
            m_labels.append(LabelDocument(QString::fromUtf8(name)));
        }
    }
    PrintRequest::LabelLookup lookup() {
        return [this](const QString& name) -> std::optional<LabelDocument> {
            m_asked.append(name);
            for (const LabelDocument& doc : m_labels) {
                if (doc.name.compare(name, Qt::CaseInsensitive) == 0) {
                    return doc;
                }
            }
            return std::nullopt;
        };
    }
    QUuid id(qsizetype index) const { return m_labels[index].id; }
    const QStringList& asked() const { return m_asked; }

private:
    QList<LabelDocument> m_labels;
    QStringList m_asked;
};

struct LinkCase {
    const char* name;
    const char* url;
    qsizetype label = -1; // index in the library; -1: no request
    qint64 copies = 1;
    MergeFields fields = {};
};

class PrintLink : public ::testing::TestWithParam<LinkCase> {};

TEST_P(PrintLink, GivesTheRequestOrNothing) {
    const LinkCase& c = GetParam();
    Library library;
    const std::optional<PrintRequest> request =
        PrintRequest::fromURL(QString::fromUtf8(c.url), library.lookup());
    if (c.label < 0) {
        EXPECT_FALSE(request) << c.url;
        return;
    }
    ASSERT_TRUE(request) << c.url;
    EXPECT_EQ(request->labelID, library.id(c.label));
    EXPECT_EQ(request->copies, c.copies);
    EXPECT_EQ(request->fields, c.fields);
    EXPECT_FALSE(request->id.isNull());
}

MergeFields fields(std::initializer_list<std::pair<const char*, const char*>> list) {
    MergeFields map;
    for (const auto& [k, v] : list) {
        map.insert(QString::fromUtf8(k), QString::fromUtf8(v));
    }
    return map;
}

INSTANTIATE_TEST_SUITE_P(
    Accepted, PrintLink,
    ::testing::Values(
        LinkCase{"Plain", "vantrel://print?label=Bin%20tag", 0},
        LinkCase{"OlderScheme", "kestlabel://print?label=Bin%20tag", 0},
        LinkCase{"FirstLabelItemCounts", "vantrel://print?label=Shelf&label=Bin%20tag", 1},
        LinkCase{"Copies", "vantrel://print?label=Bin%20tag&copies=12", 0, 12},
        LinkCase{"CopiesWithPlus", "vantrel://print?copies=%2B3&label=Bin%20tag", 0, 3},
        LinkCase{"FirstCopiesItemCounts", "vantrel://print?label=Bin%20tag&copies=2&copies=5", 0,
                 2},
        LinkCase{"CopiesZero", "vantrel://print?label=Bin%20tag&copies=0", 0, 1},
        LinkCase{"CopiesWithFraction", "vantrel://print?label=Bin%20tag&copies=2.5", 0, 1},
        LinkCase{"CopiesOverflowing", "vantrel://print?label=Bin%20tag&copies=99999999999999999999",
                 0, 1},
        LinkCase{"CopiesInOtherDigits", "vantrel://print?label=Bin%20tag&copies=%D9%A3", 0, 1},
        LinkCase{"LaterFieldWins", "vantrel://print?label=Bin%20tag&SKU=123&SKU=456", 0, 1,
                 fields({{"SKU", "456"}})},
        LinkCase{"FieldWithoutValue", "vantrel://print?Note&label=Bin%20tag", 0, 1,
                 fields({{"Note", ""}})},
        LinkCase{"FieldsDecoded",
                 "vantrel://print?label=Bin%20tag&Caf%C3%A9=cr%C3%A8me%20br%C3%BBl%C3%A9e&"
                 "Sum=a+b%3Dc&Braces=%7Bserial%7D",
                 0, 1,
                 fields({{"Café", "crème brûlée"}, {"Sum", "a+b=c"}, {"Braces", "{serial}"}})},
        LinkCase{"EmptyItemsSkipped", "vantrel://print?&&label=Bin%20tag&&", 0},
        LinkCase{"PathAndFragmentIgnored", "vantrel://print/x/y?label=Bin%20tag#copies=9", 0}),
    [](const ::testing::TestParamInfo<LinkCase>& p) { return p.param.name; });

INSTANTIATE_TEST_SUITE_P(
    Ignored, PrintLink,
    ::testing::Values(LinkCase{"HostInOtherCase", "vantrel://Print?label=Bin%20tag"},
                      LinkCase{"NoHost", "vantrel:print?label=Bin%20tag"},
                      LinkCase{"SchemeInOtherCase", "Vantrel://print?label=Bin%20tag"},
                      LinkCase{"OtherScheme", "https://print?label=Bin%20tag"},
                      LinkCase{"Empty", ""}, LinkCase{"NoQuery", "vantrel://print"},
                      LinkCase{"NoLabelItem", "vantrel://print?copies=2&Name=x"},
                      LinkCase{"LabelCaseMatters", "vantrel://print?Label=Bin%20tag"},
                      LinkCase{"UnknownLabel", "vantrel://print?label=Nothing"},
                      LinkCase{"BrokenPercentEscape", "vantrel://print?label=Bin%zztag"},
                      LinkCase{"InvalidUtf8", "vantrel://print?label=Bin%20tag&Name=%FF"},
                      LinkCase{"RawSpace", "vantrel://print?label=Bin tag"}),
    [](const ::testing::TestParamInfo<LinkCase>& p) { return p.param.name; });

TEST(PrintLinkLookUp, OnlyTheDecodedLabelNameIsLookedUpAndEveryRequestIsDistinct) {
    Library library;
    const QString link = u"vantrel://print?Name=%2Fetc%2Fpasswd&label=Bin%20tag"_s;
    const auto first = PrintRequest::fromURL(link, library.lookup());
    const auto second = PrintRequest::fromURL(link, library.lookup());
    ASSERT_TRUE(first && second);
    EXPECT_EQ(library.asked(), (QStringList{u"Bin tag"_s, u"Bin tag"_s}));
    EXPECT_NE(first->id, second->id);
    EXPECT_EQ(first->labelID, second->labelID);
    // Without a look-up nothing is found.
    EXPECT_FALSE(PrintRequest::fromURL(link, {}));
}

} // namespace
