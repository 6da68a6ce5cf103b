

// libFuzzer entry for the readers of outside input. The first byte picks the reader, the rest is
// its input. Build with -DVANTREL_FUZZ=ON and Clang; run as fuzz_input [corpus folder].
#include "LabelKit/merge/DataTable.h"
#include "LabelKit/merge/Placeholders.h"
#include "LabelKit/model/LabelFile.h"

#include <QSet>

#include <cstdint>
#include <cstdlib>

using namespace vantrel;

namespace {

void require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

void labelFile(const QByteArray& bytes) {
    try {
        const QByteArray written = LabelFile::encode(LabelFile::decode(bytes));
        require(LabelFile::encode(LabelFile::decode(written)) == written);
    } catch (const UserError&) {
    }
}

void csv(const QByteArray& bytes) {
    const DataTable table = DataTable::load(bytes, true);
    require(table == DataTable::parse(DataTable::decode(bytes), true));
    for (const QStringList& row : table.rows) {
        require(!row.isEmpty() && row.size() <= table.columns.size());
    }
    for (const QString& name : table.columns) {
        require(!name.isEmpty() && !name.contains(u'{') && !name.contains(u'}'));
    }
    const DataTable plain = DataTable::load(bytes, false);
    require(plain.rows.isEmpty() || plain.rows.mid(1) == table.rows);
    if (!table.rows.isEmpty()) {
        table.search(table.rows.front().front());
    }
}

void placeholders(const QByteArray& bytes) {
    const QString text = QString::fromUtf8(bytes);
    const LabelContext empty{std::nullopt, 0, {}, QDateTime::fromSecsSinceEpoch(1741944413)};
    const QStringList tokens = Placeholders::tokens(text);
    const QString resolved = Placeholders::resolve(text, empty);
    require(tokens.size() <= text.count(u'{'));
    require(tokens.contains(QStringLiteral("date")) || resolved == text);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    switch (data[0] % 3) {
    case 0:
        labelFile(bytes);
        break;
    case 1:
        csv(bytes);
        break;
    default:
        placeholders(bytes);
        break;
    }
    return 0;
}
