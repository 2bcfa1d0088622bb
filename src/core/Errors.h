#pragma once

#include <QString>

#include <exception>
#include <string>

namespace qcm::core {

// Every failure the user may see travels as one of these; the application's
// single handler shows message() in a box and the event loop goes on.
class Exception : public std::exception {
public:
    explicit Exception(QString message);
    const QString& Message() const noexcept { return message_; }
    // The class name, as scripts and the command-line tool print it.
    virtual const char* ClassName() const noexcept { return "Exception"; }
    const char* what() const noexcept override { return utf8_.c_str(); }

private:
    QString message_;
    std::string utf8_;
};

// A failing file or folder operation, with the code that selects its text.
class EInOutError : public Exception {
public:
    enum Code : int {
        FileNotFound = 2,
        BadFileName = 3,
        TooManyOpenFiles = 4,
        AccessDenied = 5,
        GeneralFailure = 31,
        ReadBeyondEnd = 100,
        DiskFull = 101,
        InvalidNumber = 106,
    };
    explicit EInOutError(int code);
    int Code() const noexcept { return code_; }
    const char* ClassName() const noexcept override { return "EInOutError"; }

    static QString TextFor(int code);
    // Maps a C errno value to the code the user is shown; 0, a failure the
    // system gave no reason for, shows as a general failure.
    static int CodeFromErrno(int errnum);
    static EInOutError FromErrno(int errnum) { return EInOutError(CodeFromErrno(errnum)); }

private:
    int code_;
};

// A file too large for what the caller reads it as, refused before it is
// read whole.
class EFileTooLarge : public Exception {
public:
    EFileTooLarge(const QString& path, qint64 size, qint64 limit);
    const char* ClassName() const noexcept override { return "EFileTooLarge"; }
};

// A file that cannot be opened for reading.
class EFOpenError : public Exception {
public:
    using Exception::Exception;
    const char* ClassName() const noexcept override { return "EFOpenError"; }
};

// An index outside a list, as the chooser's list reports it.
class EListError : public Exception {
public:
    using Exception::Exception;
    const char* ClassName() const noexcept override { return "EListError"; }
};

} // namespace qcm::core
