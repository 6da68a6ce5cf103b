// Command-line prints running at the same time: every job is saved and no serial number is
// printed twice.
#include "LabelKit/platform/SettingsStore.h"
#include "LabelKit/print/PrintBatch.h"
#include "LabelKit/store/LabelStore.h"
#include "tests/support/TestSupport.h"

#include <QCryptographicHash>
#include <QDir>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace vantrel;

using namespace Qt::StringLiterals;

namespace {

TEST(ConcurrencyFaults, SimultaneousPrintsOfANumberedLabelShareNoSerialAndLoseNoJob) {
    QTemporaryDir temp;
    const QString library = temp.filePath(u"Labels"_s);
    const QString printed = temp.filePath(u"printed"_s);
    const LabelDocument sku = *LabelStore(library, true).labelNamed(u"SKU tag"_s);

    const QStringList environment{u"HOME="_s + temp.filePath(u"home"_s),
                                  u"XDG_CONFIG_HOME="_s + temp.filePath(u"config"_s),
                                  u"VANTREL_TIME_SCALE=0.05"_s};
    constexpr int prints = 3;
    constexpr int perPrint = 3;
    std::vector<std::unique_ptr<QProcess>> processes;
    for (int i = 0; i < prints; ++i) {
        processes.push_back(
            testsupport::startCli({u"--virtual"_s, printed, u"--library"_s, library, u"print"_s,
                                   u"SKU tag"_s, u"--serial-count"_s, QString::number(perPrint)},
                                  environment));
    }
    for (auto& process : processes) {
        ASSERT_TRUE(process->waitForFinished(60000));
        EXPECT_EQ(process->exitCode(), 0) << process->readAllStandardError().toStdString();
    }

    // Labels that differ only in their serial number are the same picture when a number repeats.
    const QStringList labels = QDir(printed).entryList({u"*.png"_s}, QDir::Files);
    EXPECT_EQ(labels.size(), prints * perPrint);
    QSet<QByteArray> pictures;
    for (const QString& label : labels) {
        pictures.insert(QCryptographicHash::hash(
            testsupport::readBytes(QDir(printed).filePath(label)), QCryptographicHash::Sha256));
    }
    EXPECT_EQ(pictures.size(), labels.size()) << "a serial number was printed twice";
    EXPECT_EQ(FileSettingsStore(temp.filePath(u"config/Vantrel/settings.json"_s))
                  .integer(PrintBatch::nextSerialKey(sku.id)),
              prints * perPrint + 1);
}

} // namespace
