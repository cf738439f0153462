// In-place edits of 8-bit texts, used on options and on volume paths.
#pragma once
#include <windows.h>

void ReplaceChar(char* text, char find, char replacement);
// The text must have room for one more character.
void AppendCharIfMissing(char* text, char c);
