#pragma once

#include <array>
#include <string_view>

// The about box's texts, kept only scrambled (see Codage.h); new ones are
// made with the qcm_brouiller tool.
namespace qcm::dialogs::textes {

inline constexpr std::string_view kCle = "tournesol";

// The eight lines of credits, the second and the last empty.
extern const std::array<std::string_view, 8> kLignes;
// The caption of the contact line and the address it opens: a path relative
// to the program's folder, or a URL.
extern const std::string_view kContact;
extern const std::string_view kLien;

} // namespace qcm::dialogs::textes
