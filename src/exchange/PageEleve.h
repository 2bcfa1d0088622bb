#pragma once

#include <QByteArray>

// The pupil's page keeps its questions and answers scrambled so that a pupil
// does not read the answers in the page's source: hidden, not secret.
namespace qcm::exchange {

// Scrambles or unscrambles bytes (the same operation both ways); the page's
// script undoes it with the same rule.
QByteArray BrouillerPage(QByteArray octets);

} // namespace qcm::exchange
