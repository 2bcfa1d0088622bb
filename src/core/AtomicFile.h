#pragma once

#include <QByteArray>
#include <QString>

// Whole-file reading and writing. Paths are as folders::encodeName() takes
// them; only regular files are read or replaced, so a pipe, a device or a
// folder in a file's place is refused instead of blocking or being clobbered.
namespace qcm::core {

// Replaces path's content with bytes so that a failure at any point leaves
// the old file exactly as it was: the bytes go to a temporary file in the
// same folder, reach the disk, and only then take the old file's place. The
// file keeps its permissions, and a link keeps leading to it. When the
// folder does not let a temporary file be made but the file itself may be
// written, the bytes are written in place instead, and a failure writes the
// old bytes back. Raises EInOutError with the code of the failure: 2 when
// the folder does not exist, 5 when path is not a regular file, 101 when
// the disk is full.
void WriteFileAtomically(const QString& path, const QByteArray& bytes);

// Reads the whole file at path. Raises EFileTooLarge, before reading,
// when it holds more than maxBytes, and EInOutError: 2 when it does not
// exist, 5 when it may not be read or is not a regular file.
QByteArray ReadWholeFile(const QString& path, qint64 maxBytes);

// Reads at most maxBytes from the start of the file at path; fails as
// ReadWholeFile() does, whatever the file's size.
QByteArray ReadFileStart(const QString& path, qint64 maxBytes);

} // namespace qcm::core
