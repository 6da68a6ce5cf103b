// render, job: a label drawn as a PNG, and the TSPL bytes the printer receives.
#include "tools/vantrel-cli/Cli.h"
#include "tools/vantrel-cli/LabelSource.h"

#include "LabelKit/model/LabelFile.h"
#include "LabelKit/model/UserError.h"
#include "LabelKit/platform/FileWriter.h"
#include "LabelKit/render/LabelRenderer.h"
#include "LabelKit/tspl/TSPL.h"

#include <QBuffer>
#include <QImageWriter>

#include <limits>

namespace vantrel {

namespace {

// The design a command works on: a label file or a stored label, with the merge fields of a
// list row when one is asked for.
LabelDocument design(const QString& fileOrName, const Cli& cli, const RowOptions& rows,
                     LabelContext& context) {
    const LabelSource source = LabelSource::resolve(fileOrName, cli);
    rows.apply(source, context);
    return source.document;
}

// Writes the whole output at once: a file is replaced only when every byte is on the disk, a
// FIFO or device is written into, and "-" writes to standard output.
void writeOutput(const QString& path, const QByteArray& bytes) {
    if (path == QStringLiteral("-")) {
        Cli::out(bytes);
        return;
    }
    if (const std::optional<QString> failure = FileWriter::write(path, bytes)) {
        throw UserError(QStringLiteral("Couldn't write %1: %2").arg(path, *failure));
    }
}

QString outputOption(Arguments& args) {
    const auto output = args.option(QStringLiteral("-o"));
    if (!output || output->isEmpty()) {
        throw UsageError(QStringLiteral("missing -o OUT"));
    }
    return *output;
}

int render(Arguments& args, Cli& cli) {
    const QString output = outputOption(args);
    const int scale = int(args.integer(QStringLiteral("scale"), 1, 64).value_or(1));
    const bool smooth = args.flag(QStringLiteral("smooth"));
    LabelContext context = mergeOptions(args);
    const RowOptions rows = RowOptions::take(args);
    const QString path = args.positional(QStringLiteral("FILE"));
    args.finish();

    const LabelDocument doc = design(path, cli, rows, context);
    const RenderedLabel label = LabelRenderer::render(doc, context, scale, !smooth);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    if (!writer.write(label.image())) {
        throw UserError(
            QStringLiteral("Couldn't encode the picture: %1").arg(writer.errorString()));
    }
    writeOutput(output, png);
    return 0;
}

int job(Arguments& args, Cli& cli) {
    const QString output = outputOption(args);
    const qint64 copies = args.integer(QStringLiteral("copies"), std::numeric_limits<qint64>::min(),
                                       std::numeric_limits<qint64>::max())
                              .value_or(1);
    LabelContext context = mergeOptions(args);
    const RowOptions rows = RowOptions::take(args);
    const QString path = args.positional(QStringLiteral("FILE"));
    args.finish();
    const LabelDocument doc = design(path, cli, rows, context);
    writeOutput(output, TSPL::job(doc, context, copies));
    return 0;
}

const CommandRegistration renderCommand(
    {QStringLiteral("render"),
     QStringLiteral("render FILE|NAME -o OUT.png [--scale N] [--smooth] [--csv CSV [--no-header] "
                    "--row N] [merge options]"),
     render});
const CommandRegistration jobCommand(
    {QStringLiteral("job"),
     QStringLiteral("job FILE|NAME -o OUT [--copies N] [--csv CSV [--no-header] --row N] "
                    "[merge options]"),
     job});

} // namespace

} // namespace vantrel
