// In-place edits of 8-bit texts, used on options ("/" works like "-") and on
// volume paths (a volume GUID path and a root directory end with a backslash).
#include "base/text_edits.h"

void ReplaceChar(char* text, char find, char replacement) {
    for (; *text; ++text)
        if (*text == find) *text = replacement;
}

void AppendCharIfMissing(char* text, char c) {
    int length = lstrlenA(text);
    if (length == 0 || text[length - 1] != c) {
        text[length] = c;
        text[length + 1] = 0;
    }
}
