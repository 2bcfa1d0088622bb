#pragma once

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

// A temporary folder for the test's duration.
class TempDir {
public:
    TempDir() { EXPECT_TRUE(dir_.isValid()); }
    // Qt's own removal loses names that are not UTF-8, and leaves them.
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(QFile::encodeName(dir_.path()).toStdString(), ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    QString Path() const { return dir_.path(); }
    QString File(const QString& name) const { return dir_.filePath(name); }

    void Write(const QString& name, const QByteArray& bytes) const {
        QDir(dir_.path()).mkpath(QFileInfo(File(name)).path());
        QFile f(File(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QByteArray Read(const QString& name) const {
        QFile f(File(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    // Every file below folder (the whole temporary folder by default), by
    // path relative to it, with a hash of its bytes: what a failed or
    // cancelled operation must leave as it was.
    std::map<QString, QByteArray> Hashes(const QString& folder = {}) const {
        const std::filesystem::path root(QFile::encodeName(File(folder)).toStdString());
        std::map<QString, QByteArray> out;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
            if (!entry.is_regular_file()) {
                continue;
            }
            QFile f(QFile::decodeName(entry.path().c_str()));
            EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << entry.path();
            out[QFile::decodeName(entry.path().lexically_relative(root).c_str())] =
                QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256).toHex();
        }
        return out;
    }

private:
    QTemporaryDir dir_;
};

// A temporary folder made current for the test's duration, for code that
// is handed names relative to the current folder.
class TempFolder : public TempDir {
public:
    TempFolder() : saved_(QDir::currentPath()) { QDir::setCurrent(Path()); }
    ~TempFolder() { QDir::setCurrent(saved_); }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

private:
    QString saved_;
};
