#pragma once

#include <cstddef>

// The leaving sound's wave file, written by GenererChao at build time.
namespace qcm::platform::sons {

extern const unsigned char kChao[];
extern const std::size_t kTailleChao;

} // namespace qcm::platform::sons
