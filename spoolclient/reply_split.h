#pragma once
// The split of _maicomm5: a reply in memory of the form "<prefix>;<rest>".
#include <cstdint>

namespace qtl {

inline constexpr int32_t kNoPrefixResult = 100069;
inline constexpr int32_t kLongestPrefix = 80;

// Moves the bytes before the first ";" of output[0..*length) into `prefix`
// (NUL-terminated, at most 80 of them) and the bytes after it to the start
// of `output`, setting *length to their count. 100069 when there is no ";"
// or more than 80 bytes precede it; output is then left as it was.
int32_t SplitReplyPrefix(char* output, int32_t* length, char* prefix);

}  // namespace qtl
