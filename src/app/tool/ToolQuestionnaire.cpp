#include "Tool.h"

#include "core/Errors.h"
#include "core/Folders.h"
#include "model/QcmFile.h"

#include <cstdio>

namespace qcm::app::tool {

using namespace qcm::core;
using namespace qcm::model;

namespace {

// Written by hand so that fields come in the record's own order.
class Json {
public:
    void Open(char c) {
        Separate();
        out_ += c;
        first_ = true;
        ++depth_;
    }
    void Close(char c) {
        --depth_;
        Newline();
        out_ += c;
        first_ = false;
    }
    Json& Key(const char* name) {
        Separate();
        out_ += '"';
        out_ += name;
        out_ += "\": ";
        pendingValue_ = true;
        return *this;
    }
    void Value(const QString& s) {
        Separate();
        out_ += '"';
        for (QChar c : s) {
            const char16_t u = c.unicode();
            if (u == '"' || u == '\\') {
                out_ += '\\';
                out_ += static_cast<char>(u);
            } else if (u < 0x20) {
                out_ += QStringLiteral("\\u%1").arg(u, 4, 16, QLatin1Char('0')).toUtf8();
            } else {
                out_ += QString(c).toUtf8();
            }
        }
        out_ += '"';
    }
    void Value(bool b) { Raw(b ? "true" : "false"); }
    void Value(int n) { Raw(QByteArray::number(n)); }
    QByteArray Text() const { return out_ + '\n'; }

private:
    void Raw(const QByteArray& text) {
        Separate();
        out_ += text;
    }
    void Separate() {
        if (pendingValue_) {
            pendingValue_ = false;
            return;
        }
        if (depth_ > 0) {
            if (!first_) {
                out_ += ',';
            }
            Newline();
        }
        first_ = false;
    }
    void Newline() {
        out_ += '\n';
        out_ += QByteArray(depth_ * 2, ' ');
    }

    QByteArray out_;
    int depth_ = 0;
    bool first_ = true;
    bool pendingValue_ = false;
};

void Write(Json& json, const TQuestion& question) {
    json.Open('{');
    json.Key("Image").Value(question.Image);
    json.Key("Enonce").Value(question.Enonce);
    json.Key("NbReponses").Value(question.NbReponses);
    json.Key("Unique").Value(question.Unique);
    json.Key("Reponses").Open('[');
    for (const QString& r : question.Reponses) {
        json.Value(r);
    }
    json.Close(']');
    json.Key("Justes").Open('[');
    for (bool juste : question.Justes) {
        json.Value(juste);
    }
    json.Close(']');
    json.Key("Commentaire").Value(question.Commentaire);
    json.Close('}');
}

QByteArray ToJson(const TQuestionnaire& q) {
    Json json;
    json.Open('{');
    json.Key("Titre").Value(q.Titre);
    json.Key("Auteur").Value(q.Auteur);
    json.Key("Melange").Value(q.Melange);
    json.Key("Repertoire").Value(q.Repertoire);
    json.Key("Fond").Value(q.Fond);
    json.Key("Musique").Value(q.Musique);
    json.Key("NbQuestions").Value(q.NbQuestions);
    json.Key("Questions").Open('[');
    for (const TQuestion& question : q.Questions) {
        Write(json, question);
    }
    json.Close(']');
    json.Close('}');
    return json.Text();
}

int Fail(const Exception& e) {
    std::fprintf(stderr, "%s\n", e.Message().toUtf8().constData());
    return 1;
}

bool OneFolder(const QStringList& args, const char* command) {
    if (args.size() != 1) {
        Misuse(command);
        return false;
    }
    return true;
}

} // namespace

int Show(const QStringList& args) {
    if (!OneFolder(args, "show")) {
        return 2;
    }
    try {
        const TQuestionnaire q = LireQCM(folders::Join(folders::Current(), args.first()));
        const QByteArray json = ToJson(q);
        std::fwrite(json.constData(), 1, static_cast<size_t>(json.size()), stdout);
        return 0;
    } catch (const Exception& e) {
        return Fail(e);
    }
}

int Resave(const QStringList& args) {
    if (!OneFolder(args, "resave")) {
        return 2;
    }
    try {
        const QString dossier = folders::Join(folders::Current(), args.first());
        EcrireQCM(LireQCM(dossier), dossier);
        return 0;
    } catch (const Exception& e) {
        return Fail(e);
    }
}

} // namespace qcm::app::tool
