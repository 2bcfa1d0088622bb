#pragma once

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// A temporary folder for the test's duration.
class TempDir {
public:
    TempDir() { EXPECT_TRUE(dir_.isValid()); }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    QString path() const { return dir_.path(); }
    QString file(const QString& name) const { return dir_.filePath(name); }

    void write(const QString& name, const QByteArray& bytes) const {
        QDir(dir_.path()).mkpath(QFileInfo(file(name)).path());
        QFile f(file(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QByteArray read(const QString& name) const {
        QFile f(file(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private:
    QTemporaryDir dir_;
};

// A temporary folder made current for the test's duration, for code that
// is handed names relative to the current folder.
class TempFolder : public TempDir {
public:
    TempFolder() : saved_(QDir::currentPath()) { QDir::setCurrent(path()); }
    ~TempFolder() { QDir::setCurrent(saved_); }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

private:
    QString saved_;
};
