#include "core/Errors.h"

#include <gtest/gtest.h>

#include <cerrno>

using qcm::core::EInOutError;

TEST(EInOutError, TextsByCode) {
    const struct {
        int code;
        const char* text;
    } cases[] = {
        {2, "Fichier introuvable"},
        {3, "Nom de fichier incorrect"},
        {4, "Trop de fichiers ouverts"},
        {5, "Accès au fichier refusé"},
        {100, "Lecture au-delà de la fin de fichier"},
        {101, "Disque plein"},
        {106, "Saisie numérique incorrecte"},
        {32, "Erreur E/S 32"},
    };
    for (const auto& c : cases) {
        const EInOutError e(c.code);
        EXPECT_EQ(e.message(), QString::fromUtf8(c.text)) << c.code;
        EXPECT_EQ(e.code(), c.code);
        EXPECT_STREQ(e.what(), c.text);
    }
}

TEST(EInOutError, SystemErrorsMapToTheirUserCodes) {
    EXPECT_EQ(EInOutError::codeFromErrno(ENOENT), 2);
    EXPECT_EQ(EInOutError::codeFromErrno(ENOTDIR), 3);
    EXPECT_EQ(EInOutError::codeFromErrno(EMFILE), 4);
    EXPECT_EQ(EInOutError::codeFromErrno(EACCES), 5);
    EXPECT_EQ(EInOutError::codeFromErrno(EROFS), 5);
    EXPECT_EQ(EInOutError::codeFromErrno(ENOSPC), 101);
    EXPECT_EQ(EInOutError::codeFromErrno(EFBIG), 101);
    // A refusal without a reason is no full disk.
    EXPECT_EQ(EInOutError::codeFromErrno(0), 31);
    EXPECT_EQ(EInOutError::fromErrno(ELOOP + 1000).message(),
              QStringLiteral("Erreur E/S %1").arg(ELOOP + 1000));
    // EIO is 5 on Linux; it must not read as "access denied".
    EXPECT_EQ(EInOutError::fromErrno(EIO).message(), QStringLiteral("Erreur E/S 31"));
}
