#pragma once

#include <string>

// The branding variant rewrites host and maker names in the message texts passed through it.
// 0: unchanged; 1: "Vantor" -> "Brackfell"; 2: "Corvane" -> "Orrick".
int BrandingVariant();
// Set once, by library initialisation (and by tests).
void SetBrandingVariant(int variant);

// Applies the current variant's substitution to every occurrence in text; true when at least one
// occurrence was replaced.
bool ApplyBrandingVariant(std::string& text);
