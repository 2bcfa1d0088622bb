#include "Zip.h"

#include <zip.h>

#include <algorithm>
#include <memory>

namespace qcm::exchange {

namespace {

struct FermerSource {
    void operator()(zip_source_t* source) const { zip_source_free(source); }
};
struct AbandonnerArchive {
    void operator()(zip_t* archive) const { zip_discard(archive); }
};
using Source = std::unique_ptr<zip_source_t, FermerSource>;
using Archive = std::unique_ptr<zip_t, AbandonnerArchive>;

// 1 January 2000, midnight, as MS-DOS writes dates: a fixed date keeps two
// exports of the same questionnaire byte for byte the same.
constexpr zip_uint16_t kDateDos = ((2000 - 1980) << 9) | (1 << 5) | 1;
constexpr zip_uint16_t kHeureDos = 0;
// zlib's fastest level: the page is mostly pictures in base64, which every
// level packs about as well, and the higher ones took most of a second.
constexpr zip_uint32_t kNiveau = 1;
// A plain file, read by all, written by its owner.
constexpr zip_uint32_t kAttributsUnix = 0100644U << 16U;

[[noreturn]] void Echec(const QString& quoi, zip_error_t* erreur) {
    throw EEchange(QStringLiteral("L'archive zip ne peut pas être faite (%1) : %2")
                       .arg(quoi, QString::fromUtf8(zip_error_strerror(erreur))));
}

[[noreturn]] void Echec(const QString& quoi, zip_t* archive) {
    Echec(quoi, zip_get_error(archive));
}

void VerifierNom(const QString& nom) {
    const QStringList parties = nom.split(QLatin1Char('/'));
    const bool mauvais =
        nom.isEmpty() || nom.contains(QLatin1Char('\\')) || nom.contains(QLatin1Char(':')) ||
        std::any_of(parties.cbegin(), parties.cend(), [](const QString& p) {
            return p.isEmpty() || p == QLatin1String(".") || p == QLatin1String("..");
        });
    if (mauvais) {
        throw EEchange(
            QStringLiteral("« %1 » ne peut pas être un nom de fichier dans une archive zip.")
                .arg(nom));
    }
}

QByteArray Lire(zip_source_t* source) {
    if (zip_source_open(source) < 0) {
        Echec(QStringLiteral("lecture"), zip_source_error(source));
    }
    QByteArray octets;
    if (zip_source_seek(source, 0, SEEK_END) == 0) {
        const zip_int64_t taille = zip_source_tell(source);
        if (taille >= 0 && zip_source_seek(source, 0, SEEK_SET) == 0) {
            octets.resize(static_cast<qsizetype>(taille));
            if (zip_source_read(source, octets.data(), static_cast<zip_uint64_t>(taille)) !=
                taille) {
                octets.clear();
            }
        }
    }
    zip_source_close(source);
    if (octets.isEmpty()) {
        Echec(QStringLiteral("lecture"), zip_source_error(source));
    }
    return octets;
}

} // namespace

QByteArray Zipper(std::vector<FichierJoint> fichiers) {
    std::sort(fichiers.begin(), fichiers.end(),
              [](const FichierJoint& a, const FichierJoint& b) { return a.Nom < b.Nom; });
    for (std::size_t i = 0; i < fichiers.size(); ++i) {
        VerifierNom(fichiers[i].Nom);
        if (i > 0 && fichiers[i].Nom == fichiers[i - 1].Nom) {
            throw EEchange(
                QStringLiteral("« %1 » serait deux fois dans l'archive zip.").arg(fichiers[i].Nom));
        }
    }

    zip_error_t erreur;
    zip_error_init(&erreur);
    const Source memoire(zip_source_buffer_create(nullptr, 0, 0, &erreur));
    if (!memoire) {
        Echec(QStringLiteral("mémoire"), &erreur);
    }
    // The archive takes a reference of its own; ours reads the result.
    zip_source_keep(memoire.get());
    Archive archive(zip_open_from_source(memoire.get(), ZIP_TRUNCATE, &erreur));
    if (!archive) {
        zip_source_free(memoire.get());
        Echec(QStringLiteral("ouverture"), &erreur);
    }
    for (const FichierJoint& fichier : fichiers) {
        Source donnees(zip_source_buffer(archive.get(), fichier.Octets.constData(),
                                         static_cast<zip_uint64_t>(fichier.Octets.size()), 0));
        if (!donnees) {
            Echec(fichier.Nom, archive.get());
        }
        const QByteArray nom = fichier.Nom.toUtf8();
        const zip_int64_t indice =
            zip_file_add(archive.get(), nom.constData(), donnees.get(), ZIP_FL_ENC_UTF_8);
        if (indice < 0) {
            Echec(fichier.Nom, archive.get());
        }
        static_cast<void>(donnees.release()); // the archive owns it now
        const auto i = static_cast<zip_uint64_t>(indice);
        if (zip_set_file_compression(archive.get(), i, ZIP_CM_DEFLATE, kNiveau) < 0 ||
            zip_file_set_dostime(archive.get(), i, kHeureDos, kDateDos, 0) < 0 ||
            zip_file_set_external_attributes(archive.get(), i, 0, ZIP_OPSYS_UNIX, kAttributsUnix) <
                0) {
            Echec(fichier.Nom, archive.get());
        }
    }
    if (zip_close(archive.get()) < 0) {
        Echec(QStringLiteral("écriture"), archive.get());
    }
    static_cast<void>(archive.release()); // closed, and freed by zip_close
    return Lire(memoire.get());
}

} // namespace qcm::exchange
