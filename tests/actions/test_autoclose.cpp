#include "actions/line/autoclose.h"

#include "tests/support/check.h"

// Which typed opener gets its closing character, under the flag bits and after the character
// before the cursor (0 at the start of the line).
TEST(auto_close_character)
{
    const struct {
        const char *name;
        int typed;
        unsigned int flags;
        wchar_t previous, closing;
    } rows[] = {
        {"quote after =", '"', 8, L'=', L'"'},
        {"quote after :", '"', 8, L':', L'"'},
        {"quote after [", '"', 8, L'[', L'"'},
        {"quote at the start", '"', 8, 0, L'"'},
        {"apostrophe inside a word", '\'', 16, L'n', 0},
        {"apostrophe after (", '\'', 16, L'(', L'\''},
        {"apostrophe after a blank", '\'', 16, L' ', L'\''},
        {"apostrophe after a full stop", '\'', 16, L'.', L'\''},
        {"backquote after a blank", '`', 32, L' ', L'`'},
        {"backquote after a letter", '`', 32, L'a', 0},
        {"parenthesis after a letter", '(', 2, L'f', L')'},
        {"bracket without its bit", '[', 2, L'a', 0},
        {"quote without its bit", '"', 55, L' ', 0},
        {"no flags", '(', 0, L'a', 0},
        {"closing bracket is no opener", ']', 63, L'a', 0},
    };
    for (const auto &row : rows) {
        CHECK_ROW_EQ(row.name, AutoCloseCharacter(row.typed, row.flags, row.previous), row.closing);
        CHECK_ROW_EQ(row.name, IsAutoCloseKey(row.typed), row.typed != ']');
    }
}
