#pragma once

#include <QString>

// The process's current folder is part of the editor's state: while a
// questionnaire is open it is that questionnaire's folder. Every path the
// program computes goes through here, so tests can drive it with temporary
// folders.
namespace qcm::folders {

// The absolute current folder.
QString current();

// Makes path (absolute, or relative to the current folder) current.
// Raises EInOutError: 3 when it does not exist or is not a folder, 5 when
// it may not be entered.
void setCurrent(const QString& path);

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

// Remembers the current folder and returns to it when it goes out of scope.
class CurrentFolderGuard {
public:
    CurrentFolderGuard();
    ~CurrentFolderGuard();
    CurrentFolderGuard(const CurrentFolderGuard&) = delete;
    CurrentFolderGuard& operator=(const CurrentFolderGuard&) = delete;
    const QString& saved() const { return saved_; }

private:
    QString saved_;
};

} // namespace qcm::folders
