#include "Tool.h"

#include <array>
#include <cstdio>

namespace qcm::app::tool {

namespace {

struct Command {
    const char* name;
    const char* synopsis;
    const char* summary;
    // One option a line, its name then two spaces and what it does.
    const char* options;
};

// The one list of commands: the help, each command's help and the usage
// lines of a misuse all come from here, so that they never disagree.
constexpr std::array kCommands{
    Command{"show", "show DOSSIER",
            "affiche le questionnaire du DOSSIER en JSON (UTF-8) sur la sortie standard", ""},
    Command{"resave", "resave DOSSIER",
            "relit QCM.txt et le réenregistre avec le lecteur et l'écrivain de l'éditeur", ""},
    Command{"picture", "picture FICHIER [--png SORTIE]",
            "charge une image comme l'éditeur et affiche sa sorte et sa taille",
            "--png SORTIE  dessine l'image dans le fichier PNG SORTIE\n"},
    Command{"frames", "frames FICHIER DOSSIER [--passes N]",
            "écrit dans DOSSIER chaque image d'une animation GIF (frame_0000.png…) et leurs "
            "délais (timing.txt)",
            "--passes N  joue N tours de l'animation (un seul tour pour une animation sans fin)\n"},
    Command{"export",
            "export DOSSIER --to gift|moodle|amc|html|scorm12|scorm2004 [-o FICHIER] "
            "[--seuil N]",
            "exporte le questionnaire vers Moodle (GIFT, Moodle XML), AMC, une page HTML ou "
            "un paquet SCORM pour une plateforme d'apprentissage",
            "--to FORMAT  gift, moodle (Moodle XML), amc (AMC-TXT), html (page de l'élève), "
            "scorm12 ou scorm2004 (la page de l'élève dans un paquet SCORM .zip qui rend le score "
            "et les réponses à la plateforme)\n"
            "-o FICHIER  écrit dans FICHIER, et les images d'AMC à côté ; sinon sur la sortie "
            "standard\n"
            "--seuil N  SCORM : le pourcentage de bonnes réponses pour réussir (50 par défaut)\n"},
    Command{"print", "print DOSSIER -o FICHIER.pdf [--corrige]",
            "imprime le questionnaire en PDF sur des pages A4",
            "-o FICHIER.pdf  le PDF à écrire\n"
            "--corrige  le corrigé : bonnes cases cochées et commentaires\n"},
    Command{"import", "import FICHIER --into DOSSIER_DEPART",
            "importe un fichier GIFT ou Moodle XML dans un nouveau dossier QCMn",
            "--into DOSSIER_DEPART  le dossier de départ où créer le questionnaire\n"},
};

const Command* Find(const QString& name) {
    for (const Command& command : kCommands) {
        if (name == QLatin1String(command.name)) {
            return &command;
        }
    }
    return nullptr;
}

void PrintOptions(const char* options, std::FILE* out) {
    for (const QString& line : QString::fromUtf8(options).split(QLatin1Char('\n'))) {
        if (!line.isEmpty()) {
            std::fprintf(out, "      %s\n", line.toUtf8().constData());
        }
    }
}

} // namespace

void PrintHelp(std::FILE* out) {
    std::fputs("utilisation : qcm-tool COMMANDE ARGUMENTS…\n"
               "              qcm-tool COMMANDE --help\n"
               "              qcm-tool --help | --version\n"
               "\n"
               "Commandes :\n",
               out);
    for (const Command& command : kCommands) {
        std::fprintf(out, "  %s\n      %s\n", command.synopsis, command.summary);
        PrintOptions(command.options, out);
    }
    std::fputs("\nStatut de sortie : 0 réussite, 1 échec (message sur la sortie d'erreur), "
               "2 mauvaise utilisation.\n",
               out);
}

bool PrintCommandHelp(const QString& name, std::FILE* out) {
    const Command* command = Find(name);
    if (command == nullptr) {
        return false;
    }
    std::fprintf(out, "utilisation : qcm-tool %s\n  %s\n", command->synopsis, command->summary);
    if (command->options[0] != '\0') {
        std::fputs("Options :\n", out);
        PrintOptions(command->options, out);
    }
    return true;
}

int Misuse(const char* name) {
    const Command* command = Find(QLatin1String(name));
    std::fprintf(stderr, "utilisation : qcm-tool %s\n", command ? command->synopsis : name);
    return 2;
}

} // namespace qcm::app::tool
