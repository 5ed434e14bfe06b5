// The program's string table: the texts of its messages by string id.
#pragma once

// The text with that id, or "" when there is none.
const char* QkLoadString(unsigned id);
