#include "tools/vantrel-cli/Cli.h"

#include "LabelKit/model/UserError.h"
#include "LabelKit/platform/Clock.h"
#include "LabelKit/platform/SettingsStore.h"

#include <algorithm>
#include <cstdio>

namespace vantrel {

UsageError::UsageError(const QString& message) : std::runtime_error(message.toStdString()) {}

Arguments::Arguments(QStringList arguments) : m_arguments(std::move(arguments)) {
    m_end = m_arguments.indexOf(QStringLiteral("--"));
    if (m_end < 0) {
        m_end = m_arguments.size();
    }
}

QStringList Arguments::options(const QString& name) {
    const QString dashed = name.startsWith(u'-') ? name : QStringLiteral("--") + name;
    const QString prefix = dashed + u'=';
    QStringList values;
    for (qsizetype i = 0; i < m_end;) {
        const QString& a = m_arguments[i];
        if (a == dashed) {
            if (i + 1 >= m_end) {
                throw UsageError(QStringLiteral("option %1 needs a value").arg(dashed));
            }
            values.append(m_arguments[i + 1]);
            m_arguments.remove(i, 2);
            m_end -= 2;
        } else if (a.startsWith(prefix)) {
            values.append(a.mid(prefix.size()));
            m_arguments.remove(i);
            m_end -= 1;
        } else {
            ++i;
        }
    }
    return values;
}

std::optional<QString> Arguments::option(const QString& name) {
    const QStringList values = options(name);
    if (values.isEmpty()) {
        return std::nullopt;
    }
    return values.last();
}

bool Arguments::flag(const QString& name) {
    const QString dashed = QStringLiteral("--") + name;
    bool found = false;
    for (qsizetype i = 0; i < m_end;) {
        if (m_arguments[i] == dashed) {
            found = true;
            m_arguments.remove(i);
            m_end -= 1;
        } else if (m_arguments[i].startsWith(dashed + u'=')) {
            throw UsageError(QStringLiteral("option %1 takes no value").arg(dashed));
        } else {
            ++i;
        }
    }
    return found;
}

std::optional<qint64> Arguments::integer(const QString& name, qint64 min, qint64 max) {
    const auto text = option(name);
    if (!text) {
        return std::nullopt;
    }
    bool ok = false;
    const qint64 value = text->toLongLong(&ok);
    if (!ok || value < min || value > max) {
        throw UsageError(QStringLiteral("--%1 needs a whole number from %2 to %3, not “%4”")
                             .arg(name)
                             .arg(min)
                             .arg(max)
                             .arg(*text));
    }
    return value;
}

std::optional<double> Arguments::real(const QString& name, double min, double max) {
    const auto text = option(name);
    if (!text) {
        return std::nullopt;
    }
    bool ok = false;
    const double value = text->toDouble(&ok);
    if (!ok || !(value >= min && value <= max)) {
        throw UsageError(QStringLiteral("--%1 needs a number from %2 to %3, not “%4”")
                             .arg(name)
                             .arg(min)
                             .arg(max)
                             .arg(*text));
    }
    return value;
}

std::optional<QString> Arguments::optionalPositional() {
    for (qsizetype i = 0; i < m_arguments.size(); ++i) {
        if (i == m_end) {
            continue; // the "--" marker itself
        }
        if (i < m_end && m_arguments[i].startsWith(QStringLiteral("--"))) {
            continue; // left for finish() to refuse
        }
        const QString value = m_arguments[i];
        m_arguments.remove(i);
        if (i < m_end) {
            m_end -= 1;
        }
        return value;
    }
    return std::nullopt;
}

QString Arguments::positional(const QString& what) {
    if (auto value = optionalPositional()) {
        return *value;
    }
    throw UsageError(QStringLiteral("missing %1").arg(what));
}

void Arguments::finish() {
    for (qsizetype i = 0; i < m_arguments.size(); ++i) {
        if (i == m_end) {
            continue;
        }
        const QString& a = m_arguments[i];
        if (i < m_end && a.startsWith(QStringLiteral("--"))) {
            throw UsageError(QStringLiteral("unknown option %1").arg(a.section(u'=', 0, 0)));
        }
        throw UsageError(QStringLiteral("unexpected argument “%1”").arg(a));
    }
}

void Cli::out(const QByteArray& bytes) {
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
}

void Cli::outLine(const QString& line) {
    out(line.toUtf8() + '\n');
}

void Cli::errLine(const QString& line) {
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
}

namespace {
QList<Command>& registry() {
    static QList<Command> list;
    return list;
}
} // namespace

CommandRegistration::CommandRegistration(Command command) {
    registry().append(std::move(command));
    std::sort(registry().begin(), registry().end(),
              [](const Command& a, const Command& b) { return a.name < b.name; });
}

const QList<Command>& commands() {
    return registry();
}

const Command* findCommand(const QString& name) {
    const auto found = std::find_if(commands().cbegin(), commands().cend(),
                                    [&](const Command& c) { return c.name == name; });
    return found == commands().cend() ? nullptr : &*found;
}

namespace {
const QString mergeOptionsText =
    QStringLiteral("merge options: --serial N, --digits D, --field NAME=VALUE (repeatable), "
                   "--date ISO\n");
} // namespace

QString usageText() {
    QString text = QStringLiteral("usage: vantrel-cli [--library DIR] [--virtual DIR "
                                  "[--virtual-printers N|NAME[@RSSI],...]] COMMAND [ARGUMENTS]\n"
                                  "       vantrel-cli COMMAND --help\n"
                                  "       vantrel-cli --version\n\ncommands:\n");
    for (const Command& c : commands()) {
        text += QStringLiteral("  ") + c.synopsis + u'\n';
    }
    return text + u'\n' + mergeOptionsText +
           QStringLiteral(
               "\n--virtual DIR prints to a virtual CT221B that saves each label in DIR.\n"
               "--virtual-printers simulates several, each saving into DIR/NAME: N of them "
               "(CT221B-A,\nCT221B-B, ...), or the names given, each with its signal in dBm "
               "(CT221B-A@-60,Back).\n");
}

QString usageText(const Command& command) {
    QString text = QStringLiteral("usage: vantrel-cli ") + command.synopsis + u'\n';
    if (command.synopsis.contains(QStringLiteral("[merge options]"))) {
        text += mergeOptionsText;
    }
    return text;
}

QString versionText() {
    return QStringLiteral("vantrel-cli " VANTREL_VERSION);
}

std::pair<QString, QString> keyValue(const QString& text, const QString& option) {
    const qsizetype eq = text.indexOf(u'=');
    if (eq < 0) {
        throw UsageError(QStringLiteral("%1 needs NAME=VALUE, not “%2”").arg(option, text));
    }
    return {text.left(eq), text.mid(eq + 1)};
}

LabelContext mergeOptions(Arguments& args) {
    LabelContext context;
    context.serial = args.integer(QStringLiteral("serial"), std::numeric_limits<qint64>::min(),
                                  std::numeric_limits<qint64>::max());
    // Padding beyond a few dozen digits is never meant and would only allocate.
    context.serialDigits = args.integer(QStringLiteral("digits"), 0, 100).value_or(0);
    for (const QString& field : args.options(QStringLiteral("field"))) {
        const auto [name, value] = keyValue(field, QStringLiteral("--field"));
        context.fields.insert(name, value);
    }
    context.date = Clock::wallNow();
    if (const auto date = args.option(QStringLiteral("date"))) {
        context.date = QDateTime::fromString(*date, Qt::ISODateWithMs);
        if (!context.date.isValid()) {
            throw UsageError(
                QStringLiteral("--date needs an ISO 8601 date-time such as 2025-03-14T09:26:53Z, "
                               "not “%1”")
                    .arg(*date));
        }
    }
    return context;
}

std::unique_ptr<FileSettingsStore> openSettings() {
    const std::optional<QString> path = FileSettingsStore::defaultPath();
    if (!path) {
        throw UserError(QStringLiteral("HOME is not set, so there are no settings. Set HOME (or "
                                       "XDG_CONFIG_HOME)."));
    }
    auto settings = std::make_unique<FileSettingsStore>(*path);
    if (settings->damage()) {
        Cli::errLine(QStringLiteral("vantrel-cli: warning: ") + *settings->damage());
    }
    return settings;
}

} // namespace vantrel
