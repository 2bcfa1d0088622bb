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
        EXPECT_EQ(e.Message(), QString::fromUtf8(c.text)) << c.code;
        EXPECT_EQ(e.Code(), c.code);
        EXPECT_STREQ(e.what(), c.text);
    }
}

TEST(EInOutError, SystemErrorsMapToTheirUserCodes) {
    EXPECT_EQ(EInOutError::CodeFromErrno(ENOENT), 2);
    EXPECT_EQ(EInOutError::CodeFromErrno(ENOTDIR), 3);
    EXPECT_EQ(EInOutError::CodeFromErrno(EMFILE), 4);
    EXPECT_EQ(EInOutError::CodeFromErrno(EACCES), 5);
    EXPECT_EQ(EInOutError::CodeFromErrno(EROFS), 5);
    EXPECT_EQ(EInOutError::CodeFromErrno(ENOSPC), 101);
    EXPECT_EQ(EInOutError::CodeFromErrno(EFBIG), 101);
    // A refusal without a reason is no full disk.
    EXPECT_EQ(EInOutError::CodeFromErrno(0), 31);
    EXPECT_EQ(EInOutError::FromErrno(ELOOP + 1000).Message(),
              QStringLiteral("Erreur E/S %1").arg(ELOOP + 1000));
    // EIO is 5 on Linux; it must not read as "access denied".
    EXPECT_EQ(EInOutError::FromErrno(EIO).Message(), QStringLiteral("Erreur E/S 31"));
}
