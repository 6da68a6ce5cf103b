#pragma once

#include "LabelKit/model/LabelFile.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace vantrel;

using namespace Qt::StringLiterals;
using ::testing::HasSubstr;
using testsupport::CliRun;

// The tool in a folder of its own: its home, settings and library there, its clock 20 times
// faster. FILE is a design with a text {Name} and a barcode {SKU}; CSV a list of ten rows,
// Row1,S1 to Row10,S10.
class CliTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_temp.isValid());
        csv = write(u"ten.csv"_s, "Name,SKU\nRow1,S1\nRow2,S2\nRow3,S3\nRow4,S4\nRow5,S5\n"
                                  "Row6,S6\nRow7,S7\nRow8,S8\nRow9,S9\nRow10,S10\n");
        LabelElement name(ElementKind::text);
        name.content = u"{Name}"_s;
        name.height = 12;
        LabelElement code(ElementKind::barcode);
        code.content = u"{SKU}"_s;
        code.y = 14;
        code.height = 12;
        file = use(LabelDocument(u"Shelf"_s, 40, 30, {name, code}));
    }

    QString path(const QString& name) const { return m_temp.filePath(name); }
    QString library() const { return path(u"Labels"_s); }
    QString settingsFile() const { return path(u"config/Vantrel/settings.json"_s); }
    QStringList environment() const {
        return {u"HOME="_s + path(u"home"_s), u"XDG_CONFIG_HOME="_s + path(u"config"_s),
                u"VANTREL_TIME_SCALE=0.05"_s, u"TZ=UTC"_s};
    }

    QString write(const QString& name, const QByteArray& bytes) const {
        testsupport::writeBytes(path(name), bytes);
        return path(name);
    }
    // Writes the design as a file of its name.
    QString use(const LabelDocument& doc) const {
        return write(doc.name + u".vtllabel"_s, LabelFile::encode(doc));
    }

    // Arguments written as one line, _ for a space within one: FILE and CSV stand for those
    // files, @name for a file of the test's folder.
    QStringList expand(const QString& line) const {
        QStringList arguments = testsupport::words(line).replaceInStrings(u"_"_s, u" "_s);
        for (QString& word : arguments) {
            word = word == u"FILE"_s       ? file
                   : word == u"CSV"_s      ? csv
                   : word.startsWith(u'@') ? path(word.mid(1))
                                           : word;
        }
        return arguments;
    }

    // The tool on the test's library.
    CliRun run(const QStringList& arguments) const {
        return testsupport::runCli(QStringList{u"--library"_s, library()} + arguments,
                                   environment());
    }
    CliRun run(const QString& line) const { return run(expand(line)); }
    // The same, printing on the virtual printer, whose labels land in @printed.
    CliRun print(const QString& line) const {
        return run(QStringList{u"--virtual"_s, path(u"printed"_s)} + expand(line));
    }
    QStringList printedFiles(const QString& folder = u"printed"_s) const {
        return QDir(path(folder)).entryList({u"*.png"_s}, QDir::Files, QDir::Name);
    }

    QTemporaryDir m_temp;
    QString csv;
    QString file;
};
