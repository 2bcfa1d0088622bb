#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

// Paths and folder handling. The program never changes the process's
// current folder: every file is resolved against an explicit folder. Paths are QStrings that carry
// any name the file system holds: a name that is not valid UTF-8 (what old archives from Windows
// leave behind) keeps each undecodable byte b as the character U+DC00 + b, so it lists, opens and
// writes back under its own bytes. Every file-system call of the program goes through encodeName()
// for that reason; Qt's own file classes would lose those bytes.
namespace qcm::core::folders {

// A name from the file system as the program holds it; the inverse of
// encodeName().
QString DecodeName(QByteArrayView bytes);

// The bytes the file system knows a name by. Raises EInOutError 3 for a text
// no file can be named by (a NUL, or a lone surrogate that decodeName()
// never makes).
QByteArray EncodeName(const QString& name);

// The absolute current folder, read once at start as the start folder.
QString Current();

// Joins a name to a folder; an absolute name stands alone.
QString Join(const QString& folder, const QString& name);

// File names inside a questionnaire folder are matched without regard to
// letter case. Returns the name of the entry of folder that matches name, or
// an empty string when none does. The exact spelling wins; among other
// matches the first in the order of their bytes does, so every caller finds
// the same file whatever order the folder lists them in. An entry whose name
// is not UTF-8 also matches when its bytes read as code page 1252 give name,
// as the questionnaire file names it.
QString FindEntry(const QString& folder, const QString& name);

// The path of folder's entry matching name, or folder joined with name as
// written when there is none yet (the path a new file gets).
QString EntryPath(const QString& folder, const QString& name);

// The name itself when no entry of folder matches it (case ignored, as
// FindEntry() matches), else the first of "stem (2).ext", "stem (3).ext"...
// that none matches: a new file never takes the place of one already there.
// Names in taken count as entries too (case ignored): files something names
// that are not there yet.
QString FreeName(const QString& folder, const QString& name, const QStringList& taken = {});

// Removes the file at path; false when it could not (it is left as it was).
bool RemoveFile(const QString& path);

// True when both paths lead to the same existing folder (links and case
// resolved by the file system, not by comparing texts).
bool SameFolder(const QString& a, const QString& b);

// The absolute path that path leads to, every link and "." or ".."
// resolved, or an empty text when it leads to nothing that exists.
QString ResolvedPath(const QString& path);

// True when path leads to a folder (links followed).
bool IsFolder(const QString& path);

// Names of the entries of folder that are folders (links followed), hidden
// ones included, "." and ".." left out, in the order of their bytes. Raises
// EInOutError with the system's reason when folder cannot be listed.
QStringList Subfolders(const QString& folder);

// Creates the folder path (its parent must exist). Raises EInOutError with
// the system's reason when it cannot.
void MakeFolder(const QString& path);

} // namespace qcm::core::folders
