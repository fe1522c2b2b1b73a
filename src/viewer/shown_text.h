#pragma once

#include <string>
#include <string_view>

namespace kep::viewer {

// True for the characters of Unicode's general category Cf (format): the
// soft hyphen, the bidirectional marks, embeddings, overrides and isolates,
// the zero-width characters, the byte order mark, the tag characters and
// the rest of the category.
bool IsFormatCharacter(char32_t c);

// Appends a file's bytes as UTF-8 text that shows on one line in the order
// the bytes stand. Valid UTF-8 stays, except that the characters that would
// move, hide or break the text show as a backslash escape of their code
// point, "\u" and four hex digits ("\U" and eight past U+FFFF): the C0 and
// C1 controls and DEL, the format characters, and the line and paragraph
// separators U+2028 and U+2029. A byte that does not belong to a valid
// UTF-8 character shows as U+FFFD.
void AppendShownText(std::string& out, std::string_view bytes);
std::string ShownText(std::string_view bytes);

}  // namespace kep::viewer
