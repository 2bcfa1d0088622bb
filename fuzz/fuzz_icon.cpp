// The TIcon reader on arbitrary bytes.
#include "FuzzPicture.h"
#include "pictures/Icon.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qcm::fuzz::StartApplication(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return qcm::fuzz::LoadAndDraw<qcm::pictures::TIcon>(data, size);
}
