#include "Tool.h"

#include <cstdio>

namespace qcm::tool {

int Frames(const QStringList& /*args*/) {
    std::fputs("qcm-tool frames: pas encore disponible\n", stderr);
    return 2;
}

} // namespace qcm::tool
