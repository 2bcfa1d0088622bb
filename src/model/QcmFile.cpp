#include "QcmFile.h"

#include "core/AtomicFile.h"
#include "core/Cp1252.h"
#include "core/Errors.h"
#include "core/Folders.h"

#include <QFileInfo>

#include <algorithm>
#include <cstdint>
#include <limits>

namespace qcm::model {

using namespace qcm::core;

namespace {

constexpr char kCtrlZ = 26;
constexpr int kMaxChiffresCompte = 32;

// The file as a text file of the old runtime reads it: a line ends at CR,
// an LF right after it is skipped, LF alone is an ordinary character, and
// Ctrl-Z ends the file. Reading past the end gives empty lines.
// A file without any CR was not made by the writer (which ends every line
// with CR LF) but by a Linux editor or an archive tool: there LF ends lines.
class LecteurLignes {
public:
    explicit LecteurLignes(QByteArrayView bytes) : data_(bytes) {
        const qsizetype z = bytes.indexOf(kCtrlZ);
        end_ = z < 0 ? bytes.size() : z;
        if (!data_.first(end_).contains('\r')) {
            fin_ = '\n';
        }
    }

    bool Fin() const { return pos_ >= end_; }

    QString Ligne() {
        const qsizetype start = pos_;
        while (pos_ < end_ && data_[pos_] != fin_) {
            ++pos_;
        }
        const QByteArrayView line = data_.sliced(start, pos_ - start);
        SauterFinDeLigne();
        return cp1252::Decode(line);
    }

    QString LigneNettoyee() { return Nettoye(Ligne()); }

    // An integer read across blanks and line ends; 0 at the end of the file.
    // The rest of its line is skipped.
    int Entier() {
        while (pos_ < end_ && static_cast<unsigned char>(data_[pos_]) <= 32) {
            ++pos_;
        }
        if (Fin()) {
            return 0;
        }
        const qsizetype start = pos_;
        while (pos_ < end_ &&
               pos_ - start<kMaxChiffresCompte&& static_cast<unsigned char>(data_[pos_])> 32) {
            ++pos_;
        }
        const QByteArrayView token = data_.sliced(start, pos_ - start);
        while (pos_ < end_ && data_[pos_] != fin_) {
            ++pos_;
        }
        SauterFinDeLigne();
        return Convertir(token);
    }

private:
    void SauterFinDeLigne() {
        if (pos_ < end_ && data_[pos_] == fin_) {
            ++pos_;
            if (fin_ == '\r' && pos_ < end_ && data_[pos_] == '\n') {
                ++pos_;
            }
        }
    }

    // Decimal with an optional sign, or hexadecimal after "$" or "0x", as
    // the old runtime's number reading accepted.
    static int Convertir(QByteArrayView token) {
        qsizetype i = 0;
        bool negatif = false;
        if (i < token.size() && (token[i] == '+' || token[i] == '-')) {
            negatif = token[i] == '-';
            ++i;
        }
        int base = 10;
        if (i < token.size() && token[i] == '$') {
            base = 16;
            ++i;
        } else if (i + 1 < token.size() && token[i] == '0' &&
                   (token[i + 1] == 'x' || token[i + 1] == 'X')) {
            base = 16;
            i += 2;
        }
        if (i >= token.size()) {
            throw EInOutError(EInOutError::InvalidNumber);
        }
        std::int64_t valeur = 0;
        for (; i < token.size(); ++i) {
            const char c = token[i];
            int chiffre = -1;
            if (c >= '0' && c <= '9') {
                chiffre = c - '0';
            } else if (base == 16 && c >= 'a' && c <= 'f') {
                chiffre = c - 'a' + 10;
            } else if (base == 16 && c >= 'A' && c <= 'F') {
                chiffre = c - 'A' + 10;
            }
            if (chiffre < 0) {
                throw EInOutError(EInOutError::InvalidNumber);
            }
            valeur = valeur * base + chiffre;
            if (valeur > std::int64_t{std::numeric_limits<std::uint32_t>::max()}) {
                throw EInOutError(EInOutError::InvalidNumber);
            }
        }
        if (base == 10 && valeur > std::numeric_limits<int>::max() + std::int64_t{negatif}) {
            throw EInOutError(EInOutError::InvalidNumber);
        }
        // Hexadecimal spells the 32-bit pattern, so $FFFFFFFF is -1.
        const auto bits = static_cast<std::int32_t>(static_cast<std::uint32_t>(valeur));
        return negatif ? static_cast<int>(-static_cast<std::int64_t>(bits)) : bits;
    }

    QByteArrayView data_;
    qsizetype pos_ = 0;
    qsizetype end_ = 0;
    char fin_ = '\r';
};

void LireBloc(LecteurLignes& in, TQuestion& question) {
    question.Image = in.LigneNettoyee();
    question.Enonce = in.LigneNettoyee();
    const int compte = in.Entier();
    // Counts the writer never makes are held to the five slots; the lines
    // of extra propositions are still consumed so the next block lines up.
    question.NbReponses = std::clamp(compte, 0, kMaxReponses);
    question.Unique = MajusculesAscii(in.LigneNettoyee().mid(7)) == QLatin1String("OUI");
    for (int k = 1; k <= kMaxReponses; ++k) {
        question.Reponse(k) = k <= question.NbReponses ? in.LigneNettoyee() : QString();
    }
    for (int extra = question.NbReponses; extra < compte && !in.Fin(); ++extra) {
        in.Ligne();
    }
    question.Justes.fill(false);
    for (QChar c : in.LigneNettoyee()) {
        const int k = c.unicode() - '0';
        if (k >= 1 && k <= kMaxReponses) {
            question.Juste(k) = true;
        }
    }
    question.Commentaire = in.LigneNettoyee();
}

TQuestion QuestionNonAtteinte() {
    TQuestion question;
    question.NbReponses = kMaxReponses;
    return question;
}

bool Vide(const QString& s) {
    return Nettoye(s).isEmpty();
}

void TasserQuestion(TQuestion& question) {
    std::array<std::pair<QString, bool>, kMaxReponses> cases;
    for (int k = 1; k <= kMaxReponses; ++k) {
        cases.at(k - 1) = {question.Reponse(k), question.Juste(k)};
    }
    std::stable_partition(cases.begin(), cases.end(), [](const auto& c) { return !Vide(c.first); });
    for (int k = 1; k <= kMaxReponses; ++k) {
        question.Reponse(k) = cases.at(k - 1).first;
        question.Juste(k) = cases.at(k - 1).second;
    }
    question.NbReponses =
        static_cast<int>(std::count_if(question.Reponses.begin(), question.Reponses.end(),
                                       [](const QString& r) { return !Vide(r); }));
}

bool Ecrivable(const QString& s) {
    return std::all_of(s.begin(), s.end(), [](QChar c) { return CaractereEcrivable(c); });
}

void Verifier(const QString& texte, const QString& champ) {
    if (!Ecrivable(texte)) {
        throw EEcriture(
            QStringLiteral("Impossible d'enregistrer %1 : le texte contient un caractère "
                           "que le fichier QCM.txt ne peut pas contenir.")
                .arg(champ));
    }
}

void VerifierQuestionnaire(const TQuestionnaire& q, int n) {
    Verifier(q.Titre, QStringLiteral("le titre"));
    Verifier(q.Auteur, QStringLiteral("l'auteur"));
    Verifier(q.Fond, QStringLiteral("le fond d'écran"));
    Verifier(q.Musique, QStringLiteral("la musique"));
    for (int i = 1; i <= n; ++i) {
        const TQuestion& question = q.Question(i);
        const QString dans = QStringLiteral(" de la question %1").arg(i);
        Verifier(question.Image, QStringLiteral("l'image") + dans);
        Verifier(question.Enonce, QStringLiteral("l'énoncé") + dans);
        for (int k = 1; k <= kMaxReponses; ++k) {
            Verifier(question.Reponse(k), QStringLiteral("la proposition %1").arg(k) + dans);
        }
        Verifier(question.Commentaire, QStringLiteral("le commentaire") + dans);
    }
}

class EcrivainLignes {
public:
    void Ligne(const QString& texte) {
        bytes_ += cp1252::Encode(texte);
        bytes_ += "\r\n";
    }
    QByteArray Octets() && { return std::move(bytes_); }

private:
    QByteArray bytes_;
};

} // namespace

bool CaractereEcrivable(QChar c) {
    // A lone line feed is an ordinary character of a line and reads back as
    // written; CR ends a line and Ctrl-Z the file.
    return c != QLatin1Char('\r') && c != QChar(kCtrlZ) && cp1252::CanEncode(c);
}

QString PremiereLigneQCM(QByteArrayView bytes) {
    return LecteurLignes(bytes).Ligne();
}

TQuestionnaire ParseQCM(QByteArrayView bytes) {
    LecteurLignes in(bytes);
    TQuestionnaire q;
    q.Titre = in.LigneNettoyee();
    q.Auteur = in.LigneNettoyee();
    q.Fond = in.LigneNettoyee();
    q.Melange = MajusculesAscii(in.LigneNettoyee().mid(8, 3)) == QLatin1String("OUI");
    q.Musique = MajusculesAscii(in.LigneNettoyee().mid(8));
    int n = 1;
    // Blocks beyond the thirtieth are never written and are ignored.
    while (!in.Fin() && n <= kMaxQuestions) {
        LireBloc(in, q.Question(n));
        ++n;
    }
    for (; n <= kMaxQuestions; ++n) {
        q.Question(n) = QuestionNonAtteinte();
    }
    q.NbQuestions = kMaxQuestions;
    return q;
}

TQuestionnaire LireQCM(const QString& dossier) {
    if (!folders::IsFolder(dossier)) {
        throw EInOutError(EInOutError::BadFileName);
    }
    const QByteArray bytes =
        ReadWholeFile(folders::EntryPath(dossier, kNomFichierQCM), kTailleMaxQCM);
    TQuestionnaire q = ParseQCM(bytes);
    q.Repertoire = QFileInfo(dossier).fileName();
    return q;
}

void TasserPropositions(TQuestionnaire& q) {
    for (int i = 1; i <= DerniereQuestion(q); ++i) {
        TasserQuestion(q.Question(i));
    }
}

QByteArray FormatQCM(const TQuestionnaire& q) {
    const int n = DerniereQuestion(q);
    VerifierQuestionnaire(q, n);
    EcrivainLignes out;
    out.Ligne(q.Titre);
    out.Ligne(q.Auteur);
    out.Ligne(q.Fond);
    out.Ligne(q.Melange ? QStringLiteral("melange=OUI") : QStringLiteral("melange=NON"));
    out.Ligne(QStringLiteral("musique=") + q.Musique);
    for (int i = 1; i <= n; ++i) {
        TQuestion question = q.Question(i);
        TasserQuestion(question);
        out.Ligne(question.Image);
        out.Ligne(question.Enonce);
        out.Ligne(QString::number(question.NbReponses));
        out.Ligne(question.Unique ? QStringLiteral("unique=OUI") : QStringLiteral("unique=non"));
        for (int k = 1; k <= question.NbReponses; ++k) {
            out.Ligne(question.Reponse(k));
        }
        QString justes;
        for (int k = 1; k <= kMaxReponses; ++k) {
            if (question.Juste(k)) {
                justes += QChar(u'0' + k);
            }
        }
        out.Ligne(justes);
        out.Ligne(question.Commentaire);
    }
    return std::move(out).Octets();
}

void EcrireQCM(const TQuestionnaire& q, const QString& dossier) {
    const QByteArray bytes = FormatQCM(q);
    // A folder deleted from outside while it was open is made again: the
    // teacher's work goes where it belongs rather than being lost.
    if (!folders::IsFolder(dossier)) {
        folders::MakeFolder(dossier);
    }
    WriteFileAtomically(folders::EntryPath(dossier, kNomFichierQCM), bytes);
}

QStringList MediasManquants(const TQuestionnaire& q, const QString& dossier) {
    QStringList noms{q.Fond};
    // "NON" on the music line means no music.
    if (q.Musique != QLatin1StringView("NON")) {
        noms.append(q.Musique);
    }
    for (int n = 1; n <= DerniereQuestion(q); ++n) {
        noms.append(q.Question(n).Image);
    }
    QStringList manquants;
    for (const QString& nom : noms) {
        if (!nom.isEmpty() && !manquants.contains(nom, Qt::CaseInsensitive) &&
            folders::FindEntry(dossier, nom).isEmpty()) {
            manquants.append(nom);
        }
    }
    return manquants;
}

} // namespace qcm::model
