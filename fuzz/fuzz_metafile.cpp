// The metafile reader and player on arbitrary bytes.
#include "FuzzPicture.h"
#include "pictures/Metafile.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qcm::fuzz::StartApplication(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return qcm::fuzz::LoadAndDraw<qcm::pictures::TMetafile>(data, size, 64);
}
