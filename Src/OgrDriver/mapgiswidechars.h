// Which characters MAPGIS gives the whole character width: the full-width ones of Unicode's
// East Asian Width (F or W: Chinese characters, full-width forms, kana, hangul...). The others
// take half of it.
#pragma once

#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "mapgisdriver.h"

namespace mapgis {

bool IsFullWidth(char32_t c);

// The character of a UTF-8 text of exactly one character; none for any other text.
std::optional<char32_t> OnlyCharacter(std::string_view strUtf8);

}  // namespace mapgis
