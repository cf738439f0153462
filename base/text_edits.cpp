// In-place edits of 8-bit texts, used on options ("/" works like "-") and on
// volume paths (a device is opened without the trailing backslash, a root
// directory with it).
#include "base/text_edits.h"

void ReplaceChar(char* text, char find, char replacement) {
    for (; *text; ++text)
        if (*text == find) *text = replacement;
}

void StripTrailingChar(char* text, char c) {
    int length = lstrlenA(text);
    if (length > 0 && text[length - 1] == c) text[length - 1] = 0;
}

void AppendCharIfMissing(char* text, char c) {
    int length = lstrlenA(text);
    if (length == 0 || text[length - 1] != c) {
        text[length] = c;
        text[length + 1] = 0;
    }
}
