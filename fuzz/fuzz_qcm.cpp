// The questionnaire reader on arbitrary bytes; whatever it reads must write
// and read back to the same record.
#include "core/Errors.h"
#include "model/QcmFile.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace qcm::core;
    using namespace qcm::model;
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    TQuestionnaire first;
    try {
        first = ParseQCM(bytes);
    } catch (const EInOutError&) {
        return 0;
    }
    const QByteArray written = FormatQCM(first);
    const TQuestionnaire second = ParseQCM(written);
    // What was written is the record with its gaps closed.
    TasserPropositions(first);
    const int n = DerniereQuestion(first);
    bool same = second.Titre == first.Titre && second.Auteur == first.Auteur &&
                second.Fond == first.Fond && second.Melange == first.Melange &&
                second.Musique == first.Musique && DerniereQuestion(second) == n;
    for (int i = 1; same && i <= n; ++i) {
        same = second.Question(i) == first.Question(i);
    }
    if (!same) {
        std::abort();
    }
    return 0;
}
