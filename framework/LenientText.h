#pragma once

#include <string>
#include <string_view>

namespace tabrix::framework {

/// Text without the white space around it: ASCII blanks, TAB, CR, LF, the ideographic space U+3000 and the
/// no-break space U+00A0, as text copied from web pages and typed with Chinese input methods carries them.
std::string_view trimmedText(std::string_view text);

/// The text as a lenient match sees it: trimmed as above, and the full-width ASCII forms U+FF01-U+FF5E taken as
/// the letters, digits and signs they stand for ("１２３" is "123"). Letter case is left as it is.
std::string lenientText(std::string_view text);

/// A heading as columns are lined up by it: lenientText with ASCII letters in lower case.
std::string headingKey(std::string_view text);

} // namespace tabrix::framework
