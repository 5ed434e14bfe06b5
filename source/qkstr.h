// The program's string table: message and tip texts by their resource id.
#pragma once

// The text of string id; null when the program has no such string.
const char* QkLoadString(unsigned id);
