#pragma once

#include <QByteArray>
#include <QString>

namespace qcm {

// Replaces path's content with bytes so that a failure at any point leaves
// the old file exactly as it was: the bytes go to a temporary file in the
// same folder, reach the disk, and only then take the old file's place.
// Raises EInOutError with the code of the failure.
void WriteFileAtomically(const QString& path, const QByteArray& bytes);

// Reads the whole file at path. Raises EInOutError (2 when it does not
// exist, 5 when it may not be read).
QByteArray ReadWholeFile(const QString& path);

} // namespace qcm
