// The few file-system calls the portable file code needs and the standard
// library does not give, one implementation per platform (qkfile_posix.cpp).
#pragma once

#include <string>

// Creates an empty temporary file in folder, with the permissions a file
// replacing target should get (target's own when it exists). Its path, or
// empty (error says why) when it cannot be made.
std::string QkCreateTempFile(const std::string& folder, const std::string& target, std::string& error);

// Creates a new empty file in folder named prefix, six characters that make
// it unique, then suffix; never one that exists. Its path, or empty (error
// says why) when it cannot be made.
std::string QkCreateUniqueFile(const std::string& folder, const std::string& prefix, const std::string& suffix,
                               std::string& error);

// Puts what was written to path on disk; false when the system failed.
bool QkSyncFile(const std::string& path);

// Moves from over to in one step (to is replaced, never half there); false
// when the system refused.
bool QkReplaceFile(const std::string& from, const std::string& to);

// The system's text for the last failed call (errno), or empty.
std::string QkLastSystemError();
