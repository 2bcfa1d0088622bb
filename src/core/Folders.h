#pragma once

#include <QString>

// Paths and folder lookups. The program never changes the process's
// current folder: every file is resolved against an explicit folder.
namespace qcm::folders {

// The absolute current folder, read once at start as the start folder.
QString current();

// Joins a name to a folder; an absolute name stands alone.
QString join(const QString& folder, const QString& name);

// File names inside a questionnaire folder are matched without regard to
// letter case. Returns the name of the entry of folder that matches name
// (the exact spelling first), or an empty string when none does.
QString findEntry(const QString& folder, const QString& name);

// The path of folder's entry matching name, or folder joined with name as
// written when there is none yet (the path a new file gets).
QString entryPath(const QString& folder, const QString& name);

// True when both paths lead to the same existing folder (links and case
// resolved by the file system, not by comparing texts).
bool sameFolder(const QString& a, const QString& b);

} // namespace qcm::folders
