#include "Tool.h"

namespace qcm::tool {

int Show(const QStringList&) { return 2; }
int Resave(const QStringList&) { return 2; }

} // namespace qcm::tool
