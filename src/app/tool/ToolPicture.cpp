#include "Tool.h"

#include <cstdio>

namespace qcm::tool {

int Picture(const QStringList& /*args*/) {
    std::fputs("qcm-tool picture: pas encore disponible\n", stderr);
    return 2;
}

} // namespace qcm::tool
