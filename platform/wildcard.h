// Private: file name wildcards as Windows matches them.
#pragma once

namespace morfel_platform {

// '*' matches any run of characters, '?' any one; letters match ignoring
// case. "*.*" matches every name, with or without a dot.
bool MatchesWildcard(const char* pattern, const char* name);

}  // namespace morfel_platform
