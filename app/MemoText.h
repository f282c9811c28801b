#pragma once

// The texts the memo window adds to its notes and shows about them, apart from the window: the lines
// of the FMS button, and the notice for typed or pasted text that the memo's code page cannot hold.

#include <string>
#include <string_view>
#include <vector>

namespace vrel {

class TEditorStrings;
class TSimDataHolder;

// The scene's placement data as the memo keeps it, CP932 lines in this order: "----", the area
// radius, the scene's rotation, the aircraft's X, then its FMS z (the editor's up axis, Y) and its
// FMS y (the editor's Z), "----". Numbers carry two decimals, except the radius.
std::vector<std::string> FMSDataMemoLines(const TSimDataHolder& data);
// Those lines added at the end of the memo's lines, one change each.
void AppendFMSData(TEditorStrings& lines, const TSimDataHolder& data);

// The characters of UTF-8 `text` that CP932 has no code for, each once, in the order they come.
std::vector<std::string> CharactersCp932Lacks(std::string_view text);

// What the memo window says when typed or pasted UTF-8 `text` was refused: which characters it
// cannot keep (the first few, by their codes, and those that print on their own also as they are)
// and that nothing of the text went in.
std::string UnmappableTextNotice(std::string_view text);

}  // namespace vrel
