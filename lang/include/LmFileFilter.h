// File-dialog filter texts of the language table ("description|pattern|...||",
// patterns separated by ";") turned into the form a Qt file dialog takes
// ("description (pattern pattern);;..."). Qt-free; works on decoded UTF-8 or
// on ASCII alike, since "|", ";" and "(" never occur inside a character.
#ifndef KR70_LANG_LMFILEFILTER_H
#define KR70_LANG_LMFILEFILTER_H

#include <string>
#include <string_view>

namespace kr70::lang {

// "WAV files (*.wav)|*.wav|All files (*.*)|*.*||"
//   -> "WAV files (*.wav);;All files (*.*)".
// A description that ends in a parenthesised pattern list has it replaced by
// the entry's own patterns; an entry without a pattern is dropped.
std::string FileFilterToQt(std::string_view filter);

}  // namespace kr70::lang

#endif
