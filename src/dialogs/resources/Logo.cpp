#include "Logo.h"

#include <QFile>

namespace qcm::dialogs::logo {

QByteArray Octets() {
    QFile f(QStringLiteral(":/logo/logo.gif"));
    if (!f.open(QIODevice::ReadOnly)) {
        return {};
    }
    return f.readAll();
}

} // namespace qcm::dialogs::logo
