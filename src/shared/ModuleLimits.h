#pragma once

// What every module has, counted: the panel's lists, the frames' argument ranges, the command
// line's and the emulator's all come from these.
namespace velnor::limits {

constexpr int Rows = 2;
constexpr int Columns = 16;
// Predefined texts a module stores.
constexpr int Texts = 10;
constexpr int CustomCharacters = 8;
// A character cell's dots; a custom character is one byte for each row, bit 4 the leftmost dot.
constexpr int CharacterDotRows = 8;
constexpr int CharacterDotColumns = 5;
constexpr int Inputs = 8;
constexpr int Outputs = 8;

} // namespace velnor::limits
