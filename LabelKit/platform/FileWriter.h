#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace vantrel {

// Whole-file writes that never leave a truncated file under the final name and never report
// success for bytes that did not reach the disk: every byte is written and flushed before the
// file takes its name. Each function returns the system's reason for a failure ("No space left
// on device") and nothing on success; the caller says which file in its message.
namespace FileWriter {

// Replaces the regular file at `path`, or creates it. The bytes go to a new file beside it,
// which takes the name in one step once complete; on any failure the new file is removed and
// the old one stays as it was. A symbolic link is followed and the file it names is replaced
// (the link stays); the old file's permissions are kept. Refuses a folder, a FIFO or a device.
std::optional<QString> replace(const QString& path, const QByteArray& bytes);

// For an output the user names: a FIFO, a terminal or another character device (/dev/stdout
// and /dev/null included) is written into as it stands and never replaced; a disk device, a
// socket and a folder are refused; anything else goes through replace(). Opening a FIFO waits
// for its reader, as a shell redirection does.
std::optional<QString> write(const QString& path, const QByteArray& bytes);

// Creates the regular file only when nothing has that name: the complete, flushed file takes
// the name in one step that fails when the name is taken, so concurrent writers never overwrite
// each other. When the name is taken, sets *taken and writes nothing (returning no failure).
std::optional<QString> create(const QString& path, const QByteArray& bytes, bool* taken);

} // namespace FileWriter

} // namespace vantrel
