// GIFT or Moodle XML bytes -> the import; whatever it keeps must be a
// questionnaire the file writer takes as it is.
#include "FuzzPicture.h"
#include "exchange/Import.h"
#include "model/QcmFile.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qcm::fuzz::StartApplication(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace qcm::exchange;
    using namespace qcm::model;
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    ResultatImport r;
    try {
        r = Importer(bytes, QStringLiteral("fuzz.gift"));
    } catch (const EEchange&) {
        return 0;
    }
    if (r.NombreQuestions < 0 || r.NombreQuestions > kMaxQuestions ||
        r.Images.size() > static_cast<std::size_t>(r.NombreQuestions)) {
        std::abort();
    }
    for (const TQuestion& q : r.Questionnaire.Questions) {
        if (q.NbReponses < 0 || q.NbReponses > kMaxReponses) {
            std::abort();
        }
    }
    try {
        // The editor opens no larger file.
        if (FormatQCM(r.Questionnaire).size() > kTailleMaxQCM) {
            std::abort();
        }
    } catch (const EEcriture&) {
        std::abort();
    }
    return 0;
}
